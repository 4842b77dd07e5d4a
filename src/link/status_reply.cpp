#include "link/status_reply.h"

#include "base/terminal_config.h"
#include "base/wire.h"
#include "link/refusal.h"
#include "link/transmit.h"
#include "terminal.h"

namespace marl {

void SendStatus(Terminal& t, int32_t code) {
  // Refused whether or not the host hears of it.
  if (code != kStatusSuccess) NoteStatusRefusal(t, code);
  if (!StatusRepliesOn(t)) return;
  char reply[4];
  StatusWord(code, reply);
  Transmit(t, 4, reply, "Waiting");
}

void ReleaseAndReply(Terminal& t, OwnedRecord& record, int32_t code) {
  record.reset();
  SendStatus(t, code);
}

}  // namespace marl
