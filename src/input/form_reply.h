// The form reply: what the user typed or scanned, sent to the host when the
// turn ends.
#pragma once

#include <cstdint>

namespace marl {

struct Terminal;
struct Form;

// The most Transmit takes in one call; longer replies go out in pieces.
constexpr int32_t kTransmitLimit = 1028;
constexpr int32_t kReplyPiece = 1024;

// `code` is the key that ended the turn; the reply does not depend on it.
void SendFormReply(Terminal& t, int32_t code, Form* form);

}  // namespace marl
