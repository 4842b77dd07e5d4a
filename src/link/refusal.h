// A host record the terminal refused, said where the host's developer looks:
// the platform hears of it (an event, a front end's status line or title)
// and the trace gets a line with the record's first bytes. The status
// replies' meanings are the host guide's words; a test holds the two equal.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace marl {

struct Terminal;

struct StatusMeaning {
  int32_t code;
  const char* meaning;
};

// Every status reply but success, with what it means to the host.
std::span<const StatusMeaning> StatusMeanings();
// The reply's meaning; "an unknown status" for a code the table lacks.
const char* MeaningOfStatus(int32_t code);
// The reply as the host receives it, K, two backslashes and the code.
std::string_view StatusWord(int32_t code, char (&buffer)[4]);

// The record now being handled: its first bytes are kept (at most
// kRecordHeadSize, link.h) to be named beside a refusal. Cleared once the
// host's chunk is handled.
void SetRecordHead(Terminal& t, const char* bytes, int32_t length);
void ClearRecordHead(Terminal& t);

// `code` is one word: a status reply (K\\5), "dropped", or the text
// dialect's error label. `head` null: the current record's head.
void NoteRefusal(Terminal& t, std::string_view code, std::string_view meaning,
                 const char* head = nullptr, int32_t head_length = 0);
// A status reply other than success, for the current record.
void NoteStatusRefusal(Terminal& t, int32_t code);

}  // namespace marl
