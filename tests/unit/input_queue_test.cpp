#include "input/input_queue.h"

#include "forms/form.h"
#include "host_records.h"
#include "input/field_edit.h"
#include "input_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class InputQueue : public InputTest {
 protected:
  void Drain(Form* form) { DrainInputQueue(t(), form, 16, 20); }
};

TEST_F(InputQueue, GrowsEightEntriesAtATimeAndGivesAllBack) {
  const int32_t in_use = t().alloc.bytes_in_use;
  SetWaitingForHost(t(), 1);
  for (int32_t i = 0; i < 8; ++i) QueueKeystroke(t(), 'a' + i);
  EXPECT_EQ(t().input.capacity, 8);
  QueueScan(t(), 3, "xyz", 1);
  EXPECT_EQ(t().input.capacity, 16);
  ClearInputQueue(t());
  EXPECT_EQ(t().input.count, 0);
  EXPECT_EQ(t().alloc.bytes_in_use, in_use);
}

TEST_F(InputQueue, ReplayStopsAtTheKeyThatRepliesAndKeepsScansWhole) {
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 6)});
  SetWaitingForHost(t(), 1);
  Scan(t(), "B\0C"s, 3);
  EXPECT_EQ(tt_.Row(0).substr(0, 11), "Queued Scan");
  // The text dialect drops the keys that would reply.
  for (int32_t key : {kKeyEnter, kKeyF1 + 9, kKeyShiftF10}) Press(t(), key);
  EXPECT_EQ(tt_.Row(0), "Skipping Transmittab");
  EXPECT_EQ(t().input.count, 1);
  t().session.text_dialect = 0;
  Type(t(), "a");
  Press(t(), kKeyEnter);
  Type(t(), "b");
  ClearWaitingForHost(t());
  Drain(form.get());
  EXPECT_EQ(tt_.Sent(), "K\\-10\\0\\S\003BCa");  // the whole scan, its zero byte no key
  EXPECT_EQ(t().input.count, 1);                 // 'b' waits for the next screen
  ClearWaitingForHost(t());
  Drain(nullptr);  // no form to replay into: it stays
  EXPECT_EQ(t().input.count, 1);
  Drain(form.get());
  EXPECT_EQ(form.Buffer(0), "bCa   ");
  EXPECT_EQ(t().input.count, 0);
}

TEST_F(InputQueue, KeyScriptPlaysAfterTheQueueAndEndsTheTurnWithItsLetter) {
  HandForm form(t(), 16, 20, {FieldSpec(1, 0, 4), FieldSpec(2, 0, 4)});
  form->form_id = 1;
  tt_.Host(Command("\\Kab@T@Ax"));
  EXPECT_EQ(tt_.Sent(), Reply(kStatusSuccess));
  Drain(form.get());
  EXPECT_EQ(tt_.Sent(), "K\\1\\0\\Kab\\\\x\0F=01\0"s);
  EXPECT_EQ(t().script.running, 0);
}

TEST_F(InputQueue, WhereAScanEnds) {
  struct Case {
    int32_t dialect;
    uint32_t options;
    uint8_t flags;  // of the first field
    const char* scan;
    const char* first;
    const char* second;
    int32_t field;
    const char* sent;
  } cases[] = {
      // Only the text dialect carries the rest of a scan into the next field.
      {1, kOptionFullFieldMoves, 0, "ABCD", "AB", "CD  ", 1, ""},
      {0, kOptionFullFieldMoves, 0, "ABCD", "AB", "    ", 1, ""},
      {0, 0, 0, "ABC", "AC", "    ", 0, ""},   // a full field that stays: its last cell again
      {1, 0, 0, "A\tB", "AB", "    ", 0, ""},  // the text dialect takes no Tab from a scan
      // A field that sends when full ends the scan with Enter, unless the scan had its own.
      {0, 0, kFieldSendWhenFull, "A", "Ax", "    ", 0, "K\\-10\\0\\SAx"},
      {0, 0, kFieldSendWhenFull, "A\r", "Ax", "    ", 0, "K\\-10\\0\\SAx"},
      {0, kOptionFullFieldMoves, kFieldSendWhenFull, "AB", "AB", "    ", 0, "K\\-10\\0\\SAB"},
      {1, kOptionScanTab, 0, "A", "A ", "    ", 1, ""},  // the text dialect blanks the rest
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(&c - cases);
    TestTerminal tt;
    tt.t().session.text_dialect = c.dialect;
    HandForm form(tt.t(), 16, 20,
                  {FieldSpec(0, 0, 2).Text("wx").Flags(c.flags), FieldSpec(1, 0, 4)}, c.options);
    Scan(tt.t(), c.scan, 0);
    EXPECT_EQ(form.Buffer(0), c.first);
    EXPECT_EQ(form.Buffer(1), c.second);
    EXPECT_EQ(form->current_field, c.field);
    EXPECT_EQ(tt.Sent(), c.sent);
    EXPECT_EQ(tt.t().input.count, 0);  // no Enter left over for the next screen
  }
}

TEST_F(InputQueue, RoutedScanLosesItsIdentifierAndLeavesTheCursorAlone) {
  t().session.text_dialect = 0;
  t().forms.scan_identified = 1;
  HandForm form(t(), 16, 20,
                {FieldSpec(0, 0, 4), FieldSpec(1, 0, 6).Identified("#", 1),
                 FieldSpec(2, 0, 6).Identified("$", 0)});
  form->cursor = 1;
  Scan(t(), "#123#");
  EXPECT_EQ(form.Buffer(1), "123   ");
  EXPECT_EQ(form->current_field, 0);
  EXPECT_EQ(tt_.platform().caret_x(), 11);
  EXPECT_EQ(tt_.Sent(), "");
  // Only the first scan-identified field routes; this scan stays where it is.
  Scan(t(), "$9$");
  EXPECT_EQ(form.Buffer(2), "      ");
  EXPECT_EQ(form.Buffer(0), " $9$");
}

}  // namespace
}  // namespace marl::testing
