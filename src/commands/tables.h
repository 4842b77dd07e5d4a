// The table commands: table forms (a screen of plain text with one entry
// field, in one record or in '/' parts), and the records the host stores in
// the table slots to show, extend or update later by number.
#pragma once

#include <cstdint>

#include "forms/table_slots.h"

namespace marl {

struct Terminal;
struct HostRecord;
struct Form;
struct ScreenEnvironment;

// The update command works on copies of the stored record in buffers of this
// size; a definition that would not fit is refused with status 3.
constexpr int32_t kUpdateBufferSize = 1600;

// Releases every stored record (with its form) and empties its slot.
void ReleaseAllTables(Terminal& t);
// Releases the table and slash forms and the pending '/' record (the end of
// the terminal's life; a reset record leaves them).
void ReleaseTableForms(Terminal& t);
void CopyRecordHeader(HostRecord* target, const HostRecord* source);

// The table handlers. ShowTableText, HandleSlashRecord, StoreTable,
// UpdateTable and UpdateAndShowTable take ownership of the record: they store
// it or release it. ShowStoredTable, ShowRecordTable and BuildAndShowRecord
// do not: the caller keeps its record, which owns the form that
// BuildAndShowRecord builds for it.
Form* ShowTableText(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
Form* HandleSlashRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);
// Returns the status code for the command's reply; *form receives the stored
// form that the new definition was added to, if any.
int32_t StoreTable(Terminal& t, HostRecord* record, Form** form);
// Returns the status code for the command's reply.
int32_t UpdateTable(Terminal& t, HostRecord* record);
// Sends its own status replies.
Form* UpdateAndShowTable(Terminal& t, HostRecord* record, Form* current,
                         const ScreenEnvironment& environment);
Form* ShowStoredTable(Terminal& t, int32_t number, const ScreenEnvironment& environment,
                      Form* current, uint32_t header_word, HostRecord* record);
Form* ShowRecordTable(Terminal& t, HostRecord* record, const ScreenEnvironment& environment,
                      Form* current);
Form* BuildAndShowRecord(Terminal& t, HostRecord* record, const ScreenEnvironment& environment);

// A table form's entry field and the room for it in the form's text.
void MakeEntryField(Terminal& t, HostRecord* record, Form* form);
void PadTableText(Terminal& t, Form* form);

}  // namespace marl
