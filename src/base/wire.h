// The wire's vocabulary: the kinds of the host's records, the header word's
// bits, the command letters and the status codes. The terminal acts on
// them, the host toolkit builds records from them, and the Wireshark
// dissector's tables are written from them (tools/wireshark), so the three
// cannot drift apart. It includes nothing, and is installed with the host
// toolkit's headers.
#pragma once

#include <cstdint>

namespace marl {

// The kind byte that starts every host record. Kinds below 0x80 are the text
// dialect's, which the terminal translates into these.
enum class RecordKind : uint8_t {
  kBeep = 0x81,
  kCommand = 0x82,
  kTerminalParameters = 0x86,
  kReset = 0xFF,
};
constexpr uint8_t kFirstBinaryKind = 0x80;

// The text dialect's record letters: D a display record, G a reset, SD the
// terminal's settings, WB a beep and WD a display record again.
constexpr char kTextDisplay = 'D';
constexpr char kTextReset = 'G';
constexpr char kTextSettings = 'S';
constexpr char kTextWrite = 'W';

// The status codes of the status reply. 0 to 9 travel as a digit, the
// others as the byte itself.
enum Status : int32_t {
  kStatusSuccess = 0,
  kStatusFailure = 1,  // or a command that is not supported
  kStatusBadString = 2,
  kStatusNoRoom = 3,
  kStatusBadNumber = 4,
  kStatusOpenString = 5,  // the arguments end right after a closing backslash
  kStatusNoSuchField = 6,
  kStatusFieldOutOfRange = 8,
  kStatusSyntax = 9,
  kStatusToneFrequency = 'F',
  kStatusToneLength = 'L',
  kStatusToneVolume = 'V',
};

// The letter after a command record's backslash and table number.
enum CommandLetter : unsigned char {
  kCommandShowStored = 0,  // '\' and a table number alone
  kCommandBanks = 'B',
  kCommandScreenMode = 'C',
  kCommandNothing = 'D',  // does nothing and answers nothing
  kCommandKeyMaps = 'F',
  kCommandIdentify = 'I',
  kCommandKeyScript = 'K',
  kCommandProgrammableKey = 'O',
  kCommandPing = 'P',
  kCommandQ = 'Q',  // not supported
  kCommandR = 'R',  // not supported
  kCommandStore = 'S',
  kCommandStoreAndShow = 'T',  // without a table number: a tone
  kCommandUpdate = 'U',
  kCommandUpdateAndShow = 'V',
};

// The header word: the options of the record's screen. Some bits mean one
// thing for a field form and another for a table form or a storing command.
constexpr uint32_t kOptionSkipProtected = 0x01;
constexpr uint32_t kOptionTableMinus = 0x02;
constexpr uint32_t kOptionTablePoint = 0x04;
constexpr uint32_t kOptionTableDigits = 0x08;
constexpr uint32_t kOptionUppercase = 0x08;  // field forms
constexpr uint32_t kOptionTableNoAutoSend = 0x10;
constexpr uint32_t kOptionReleaseAllTables = 0x10;  // storing commands
constexpr uint32_t kOptionTableShowEdits = 0x20;
constexpr uint32_t kOptionEmptySlot = 0x20;  // storing commands
constexpr uint32_t kOptionFullFieldMoves = 0x40;
constexpr uint32_t kOptionScanTab = 0x100;
constexpr uint32_t kOptionRowReply = 0x200;
constexpr uint32_t kOptionClearModified = 0x400;
constexpr uint32_t kOptionWrap = 0x800;
// On the current form: a new table form does not replace it. On showing a
// stored table: its form is built afresh. On a table form: upper case.
constexpr uint32_t kOptionKeepForm = 0x1000;
constexpr uint32_t kOptionRebuildTable = 0x1000;
constexpr uint32_t kOptionTableUppercase = 0x1000;
constexpr uint32_t kOptionBit2000 = 0x2000;
constexpr uint32_t kOptionShowBeep = 0x4000;
// The low four bits of a table form's options; 9 asks for the entry's Luhn
// check.
constexpr uint32_t kOptionCheckMask = 0x0F;
constexpr uint32_t kOptionLuhnCheck = 9;

// Field flags: the type byte after a field's backslash is 0x40 and these.
constexpr uint8_t kFieldTypeBase = 0x40;
constexpr uint8_t kFieldPassword = 0x01;
constexpr uint8_t kFieldNumeric = 0x02;
constexpr uint8_t kFieldProtected = 0x04;
// Set on a table's entry field from its header's 0x40; nothing reads it.
constexpr uint8_t kFieldTableBit08 = 0x08;
constexpr uint8_t kFieldSendWhenFull = 0x10;
constexpr uint8_t kFieldScanOnly = 0x80;

}  // namespace marl
