#include "input/form_reply.h"

#include <gtest/gtest.h>

#include <string>

#include "hand_form.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

class FormReply : public ::testing::Test {
 protected:
  Terminal& t() { return tt_.t(); }
  void Dialect(int32_t on) { t().records.text_dialect = on; }
  TestTerminal tt_;
};

TEST_F(FormReply, KeyedFieldWithoutTheTextDialectIsNineBytes) {
  // Slot 3's form, as the host sends it: two fields of four cells.
  tt_.Host(
      "\x82\x80\x80\x80\x80\x80"
      "000"
      "\\3T\\Qty:\\@    \\Lot:\\@    \\\n");
  ASSERT_NE(GetCurrentForm(t()), nullptr);
  Dialect(0);
  Type(t(), "12");
  Press(t(), kKeyEnter);
  EXPECT_EQ(tt_.Sent(), "K\\3\\0\\K12");
  EXPECT_EQ(IsWaitingForHost(t()), 1);
}

TEST_F(FormReply, TextDialectAddsTheEnterLetterAndTheFieldTrailer) {
  HandForm form(t(), 16, 20, {FieldSpec(1, 5, 4), FieldSpec(2, 5, 4)});
  form->form_id = 3;
  Type(t(), "12");
  Press(t(), kKeyEnter);
  EXPECT_EQ(tt_.Sent(), "K\\3\\0\\K12\\\\w\0F=00\0"s);
  EXPECT_EQ(t().keys.reply_letter, kNoReplyLetter);
  EXPECT_EQ(t().keys.reply_mode, 0);
}

TEST_F(FormReply, TwoDigitIndexInTheFieldAndInTheTrailer) {
  std::vector<FieldSpec> fields;
  for (int32_t i = 0; i < 13; ++i) fields.push_back(FieldSpec(i, 0, 3));
  HandForm form(t(), 16, 20, fields);
  form->form_id = 0;
  form->current_field = 12;
  Type(t(), "ab");
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\0\\12\\Kab\0F=12\0"s);
}

TEST_F(FormReply, ScannedFieldCarriesItsTerminator) {
  Dialect(0);
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 5)});
  form->form_id = 1;
  Scan(t(), "AB", 0x01);
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(),
            "K\\1\\0\\S\x01"
            "AB");
}

TEST_F(FormReply, ReplyModesThreeAndFourReplaceTheWholeReply) {
  Dialect(0);
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 5)});
  Type(t(), "xyz");
  t().keys.reply_mode = 3;
  t().keys.reply_letter = 'q';
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\\\q");
  t().keys.reply_mode = 4;
  t().keys.reply_letter = 'R';
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "KR");
}

TEST_F(FormReply, ZeroReplyLetterGoesOutAsOneMoreByte) {
  Dialect(0);
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 5)});
  form->form_id = 2;
  t().keys.reply_mode = 2;
  t().keys.reply_letter = 0;
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\2\\\\\0"s);
}

TEST_F(FormReply, UntouchedProtectedFieldsOnlyWithoutTheTextDialect) {
  HandForm form(t(), 16, 20, {FieldSpec(0, 0, 4), FieldSpec(1, 0, 4).Flags(0x04).Text("ID7")});
  form->form_id = 5;
  Dialect(0);
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\5\\1\\KID7");
  Dialect(1);
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), "K\\5\0F=00\0"s);
}

TEST_F(FormReply, TableRowReplyCountsRowsFromTheFirstEntryRow) {
  Dialect(0);
  std::vector<std::string> lines(14, "item");
  HandForm table = HandForm::Table(t(), 20, lines, 2, 10, 3, 0x200);
  table.field(0).row = 13;  // eleven rows after the first
  SendFormReply(t(), 0, table.get());
  EXPECT_EQ(tt_.Sent(), "SB");
  table.field(0).row = 0;  // before the first: counted round the end
  SendFormReply(t(), 0, table.get());
  EXPECT_EQ(tt_.Sent(), "SC");
}

TEST_F(FormReply, ReplyLongerThanOneTransmitArrivesWhole) {
  Dialect(0);
  std::vector<FieldSpec> fields;
  for (int32_t i = 0; i < 40; ++i) {
    fields.push_back(FieldSpec(i, 0, 30).Text(std::string(30, char('A' + i % 26))));
  }
  HandForm form(t(), 40, 30, fields);
  form->form_id = 1;
  std::string expected = "K\\1";
  for (int32_t i = 0; i < 40; ++i) {
    form.field(i).modified = 1;
    expected += "\\" + std::to_string(i) + "\\K" + std::string(30, char('A' + i % 26));
  }
  ASSERT_GT(expected.size(), size_t(kTransmitLimit));
  SendFormReply(t(), 0, form.get());
  EXPECT_EQ(tt_.Sent(), expected);
}

}  // namespace
}  // namespace marl::testing
