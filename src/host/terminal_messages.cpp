#include "host/terminal_messages.h"

#include <cstring>

namespace marl::host {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

bool StartsWith(std::string_view s, std::string_view prefix) {
  return s.substr(0, prefix.size()) == prefix;
}

// True when `s` is shorter than `prefix` and could still grow into it.
bool Truncated(std::string_view s, std::string_view prefix) {
  return s.size() < prefix.size() && prefix.substr(0, s.size()) == s;
}

// Reads a decimal number at `*at` (at most 9 digits); false when none.
bool Number(std::string_view s, size_t* at, int64_t* value) {
  size_t i = *at;
  int64_t v = 0;
  while (i < s.size() && IsDigit(s[i]) && i - *at < 9) v = v * 10 + (s[i++] - '0');
  if (i == *at) return false;
  *at = i;
  *value = v;
  return true;
}

ParseResult Ok(size_t used) {
  return {ParseStatus::kOk, used, {}};
}
ParseResult More() {
  return {ParseStatus::kIncomplete, 0, {}};
}
ParseResult Bad(size_t used, std::string error) {
  return {ParseStatus::kMalformed, used == 0 ? 1 : used, std::move(error)};
}

// P,Rows=R,Cols=C, then \0IP=ADDRESS when the terminal knows its address.
ParseResult PowerUp(std::string_view in, TerminalMessage* m) {
  size_t at = 7;  // after "P,Rows="
  int64_t rows = 0, columns = 0;
  if (!Number(in, &at, &rows)) return at == in.size() ? More() : Bad(at, "power-up: no row count");
  if (Truncated(in.substr(at), ",Cols=")) return More();
  if (!StartsWith(in.substr(at), ",Cols=")) return Bad(at, "power-up: no ,Cols=");
  at += 6;
  if (!Number(in, &at, &columns)) {
    return at == in.size() ? More() : Bad(at, "power-up: no column count");
  }
  m->rows = int(rows);
  m->columns = int(columns);
  if (at < in.size() && in[at] == '\0') {
    if (Truncated(in.substr(at + 1), "IP=")) return More();
    if (StartsWith(in.substr(at + 1), "IP=")) {
      size_t end = at + 4;
      while (end < in.size() && (IsDigit(in[end]) || in[end] == '.')) ++end;
      m->address = std::string(in.substr(at + 4, end - at - 4));
      at = end;
    }
  }
  return Ok(at);
}

// NG,MS
ParseResult Ping(std::string_view in, TerminalMessage* m) {
  size_t at = 3;
  int64_t ms = 0;
  if (!Number(in, &at, &ms)) return at == in.size() ? More() : Bad(at, "ping: no number");
  m->ping_ms = uint32_t(ms);
  return Ok(at);
}

// IRrows,columns,version
ParseResult Identification(std::string_view in, TerminalMessage* m) {
  size_t at = 2;
  int64_t rows = 0, columns = 0;
  if (!Number(in, &at, &rows)) return at == in.size() ? More() : Bad(at, "IR: no row count");
  if (at == in.size()) return More();
  if (in[at++] != ',') return Bad(at, "IR: no comma after the rows");
  if (!Number(in, &at, &columns)) return at == in.size() ? More() : Bad(at, "IR: no column count");
  if (at == in.size()) return More();
  if (in[at++] != ',') return Bad(at, "IR: no comma after the columns");
  const size_t start = at;
  while (at < in.size() && at - start < 2 && IsDigit(in[at])) ++at;
  m->rows = int(rows);
  m->columns = int(columns);
  m->version = std::string(in.substr(start, at - start));
  return Ok(at);
}

// Where the \0F=nn\0 trailer starts, and its end and number; npos when the
// input holds none yet.
size_t FindTrailer(std::string_view in, size_t* end, int* field) {
  for (size_t at = in.find('\0'); at != std::string_view::npos; at = in.find('\0', at + 1)) {
    if (!StartsWith(in.substr(at + 1), "F=")) continue;
    size_t i = at + 3;
    int64_t n = 0;
    if (!Number(in, &i, &n) || i >= in.size() || in[i] != '\0') continue;
    *end = i + 1;
    *field = int(n);
    return at;
  }
  return std::string_view::npos;
}

// The reply-letter suffix: two backslashes and the letter at the end.
std::string_view TakeLetter(std::string_view reply, TerminalMessage* m) {
  if (reply.size() >= 3 && reply[reply.size() - 3] == '\\' && reply[reply.size() - 2] == '\\') {
    m->reply_letter = static_cast<unsigned char>(reply.back());
    reply.remove_suffix(3);
  }
  return reply;
}

// Where the next field of a form reply starts: a backslash, an index, a
// backslash and K or S. Anything else, backslashes included, is a value.
size_t NextField(std::string_view s, size_t from) {
  for (size_t at = s.find('\\', from); at != std::string_view::npos; at = s.find('\\', at + 1)) {
    size_t i = at + 1;
    int64_t index = 0;
    if (Number(s, &i, &index) && i + 1 < s.size() && s[i] == '\\' &&
        (s[i + 1] == 'K' || s[i + 1] == 'S')) {
      return at;
    }
  }
  return std::string_view::npos;
}

bool FormReply(std::string_view reply, TerminalMessage* m, std::string* error) {
  m->kind = MessageKind::kFormReply;
  reply = TakeLetter(reply, m);
  size_t at = 2;  // after K and a backslash
  const bool negative = at < reply.size() && reply[at] == '-';
  if (negative) ++at;
  int64_t id = 0;
  if (!Number(reply, &at, &id)) {
    *error = "form reply: no form number after K\\";
    return false;
  }
  m->form_id = int(negative ? -id : id);
  if (at < reply.size() && NextField(reply, at) != at) {
    *error = "form reply: no field after the form number";
    return false;
  }
  while (at < reply.size()) {
    ReplyField f;
    size_t i = at + 1;
    int64_t index = 0;
    Number(reply, &i, &index);
    f.index = int(index);
    f.entry = reply[i + 1];
    i += 2;
    if (f.entry == 'S' && i < reply.size() && static_cast<unsigned char>(reply[i]) < 0x20) {
      f.terminator = reply[i++];
    }
    const size_t next = NextField(reply, i);
    const size_t end = next == std::string_view::npos ? reply.size() : next;
    f.value = std::string(reply.substr(i, end - i));
    m->fields.push_back(std::move(f));
    at = end;
  }
  return true;
}

bool TableReply(std::string_view reply, TerminalMessage* m, std::string* error) {
  m->kind = MessageKind::kTableReply;
  reply = TakeLetter(reply, m);
  if (reply.empty() || (reply[0] != 'K' && reply[0] != 'S')) {
    *error = "reply: starts with neither K nor S";
    return false;
  }
  m->entry = reply[0];
  if (reply.size() == 2 && reply[0] == 'S') {
    const char r = reply[1];
    if (IsDigit(r)) m->row = r - '0';
    if (r >= 'A') m->row = 10 + (static_cast<unsigned char>(r) - 'A');
  }
  size_t at = 1;
  if (at < reply.size() && static_cast<unsigned char>(reply[at]) < 0x20)
    m->terminator = reply[at++];
  m->text = std::string(reply.substr(at));
  return true;
}

}  // namespace

const char* MessageKindName(MessageKind kind) {
  switch (kind) {
    case MessageKind::kPowerUp:
      return "power-up";
    case MessageKind::kSimulatorId:
      return "simulator ID";
    case MessageKind::kStatus:
      return "status";
    case MessageKind::kFormReply:
      return "form reply";
    case MessageKind::kTableReply:
      return "table reply";
    case MessageKind::kIdentification:
      return "identification";
    case MessageKind::kPing:
      return "ping";
    case MessageKind::kInfoRequest:
      return "IS";
  }
  return "?";
}

ParseResult ParseTerminalMessage(std::string_view in, TerminalMessage* m,
                                 const ParseOptions& options) {
  *m = TerminalMessage{};
  if (in.empty()) return More();
  ParseResult result;
  if (StartsWith(in, "P,Rows=")) {
    m->kind = MessageKind::kPowerUp;
    result = PowerUp(in, m);
  } else if (StartsWith(in, "NG,")) {
    m->kind = MessageKind::kPing;
    result = Ping(in, m);
  } else if (StartsWith(in, "IS,")) {
    m->kind = MessageKind::kInfoRequest;
    result = Ok(3);
  } else if (in.size() > 2 && in[0] == 'I' && in[1] == 'R' && IsDigit(in[2])) {
    m->kind = MessageKind::kIdentification;
    result = Identification(in, m);
  } else if (Truncated(in, "P,Rows=") || Truncated(in, "NG,") || Truncated(in, "IS,") ||
             in == "IR") {
    return More();
  } else {
    size_t end = 0;
    int field = -1;
    const size_t trailer = options.trailer ? FindTrailer(in, &end, &field) : in.size();
    const bool status_shape = in.size() >= 4 && StartsWith(in, "K\\\\");
    if (status_shape && (trailer != 4 || !options.trailer)) {
      // A status reply, unless the trailer makes it a reply of K, two
      // backslashes and a letter alone.
      m->kind = MessageKind::kStatus;
      m->status = in[3];
      result = Ok(4);
    } else if (trailer != std::string_view::npos) {
      const std::string_view reply = in.substr(0, trailer);
      std::string error;
      bool good = false;
      if (status_shape) {
        m->kind = MessageKind::kFormReply;
        m->reply_letter = static_cast<unsigned char>(in[3]);
        m->whole_reply_letter = true;
        good = true;
      } else if (reply.size() > 2 && reply[0] == 'K' && reply[1] == '\\' &&
                 (IsDigit(reply[2]) || reply[2] == '-')) {
        good = FormReply(reply, m, &error);
      } else {
        good = TableReply(reply, m, &error);
      }
      if (!good) return Bad(options.trailer ? end : in.size(), error);
      m->current_field = options.trailer ? field : -1;
      result = Ok(options.trailer ? end : in.size());
    } else if (const size_t p = in.find("P,Rows="); p != std::string_view::npos && p > 0 &&
                                                    in[p - 1] == ',' &&
                                                    std::memchr(in.data(), 0, p) == nullptr) {
      m->kind = MessageKind::kSimulatorId;
      m->id = std::string(in.substr(0, p - 1));
      result = Ok(p);
    } else if (in.back() == ',' && in.find('\0') == std::string_view::npos &&
               in.find('\\') == std::string_view::npos) {
      m->kind = MessageKind::kSimulatorId;
      m->id = std::string(in.substr(0, in.size() - 1));
      result = Ok(in.size());
    } else if (in[0] == 'K' || in[0] == 'S') {
      if (in.size() > kLongestMessage) return Bad(in.size(), "reply: no \\0F=nn\\0 trailer");
      return More();
    } else {
      // Up to where a message might start again.
      const size_t next = in.find_first_of("KSPNI", 1);
      return Bad(next == std::string_view::npos ? in.size() : next,
                 "not a message a terminal sends");
    }
  }
  if (result.status == ParseStatus::kOk) m->bytes = std::string(in.substr(0, result.used));
  return result;
}

}  // namespace marl::host
