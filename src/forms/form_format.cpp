#include "forms/form_format.h"

#include <cstdio>
#include <cstring>

#include "base/chars.h"
#include "base/guarded_alloc.h"
#include "base/settings.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "screen/display.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "forms";
constexpr int32_t kFieldBufferStart = 10;
constexpr int32_t kFieldBufferStep = 11;

int32_t HexValue(uint8_t c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a') return c - 'a' + 10;
  return c - 'A' + 10;
}

// One run of the formatter. Bytes go through Put, which knows where they
// belong for the value mode in force.
class Formatter {
 public:
  Formatter(Terminal& t, Form* form, char* output, int32_t value_mode)
      : t_(t), form_(form), value_mode_(value_mode) {
    if (form_ != nullptr) {
      int64_t offset = output - form_->form_text;
      // The write position always lies inside the text; if it does not, the
      // text's end is the only safe place to go on from.
      if (output == nullptr || offset < 0 || offset >= form_->capacity) {
        offset = int64_t(std::strlen(form_->form_text));
      }
      offset_ = int32_t(offset);
      start_offset_ = offset_;
    } else {
      out_ = output;
      start_ = output;
      room_ = int32_t(std::strlen(output));
    }
    if (value_mode_ != kValueTextOnly) NewFieldBuffer();
  }

  int32_t total() const { return total_; }
  bool stopped() const { return stopped_; }
  int32_t base() const { return form_ != nullptr ? start_offset_ : 0; }
  int32_t room() const { return room_; }
  int32_t written() const { return int32_t(out_ - start_); }
  void set_value_mode(int32_t mode) { value_mode_ = mode; }

  FormField* Field() {
    if (form_ == nullptr || form_->fields == nullptr) return nullptr;
    if (form_->current_field < 0 || form_->current_field >= form_->field_count) return nullptr;
    return &form_->fields[form_->current_field];
  }

  // Returns false once output has stopped.
  bool Put(uint8_t b) {
    if (stopped_) return false;
    if (value_mode_ != kValueFieldOnly) {
      // A zero byte would end the text early: it takes its cell but is not
      // written.
      if (b != 0 && !WriteText(char(b))) {
        stopped_ = true;
        return false;
      }
      ++total_;
    }
    if (value_mode_ != kValueTextOnly && b != 0) AppendField(char(b));
    return !stopped_;
  }

  // Ends the run: pads the field's value and the text's last row.
  char* Finish() {
    if (value_mode_ != kValueTextOnly) PadField();
    if (form_ == nullptr) return out_;
    const int32_t columns = form_->column_count > 0 ? form_->column_count : 1;
    form_->row_count = offset_ / columns + (offset_ % columns != 0 ? 1 : 0);
    const int64_t row_end = int64_t(form_->row_count) * columns;
    // Only as far as the room goes: padding never grows the text.
    int64_t end = offset_;
    while (end < row_end && end + 1 < form_->capacity) form_->form_text[end++] = ' ';
    form_->form_text[end] = 0;
    form_->write_position = form_->form_text + offset_;
    return form_->write_position;
  }

 private:
  bool WriteText(char b) {
    if (form_ == nullptr) {
      if (room_ <= 0) return false;
      *out_++ = b;
      --room_;
      return true;
    }
    if (form_->capacity - offset_ - 1 <= 0 && !GrowText()) return false;
    form_->form_text[offset_++] = b;
    form_->form_text[offset_] = 0;
    return true;
  }

  bool GrowText() {
    const int32_t columns = form_->column_count > 0 ? form_->column_count : 1;
    const int64_t size = int64_t(form_->capacity) + 2 * int64_t(columns) + 1;
    if (size > kMaxFormText) return false;
    auto* text = static_cast<char*>(
        GuardedRealloc(t_, form_->form_text, uint32_t(form_->capacity), uint32_t(size), kSource));
    if (text == nullptr) return false;
    // The bytes past the end are zero, never whatever the heap held.
    std::memset(text + form_->capacity, 0, size_t(size - form_->capacity));
    form_->form_text = text;
    form_->capacity = int32_t(size);
    form_->write_position = text + offset_;
    return true;
  }

  void NewFieldBuffer() {
    FormField* field = Field();
    if (field == nullptr) return;
    GuardedFree(t_, field->buffer, kSource);
    field->buffer = static_cast<char*>(GuardedCalloc(t_, kFieldBufferStart, 1, kSource));
    sized_buffer_ = field->buffer;
    buffer_size_ = kFieldBufferStart;
    field->attribute = t_.forms.current_attribute;
    field_used_ = 0;
  }

  // Makes sure the field has a buffer with room for `size` bytes. Only the
  // size of a buffer this run made is known; any other (one the user has
  // typed into, say) holds exactly its text and a zero byte.
  bool ReserveField(FormField* field, int64_t size) {
    if (field->buffer == nullptr) {
      field->buffer = static_cast<char*>(GuardedCalloc(t_, kFieldBufferStart, 1, kSource));
      if (field->buffer == nullptr) return false;
      sized_buffer_ = field->buffer;
      buffer_size_ = kFieldBufferStart;
      field_used_ = 0;
    } else if (field->buffer != sized_buffer_) {
      sized_buffer_ = field->buffer;
      buffer_size_ = int32_t(std::strlen(field->buffer)) + 1;
      field_used_ = buffer_size_ - 1;
    }
    if (size <= buffer_size_) return true;
    if (size > kMaxFormText) return false;
    auto* buffer = static_cast<char*>(
        GuardedRealloc(t_, field->buffer, uint32_t(buffer_size_), uint32_t(size), kSource));
    if (buffer == nullptr) return false;
    std::memset(buffer + buffer_size_, 0, size_t(size - buffer_size_));
    field->buffer = buffer;
    sized_buffer_ = buffer;
    buffer_size_ = int32_t(size);
    return true;
  }

  void AppendField(char b) {
    FormField* field = Field();
    if (field == nullptr) return;
    if (!ReserveField(field, 1)) {
      stopped_ = true;
      return;
    }
    if (buffer_size_ - field_used_ < 2 &&
        !ReserveField(field, int64_t(buffer_size_) + kFieldBufferStep)) {
      stopped_ = true;
      return;
    }
    field->buffer[field_used_++] = b;
    field->buffer[field_used_] = 0;
  }

  void PadField() {
    FormField* field = Field();
    if (field == nullptr) return;
    if (!ReserveField(field, 1)) return;
    const int32_t used = field_used_;
    if (used < field->length) {
      if (!ReserveField(field, int64_t(field->length) + 1)) return;
      std::memset(field->buffer + used, ' ', size_t(field->length - used));
      field->buffer[field->length] = 0;
    } else {
      field->length = used;
    }
  }

  Terminal& t_;
  Form* form_;
  int32_t value_mode_;
  int32_t offset_ = 0;
  int32_t start_offset_ = 0;
  char* out_ = nullptr;
  char* start_ = nullptr;
  int32_t room_ = 0;
  int32_t total_ = 0;
  // The field buffer whose size this run knows, that size, and the
  // characters in it.
  char* sized_buffer_ = nullptr;
  int32_t buffer_size_ = 0;
  int32_t field_used_ = 0;
  bool stopped_ = false;
};

// "|H": a change of the display attribute from this cell on.
void AddAttributeRun(Terminal& t, Formatter& f, uint8_t attribute) {
  FormsState& s = t.forms;
  s.current_attribute = attribute;
  const int32_t p = f.base() + f.total();
  ScreenState& screen = t.screen;
  if (p == 0) {
    screen.runs[0] = {attribute, 0};
  } else if (screen.run_count < kMaxAttributeRuns) {
    screen.runs[screen.run_count++] = {attribute, p};
  }
  // Once all 3000 runs are taken, further changes still set the attribute
  // of fields but draw no new run: the text keeps the last run's attribute.
  if (FormField* field = f.Field()) field->attribute = attribute;
}

// "|T": the rest of the text is a list of settings lines.
void ApplySettings(Terminal& t, const char* text, int32_t length) {
  char* copy = GuardedCopy(t, text, length, kSource);
  if (copy == nullptr) return;
  ApplySettingList(t, copy, ';');
  GuardedFree(t, copy, kSource);
}

}  // namespace

int32_t FormatText(Terminal& t, int32_t length, const char* source, char** output,
                   int32_t* column_total, int32_t* cursor_mark, int32_t width, int32_t control,
                   Form* form, int32_t value_mode) {
  FormsState& s = t.forms;
  *cursor_mark = 0;
  s.wait_ms = 0;
  if (width < 1) width = 1;
  if (length < 0) length = 0;
  Formatter f(t, form, *output, value_mode);
  const bool dialect = t.session.text_dialect == 1;
  const auto at = [&](int32_t j) -> uint8_t {
    return j < length ? static_cast<uint8_t>(source[j]) : 0;
  };

  int32_t i = 0;
  while (i < length && !f.stopped()) {
    const uint8_t c = at(i);
    if (c == '|') {
      const uint8_t next = at(i + 1);
      const bool has_third = i + 2 < length;
      if (has_third && IsDigit(next) && IsDigit(at(i + 2))) {
        const int32_t n = (next - '0') * 10 + (at(i + 2) - '0');
        if (form == nullptr && n > f.room()) {
          char line[64];
          std::snprintf(line, sizeof line, "Oflow %ld, %ld Spaces\n", long(f.written()), long(n));
          DrawDebugLine(t, 0, line);
          *output = f.Finish();
          *column_total = f.total();
          return 1;
        }
        for (int32_t k = 0; k < n && f.Put(' '); ++k) {
        }
        i += 3;
        continue;
      }
      if (next == '|') {
        f.Put('|');
        i += 2;
        continue;
      }
      if (next == 'A') {
        s.hex_mode = false;
        i += 2;
        continue;
      }
      if (next == 'X') {
        s.hex_mode = true;
        i += 2;
        continue;
      }
      if (next == 'C' && control) {
        *cursor_mark = i;
        i += 2;
        continue;
      }
      if (next == 'W' && (control || dialect) && has_third) {
        const int32_t ms = 5 * int32_t(at(i + 2)) - 32;
        s.wait_ms = ms > 0 ? ms : 0;
        i += 3;
        continue;
      }
      if (next == 'B' && (control || dialect)) {
        t.platform->Beep(1500, Config(t).beep_duration);
        if (s.wait_ms > 0) t.platform->Sleep(s.wait_ms);
        i += 2;
        continue;
      }
      if (next == 'E') {
        f.set_value_mode(kValueFieldOnly);
        i += 2;
        continue;
      }
      if (next == 'T') {
        ApplySettings(t, source + i + 2, length - i - 2);
        i = length;
        continue;
      }
      if (next == 'L' && has_third && IsHex(at(i + 2))) {
        int32_t value = HexValue(at(i + 2));
        int32_t j = i + 3;
        if (j < length && IsHex(at(j))) value = value * 16 + HexValue(at(j++));
        FormField* field = f.Field();
        if (field != nullptr && value > 0) field->length = value;
        i = j;
        continue;
      }
      if (next == 'H' && has_third) {
        AddAttributeRun(t, f, at(i + 2) & 0x7F);
        i += 3;
        continue;
      }
      f.Put('|');
      i += 1;
      continue;
    }
    if (s.hex_mode && i + 1 < length && IsHex(c) && IsHex(at(i + 1))) {
      f.Put(uint8_t(HexValue(c) * 16 + HexValue(at(i + 1))));
      i += 2;
      continue;
    }
    if (c == '^' && i + 1 < length) {
      const uint8_t next = at(i + 1);
      if (next == '^') {
        f.Put('^');
        i += 2;
        continue;
      }
      if (next == '\n' || next == '\r') {
        const int32_t k = width - f.total() % width;
        for (int32_t n = 0; n < k && f.Put(' '); ++n) {
        }
        i += 2;
        continue;
      }
      if (i + 2 < length && IsHex(next) && IsHex(at(i + 2))) {
        f.Put(uint8_t(HexValue(next) * 16 + HexValue(at(i + 2))));
        i += 3;
        continue;
      }
    }
    if (c == '\r') {
      f.Put(' ');
      i += 1;
      continue;
    }
    if (s.hex_mode) {
      const uint8_t upper = (c >= 'a' && c <= 'z') ? uint8_t(c - 'a' + 'A') : c;
      if (upper >= 'A' && upper <= 'Z') s.hex_mode = false;
    }
    f.Put(c);
    i += 1;
  }

  const bool stopped = f.stopped();
  *output = f.Finish();
  *column_total = f.total();
  return stopped ? 1 : 0;
}

}  // namespace marl
