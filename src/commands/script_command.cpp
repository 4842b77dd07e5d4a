#include "commands/script_command.h"

#include "base/host_record.h"
#include "input/key_script.h"
#include "link/status_reply.h"
#include "terminal.h"

namespace marl {

namespace {

constexpr int32_t kLongestPause = 65535;

// Key codes by code byte: entry c - '0' is the plain key of '0' to 'z';
// entry c - '0' + 55 is the alternate key of '0' to ']'. The two ranges
// overlap: the alternates of '0' to 'C' are the plain keys of 'g' to 'z'.
constexpr int32_t kAlternateOffset = 55;
constexpr int32_t kScriptKeys[] = {
    // '0' to '9'
    4167, 4155, 4156, 4157, 4158, 4159, 4160, 4161, 4162, 4163,
    // ':' to '@'
    58, 59, 8, 61, 62, 63, 64,
    // 'A' to 'Z'
    65, 4111, 67, 4179, 13, 70, 71, 72, 4178, 74, 75, 4171, 77, 78, 79, 80, 81, 82, 83, 9, 4168,
    4176, 87, 88, 89, 4173,
    // '[' to '`'
    91, 92, 93, 94, 95, 96,
    // 'a' to 'z'
    4164, 4229, 4230, 4142, 4128, 4114, 4129, 4130, 4131, 4119, 4132, 4133, 4134, 4146, 4145, 112,
    113, 114, 115, 116, 4169, 4177, 119, 120, 120, 121,
    // alternates of 'D' to ']'
    122, 12357, 4148,
    // 'G' to 'U'
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
    // 'V' to ']'
    4169, 4177, 1, 1, 1, 1, 1, 1};
static_assert(sizeof kScriptKeys / sizeof kScriptKeys[0] == 101);

constexpr int32_t kKeyCount = int32_t(sizeof kScriptKeys / sizeof kScriptKeys[0]);

// The key of code byte c ('0' to 'z'), or 0 when the table has none.
int32_t ScriptKey(unsigned char c, bool alternate) {
  const int32_t index = int32_t(c) - '0' + (alternate ? kAlternateOffset : 0);
  return index >= 0 && index < kKeyCount ? kScriptKeys[index] : 0;
}

struct Translation {
  Terminal& t;
  const unsigned char* p;
  bool alternate = false;
  int32_t status = kStatusSuccess;

  bool Push(int32_t value) {
    status = PushScriptKey(t, value);
    return status == 0;
  }

  // A plain byte, or the '@' of "@@". After "@A", a plain code byte from
  // '0' to ']' takes its alternate key (so "@A1" is F17); an 'M' skips up to
  // the next '@'; any other byte, and the '@' of "@@", gets the alternate
  // bit, which the replay sends as a reply letter.
  bool PushByte(unsigned char c, bool lookup) {
    if (!alternate) return Push(c);
    alternate = false;
    if (c == 'M' || c == 'm') {
      while (*p != 0 && *p++ != '@') {
      }
      return true;
    }
    if (lookup && c >= '0' && c <= ']') return Push(ScriptKey(c, true));
    return Push(c | kScriptReplyBit);
  }

  // "@rd", digits, ';'. The mark is queued even when the ';' is missing.
  bool Pause() {
    if (!Push(kScriptDelayMark)) return false;
    int32_t ms = 0;
    while (*p >= '0' && *p <= '9' && ms < kLongestPause) ms = ms * 10 + (*p++ - '0');
    if (*p != ';') {
      status = kStatusFailure;
      return false;
    }
    ++p;
    return Push(ms);
  }

  // The item after an '@'. Returns false when reading stops.
  bool Special() {
    const unsigned char c = *p;
    if (c == 0) return false;  // a lone '@' ends the script
    ++p;
    switch (c) {
      case '@':
        return PushByte('@', false);
      case 'A':
        alternate = true;
        return true;
      case 'S': {
        const unsigned char b = *p;
        if (b == 0) return false;
        ++p;
        return Push(b >= 'a' && b <= 'z' ? b - 'a' + 'A' : b);
      }
      case 'r': {
        if (p[0] == '@' && p[1] == '@') {
          p += 2;
          return Push(kScriptStopMark);
        }
        if (p[0] == 'd') {
          ++p;
          return Pause();
        }
        const unsigned char b = *p;
        if (b == 0) return false;
        ++p;
        return Push(b < 'A' ? 0 : b - 'A');
      }
      default:
        break;
    }
    if (c < '0' || c > 'z') return true;  // consumed; the alternate flag stays
    // An alternate lookup above ']' lies past the table: it gives the byte
    // with the alternate bit, as the same byte typed plainly after "@A" does.
    const int32_t key = ScriptKey(c, alternate);
    const int32_t value = key != 0 ? key : c | kScriptReplyBit;
    alternate = false;
    return Push(value);
  }

  void Run() {
    while (*p != 0) {
      const unsigned char c = *p++;
      if (!(c == '@' ? Special() : PushByte(c, true))) return;
    }
  }
};

}  // namespace

void RunKeyScript(Terminal& t, OwnedRecord record) {
  int32_t status = kStatusSuccess;
  if (record->command != nullptr) {
    const auto* script = reinterpret_cast<const unsigned char*>(record->command);
    if (*script == 0) {
      ClearKeyScript(t);
    } else {
      Translation translation{t, script};
      translation.Run();
      status = translation.status;
    }
  }
  ReleaseAndReply(t, record, status);
}

}  // namespace marl
