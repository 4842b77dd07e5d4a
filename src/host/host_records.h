// Builders for the records a host sends to a Marlpoint terminal. Each
// builder returns the bytes exactly as they go on the wire; a host writes
// them to its socket as they are. Nothing here knows the terminal's code:
// the host side stands on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/wire.h"

namespace marl::host {

// Bits of a command record's header word. Their meaning depends on the kind
// of screen: the same bit asks one thing of a field form and another of a
// table form or a storing command.
namespace option {
constexpr int kSkipProtected =
    int(kOptionSkipProtected);                        // field forms: Tab skips protected fields
constexpr int kUppercase = int(kOptionUppercase);     // field forms: typed letters upper-cased
constexpr int kDigitsOnly = int(kOptionTableDigits);  // table forms: the entry takes digits only
constexpr int kNoSendWhenFull =
    int(kOptionTableNoAutoSend);  // table forms: a full entry does not send
constexpr int kReleaseAll =
    int(kOptionReleaseAllTables);  // \S and \T: empty every stored table first
constexpr int kShowTyping = int(kOptionTableShowEdits);  // table forms: typing shows in the row
constexpr int kReleaseSlot = int(kOptionEmptySlot);      // \S and \T: empty the slot first
constexpr int kAdvanceWhenFull = int(kOptionFullFieldMoves);  // field forms: a full field moves on
constexpr int kTabAfterScan = int(kOptionScanTab);            // field forms: a scan ends with Tab
constexpr int kReplyRow = int(kOptionRowReply);  // table forms: the reply names the row picked
constexpr int kClearModified = int(kOptionClearModified);  // shown again: fields count as unchanged
constexpr int kWrap = int(kOptionWrap);             // moving past the last field or row wraps
constexpr int kRebuild = int(kOptionRebuildTable);  // showing a stored form builds it afresh
constexpr int kBeepOnShow = int(kOptionShowBeep);   // beep when the screen is shown
}  // namespace option

// The eight header bytes of a command record. `word` is 14 bits; each value
// is 0 to 127. Values travel with their top bit set, so no header byte is
// ever a zero byte or a line end.
struct Header {
  int word = 0;
  int min_entry = 0;      // table entry: shortest entry that may be sent
  int entry_width = 0;    // table entry: its width (3 when 0)
  int current_field = 0;  // field forms: field to start on; table texts without a
                          // cursor mark: the entry's position in the text
};

std::string EncodeHeader(const Header& header);

// A command record (kind 0x82): the header, the body, a line feed.
std::string CommandRecord(std::string_view body, const Header& header = {});

// Bodies of the backslash commands, to pass to CommandRecord. A slot is a
// stored table's number, 0 to 24.
std::string StoreBody(int slot, std::string_view form_text);         // \nS
std::string StoreAndShowBody(int slot, std::string_view form_text);  // \nT
std::string ShowStoredBody(int slot);                                // \n
std::string UpdateBody(int slot, std::string_view updates);          // \nU
std::string UpdateAndShowBody(int slot, std::string_view updates);   // \nV

// Update commands for UpdateBody, joined as they stand. `field_type` is the
// type byte of the field (see FieldType).
std::string UpdateData(int field, char field_type, std::string_view data);
std::string UpdateLabel(int field, std::string_view label);

// String banks: load from bank 0, set one, erase one or all.
std::string LoadBanksBody(const std::vector<std::string>& strings);
std::string SetBankBody(int bank, std::string_view text);
std::string EraseBankBody(int bank);
std::string EraseBanksBody();

// Key maps for F1 to F24 (at most 24 of at most 15 characters each), and the
// key the programmable key stands for (0 Backspace ... 7 Down, 8 blank).
std::string KeyMapsBody(const std::vector<std::string>& maps);
std::string ProgrammableKeyBody(int choice);

// A key script typed on the user's behalf (@ codes as the terminal reads them).
std::string KeyScriptBody(std::string_view script);

// A tone: each of volume (0-255), frequency step (0-30, 300 Hz a step) and
// duration step (1-10) may be left out with -1.
std::string ToneBody(int volume, int frequency_step, int duration_step);

std::string PingBody();                                                       // \PING
std::string IdentifyBody();                                                   // \IR
std::string InjectScanBody(std::string_view scan, bool text_dialect = true);  // \IX
std::string ScreenModeBody(std::string_view mode);                            // \C

// A table form in one record: plain text, one entry field (see Header).
std::string TableTextBody(std::string_view text);
// One part of a table sent in several records: 'F' first, 'M', 'L' last.
std::string TablePartBody(char part, std::string_view text);

// Records of their own kinds. A beep record must go to the terminal as a
// chunk of its own: the terminal takes a chunk that starts with it whole.
std::string BeepRecord(int quarter_seconds);
std::string ResetRecord();
// Terminal parameters: the programmable key's code and the beep length in
// units of 30 ms, each 1 to 127 but not 10 (a line feed would end the
// record): empty for a value that cannot travel.
std::string TerminalParametersRecord(int programmable_key, int beep_units);

// The text dialect: printable records the terminal translates itself.
std::string TextDisplayRecord(std::string_view options, std::string_view body);   // D
std::string TextBeepRecord(int quarter_seconds);                                  // WB
std::string TextResetRecord();                                                    // G
std::string TextSettingsRecord(std::string_view options, std::string_view text);  // SD

}  // namespace marl::host
