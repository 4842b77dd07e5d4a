#include "input/form_reply.h"

#include "base/session.h"
#include "forms/form.h"
#include "host_records.h"
#include "input_fixture.h"
#include "screen/display.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

using FormReply = InputTest;

TEST_F(FormReply, KeyedFieldOfAHostFormWithoutTheTextDialectIsNineBytes) {
  // Slot 3's form, as the host sends it: two fields of four cells.
  tt_.Host(Command("\\3T\\Qty:\\@    \\Lot:\\@    \\", std::string(5, '\x80') + "000"));
  ASSERT_NE(GetCurrentForm(t()), nullptr);
  t().session.text_dialect = 0;
  Type(t(), "12");
  Press(t(), kKeyEnter);
  EXPECT_EQ(tt_.Sent(), "K\\3\\0\\K12");
  EXPECT_EQ(IsWaitingForHost(t()), 1);
}

TEST_F(FormReply, ReplyModesAndTheirLetters) {
  t().session.text_dialect = 0;
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 5)});
  form->form_id = 2;
  Type(t(), "xyz");
  struct Case {
    int32_t mode;
    uint8_t letter;
    std::string sent;
  } cases[] = {
      {3, 'q', "K\\\\q"},              // the whole reply replaced
      {4, 'R', "KR"},                  // likewise, without the backslashes
      {2, 0, "K\\2\\0\\Kxyz\\\\\0"s},  // a zero letter goes out as one more byte
  };
  for (const Case& c : cases) {
    t().keys.reply_mode = c.mode;
    t().keys.reply_letter = c.letter;
    SendFormReply(t(), 0, form.get());
    EXPECT_EQ(tt_.Sent(), c.sent) << c.mode;
  }
}

TEST_F(FormReply, UntouchedProtectedFieldsOnlyWithoutTheTextDialect) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4), FieldSpec(1, 0, 4).Flags(0x04).Text("ID7")});
  form->form_id = 5;
  t().session.text_dialect = 0;
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\5\\1\\KID7");
  t().session.text_dialect = 1;
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\5\0F=00\0"s);
}

TEST_F(FormReply, TableRowReplyCountsRowsFromTheFirstEntryRow) {
  t().session.text_dialect = 0;
  HandForm table(t(), 20, std::vector<std::string>(14, "item"), FieldSpec(2, 10, 3), 0x200);
  table.field(0).row = 13;  // eleven rows after the first
  SendFormReply(t(), 0, table.get());
  EXPECT_EQ(tt_.Sent(), "SB");
  table.field(0).row = 0;  // before the first: counted round the end
  SendFormReply(t(), 0, table.get());
  EXPECT_EQ(tt_.Sent(), "SC");
}

TEST_F(FormReply, ReplyLongerThanOneTransmitArrivesWholeWithTwoDigitIndices) {
  std::vector<FieldSpec> fields;
  std::string expected = "K\\1";
  for (int32_t i = 0; i < 40; ++i) {
    const std::string text(30, char('A' + i % 26));
    fields.push_back(FieldSpec(i, 0, 30).Text(text));
    expected += "\\" + std::to_string(i) + "\\K" + text;
  }
  HandForm form(t(), 40, 30, fields);
  form->form_id = 1;
  form->current_field = 12;
  expected += "\0F=12\0"s;
  for (int32_t i = 0; i < 40; ++i) form.field(i).modified = 1;
  ASSERT_GT(expected.size(), size_t(kTransmitLimit));
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), expected);
}

}  // namespace
}  // namespace marl::testing
