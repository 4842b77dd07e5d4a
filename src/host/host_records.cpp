#include "host/host_records.h"

#include <algorithm>
#include <cstdio>

namespace marl::host {

namespace {

char Kind(RecordKind kind) {
  return char(kind);
}

// A backslash and the command's letter.
std::string Letter(CommandLetter letter) {
  return std::string{'\\', char(letter)};
}

char Value7(int value) {
  return char(0x80 | std::clamp(value, 0, 127));
}

std::string Slot(int slot, CommandLetter letter) {
  std::string body = "\\" + std::to_string(std::clamp(slot, 0, 99));
  if (letter != kCommandShowStored) body += char(letter);
  return body;
}

// One update of a stored form: the field's number and what is replaced,
// 'I' its type and data or 'P' its label.
std::string FieldUpdate(int field, char part) {
  return "\\" + std::to_string(std::clamp(field, 0, 99)) + part;
}

std::string TwoDigits(int n) {
  char text[4];
  std::snprintf(text, sizeof text, "%02d", std::clamp(n, 0, 99));
  return text;
}

std::string ToneField(int value, int low, int high) {
  if (value < 0) return "   ";
  char text[8];
  std::snprintf(text, sizeof text, "%03d", std::clamp(value, low, high));
  return text;
}

}  // namespace

std::string EncodeHeader(const Header& header) {
  std::string bytes;
  bytes += char(0x80 | ((header.word >> 8) & 0x7F));
  bytes += char(0x80 | (header.word & 0x7F));
  bytes += Value7(header.min_entry);
  bytes += Value7(header.entry_width);
  bytes += Value7(header.current_field);
  bytes += "000";  // a real terminal's reader options; no reader here
  return bytes;
}

std::string CommandRecord(std::string_view body, const Header& header) {
  std::string record(1, Kind(RecordKind::kCommand));
  record += EncodeHeader(header);
  record += body;
  record += '\n';
  return record;
}

std::string StoreBody(int slot, std::string_view form_text) {
  return Slot(slot, kCommandStore) + std::string(form_text);
}
std::string StoreAndShowBody(int slot, std::string_view form_text) {
  return Slot(slot, kCommandStoreAndShow) + std::string(form_text);
}
std::string ShowStoredBody(int slot) {
  return Slot(slot, kCommandShowStored);
}
std::string UpdateBody(int slot, std::string_view updates) {
  return Slot(slot, kCommandUpdate) + std::string(updates);
}
std::string UpdateAndShowBody(int slot, std::string_view updates) {
  return Slot(slot, kCommandUpdateAndShow) + std::string(updates);
}

std::string UpdateData(int field, char field_type, std::string_view data) {
  return FieldUpdate(field, 'I') + field_type + std::string(data);
}
std::string UpdateLabel(int field, std::string_view label) {
  return FieldUpdate(field, 'P') + std::string(label);
}

std::string LoadBanksBody(const std::vector<std::string>& strings) {
  std::string body = Letter(kCommandBanks);
  for (const std::string& s : strings) body += "\\" + s;
  return body;
}
std::string SetBankBody(int bank, std::string_view text) {
  return Letter(kCommandBanks) + "U\\" + TwoDigits(bank) + "\\" + std::string(text);
}
std::string EraseBankBody(int bank) {
  return Letter(kCommandBanks) + "E\\" + TwoDigits(bank) + "\\";
}
std::string EraseBanksBody() {
  return Letter(kCommandBanks) + "E";
}

std::string KeyMapsBody(const std::vector<std::string>& maps) {
  std::string body = Letter(kCommandKeyMaps);
  for (const std::string& map : maps) body += "\\" + map;
  return body;
}
std::string ProgrammableKeyBody(int choice) {
  return Letter(kCommandProgrammableKey) + char('0' + std::clamp(choice, 0, 9));
}

std::string KeyScriptBody(std::string_view script) {
  return Letter(kCommandKeyScript) + std::string(script);
}

std::string ToneBody(int volume, int frequency_step, int duration_step) {
  return Letter(kCommandStoreAndShow) + ToneField(volume, 0, 255) +
         ToneField(frequency_step, 0, 30) + ToneField(duration_step, 1, 10);
}

std::string PingBody() {
  return Letter(kCommandPing) + "ING";
}
std::string IdentifyBody() {
  return Letter(kCommandIdentify) + "R";
}
std::string InjectScanBody(std::string_view scan, bool text_dialect) {
  return Letter(kCommandIdentify) + "X" + (text_dialect ? 'Y' : 'N') + std::string(scan);
}
std::string ScreenModeBody(std::string_view mode) {
  return Letter(kCommandScreenMode) + std::string(mode);
}

std::string TableTextBody(std::string_view text) {
  return std::string(text);
}
std::string TablePartBody(char part, std::string_view text) {
  return std::string("/") + part + std::string(text);
}

std::string BeepRecord(int quarter_seconds) {
  return std::string{Kind(RecordKind::kBeep), char(std::clamp(quarter_seconds, 1, 127)), '\n'};
}
std::string ResetRecord() {
  return Kind(RecordKind::kReset) + EncodeHeader({}) + "\n";
}
std::string TerminalParametersRecord(int programmable_key, int beep_units) {
  // A line feed inside the record would end it early.
  if (programmable_key == '\n' || beep_units == '\n') return {};
  std::string record{Kind(RecordKind::kTerminalParameters), ' '};
  record += char(std::clamp(programmable_key, 1, 127));
  record += char(std::clamp(beep_units, 1, 127));
  record += "\x01\x7f";  // two values the terminal keeps without using them
  record += '\n';
  return record;
}

std::string TextDisplayRecord(std::string_view options, std::string_view body) {
  return kTextDisplay + std::string(options) + "/" + std::string(body) + "\n";
}
std::string TextBeepRecord(int quarter_seconds) {
  return std::string{kTextWrite, 'B'} + std::to_string(std::clamp(quarter_seconds, 0, 9)) + "\n";
}
std::string TextResetRecord() {
  return std::string{kTextReset, '\n'};
}
std::string TextSettingsRecord(std::string_view options, std::string_view text) {
  return std::string{kTextSettings, 'D'} + std::string(options) + "/" + std::string(text) + "\n";
}

}  // namespace marl::host
