#include "commands/preparse.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "base/chars.h"
#include "base/guarded_alloc.h"
#include "commands/records.h"
#include "forms/banks.h"
#include "link/refusal.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr const char* kSource = "preparse";
constexpr int32_t kDisplayPrefix = 9;
constexpr int32_t kParameterPrefix = 6;
// A terminal-parameter record's reader block is short; a longer tail is a
// malformed record.
constexpr int32_t kLongestParameterTail = 121;
constexpr int32_t kNumberCap = 1000000;
// A display record's option letters, lowest bit first: those of the header
// word's high byte, then those of its low byte. One array each, so that a
// letter's place is counted in the string it was found in.
constexpr char kHighOptions[] = "QFOWUCB";
constexpr char kLowOptions[] = "M-.NEDS";

// The labels a fault writes on standard output, numbered as the host's
// developers know them.
enum class ParseLabel : int32_t {
  kAddressAfterD = 1,     // D with digits that are no address 000 to 127
  kEditOrVerifyMode = 2,  // DE, DV
  kNoDisplayAfterS = 3,   // S not followed by D
  kNoDisplayOrBeepAfterW = 4,
  kUnknownKind = 5,         // not D, G, S or W
  kLineOutOfRange = 6,      // L above 109
  kHighOutOfRange = 7,      // H above 109
  kPositionOutOfRange = 8,  // P above 127
  kReaderLowOutOfRange = 9,
  kReaderHighOutOfRange = 10,
  kUnknownReaderOption = 11,
  kUnknownDisplayOption = 12,
  kTimeOutOfRange = 14,  // T above 255
  kBadParameter = 15,
};

// What each label means, for the refusal named beside the record.
const char* LabelMeaning(int32_t label) {
  switch (ParseLabel(label)) {
    case ParseLabel::kAddressAfterD:
      return "D with digits that are no address 000 to 127";
    case ParseLabel::kEditOrVerifyMode:
      return "an edit or verify mode (DE, DV)";
    case ParseLabel::kNoDisplayAfterS:
      return "S not followed by D";
    case ParseLabel::kNoDisplayOrBeepAfterW:
      return "W not followed by D or B";
    case ParseLabel::kUnknownKind:
      return "not D, G, S or W";
    case ParseLabel::kLineOutOfRange:
      return "L above 109";
    case ParseLabel::kHighOutOfRange:
      return "H above 109";
    case ParseLabel::kPositionOutOfRange:
      return "P above 127";
    case ParseLabel::kReaderLowOutOfRange:
      return "a reader's low length out of range";
    case ParseLabel::kReaderHighOutOfRange:
      return "a reader's high length out of range";
    case ParseLabel::kUnknownReaderOption:
      return "an unknown reader option";
    case ParseLabel::kUnknownDisplayOption:
      return "an unknown display option";
    case ParseLabel::kTimeOutOfRange:
      return "T above 255";
    case ParseLabel::kBadParameter:
      return "a bad parameter";
  }
  return "a terminal address after D, or longer than the terminal holds";
}

// One record's translation. `remaining` counts the bytes not yet consumed;
// reading stops when it falls below 1.
struct Translator {
  Terminal& t;
  const unsigned char* p;
  int32_t remaining;
  unsigned char* work;
  int32_t address = -1;
  int32_t error = 0;
  ParseLabel first_label{};  // none yet
  int32_t out_length = 0;
  uint8_t r_options = 0;

  unsigned char Peek() const { return remaining >= 1 ? *p : 0; }
  unsigned char Take() {
    if (remaining < 1) return 0;
    --remaining;
    return *p++;
  }

  void Label(ParseLabel label) {
    error = 1;
    if (first_label == ParseLabel{}) first_label = label;
    char text[16];
    std::snprintf(text, sizeof text, "  %d  ", int(label));
    t.platform->WriteStdout(text);
  }

  // Decimal digits; none read as 0.
  int32_t Number() {
    int32_t n = 0;
    while (IsDigit(Peek())) {
      n = n * 10 + (Take() - '0');
      if (n > kNumberCap) n = kNumberCap;
    }
    return n;
  }

  // Up to three digits are skipped; three of them make an address when they
  // read 000 to 127.
  void Address() {
    int32_t digits = 0;
    int32_t value = 0;
    while (digits < 3 && IsDigit(Peek())) {
      value = value * 10 + (Take() - '0');
      ++digits;
    }
    address = digits == 3 && value <= 127 ? value : -1;
  }

  // The text after '/' goes after a prefix of `prefix` bytes.
  void Body(int32_t prefix) {
    if (Peek() == '/') Take();
    const int32_t length = remaining;  // the rest of the zero-terminated text
    if (prefix + length > kWorkBufferSize) {
      // Longer than any record the terminal can hold: refused whole, never
      // cut short.
      error = 1;
      return;
    }
    std::memcpy(work + prefix, p, size_t(length));
    out_length = prefix + length;
  }

  // R options up to ';': which keys a real terminal's reader sends.
  void ReaderOptions() {
    while (remaining >= 1 && !error) {
      const unsigned char c = Take();
      if (c == ';') break;
      switch (c) {
        case 'U':
          r_options |= 0x01;
          break;
        case 'I':
          r_options |= 0x02;
          break;
        case 'P':
          r_options |= 0x04;
          break;
        case 'B':
          r_options |= 0x08;
          break;
        case 'C':
          r_options |= 0x10;
          break;
        case 'L':
        case 'H': {
          const int32_t n = Number();
          if (n > 31) {
            Label(c == 'L' ? ParseLabel::kReaderLowOutOfRange : ParseLabel::kReaderHighOutOfRange);
          } else {
            work[c == 'L' ? 7 : 8] = uint8_t('0' + n);
          }
          break;
        }
        default:
          Label(ParseLabel::kUnknownReaderOption);
          break;
      }
    }
    work[6] = uint8_t('0' + r_options);
  }

  // Options, '/', text: a command record whose header the options set.
  void Display() {
    static constexpr unsigned char kPrefix[kDisplayPrefix] = {
        uint8_t(RecordKind::kCommand), 0x80, 0x80, 0x80, 0x83, 0x80, '0', '0', '0'};
    std::memcpy(work, kPrefix, sizeof kPrefix);
    while (remaining >= 1 && Peek() != '/' && !error) {
      const unsigned char c = Take();
      const char* high = std::strchr(kHighOptions, c);
      const char* low = std::strchr(kLowOptions, c);
      if (c != 0 && high != nullptr) {
        work[1] |= uint8_t(1 << (high - kHighOptions));
      } else if (c != 0 && low != nullptr) {
        work[2] |= uint8_t(1 << (low - kLowOptions));
      } else if (c == 'L' || c == 'H' || c == 'P') {
        const int32_t limit = c == 'P' ? 127 : 109;
        const int32_t n = Number();
        if (n > limit) {
          Label(c == 'L'   ? ParseLabel::kLineOutOfRange
                : c == 'H' ? ParseLabel::kHighOutOfRange
                           : ParseLabel::kPositionOutOfRange);
        } else {
          work[c == 'L' ? 3 : c == 'H' ? 4 : 5] = uint8_t(0x80 + n);
        }
      } else if (c == 'R') {
        ReaderOptions();
      } else {
        Label(ParseLabel::kUnknownDisplayOption);
      }
    }
    if (!error) Body(kDisplayPrefix);
  }

  // Options, '/', reader block: a terminal-parameter record. Every option is
  // read, each bad one writing its label.
  void Parameters() {
    static constexpr unsigned char kPrefix[kParameterPrefix + 3] = {
        uint8_t(RecordKind::kTerminalParameters), ' ', ' ', 4, 0, 30, 0xFF, 0xFF, 0xFF};
    std::memcpy(work, kPrefix, sizeof kPrefix);
    while (remaining >= 1 && Peek() != '/') {
      const unsigned char c = Take();
      switch (c) {
        case 'F':
          if (remaining >= 1) work[1] = Take();
          break;
        case 'S':
          if (remaining >= 1) work[2] = Take();
          break;
        case 'D':
          if (IsDigit(Peek())) {
            work[3] = uint8_t(Take() - '0');
          } else {
            Label(ParseLabel::kBadParameter);
          }
          break;
        case 'B':
          work[4] = 1;
          break;
        case 'T': {
          const int32_t n = Number();
          if (n > 255) {
            Label(ParseLabel::kTimeOutOfRange);
          } else {
            work[5] = uint8_t(n);
          }
          break;
        }
        default:
          Label(ParseLabel::kBadParameter);
          break;
      }
    }
    if (Peek() != '/' || remaining >= kLongestParameterTail) Label(ParseLabel::kBadParameter);
    if (!error) Body(kParameterPrefix);
  }

  void Translate() {
    switch (Take()) {
      case kTextDisplay: {
        const unsigned char next = Peek();
        if (IsDigit(next)) {
          // A terminal address after D is not supported.
          Address();
          if (address < 0) {
            Label(ParseLabel::kAddressAfterD);
          } else {
            error = 1;
          }
        } else if (next == 'E' || next == 'e' || next == 'V' || next == 'v') {
          Label(ParseLabel::kEditOrVerifyMode);
        } else {
          Display();
        }
        break;
      }
      case kTextReset:
        work[0] = uint8_t(RecordKind::kReset);
        work[1] = 0;
        out_length = 2;
        break;
      case kTextSettings:
        Address();
        if (Peek() == 'D') {
          Take();
          Parameters();
        } else {
          Label(ParseLabel::kNoDisplayAfterS);
        }
        break;
      case kTextWrite:
        Address();
        if (Peek() == 'D') {
          Take();
          Display();
        } else if (Peek() == 'B') {
          Take();
          if (IsDigit(Peek())) {
            work[0] = uint8_t(RecordKind::kBeep);
            work[1] = uint8_t(Take() - '0');
            work[2] = 0;
            out_length = 2;
          } else {
            Label(ParseLabel::kBadParameter);
          }
        } else {
          Label(ParseLabel::kNoDisplayOrBeepAfterW);
        }
        break;
      default:
        Label(ParseLabel::kUnknownKind);
        break;
    }
  }
};

}  // namespace

int32_t TranslateTextRecord(Terminal& t, const char* text, char* output, int32_t output_size) {
  const int32_t length = int32_t(std::strlen(text));
  Translator translator{t, reinterpret_cast<const unsigned char*>(text), length,
                        reinterpret_cast<unsigned char*>(WorkBuffer(t))};
  translator.Translate();
  if (!translator.error && translator.out_length + 1 > output_size) translator.error = 1;
  if (translator.error) {
    std::string line = "error parsing \n\r";
    if (length < 10) line.append(size_t(10 - length), ' ');
    line.append(text, size_t(length));
    line += "\n\r";
    t.platform->WriteStdout("\n");
    t.platform->WriteStdout(line);
    const int32_t label = int32_t(translator.first_label);
    NoteRefusal(t, label == 0 ? "parse" : "parse" + std::to_string(label), LabelMeaning(label));
    if (output_size > 0) std::snprintf(output, size_t(output_size), "?%d\n", translator.error);
    return 0;
  }
  std::memcpy(output, WorkBuffer(t), size_t(translator.out_length));
  output[translator.out_length] = 0;
  return translator.out_length;
}

int32_t PreparseRecord(Terminal& t, HostRecord* record) {
  if (record == nullptr || record->text == nullptr) return 0;
  t.banks.work = WorkBuffer(t);
  const int32_t size = int32_t(std::strlen(record->text)) + 14;
  auto* output = static_cast<char*>(GuardedCalloc(t, uint32_t(size), 1, kSource));
  if (output == nullptr) return 0;
  const int32_t result = TranslateTextRecord(t, record->text, output, size);
  if (result != 0) record->length = result;
  GuardedFree(t, record->text, kSource);
  record->text = output;
  return result;
}

}  // namespace marl
