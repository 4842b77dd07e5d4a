// Writes the dissector's tables (tools/wireshark/marlsim.lua) from the
// definitions the program itself uses, so that the names Wireshark shows
// and the bytes marlsim acts on come from one place.
//
//   marl_wire_tables                 the tables, on standard output
//   marl_wire_tables --check FILE    exit 1 when FILE's tables differ
//   marl_wire_tables --update FILE   FILE's tables rewritten
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "base/wire.h"

namespace {

using namespace marl;

constexpr const char* kBegin = "-- BEGIN wire tables";
constexpr const char* kEnd = "-- END wire tables";

struct Name {
  uint32_t value;
  const char* name;
  const char* text;
};

// Keyed by the byte as it travels: a digit for codes 0 to 9.
uint32_t StatusByte(Status s) {
  return s <= 9 ? uint32_t('0' + s) : uint32_t(s);
}

const Name kRecordKinds[] = {
    {uint32_t(RecordKind::kBeep), "beep", "Beep"},
    {uint32_t(RecordKind::kCommand), "command", "Command record"},
    {uint32_t(RecordKind::kTerminalParameters), "parameters", "Terminal parameters"},
    {uint32_t(RecordKind::kReset), "reset", "Reset"},
    {uint32_t(kTextDisplay), "text_display", "Text dialect: display"},
    {uint32_t(kTextReset), "text_reset", "Text dialect: reset"},
    {uint32_t(kTextSettings), "text_settings", "Text dialect: settings"},
    {uint32_t(kTextWrite), "text_write", "Text dialect: beep or display"},
};

const Name kStatuses[] = {
    {StatusByte(kStatusSuccess), "success", "done"},
    {StatusByte(kStatusFailure), "failure", "failed or not supported"},
    {StatusByte(kStatusBadString), "bad_string", "bad string reference"},
    {StatusByte(kStatusNoRoom), "no_room", "does not fit"},
    {StatusByte(kStatusBadNumber), "bad_number", "bad number or empty slot"},
    {StatusByte(kStatusOpenString), "open_string", "arguments end after a closing backslash"},
    {StatusByte(kStatusNoSuchField), "no_such_field", "no such field"},
    {StatusByte(kStatusFieldOutOfRange), "field_out_of_range", "field out of range"},
    {StatusByte(kStatusSyntax), "syntax", "malformed command or markup"},
    {StatusByte(kStatusToneFrequency), "tone_frequency", "bad tone frequency"},
    {StatusByte(kStatusToneLength), "tone_length", "bad tone length"},
    {StatusByte(kStatusToneVolume), "tone_volume", "bad tone volume"},
};

const Name kCommands[] = {
    {kCommandShowStored, "show_stored", "show stored form"},
    {kCommandBanks, "banks", "string banks"},
    {kCommandScreenMode, "screen_mode", "screen mode"},
    {kCommandNothing, "nothing", "nothing"},
    {kCommandKeyMaps, "key_maps", "key maps"},
    {kCommandIdentify, "identify", "identify or inject a scan"},
    {kCommandKeyScript, "key_script", "key script"},
    {kCommandProgrammableKey, "programmable_key", "programmable key"},
    {kCommandPing, "ping", "ping answer"},
    {kCommandQ, "unsupported_q", "not supported"},
    {kCommandR, "unsupported_r", "not supported"},
    {kCommandStore, "store", "store form"},
    {kCommandStoreAndShow, "store_and_show", "store and show form (tone without a slot)"},
    {kCommandUpdate, "update", "update stored form"},
    {kCommandUpdateAndShow, "update_and_show", "update and show stored form"},
};

// One name a bit: where a bit means two things, both are in its text.
const Name kHeaderBits[] = {
    {kOptionSkipProtected, "skip_protected", "Tab skips protected fields"},
    {kOptionTableMinus, "table_minus", "table entry takes a minus sign"},
    {kOptionTablePoint, "table_point", "table entry takes a decimal point"},
    {kOptionUppercase, "uppercase", "upper case (field forms); digits only (table forms)"},
    {kOptionReleaseAllTables, "release_all",
     "empty every slot first (storing); a full entry does not send (table forms)"},
    {kOptionEmptySlot, "empty_slot", "empty the slot first (storing); typing shows (table forms)"},
    {kOptionFullFieldMoves, "full_field_moves", "a full field moves on"},
    {0x80, "bit_0080", "unused"},
    {kOptionScanTab, "scan_tab", "a scan ends with Tab"},
    {kOptionRowReply, "row_reply", "the reply names the row picked"},
    {kOptionClearModified, "clear_modified", "fields shown again count as unchanged"},
    {kOptionWrap, "wrap", "moving past the last field or row wraps"},
    {kOptionKeepForm, "keep_form",
     "keep the current form; rebuild a stored table; upper case (table forms)"},
    {kOptionBit2000, "bit_2000", "unused"},
    {kOptionShowBeep, "beep_on_show", "beep when shown"},
};

const Name kFieldTypes[] = {
    {kFieldPassword, "password", "password"},
    {kFieldNumeric, "numeric", "numeric"},
    {kFieldProtected, "protected", "protected"},
    {kFieldTableBit08, "bit_08", "table entry bit"},
    {kFieldSendWhenFull, "send_when_full", "send when a scan fills it"},
    {kFieldScanOnly, "scan_only", "scan only"},
};

void Table(std::ostringstream& out, const char* lua_name, const Name* names, size_t count,
           bool ordered) {
  out << "local " << lua_name << " = {\n";
  for (size_t i = 0; i < count; ++i) {
    char value[16];
    std::snprintf(value, sizeof value, "0x%04X", unsigned(names[i].value));
    if (ordered) {
      out << "  { " << value << ", \"" << names[i].name << "\", \"" << names[i].text << "\" },\n";
    } else {
      out << "  [" << value << "] = { \"" << names[i].name << "\", \"" << names[i].text
          << "\" },\n";
    }
  }
  out << "}\n";
}

std::string Tables() {
  std::ostringstream out;
  out << kBegin << ": written by marl_wire_tables from src/base/wire.h; do not edit\n";
  Table(out, "record_kinds", kRecordKinds, std::size(kRecordKinds), false);
  Table(out, "status_codes", kStatuses, std::size(kStatuses), false);
  Table(out, "command_letters", kCommands, std::size(kCommands), false);
  Table(out, "header_bits", kHeaderBits, std::size(kHeaderBits), true);
  Table(out, "field_type_bits", kFieldTypes, std::size(kFieldTypes), true);
  char bytes[160];
  std::snprintf(bytes, sizeof bytes,
                "local first_binary_kind = 0x%02X\nlocal field_type_base = 0x%02X\n",
                unsigned(kFirstBinaryKind), unsigned(kFieldTypeBase));
  out << bytes << kEnd << "\n";
  return out.str();
}

bool Read(const std::string& path, std::string* text) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream all;
  all << in.rdbuf();
  *text = all.str();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string tables = Tables();
  if (argc == 1) {
    std::fputs(tables.c_str(), stdout);
    return 0;
  }
  const std::string mode = argv[1];
  if (argc != 3 || (mode != "--check" && mode != "--update")) {
    std::fprintf(stderr, "usage: marl_wire_tables [--check|--update FILE]\n");
    return 2;
  }
  std::string text;
  if (!Read(argv[2], &text)) {
    std::fprintf(stderr, "marl_wire_tables: cannot read %s\n", argv[2]);
    return 2;
  }
  const size_t begin = text.find(kBegin);
  const size_t end = text.find(kEnd, begin == std::string::npos ? 0 : begin);
  if (begin == std::string::npos || end == std::string::npos) {
    std::fprintf(stderr, "marl_wire_tables: %s has no wire tables\n", argv[2]);
    return 2;
  }
  const size_t after = text.find('\n', end);
  const size_t stop = after == std::string::npos ? text.size() : after + 1;
  if (text.compare(begin, stop - begin, tables) == 0) return 0;
  if (mode == "--check") {
    std::fprintf(stderr,
                 "marl_wire_tables: the tables in %s differ from the program's definitions;\n"
                 "rewrite them with: marl_wire_tables --update %s\n",
                 argv[2], argv[2]);
    return 1;
  }
  text.replace(begin, stop - begin, tables);
  std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
  out << text;
  return out ? 0 : 2;
}
