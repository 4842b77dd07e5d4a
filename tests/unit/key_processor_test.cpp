#include "input/key_processor.h"

#include <gtest/gtest.h>

#include <string>

#include "hand_form.h"
#include "input/key_maps.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class KeyProcessor : public ::testing::Test {
 protected:
  Terminal& t() { return tt_.t(); }
  void LoadMaps(const std::string& body) {
    const std::string text =
        "\x82"
        "00000000" +
        body;
    ASSERT_EQ(LoadKeyMaps(t(), int32_t(text.size()), text.c_str()), 0);
  }
  TestTerminal tt_;
};

TEST_F(KeyProcessor, EscapeRepliesEvenWhileWaiting) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4)});
  form->form_id = 7;
  SetWaitingForHost(t(), 1);
  Press(t(), kKeyEscape);
  EXPECT_EQ(tt_.Sent(), "K\\7\\\\z\0F=00\0"s);
  t().records.text_dialect = 0;
  Press(t(), kKeyEscape);
  EXPECT_EQ(tt_.Sent(), "K\\7");
}

TEST_F(KeyProcessor, LetterWhileWaitingIsQueuedAndSaysSo) {
  HandForm form(t(), 16, 20, {FieldSpec(2, 0, 4)});
  SetWaitingForHost(t(), 1);
  Type(t(), "a");
  EXPECT_EQ(form.Buffer(0), "    ");
  EXPECT_EQ(t().input.count, 1);
  EXPECT_EQ(tt_.Row(0).substr(0, 16), "Queued Keystroke");
  // The toggles act at once all the same.
  Press(t(), kKeyInsert);
  EXPECT_EQ(t().keys.insert_mode, 1);
  EXPECT_EQ(t().input.count, 1);
}

TEST_F(KeyProcessor, FunctionKeyWithoutAMapDoesNothing) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4)});
  Press(t(), kKeyF1 + 4);
  Press(t(), 4145);  // F24
  EXPECT_EQ(tt_.Sent(), "");
  EXPECT_TRUE(tt_.Events().empty());
  EXPECT_EQ(t().keys.loop_flags, 0);
}

TEST_F(KeyProcessor, KeyMapTypesAndMovesWithinOneKey) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4), FieldSpec(1, 0, 4)});
  LoadMaps(
      "\\F\\12@T\\\x1b"
      "A\\12@Aq\\@A@rM");
  Press(t(), kKeyF1);
  EXPECT_EQ(form.Buffer(0), "12  ");
  EXPECT_EQ(form->current_field, 1);
  // A map's characters are seven-bit characters: Escape is typed, not pressed.
  Press(t(), kKeyF1 + 1);
  EXPECT_EQ(form.Buffer(1),
            "\x1b"
            "A  ");
  EXPECT_EQ(tt_.Sent(), "");
  t().records.text_dialect = 0;
  form->current_field = 0;
  form->cursor = 2;
  Press(t(), kKeyF1 + 2);
  EXPECT_EQ(tt_.Sent(),
            "K\\-10\\0\\K1212\\1\\K\x1b"
            "A\\\\q");
  ClearWaitingForHost(t());
  Press(t(), kKeyF1 + 3);
  EXPECT_EQ(tt_.Sent(), "K\\\\\r");
  EXPECT_EQ(t().keys.reply_letter, kNoReplyLetter);
  EXPECT_EQ(t().keys.reply_mode, 0);
}

TEST_F(KeyProcessor, PagingPastEitherEndReplies) {
  t().records.text_dialect = 0;
  // A text without fields: a current field would pull the page back to it.
  HandForm form(t(), 40, 20, {});
  form.SetText(16, 0, "second page");
  Press(t(), kKeyPageDown);
  EXPECT_EQ(form->top_row, 16);
  EXPECT_EQ(tt_.Row(0), "second page         ");
  Press(t(), kKeyPageDown);
  EXPECT_EQ(form->top_row, 32);
  EXPECT_EQ(tt_.Sent(), "");
  Press(t(), kKeyPageDown);  // the last page: the turn ends
  EXPECT_EQ(form->top_row, 32);
  EXPECT_EQ(tt_.Sent(), "K\\-10");
  ClearWaitingForHost(t());
  form->top_row = 5;
  Press(t(), kKeyPageUp);
  EXPECT_EQ(form->top_row, 0);
  EXPECT_EQ(tt_.Row(0), std::string(20, ' '));
  Press(t(), kKeyPageUp);
  EXPECT_EQ(tt_.Sent(), "K\\-10");
  // The letter rides along only when a mode asks for a suffix.
  EXPECT_EQ(t().keys.reply_letter, kNoReplyLetter);
}

TEST_F(KeyProcessor, DebuggingTogglesBannerThenRepaint) {
  Press(t(), kKeyDebugging);
  EXPECT_EQ(tt_.Row(0).substr(0, 9), "Debugging");
  Press(t(), 0);
  EXPECT_EQ(tt_.Row(14).substr(0, 14), "Ignore 0 (0x0)");
  Press(t(), -70000);
  EXPECT_EQ(tt_.Row(14), "Ignore -70000 (0xEE9");
  Press(t(), kKeyDebugging);
  EXPECT_EQ(t().screen.debugging, 0);
  EXPECT_EQ(tt_.Row(0), std::string(20, ' '));
  EXPECT_EQ(tt_.Row(14), std::string(20, ' '));
  Press(t(), 0);  // quiet again
  EXPECT_EQ(tt_.Row(14), std::string(20, ' '));
}

TEST_F(KeyProcessor, ControlKeysThatTalkToTheHost) {
  Press(t(), 6);
  EXPECT_EQ(tt_.Sent(), "IS,");
  Press(t(), 16);
  EXPECT_EQ(IsWaitingForHost(t()), 1);
  EXPECT_EQ(tt_.Sent().substr(0, 21), "P,Rows=16,Cols=20\0IP="s);
  t().records.text_dialect = 0;
  ClearWaitingForHost(t());
  Press(t(), kKeyScan + 0x16);
  EXPECT_EQ(IsWaitingForHost(t()), 1);
  EXPECT_EQ(tt_.Sent(), "");
  Press(t(), 14);
  EXPECT_EQ(t().link.ping_mode, 1);
  Press(t(), 12);
  EXPECT_EQ(t().link.ping_mode, 0);
}

TEST_F(KeyProcessor, ShiftFunctionKeysAndPadEnterReply) {
  t().records.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4)});
  Press(t(), kKeyShiftF1 + 3);
  EXPECT_EQ(tt_.Sent(), "K\\-10");
  ClearWaitingForHost(t());
  Press(t(), kKeyPadEnter);
  EXPECT_EQ(tt_.Sent(), "K\\-10");
  ClearWaitingForHost(t());
  Press(t(), 24);  // Ctrl+X from elsewhere is a character
  EXPECT_EQ(form.Buffer(0), "\x18   ");
  Press(t(), kKeyEndProgram);  // no character at all: refused
  EXPECT_EQ(tt_.Events().back(), "beep 440 120");
}

TEST_F(KeyProcessor, ProgrammableKeyPicksTheNextTableRow) {
  HandForm table = HandForm::Table(t(), 20, {"a", "b", "c"}, 0, 5, 3, 0x200 | 0x20);
  Config(t()).programmable_key = 'x';
  Press(t(), kKeyProgrammable);
  EXPECT_EQ(table.field(0).row, 1);
  EXPECT_EQ(table.TextRow(1).substr(5, 3), "x  ");
  EXPECT_EQ(table->cursor, 0);  // typed without moving on
  // Elsewhere the programmable key ends the turn after its character.
  table->options = 0x20;
  t().records.text_dialect = 0;
  Press(t(), kKeyProgrammable);
  EXPECT_EQ(tt_.Sent(), "Kx");
}

}  // namespace
}  // namespace marl::testing
