// Reading what a Marlpoint terminal sends to its host. The terminal adds no
// framing, so the parser takes the front of a receive buffer, says how many
// bytes one message used, and leaves the rest for the next call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace marl::host {

enum class MessageKind {
  kPowerUp,         // P,Rows=16,Cols=20 \0 IP=127.0.0.1
  kSimulatorId,     // SCAN01,  (the -I value and a comma, before the power-up)
  kStatus,          // K\\0     (a command's outcome)
  kFormReply,       // K\3\0\Kabc\\w \0 F=00 \0
  kTableReply,      // S2\\w \0 F=00 \0  (or K/S, terminator, entry)
  kIdentification,  // IR16,20,00
  kPing,            // NG,35
  kInfoRequest,     // IS,
};

const char* MessageKindName(MessageKind kind);

// One field of a form reply: the field's index on the form, 'K' keyed or
// 'S' scanned, the scan's terminator byte (0 when none) and its characters.
struct ReplyField {
  int index = 0;
  char entry = 'K';
  char terminator = 0;
  std::string value;
};

struct TerminalMessage {
  MessageKind kind = MessageKind::kStatus;
  std::string bytes;  // the message as it came

  int rows = 0, columns = 0;  // power-up, identification
  std::string address;        // power-up: the terminal's IPv4 address, if sent
  std::string version;        // identification
  std::string id;             // simulator ID, without its comma
  char status = 0;            // status: '0' to '9', or the code byte itself
  uint32_t ping_ms = 0;       // ping: the last round trip, 0 for the first

  // Form and table replies.
  int form_id = 0;  // the stored table's number, -10 for a form not stored
  std::vector<ReplyField> fields;
  char entry = 0;         // table reply: 'K' or 'S'
  char terminator = 0;    // table reply: the scan's terminator, 0 when none
  int row = -1;           // table reply naming its row: 0 for the first row
  std::string text;       // table reply: the entry's characters
  int reply_letter = -1;  // why the turn ended: 'w' Enter, 'z' Escape, 'x'/'y' paging, ...
  bool whole_reply_letter = false;  // the reply was only K and the letter
  int current_field = -1;           // the F=nn trailer: the field the cursor was on
};

enum class ParseStatus {
  kOk,          // one message taken; `used` bytes of the input
  kIncomplete,  // the input ends inside a message; read more and call again
  kMalformed,   // the front of the input is not a message; `used` bytes of it can be dropped
};

struct ParseResult {
  ParseStatus status = ParseStatus::kIncomplete;
  size_t used = 0;
  std::string error;  // for kMalformed: what is wrong
};

struct ParseOptions {
  // Form replies end with the \0F=nn\0 trailer while the terminal speaks the
  // text dialect (as it does from start-up). Without it a reply runs to the
  // end of the input.
  bool trailer = true;
};

// The longest message a terminal sends in one piece; a buffer holding more
// without a complete message is malformed.
constexpr size_t kLongestMessage = 16384;

// Reads one message from the front of `input`. Never reads past it.
ParseResult ParseTerminalMessage(std::string_view input, TerminalMessage* message,
                                 const ParseOptions& options = {});

}  // namespace marl::host
