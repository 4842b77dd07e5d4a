#include "input/input_queue.h"

#include <gtest/gtest.h>

#include <string>

#include "hand_form.h"
#include "input/field_edit.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class InputQueue : public ::testing::Test {
 protected:
  Terminal& t() { return tt_.t(); }
  void Drain(Form* form) { DrainInputQueue(t(), form, 16, 20); }
  TestTerminal tt_;
};

TEST_F(InputQueue, TransmittableKeysAreDroppedInTheTextDialect) {
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 4)});
  SetWaitingForHost(t(), 1);
  Press(t(), kKeyEnter);
  EXPECT_EQ(t().input.count, 0);
  EXPECT_EQ(tt_.Row(0), "Skipping Transmittab");
  Press(t(), kKeyF1 + 9);
  Press(t(), kKeyShiftF10);
  EXPECT_EQ(t().input.count, 0);
  Type(t(), "q");
  EXPECT_EQ(t().input.count, 1);
  t().records.text_dialect = 0;
  Press(t(), kKeyEnter);
  EXPECT_EQ(t().input.count, 2);
}

TEST_F(InputQueue, GrowsEightEntriesAtATime) {
  const int32_t in_use = t().alloc.bytes_in_use;
  SetWaitingForHost(t(), 1);
  for (int32_t i = 0; i < 8; ++i) QueueKeystroke(t(), 'a' + i);
  EXPECT_EQ(t().input.capacity, 8);
  QueueKeystroke(t(), 'i');
  EXPECT_EQ(t().input.count, 9);
  EXPECT_EQ(t().input.capacity, 16);
  ClearInputQueue(t());
  EXPECT_EQ(t().input.capacity, 0);
  EXPECT_EQ(t().alloc.bytes_in_use, in_use);
}

TEST_F(InputQueue, ReplayStopsAtTheKeyThatReplies) {
  t().records.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 4)});
  SetWaitingForHost(t(), 1);
  Type(t(), "a");
  Press(t(), kKeyEnter);
  Type(t(), "b");
  ClearWaitingForHost(t());
  Drain(form.get());
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\Ka");
  EXPECT_EQ(t().input.count, 1);  // 'b' waits for the next screen
  ClearWaitingForHost(t());
  Drain(form.get());
  EXPECT_EQ(form.Buffer(0), "b   ");  // Enter put the cursor back to the start
  EXPECT_EQ(t().input.count, 0);
  Drain(nullptr);  // no form: nothing to replay into
}

TEST_F(InputQueue, QueuedScanIsReplayedWhole) {
  t().records.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 6)});
  SetWaitingForHost(t(), 1);
  Scan(t(), "A\0B"s, 3);
  EXPECT_EQ(tt_.Row(0).substr(0, 11), "Queued Scan");
  ClearWaitingForHost(t());
  Drain(form.get());
  EXPECT_EQ(form.Buffer(0), "AB    ");  // a zero byte is not a key
  EXPECT_EQ(form.field(0).reply_kind, 'S');
  EXPECT_EQ(form.field(0).terminator, 3);
}

TEST_F(InputQueue, KeyScriptPlaysAfterTheQueueAndEndsTheTurnWithItsLetter) {
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 4), FieldSpec(2, 0, 4)});
  form->form_id = 1;
  tt_.Host(
      "\x82"
      "00000000"
      "\\Kab@T@Ax"
      "\n");
  EXPECT_EQ(tt_.Sent(), "K\\\\0");
  Drain(form.get());
  EXPECT_EQ(tt_.Sent(), "K\\1\\0\\Kab\\\\x\0F=01\0"s);
  EXPECT_EQ(t().script.length, 0);
  EXPECT_EQ(t().script.running, 0);
}

class Scans : public InputQueue {};

TEST_F(Scans, OverlongScanOverwritesTheLastCell) {
  t().records.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 2), FieldSpec(1, 0, 2)});
  Scan(t(), "ABC");
  EXPECT_EQ(form.Buffer(0), "AC");
  EXPECT_EQ(form->current_field, 0);
  EXPECT_EQ(tt_.Sent(), "");
}

TEST_F(Scans, SendWhenFullFieldIsFollowedByEnter) {
  t().records.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 6).Flags(kFieldSendWhenFull)});
  Scan(t(), "12", 0);
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\S12");
  ClearWaitingForHost(t());
  form.field(0).modified = 0;
  form->cursor = 0;
  Scan(t(), "34\r", 0);  // its own carriage return ends it: no second Enter
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\S34");
}

TEST_F(Scans, TabEndKeyMovesOnAndTheTextDialectBlanksTheRest) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4).Text("wxyz"), FieldSpec(1, 0, 4)}, kOptionScanTab);
  Scan(t(), "ab");
  EXPECT_EQ(form.Buffer(0), "ab  ");
  EXPECT_EQ(form->current_field, 1);
  EXPECT_EQ(tt_.Sent(), "");
}

TEST_F(Scans, OnlyTheTextDialectCarriesAScanIntoTheNextField) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 2), FieldSpec(1, 0, 4)}, kOptionFullFieldMoves);
  Scan(t(), "ABCD");
  EXPECT_EQ(form.Buffer(0), "AB");
  EXPECT_EQ(form.Buffer(1), "CD  ");
  EXPECT_EQ(form.field(1).reply_kind, 'S');
  t().records.text_dialect = 0;
  form->current_field = 0;
  form->cursor = 0;
  Scan(t(), "EFGH");
  EXPECT_EQ(form.Buffer(0), "EF");
  EXPECT_EQ(form.Buffer(1), "CD  ");  // the rest is dropped
}

TEST_F(Scans, RoutedScanLosesItsIdentifierAndLeavesTheCursorAlone) {
  t().records.text_dialect = 0;
  t().forms.scan_identified = 1;
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 4), FieldSpec(1, 0, 6).Identified("#", 1),
                 FieldSpec(2, 0, 6).Identified("$", 0)});
  form->cursor = 1;
  Scan(t(), "#123#");
  EXPECT_EQ(form.Buffer(1), "123   ");
  EXPECT_EQ(form->current_field, 0);
  EXPECT_EQ(form->cursor, 1);
  EXPECT_EQ(tt_.platform().caret_x(), 11);
  EXPECT_EQ(tt_.Sent(), "");
  // Only the first scan-identified field routes; this scan stays where it is.
  Scan(t(), "$9$");
  EXPECT_EQ(form.Buffer(2), "      ");
  EXPECT_EQ(form.Buffer(0), " $9$");
}

TEST_F(Scans, NoFormNoScan) {
  char bytes[] = "xyz";
  ProcessScan(t(), 3, bytes, nullptr, 16, 20, 1);
  EXPECT_EQ(t().input.count, 0);
  EXPECT_TRUE(tt_.Events().empty());
}

}  // namespace
}  // namespace marl::testing
