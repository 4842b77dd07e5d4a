#include "forms/tables.h"

#include <gtest/gtest.h>

#include <string>

#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "host_records.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

constexpr ScreenEnvironment kScreen{16, 20, 0};

int32_t Store(TestTerminal& tt, std::string_view body, const std::string& header = Header(),
              Form** out = nullptr) {
  Form* form = nullptr;
  const int32_t status = StoreTable(tt.t(), CommandRecord(tt.t(), header, body), &form);
  if (out != nullptr) *out = form;
  return status;
}

int32_t Update(TestTerminal& tt, std::string_view body) {
  return UpdateTable(tt.t(), CommandRecord(tt.t(), Header(), body));
}

// The bare '\' and number command; the caller's record is released after.
Form* Show(TestTerminal& tt, std::string_view body, const std::string& header = Header()) {
  HostRecord* r = CommandRecord(tt.t(), header, body);
  Form* form = ShowRecordTable(tt.t(), r, kScreen, GetCurrentForm(tt.t()));
  FreeHostRecord(tt.t(), r);
  if (form != nullptr) SetCurrentForm(tt.t(), form);
  return form;
}

std::string StoredArguments(TestTerminal& tt, int32_t slot) {
  const HostRecord* r = GetTableSlot(tt.t(), slot);
  return r == nullptr ? "(empty)" : std::string(r->command);
}

TEST(TableSlots, StoringTwiceExtendsTheDefinition) {
  TestTerminal tt;
  EXPECT_EQ(Store(tt, "\\3S\\Qty:\\A1"), 0);
  EXPECT_EQ(Store(tt, "\\3S\\Lot:\\A2"), 0);
  EXPECT_EQ(StoredArguments(tt, 3), "\\Qty:\\A1\\Lot:\\A2");
  Form* form = Show(tt, "\\3");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->field_count, 2);
  EXPECT_EQ(form->form_id, 3);
  EXPECT_EQ(GetTableSlot(tt.t(), 3)->form, form);
  EXPECT_EQ(tt.Row(0), "Qty:1Lot:2          ");
  EXPECT_EQ(tt.Sent(), "");  // showing sends no status
}

TEST(TableSlots, StoringIntoAShownSlotAddsFieldsToItsForm) {
  TestTerminal tt;
  Store(tt, "\\3S\\Qty:\\A1");
  Form* form = Show(tt, "\\3");
  Form* out = nullptr;
  EXPECT_EQ(Store(tt, "\\3S\\Lot:\\A2", Header(), &out), 0);
  EXPECT_EQ(out, form);
  EXPECT_EQ(form->field_count, 2);
  EXPECT_EQ(GetTableSlot(tt.t(), 3)->form, form);
  EXPECT_STREQ(form->fields[1].buffer, "2");
}

TEST(TableSlots, SlotNumbers) {
  TestTerminal tt;
  EXPECT_EQ(Store(tt, "\\S\\A:\\Ax"), 0);
  EXPECT_EQ(StoredArguments(tt, 0), "\\A:\\Ax");
  EXPECT_EQ(Store(tt, "\\30S\\B:\\Ay"), 0);  // out of range: slot 0, extended
  EXPECT_EQ(StoredArguments(tt, 0), "\\A:\\Ax\\B:\\Ay");
  EXPECT_EQ(Update(tt, "\\30U\\0IAz"), 4);
  EXPECT_EQ(Show(tt, "\\30"), nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\4");
  EXPECT_EQ(Show(tt, "\\7"), nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\4");
  // A slot stored without a count of its own still shows by number.
  Form* form = Show(tt, "\\0");
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->form_id, 0);
}

TEST(TableSlots, HeaderBitsReleaseSlotsFirst) {
  TestTerminal tt;
  Store(tt, "\\1S\\A:\\Ax");
  Store(tt, "\\2S\\B:\\Ay");
  EXPECT_EQ(Store(tt, "\\2S\\C:\\Az", Header(0x20)), 0);
  EXPECT_EQ(StoredArguments(tt, 2), "\\C:\\Az");
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 1), 1);
  EXPECT_EQ(Store(tt, "\\4S\\D:\\Aw", Header(0x10)), 0);
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 1), 0);
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 2), 0);
  EXPECT_EQ(StoredArguments(tt, 4), "\\D:\\Aw");
  // Out of range counts store into slot 0 without applying the bits.
  Store(tt, "\\0S\\E:\\Av");
  EXPECT_EQ(Store(tt, "\\40S\\F:\\Au", Header(0x30)), 0);
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 4), 1);
  EXPECT_EQ(StoredArguments(tt, 0), "\\E:\\Av\\F:\\Au");
}

TEST(TableSlots, StoringRefusesBadArguments) {
  TestTerminal tt;
  const int32_t start = tt.t().alloc.bytes_in_use;
  EXPECT_EQ(Store(tt, "\\3SA:\\Ax"), 9);
  EXPECT_EQ(Store(tt, "\\3S\\A:"), 5);
  EXPECT_EQ(Store(tt, "\\3S\\A:\\Ax\\B"), 5);
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 3), 0);
  EXPECT_EQ(BytesHeldSince(tt.t(), start), 0);
  EXPECT_EQ(Store(tt, "\\3S\\A:\\Ax\\"), 0);  // three, ending with '\'
}

TEST(TableSlots, TextParsedIntoAShownFormAppendsSafelyToAFieldTheUserChanged) {
  TestTerminal tt;
  Store(tt, "\\7S\\Qty:\\A1234");
  Form* form = Show(tt, "\\7");
  GuardedFree(tt.t(), form->fields[0].buffer, __LINE__, "test");
  form->fields[0].buffer = GuardedCopy(tt.t(), "9", 1, __LINE__, "test");
  ParseFormText(tt.t(), form, "\\ more|Eabcdefghijklmnop", 0);
  EXPECT_STREQ(form->fields[0].buffer, "9abcdefghijklmnop");
  EXPECT_EQ(form->fields[0].length, 17);
}

TEST(TableSlots, ShowingAgainKeepsTheUsersEntries) {
  TestTerminal tt;
  Store(tt, "\\7S\\Qty:\\A1");
  Form* form = Show(tt, "\\7");
  form->fields[0].buffer[0] = '9';
  form->fields[0].modified = 1;
  EXPECT_EQ(Show(tt, "\\7"), form);
  EXPECT_STREQ(form->fields[0].buffer, "9");
  EXPECT_EQ(form->fields[0].modified, 1);
  // 0x400 clears the marks; the entries stay.
  EXPECT_EQ(Show(tt, "\\7", Header(0x400)), form);
  EXPECT_EQ(form->fields[0].modified, 0);
  EXPECT_STREQ(form->fields[0].buffer, "9");
  // 0x1000 builds the form afresh from the stored text.
  Form* rebuilt = Show(tt, "\\7", Header(0x1000));
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_STREQ(rebuilt->fields[0].buffer, "1");
  EXPECT_EQ(GetTableSlot(tt.t(), 7)->form, rebuilt);
  EXPECT_EQ(rebuilt->form_id, 7);
}

TEST(TableUpdate, StatusesAndReplacedData) {
  TestTerminal tt;
  Store(tt, "\\5S\\Qty:\\A1\\Lot:\\A2");
  EXPECT_EQ(Update(tt, "\\5U\\2IA9"), 6);
  EXPECT_EQ(Update(tt, "\\5U\\25IA9"), 8);
  EXPECT_EQ(Update(tt, "\\5U\\1XA9"), 9);
  EXPECT_EQ(Update(tt, "\\5U\\IA9"), 9);
  EXPECT_EQ(Update(tt, "\\5UIA9"), 9);
  EXPECT_EQ(Update(tt, "\\6U\\1IA9"), 4);
  EXPECT_EQ(Update(tt, "\\5U\\0IA7\\9IA1"), 6);  // nothing applied
  EXPECT_EQ(StoredArguments(tt, 5), "\\Qty:\\A1\\Lot:\\A2");

  Form* form = Show(tt, "\\5");
  EXPECT_EQ(Update(tt, "\\5U\\1PLots:"), 3);
  EXPECT_EQ(StoredArguments(tt, 5), "\\Qty:\\A1\\Lot:\\A2");
  EXPECT_EQ(Update(tt, "\\5U\\1IA7"), 0);
  EXPECT_EQ(StoredArguments(tt, 5), "\\Qty:\\A1\\Lot:\\A7");
  EXPECT_EQ(GetTableSlot(tt.t(), 5)->form, form);
  EXPECT_STREQ(form->fields[1].buffer, "7");
  EXPECT_EQ(FormTextRow(form, 0).substr(0, 10), "Qty:1Lot:7");
}

TEST(TableUpdate, SeveralCommandsWorkOnEachOthersResult) {
  TestTerminal tt;
  Store(tt, "\\5S\\Qty:\\A12\\Lot:\\A2\\");
  EXPECT_EQ(Update(tt,
                   "\\5U\\0PQ:\\1FL:\\N3\\0I"
                   "B4"),
            0);
  EXPECT_EQ(StoredArguments(tt, 5), "\\Q:\\B4\\L:\\N3\\");
}

TEST(TableUpdate, RefusedDataKeepsWhatWasDoneBefore) {
  TestTerminal tt;
  Store(tt, "\\5S\\Qty:\\A1\\Lot:\\A2");
  Form* form = Show(tt, "\\5");
  EXPECT_EQ(Update(tt, "\\5U\\0PQ:\\1IA77\\0IA3"), 0);
  EXPECT_EQ(StoredArguments(tt, 5), "\\Q:\\A1\\Lot:\\A2");
  EXPECT_EQ(FormTextRow(form, 0).substr(0, 8), "Q:1Lot:2");
}

TEST(TableUpdate, DefinitionsLongerThanTheWorkBuffers) {
  TestTerminal tt;
  const std::string data(1000, 'x');
  Store(tt, "\\5S\\A:\\A" + data);
  EXPECT_EQ(Update(tt, "\\5U\\0IA" + std::string(1590, 'y')), 3);
  EXPECT_EQ(StoredArguments(tt, 5), "\\A:\\A" + data);
  Store(tt, "\\5S\\B:\\A" + std::string(700, 'z'));
  EXPECT_EQ(Update(tt, "\\5U\\0IAy"), 3);
}

TEST(TableUpdate, UpdateAndShow) {
  TestTerminal tt;
  Store(tt, "\\5S\\Qty:\\A1\\Lot:\\A2");
  HostRecord* r = CommandRecord(tt.t(), Header(), "\\5V\\1IA7");
  Form* form = UpdateAndShowTable(tt.t(), r, nullptr, kScreen);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(tt.Row(0), "Qty:1Lot:7          ");
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(
      UpdateAndShowTable(tt.t(), CommandRecord(tt.t(), Header(), "\\6V\\1IA7"), nullptr, kScreen),
      nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\4");
  EXPECT_EQ(
      UpdateAndShowTable(tt.t(), CommandRecord(tt.t(), Header(), "\\5V1IA7"), nullptr, kScreen),
      nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\9");
  EXPECT_EQ(
      UpdateAndShowTable(tt.t(), CommandRecord(tt.t(), Header(), "\\5V\\4IA7"), nullptr, kScreen),
      nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\6");
}

TEST(TableText, EntryFieldAtTheCursorMarkOrTheHeaderPosition) {
  TestTerminal tt;
  Form* form =
      ShowTableText(tt.t(), CommandRecord(tt.t(), Header(0, 2, 4, 7), "Pick:|C^\nrow"), kScreen);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->is_table, 1u);
  ASSERT_EQ(form->field_count, 1);
  EXPECT_EQ(form->fields[0].data_offset, 5);
  EXPECT_EQ(form->fields[0].width, 4);
  EXPECT_EQ(form->fields[0].flags, 0x10);
  EXPECT_EQ(GetCurrentForm(tt.t()), form);
  EXPECT_EQ(tt.t().tables.table_form, form);
  EXPECT_EQ(tt.Row(0).substr(0, 5), "Pick:");

  form =
      ShowTableText(tt.t(), CommandRecord(tt.t(), Header(0x58, 0, 0, 23), "Pick^\nrow"), kScreen);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->fields[0].data_offset, 23);
  EXPECT_EQ(form->fields[0].row, 1);
  EXPECT_EQ(form->fields[0].column, 3);
  EXPECT_EQ(form->fields[0].width, 3);
  EXPECT_EQ(form->fields[0].flags, 0x02 | 0x08);
  EXPECT_EQ(form->table_first, 1);
  EXPECT_EQ(form->table_rows, 2);
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
}

TEST(TableText, PaddingMakesRoomForTheEntry) {
  TestTerminal tt(16, 10);
  Form* form =
      ShowTableText(tt.t(), CommandRecord(tt.t(), Header(0, 5, 0, 8), "0123456789"), {16, 10, 0});
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(form->row_count, 1);
  EXPECT_EQ(std::string(form->form_text), "0123456789" + std::string(5, ' '));
  // An entry wider than a row adds rows, the last one filled with blanks.
  form =
      ShowTableText(tt.t(), CommandRecord(tt.t(), Header(0, 12, 0, 8), "0123456789"), {16, 10, 0});
  EXPECT_EQ(form->row_count, 3);
  EXPECT_EQ(std::string(form->form_text), "0123456789" + std::string(20, ' '));
}

TEST(TableText, SlashParts) {
  TestTerminal tt;
  Form* form = HandleSlashRecord(tt.t(), CommandRecord(tt.t(), Header(), "/FFirst^\n"), kScreen);
  EXPECT_EQ(form, nullptr);
  EXPECT_EQ(tt.Sent(), "K\\\\0");
  HandleSlashRecord(tt.t(), CommandRecord(tt.t(), Header(), "/MSecond^\n"), kScreen);
  EXPECT_EQ(tt.Sent(), "K\\\\0");
  form = HandleSlashRecord(tt.t(), CommandRecord(tt.t(), Header(0, 2, 0, 46), "/LThird"), kScreen);
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(tt.Row(0), "First               ");
  EXPECT_EQ(tt.Row(1), "Second              ");
  EXPECT_EQ(tt.Row(2).substr(0, 5), "Third");
  EXPECT_EQ(form->fields[0].data_offset, 46);  // the last part's header
  EXPECT_EQ(tt.t().tables.pending_slash, nullptr);
  EXPECT_EQ(tt.t().tables.slash_form, form);

  EXPECT_EQ(HandleSlashRecord(tt.t(), CommandRecord(tt.t(), Header(), "/Xoops"), kScreen), form);
  EXPECT_EQ(tt.Sent(), "K\\\\1");
  // A last part alone is a whole table.
  Form* alone = HandleSlashRecord(tt.t(), CommandRecord(tt.t(), Header(), "/LOnly"), kScreen);
  ASSERT_NE(alone, nullptr);
  EXPECT_EQ(tt.Row(0).substr(0, 4), "Only");
}

TEST(TableText, EverythingIsReleased) {
  auto tt = std::make_unique<TestTerminal>();
  const int32_t start = tt->t().alloc.bytes_in_use;
  Store(*tt, "\\3S\\Qty:\\A1");
  Show(*tt, "\\3");
  Store(*tt, "\\3S\\Lot:\\A2");
  Update(*tt, "\\3U\\1IA7");
  ShowTableText(tt->t(), CommandRecord(tt->t(), Header(), "Table"), kScreen);
  HandleSlashRecord(tt->t(), CommandRecord(tt->t(), Header(), "/Fpending"), kScreen);
  HandleSlashRecord(tt->t(), CommandRecord(tt->t(), Header(), "/F"), kScreen);
  HandleSlashRecord(tt->t(), CommandRecord(tt->t(), Header(), "/"), kScreen);
  ReleaseAllTables(tt->t());
  ReleaseTableForms(tt->t());
  EXPECT_EQ(BytesHeldSince(tt->t(), start), 0);
  EXPECT_EQ(GetCurrentForm(tt->t()), nullptr);
}

// Through the command language, as the host sends them.
TEST(TableCommands, ThroughHostBytes) {
  TestTerminal tt;
  const std::string h(
      "\x80\x80\x80\x80\x80"
      "000",
      8);
  tt.Host(Command("\\3S\\Qty:\\A1", h));
  EXPECT_EQ(tt.Sent(), "K\\\\0");
  tt.Host(Command("\\3", h));
  Form* form = GetCurrentForm(tt.t());
  ASSERT_NE(form, nullptr);
  EXPECT_EQ(tt.Row(0), "Qty:1               ");
  form->fields[0].buffer[0] = '9';
  // \T into a shown slot extends its form and shows it, the entry kept.
  tt.Host(Command("\\3T\\Lot:\\A2", h));
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(GetCurrentForm(tt.t()), form);
  EXPECT_EQ(tt.Row(0), "Qty:1Lot:2          ");
  EXPECT_EQ(form->field_count, 2);
  EXPECT_STREQ(form->fields[0].buffer, "9");

  // A table text is checked before the replies are switched off.
  tt.Host(Command("Pick|D42", h));
  EXPECT_EQ(tt.Sent(), "K\\\\2");
  EXPECT_EQ(GetCurrentForm(tt.t()), form);
  tt.Host(Command("Pick^\nrow", h));
  EXPECT_EQ(tt.Sent(), "");
  ASSERT_NE(GetCurrentForm(tt.t()), nullptr);
  EXPECT_EQ(GetCurrentForm(tt.t())->is_table, 1u);
  EXPECT_EQ(tt.Row(1), "row                 ");
}

}  // namespace
}  // namespace marl::testing
