#include "link/refusal.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "base/wire.h"
#include "link/link.h"
#include "link/trace.h"
#include "terminal.h"

namespace marl {

namespace {

// The host guide's "Status replies" table says the same, word for word.
constexpr StatusMeaning kStatusMeanings[] = {
    {kStatusFailure, "failed, or a command the terminal does not have"},
    {kStatusBadString, "bad string"},
    {kStatusNoRoom, "does not fit"},
    {kStatusBadNumber, "bad number, or an empty slot"},
    {kStatusOpenString, "a backslash left unpaired"},
    {kStatusNoSuchField, "no such field"},
    {kStatusFieldOutOfRange, "field number out of range"},
    {kStatusSyntax, "malformed"},
    {kStatusToneFrequency, "a tone's bad frequency"},
    {kStatusToneLength, "a tone's bad length"},
    {kStatusToneVolume, "a tone's bad volume"},
};

}  // namespace

std::span<const StatusMeaning> StatusMeanings() {
  return kStatusMeanings;
}

const char* MeaningOfStatus(int32_t code) {
  for (const StatusMeaning& row : kStatusMeanings) {
    if (row.code == code) return row.meaning;
  }
  return "an unknown status";
}

std::string_view StatusWord(int32_t code, char (&buffer)[4]) {
  buffer[0] = 'K';
  buffer[1] = '\\';
  buffer[2] = '\\';
  buffer[3] = code >= 0 && code <= 9 ? char('0' + code) : char(code & 0xFF);
  return std::string_view(buffer, 4);
}

void SetRecordHead(Terminal& t, const char* bytes, int32_t length) {
  LinkState& link = t.link;
  link.record_head_length = bytes == nullptr ? 0 : std::clamp(length, 0, kRecordHeadSize);
  if (link.record_head_length > 0) {
    std::memcpy(link.record_head, bytes, size_t(link.record_head_length));
  }
}

void ClearRecordHead(Terminal& t) {
  t.link.record_head_length = 0;
}

void NoteRefusal(Terminal& t, std::string_view code, std::string_view meaning, const char* head,
                 int32_t head_length) {
  if (head == nullptr) {
    head = t.link.record_head;
    head_length = t.link.record_head_length;
  }
  head_length = std::clamp(head_length, 0, kRecordHeadSize);
  if (t.link.trace != nullptr) {
    const std::string line = "refused " + std::string(code) + ": " + std::string(meaning) +
                             "; the record's first bytes:";
    TraceBytes(t.link.trace, line.c_str(), head, head_length);
  }
  t.platform->NoteRefusal(code, meaning, std::string_view(head, size_t(head_length)));
}

void NoteStatusRefusal(Terminal& t, int32_t code) {
  char word[4];
  NoteRefusal(t, StatusWord(code, word), MeaningOfStatus(code));
}

}  // namespace marl
