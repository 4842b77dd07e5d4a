#include "scenario.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <vector>

#include "app/window_keys.h"
#include "base/host_record.h"
#include "base/session.h"
#include "forms/form.h"
#include "hand_form.h"
#include "host_records.h"
#include "input/key_maps.h"
#include "input/key_processor.h"
#include "platform/messages.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

int32_t KeyCode(const std::string& name) {
  // clang-format off
  static const std::map<std::string, int32_t> kKeys = {
      {"Enter", kKeyEnter}, {"Tab", kKeyTab}, {"ShiftTab", kKeyShiftTab}, {"Escape", kKeyEscape},
      {"Backspace", kKeyBackspace}, {"Home", kKeyHome}, {"End", kKeyEnd}, {"Up", kKeyUp},
      {"Down", kKeyDown}, {"Left", kKeyLeft}, {"Right", kKeyRight}, {"PageUp", kKeyPageUp},
      {"PageDown", kKeyPageDown}, {"Insert", kKeyInsert}, {"Delete", kKeyDelete},
      {"Clear", kKeyClearField}, {"PadEnter", kKeyPadEnter}, {"EndProgram", kKeyEndProgram},
      {"Debugging", kKeyDebugging}, {"CtrlF", kKeyCtrlF}, {"Programmable", kKeyProgrammable}};
  // clang-format on
  if (auto it = kKeys.find(name); it != kKeys.end()) return it->second;
  if (name.rfind("ShiftF", 0) == 0) return kKeyShiftF1 + std::atoi(name.c_str() + 6) - 1;
  if (const int32_t n = std::atoi(name.c_str() + 1); name[0] == 'F' && n >= 1 && n <= 24) {
    return kFunctionKeyCodes[n - 1];
  }
  char* end = nullptr;
  const long code = std::strtol(name.c_str(), &end, 0);
  if (name.empty() || *end != 0) ADD_FAILURE() << "no key named " << name;
  return int32_t(code);
}

// A window's virtual key by name (Right, F24...), or its code.
uint32_t VirtualKey(const std::string& name) {
  static const std::map<std::string, uint32_t> kKeys = {
      {"Home", kVkHome},     {"End", kVkEnd},      {"Left", kVkLeft},     {"Right", kVkRight},
      {"Up", kVkUp},         {"Down", kVkDown},    {"Insert", kVkInsert}, {"Delete", kVkDelete},
      {"Return", kVkReturn}, {"Tab", kVkTab},      {"Back", kVkBack},     {"Escape", kVkEscape},
      {"PageUp", kVkPrior},  {"PageDown", kVkNext}};
  if (auto it = kKeys.find(name); it != kKeys.end()) return it->second;
  if (const int32_t n = std::atoi(name.c_str() + 1); name[0] == 'F' && n >= 1 && n <= 24) {
    return kVkF1 + uint32_t(n) - 1;
  }
  return name.size() == 1 ? uint32_t(name[0]) : uint32_t(std::strtoul(name.c_str(), nullptr, 0));
}

int32_t StatusCode(const std::string& name) {
  // clang-format off
  static const std::map<std::string, int32_t> kStatuses = {
      {"success", kStatusSuccess}, {"failure", kStatusFailure}, {"bad-string", kStatusBadString},
      {"no-room", kStatusNoRoom}, {"bad-number", kStatusBadNumber},
      {"open-string", kStatusOpenString}, {"no-such-field", kStatusNoSuchField},
      {"field-out-of-range", kStatusFieldOutOfRange}, {"syntax", kStatusSyntax},
      {"tone-frequency", kStatusToneFrequency}, {"tone-length", kStatusToneLength},
      {"tone-volume", kStatusToneVolume}};
  // clang-format on
  auto it = kStatuses.find(name);
  if (it == kStatuses.end()) ADD_FAILURE() << "no status named " << name;
  return it == kStatuses.end() ? -1 : it->second;
}

// The header bytes of "W,A,B,C": the word's two bytes, then the values, each
// in the low seven bits of a byte with its top bit set, so none is zero.
std::string HeaderOf(const std::string& spec) {
  std::vector<long> v{0, 0, 0, 0};
  std::istringstream in(spec);
  std::string part;
  for (size_t i = 0; i < v.size() && std::getline(in, part, ','); ++i) {
    v[i] = std::strtol(part.c_str(), nullptr, i == 0 ? 16 : 10);
  }
  const long bytes[] = {v[0] >> 8, v[0], v[1], v[2], v[3]};
  std::string h;
  for (long b : bytes) h += char(0x80 | (b & 0x7F));
  return h + "000";
}

std::string TrimRight(std::string s) {
  return s.erase(s.find_last_not_of(' ') + 1);
}

// `text` with its <XX> escapes turned into bytes.
std::string Unescape(std::string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 4) == "<IP>") {
      out += LocalAddress();
      i += 3;
    } else if (text[i] == '<' && i + 3 < text.size() && text[i + 3] == '>' &&
               std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
               std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += char(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
      i += 3;
    } else {
      out += text[i];
    }
  }
  return out;
}

void Step(TestTerminal& tt, const std::string& step) {
  Terminal& t = tt.t();
  const size_t space = step.find(' ');
  std::string verb = step.substr(0, space);
  const std::string rest = space == std::string::npos ? "" : step.substr(space + 1);
  std::string option;
  if (const size_t slash = verb.find('/'); slash != std::string::npos) {
    option = verb.substr(slash + 1);
    verb.resize(slash);
  }
  // "N TEXT": a number, then the text.
  const auto numbered = [&](int32_t* n) {
    *n = std::atoi(rest.c_str());
    const size_t at = rest.find(' ');
    return at == std::string::npos ? std::string() : Unescape(rest.substr(at + 1));
  };
  const Form* form = GetCurrentForm(t);
  int32_t n = 0;
  if (verb == "host") {
    tt.Host(Command(Unescape(rest), HeaderOf(option)));
  } else if (verb == "bytes") {
    tt.Host(Unescape(rest));
  } else if (verb == "type") {
    Type(t, Unescape(rest));
  } else if (verb == "key") {
    std::istringstream names(rest);
    for (std::string name; names >> name;) Press(t, KeyCode(name));
  } else if (verb == "vk" || verb == "syskey" || verb == "char" || verb == "hotkey") {
    std::istringstream names(rest);
    for (std::string name; names >> name;) {
      if (verb == "vk") HandleKeyDown(t, VirtualKey(name));
      if (verb == "syskey") HandleSystemKeyDown(t, VirtualKey(name));
      if (verb == "char") HandleCharacter(t, uint32_t(std::strtoul(name.c_str(), nullptr, 0)));
      if (verb == "hotkey") HandleHotKey(t, std::atoi(name.c_str()));
    }
  } else if (verb == "click") {
    // At a cell's top left: cells are 11 pixels wide and 13 high.
    std::istringstream at(rest);
    int32_t row = 0, column = 0;
    at >> row >> column;
    HandleLeftButton(t, intptr_t(column * 11) | (intptr_t(row * 13) << 16));
  } else if (verb == "scan") {
    Scan(t, Unescape(rest), uint8_t(option.empty() ? 1 : std::atoi(option.c_str())));
  } else if (verb == "binary") {
    tt.Host(Command("\\IXN"));
  } else if (verb == "sent") {
    EXPECT_EQ(tt.Sent(), Unescape(rest));
  } else if (verb == "reply") {
    std::string replies;
    std::istringstream names(rest);
    for (std::string name; names >> name;) replies += Reply(StatusCode(name));
    EXPECT_EQ(tt.Sent(), replies);
  } else if (verb == "row" || verb == "grid" || verb == "text" || verb == "field") {
    // Window, grid and form rows, and field buffers, trailing blanks aside.
    const std::string text = numbered(&n);
    const bool in_form = verb == "text" || verb == "field";
    ASSERT_TRUE(!in_form || (form != nullptr && n >= 0 &&
                             n < (verb == "text" ? form->row_count : form->field_count)))
        << "no " << verb << " " << n;
    std::string actual = verb == "row" ? tt.Row(n) : verb == "grid" ? tt.GridRow(n) : "";
    if (verb == "text") {
      actual.assign(form->form_text + size_t(n * form->column_count), size_t(form->column_count));
    } else if (verb == "field") {
      const FormField& f = form->fields[n];
      actual.assign(f.buffer, strnlen(f.buffer, size_t(f.length)));
    }
    EXPECT_EQ(TrimRight(actual), TrimRight(text));
  } else if (verb == "attrs") {
    const std::string digits = numbered(&n);
    std::string actual;
    for (int32_t c = 0; c < int32_t(tt.Row(n).size()); ++c) {
      actual += "0123456789abcdef"[tt.platform().cell(n, c).attribute & 0x0F];
    }
    EXPECT_EQ(actual.erase(actual.find_last_not_of('0') + 1), digits);
  } else if (verb == "cursor" || verb == "current") {
    ASSERT_NE(form, nullptr);
    EXPECT_EQ(verb == "cursor" ? form->cursor : form->current_field, std::atoi(rest.c_str()));
  } else if (verb == "events") {
    // Refusals are checked where a case names one (refusal_test).
    const std::string expected = Unescape(rest);
    const bool refusals = expected.find("refused ") != std::string::npos;
    std::string all;
    for (const std::string& e : tt.Events()) {
      if (!refusals && e.rfind("refused ", 0) == 0) continue;
      all += (all.empty() ? "" : "; ") + e;
    }
    EXPECT_EQ(all, expected);
  } else if (verb == "waiting") {
    EXPECT_EQ(IsWaitingForHost(t), std::atoi(rest.c_str()));
  } else {
    ADD_FAILURE() << "no step " << verb;
  }
}

}  // namespace

void RunScenario(TestTerminal& tt, std::string_view script) {
  std::istringstream lines{std::string(script)};
  std::string line;
  for (int32_t number = 1; std::getline(lines, line); ++number) {
    line.erase(0, line.find_first_not_of(' '));
    if (line.empty() || line[0] == '#') continue;
    SCOPED_TRACE("scenario line " + std::to_string(number) + ": " + line);
    for (size_t start = 0, end; start <= line.size(); start = end + 3) {
      end = std::min(line.find(" ; ", start), line.size());
      if (end > start) Step(tt, line.substr(start, end - start));
    }
  }
}

}  // namespace marl::testing
