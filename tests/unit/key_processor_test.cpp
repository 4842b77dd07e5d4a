#include "input/key_processor.h"

#include "base/session.h"
#include "base/terminal_config.h"
#include "forms/form.h"
#include "input/key_maps.h"
#include "input_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

using KeyProcessor = InputTest;

TEST_F(KeyProcessor, WhileWaitingImmediateKeysActAndOthersAreQueued) {
  HandForm form(t(), 16, 20, {FieldSpec(2, 0, 4)});
  form->form_id = 7;
  SetWaitingForHost(t(), 1);
  Type(t(), "a");
  EXPECT_EQ(form.Buffer(0), "    ");
  EXPECT_EQ(tt_.Row(0).substr(0, 16), "Queued Keystroke");
  Press(t(), kKeyInsert);
  EXPECT_EQ(t().keys.insert_mode, 1);
  Press(t(), 6);  // Ctrl+F
  EXPECT_EQ(tt_.Sent(), "IS,");
  Press(t(), kKeyEscape);
  EXPECT_EQ(tt_.Sent(), "K\\7\\\\z\0F=00\0"s);
  EXPECT_EQ(t().input.count, 1);
  t().session.text_dialect = 0;
  Press(t(), kKeyEscape);
  EXPECT_EQ(tt_.Sent(), "K\\7");
  ClearWaitingForHost(t());
  Press(t(), kKeyScan + 0x16);  // a power-up: nothing goes out here, and the host is awaited
  EXPECT_EQ(tt_.Sent(), "");
  EXPECT_EQ(IsWaitingForHost(t()), 1);
}

TEST_F(KeyProcessor, KeyMapTypesSevenBitCharactersAndEndsTheTurn) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4), FieldSpec(1, 0, 4)});
  ASSERT_EQ(LoadMaps(t(), "\\F\\\033A\\12@Aq"), 0);
  Press(t(), kKeyF1);  // a map's Escape is a character, not the key
  EXPECT_EQ(form.Buffer(0), "\033A  ");
  EXPECT_EQ(tt_.Sent(), "");
  t().session.text_dialect = 0;
  Press(t(), kKeyF1 + 1);
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\K\033A12\\\\q");
}

TEST_F(KeyProcessor, PagingPastEitherEndAndShiftFunctionKeysEndTheTurn) {
  t().session.text_dialect = 0;
  // A text without fields: a current field would pull the page back to it.
  HandForm form(t(), 32, 20, {});
  form.SetText(16, 0, "second page");
  Press(t(), kKeyPageDown);
  EXPECT_EQ(tt_.Row(0), "second page         ");
  EXPECT_EQ(tt_.Sent(), "");
  // PageDown on the last page ends the turn, as these keys always do.
  for (int32_t key : {kKeyPageDown, kKeyShiftF1 + 3, kKeyPadEnter}) {
    Press(t(), key);
    EXPECT_EQ(tt_.Sent(), "K\\-10") << key;
    ClearWaitingForHost(t());
  }
  form->top_row = 5;
  Press(t(), kKeyPageUp);
  EXPECT_EQ(form->top_row, 0);
  Press(t(), kKeyPageUp);
  EXPECT_EQ(tt_.Sent(), "K\\-10");
}

TEST_F(KeyProcessor, CodesBelowOneAreShownWhileDebugging) {
  Press(t(), kKeyDebugging);
  Press(t(), -70000);
  EXPECT_EQ(tt_.Row(14), "Ignore -70000 (0xEE9");
}

TEST_F(KeyProcessor, ProgrammableKeyPicksTheNextTableRow) {
  HandForm table(t(), 20, {"a", "b", "c"}, FieldSpec(0, 5, 3), 0x200 | 0x20);
  Config(t()).programmable_key = 'x';
  Press(t(), kKeyProgrammable);
  EXPECT_EQ(table.TextRow(1).substr(5, 3), "x  ");
  EXPECT_EQ(table->cursor, 0);  // typed without moving on
  // Elsewhere the programmable key ends the turn after its character.
  table->options = 0x20;
  t().session.text_dialect = 0;
  Press(t(), kKeyProgrammable);
  EXPECT_EQ(tt_.Sent(), "Kx");
}

}  // namespace
}  // namespace marl::testing
