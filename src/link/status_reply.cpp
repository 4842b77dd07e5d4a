#include "link/status_reply.h"

#include "base/terminal_config.h"
#include "link/transmit.h"
#include "terminal.h"

namespace marl {

void SendStatus(Terminal& t, int32_t code) {
  if (!StatusRepliesOn(t)) return;
  const char reply[4] = {'K', '\\', '\\',
                         code >= 0 && code <= 9 ? char('0' + code) : char(code & 0xFF)};
  Transmit(t, 4, reply, "Waiting");
}

void ReleaseAndReply(Terminal& t, OwnedRecord& record, int32_t code) {
  record.reset();
  SendStatus(t, code);
}

}  // namespace marl
