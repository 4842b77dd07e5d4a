// Forms as the host builds them, driven by keys and scans: what the header of
// the host's record switches on, and how a table form's entry ends the turn.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/session.h"
#include "command_record.h"
#include "forms/form.h"
#include "hand_form.h"
#include "host_records.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

bool Beeped(const std::vector<std::string>& events, const std::string& beep) {
  for (const std::string& e : events) {
    if (e == beep) return true;
  }
  return false;
}

std::string EntryText(Terminal& t) {
  const Form* form = GetCurrentForm(t);
  if (form == nullptr || form->field_count < 1) return "(no form)";
  const FormField& f = form->fields[0];
  return std::string(f.buffer, size_t(f.data_len));
}

struct HeaderCase {
  const char* name;
  uint32_t word;
  const char* typed;
  const char* entry;  // what the first field holds afterwards
  bool show_beep;
};

// A field form's switches come from the header word of the host's record.
TEST(HostForms, HeaderBitsReachTheFieldFormsSwitches) {
  const HeaderCase cases[] = {
      {"plain", 0, "ab", "ab", false},
      {"0x08 upper-cases typing", kOptionUppercase, "ab", "AB", false},
      {"0x1000 is a table form's, not a field form's", kOptionTableUppercase, "ab", "ab", false},
      {"0x4000 beeps when shown", kOptionShowBeep, "a", "a", true},
  };
  for (const HeaderCase& c : cases) {
    TestTerminal tt;
    tt.Host(Command("\\3T\\Qty:\\@    \\", Header(c.word)));
    EXPECT_EQ(Beeped(tt.Events(), "beep 1000 120"), c.show_beep) << c.name;
    Type(tt.t(), c.typed);
    EXPECT_EQ(EntryText(tt.t()), c.entry) << c.name;
  }
}

struct TableCase {
  const char* name;
  uint32_t word;
  int32_t min_entry;
  std::vector<int32_t> keys;  // characters and key codes
  const char* scan;           // then scanned, when not null
  bool replied;
  bool error_beep;
};

// A table form as the host sends it: "Pick:" and a four-cell entry field.
// Enter, a full field and a scan end the turn only when the entry is
// acceptable.
TEST(HostForms, TableEntryEndsTheTurnWhenAcceptable) {
  const TableCase cases[] = {
      {"Enter below the minimum length beeps", 0, 2, {'1', kKeyEnter}, nullptr, false, true},
      {"Enter at the minimum length replies", 0, 2, {'1', '2', kKeyEnter}, nullptr, true, false},
      {"a full field replies by itself", 0, 0, {'1', '2', '3', '4'}, nullptr, true, false},
      {"0x10 keeps a full field from replying",
       kOptionTableNoAutoSend,
       0,
       {'1', '2', '3', '4'},
       nullptr,
       false,
       false},
      {"0x10 and Enter still reply",
       kOptionTableNoAutoSend,
       0,
       {'1', '2', '3', '4', kKeyEnter},
       nullptr,
       true,
       false},
      {"a scan ends with Enter", 0, 0, {}, "12", true, false},
      {"a scan below the minimum beeps", 0, 3, {}, "12", false, true},
      {"0x10: a short scan waits for Enter", kOptionTableNoAutoSend, 0, {}, "12", false, false},
  };
  for (const TableCase& c : cases) {
    TestTerminal tt;
    tt.Host(Command("Pick:|C^\nrow", Header(c.word, c.min_entry, 4, 7)));
    ASSERT_NE(GetCurrentForm(tt.t()), nullptr) << c.name;
    ASSERT_TRUE(GetCurrentForm(tt.t())->is_table) << c.name;
    tt.Sent();
    tt.Events();
    for (int32_t key : c.keys) Press(tt.t(), key);
    if (c.scan != nullptr) Scan(tt.t(), c.scan);
    EXPECT_EQ(!tt.Sent().empty(), c.replied) << c.name;
    EXPECT_EQ(IsWaitingForHost(tt.t()), c.replied) << c.name;
    EXPECT_EQ(Beeped(tt.Events(), "beep 440 120"), c.error_beep) << c.name;
  }
}

}  // namespace
}  // namespace marl::testing
