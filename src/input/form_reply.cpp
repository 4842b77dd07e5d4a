#include "input/form_reply.h"

#include <cstdio>
#include <cstring>

#include "base/guarded_alloc.h"
#include "forms/form.h"
#include "input/input_queue.h"
#include "input/key_processor.h"
#include "link/transmit.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "keys";

int32_t FieldCount(const Form& form) {
  return form.fields != nullptr && form.field_count > 0 ? form.field_count : 0;
}

// Room for a reply of this form whatever it holds: per field a backslash, an
// index of up to eleven characters, a backslash, the kind, a terminator and
// every character it can hold; then the head, the suffix and the trailer.
int64_t ReplyCapacity(const Form& form) {
  int64_t size = 16 + 89;
  for (int32_t i = 0; i < FieldCount(form); ++i) {
    const FormField& f = form.fields[i];
    int32_t most = f.length > f.width ? f.length : f.width;
    if (f.data_len > most) most = f.data_len;
    size += int64_t(most > 0 ? most : 0) + 16;
  }
  return size;
}

// The size the reply buffer once had; a suffix that reaches it means the
// form screen is no longer what the host drew.
int64_t NominalCapacity(const Form& form) {
  int64_t size = 16 + 89;
  for (int32_t i = 0; i < FieldCount(form); ++i) size += int64_t(form.fields[i].length) + 5;
  return size;
}

struct Reply {
  char* bytes;
  int64_t capacity;  // the last byte always stays zero
  int64_t length = 0;

  void Put(char c) {
    if (length < capacity - 1) bytes[length++] = c;
  }
  void Put(const char* s, int64_t n) {
    for (int64_t i = 0; i < n; ++i) Put(s[i]);
  }
  void Number(int32_t v) {
    char digits[16];
    const int n = std::snprintf(digits, sizeof digits, "%d", v);
    Put(digits, n);
  }
  void Restart() {
    std::memset(bytes, 0, size_t(capacity));
    length = 0;
  }
};

void MarkKeyed(FormField& f) {
  if (f.reply_kind != 'S') f.reply_kind = 'K';
}

// The field's characters up to its length (or a zero byte), without the
// trailing blanks.
int32_t FieldTextLength(const FormField& f) {
  if (f.buffer == nullptr || f.length <= 0) return 0;
  const void* zero = std::memchr(f.buffer, 0, size_t(f.length));
  int32_t n = zero != nullptr ? int32_t(static_cast<const char*>(zero) - f.buffer) : f.length;
  while (n > 0 && f.buffer[n - 1] == ' ') --n;
  return n;
}

void BuildFieldReply(Terminal& t, Form& form, Reply& reply) {
  reply.Put('K');
  reply.Put('\\');
  reply.Number(form.form_id);
  for (int32_t i = 0; i < FieldCount(form); ++i) {
    FormField& f = form.fields[i];
    MarkKeyed(f);
    const bool protected_field = (f.flags & kFieldProtected) != 0;
    if (!f.modified && !(protected_field && t.session.text_dialect != 1)) continue;
    reply.Put('\\');
    reply.Number(i);
    reply.Put('\\');
    reply.Put(char(f.reply_kind));
    if (f.reply_kind == 'S' && f.terminator != 0) reply.Put(char(f.terminator));
    reply.Put(f.buffer, FieldTextLength(f));
  }
}

void BuildTableReply(Form& form, Reply& reply) {
  FormField& f = form.fields[0];
  MarkKeyed(f);
  if (form.options & kOptionRowReply) {
    int32_t row = f.row - form.table_first;
    if (row < 0) row += form.table_rows;
    reply.Put('S');
    reply.Put(row < 10 ? char('0' + row) : char('A' + (row - 10)));
  } else {
    reply.Put(char(f.reply_kind));
    if (!f.modified && !(f.flags & kFieldProtected)) return;
    if (f.terminator != 0) reply.Put(char(f.terminator));
  }
  // The entry is what the form shows in the field, which the edits keep.
  if (form.form_text == nullptr || form.column_count <= 0) return;
  const int64_t at = int64_t(f.row) * form.column_count + f.column;
  int64_t n = f.data_len;
  if (at < 0 || at >= form.capacity) return;
  if (n > form.capacity - 1 - at) n = form.capacity - 1 - at;
  if (n > 0) reply.Put(form.form_text + at, n);
}

void ApplySuffix(Terminal& t, Form& form, Reply& reply) {
  const KeyState& k = t.keys;
  if (k.reply_letter == kNoReplyLetter) return;
  const char letter = char(k.reply_letter);
  switch (k.reply_mode) {
    case 2:
      reply.Put("\\\\", 2);
      reply.Put(letter);
      break;
    case 3:
      reply.Restart();
      reply.Put("K\\\\", 3);
      reply.Put(letter);
      break;
    case 4:
      reply.Restart();
      reply.Put('K');
      reply.Put(letter);
      break;
    default:
      return;
  }
  if (int64_t(std::strlen(reply.bytes)) >= NominalCapacity(form)) MarkFormOverwritten(t);
}

// The wire carries no framing, so a reply cut at the transmit limit reaches
// the host as the same bytes in the same order; each piece stays within what
// Transmit takes.
void TransmitReply(Terminal& t, const char* bytes, int64_t length) {
  if (length <= 0) {
    Transmit(t, 0, bytes, "Waiting");
    return;
  }
  for (int64_t at = 0; at < length; at += kReplyPiece) {
    const int64_t n = length - at < kReplyPiece ? length - at : kReplyPiece;
    Transmit(t, int32_t(n), bytes + at, "Waiting");
  }
}

}  // namespace

void SendFormReply(Terminal& t, int32_t, Form* form) {
  if (form == nullptr) return;
  const bool table = form->is_table && FieldCount(*form) > 0;
  Reply reply{nullptr, ReplyCapacity(*form)};
  if (reply.capacity > int64_t(INT32_MAX) / 2) return;  // no form can be this large
  reply.bytes = static_cast<char*>(GuardedCalloc(t, uint32_t(reply.capacity), 1, kSource));
  if (reply.bytes == nullptr) return;

  if (form->current_field >= 0 && form->current_field < FieldCount(*form)) {
    MarkKeyed(form->fields[form->current_field]);
  }
  if (table) {
    BuildTableReply(*form, reply);
  } else {
    BuildFieldReply(t, *form, reply);
  }
  ApplySuffix(t, *form, reply);

  // The string ends at its first zero byte: a zero reply letter ends it too,
  // and then goes out as one more byte.
  int64_t length = int64_t(std::strlen(reply.bytes));
  int64_t sent = length;
  if (t.session.text_dialect == 1 && length + 24 < reply.capacity) {
    char* trailer = reply.bytes + length + 1;
    const int n =
        std::snprintf(trailer, size_t(reply.capacity - length - 2), "F=%.2d", form->current_field);
    sent = length + 1 + n + 1;
  }
  if (t.keys.reply_letter == 0) sent += 1;
  if (sent > reply.capacity) sent = reply.capacity;
  TransmitReply(t, reply.bytes, sent);

  t.keys.loop_flags &= ~kLoopSendReply;
  t.keys.reply_letter = kNoReplyLetter;
  t.keys.reply_mode = 0;
  GuardedFree(t, reply.bytes, kSource);
  SetWaitingForHost(t, true);
}

}  // namespace marl
