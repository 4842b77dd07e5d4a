#include "commands/tables.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <utility>

#include "base/guarded_alloc.h"
#include "base/terminal_config.h"
#include "command_record.h"
#include "forms/form.h"
#include "forms/form_builder.h"
#include "host_records.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace marl::testing {
namespace {

constexpr ScreenEnvironment kScreen{16, 20, 0};

class Tables : public ::testing::Test {
 protected:
  int32_t Store(std::string_view body, const std::string& header = Header()) {
    Form* form = nullptr;
    return StoreTable(tt.t(), CommandRecord(tt.t(), header, body), &form);
  }
  int32_t Update(std::string_view body) {
    return UpdateTable(tt.t(), CommandRecord(tt.t(), Header(), body));
  }
  // The bare '\' and number command; the caller's record is released after.
  Form* Show(std::string_view body, const std::string& header = Header()) {
    HostRecord* r = CommandRecord(tt.t(), header, body);
    Form* form = ShowRecordTable(tt.t(), r, kScreen, GetCurrentForm(tt.t()));
    FreeHostRecord(tt.t(), r);
    if (form != nullptr) SetCurrentForm(tt.t(), form);
    return form;
  }
  Form* Slash(std::string_view body, const std::string& header = Header()) {
    return HandleSlashRecord(tt.t(), CommandRecord(tt.t(), header, body), kScreen);
  }
  // A table's entry field: offset, place, width, flags; then the table's rows.
  static std::string Entry(const Form* f) {
    if (f == nullptr || f->field_count != 1) return "(none)";
    const FormField& e = f->fields[0];
    char line[80];
    std::snprintf(line, sizeof line, "%d at %d,%d width %d flags %d rows %d+%d", e.data_offset,
                  e.row, e.column, e.width, e.flags, f->table_first, f->table_rows);
    return line;
  }
  std::string Stored(int32_t slot) {
    const HostRecord* r = GetTableSlot(tt.t(), slot);
    return r == nullptr ? "(empty)" : std::string(r->command);
  }

  // Whatever a test leaves, releasing the tables and their forms gives every byte back.
  void TearDown() override {
    ReleaseAllTables(tt.t());
    ReleaseTableForms(tt.t());
    EXPECT_EQ(GetCurrentForm(tt.t()), nullptr);
    EXPECT_EQ(BytesHeldSince(tt.t(), start_), 0);
  }

  TestTerminal tt;
  const int32_t start_ = tt.t().alloc.bytes_in_use;
};

TEST_F(Tables, StoringAgainExtendsTheDefinitionAndItsShownForm) {
  const std::string h = std::string(5, '\x80') + "000";  // a zero header, no zero byte
  tt.Host(Command("\\3S\\Qty:\\A1", h));
  tt.Host(Command("\\3", h));
  Form* form = GetCurrentForm(tt.t());
  ASSERT_NE(form, nullptr);
  form->fields[0].buffer[0] = '9';
  // \T extends the shown form and shows it again, the entry kept.
  tt.Host(Command("\\3T\\Lot:\\A2", h));
  EXPECT_EQ(Stored(3), "\\Qty:\\A1\\Lot:\\A2");
  EXPECT_EQ(GetTableSlot(tt.t(), 3)->form, form);
  EXPECT_EQ(tt.Row(0), "Qty:1Lot:2          ");
  EXPECT_STREQ(form->fields[0].buffer, "9");
  tt.Host(Command("\\3V\\1IA7", h));  // updated and shown again
  EXPECT_EQ(GetCurrentForm(tt.t()), form);
  EXPECT_EQ(tt.Row(0), "Qty:1Lot:7          ");
  EXPECT_EQ(tt.Sent(), Reply(kStatusSuccess));  // the \S alone answers
}

TEST_F(Tables, SlotNumbersAndHeaderBits) {
  Store("\\1S\\A:\\Ax");
  Store("\\2S\\B:\\Ay");
  EXPECT_EQ(Store("\\S\\E:\\Av"), 0);                  // no count: slot 0
  EXPECT_EQ(Store("\\40S\\F:\\Au", Header(0x30)), 0);  // out of range: slot 0, bits ignored
  EXPECT_EQ(Stored(0), "\\E:\\Av\\F:\\Au");
  EXPECT_EQ(Show("\\30"), nullptr);  // but such a count shows nothing
  EXPECT_EQ(tt.Sent(), Reply(kStatusBadNumber));
  ASSERT_NE(Show("\\0"), nullptr);
  EXPECT_EQ(GetCurrentForm(tt.t())->form_id, 0);
  // 0x20 empties the slot first, 0x10 every slot.
  EXPECT_EQ(Store("\\2S\\C:\\Az", Header(0x20)), 0);
  EXPECT_EQ(Stored(2), "\\C:\\Az");
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 1), 1);
  EXPECT_EQ(Store("\\4S\\D:\\Aw", Header(0x10)), 0);
  EXPECT_EQ(Stored(4), "\\D:\\Aw");
  for (int32_t slot : {0, 1, 2}) EXPECT_EQ(IsTableSlotUsed(tt.t(), slot), 0) << slot;
}

TEST_F(Tables, StoringRefusesBadArguments) {
  EXPECT_EQ(Store("\\3SA:\\Ax"), 9);
  EXPECT_EQ(Store("\\3S\\A:"), 5);
  EXPECT_EQ(Store("\\3S\\A:\\Ax\\B"), 5);
  EXPECT_EQ(IsTableSlotUsed(tt.t(), 3), 0);
  EXPECT_EQ(Store("\\3S\\A:\\Ax\\"), 0);  // three, ending with '\'
}

TEST_F(Tables, TextParsedIntoAShownFormAppendsSafelyToAFieldTheUserChanged) {
  Store("\\7S\\Qty:\\A1234");
  Form* form = Show("\\7");
  GuardedFree(tt.t(), form->fields[0].buffer, "test");
  form->fields[0].buffer = GuardedCopy(tt.t(), "9", 1, "test");
  ParseFormText(tt.t(), form, "\\ more|Eabcdefghijklmnop", 0);
  EXPECT_STREQ(form->fields[0].buffer, "9abcdefghijklmnop");
  EXPECT_EQ(form->fields[0].length, 17);
}

TEST_F(Tables, ShowingAgainKeepsTheFormAndRebuildingReplacesIt) {
  Store("\\7S\\Qty:\\A1");
  Form* form = Show("\\7");
  form->fields[0].buffer[0] = '9';
  form->fields[0].modified = 1;
  EXPECT_EQ(Show("\\7"), form);
  EXPECT_EQ(form->fields[0].modified, 1);
  Form* rebuilt = Show("\\7", Header(0x1000));  // afresh from the stored text
  ASSERT_NE(rebuilt, nullptr);
  EXPECT_STREQ(rebuilt->fields[0].buffer, "1");
  EXPECT_EQ(GetTableSlot(tt.t(), 7)->form, rebuilt);
}

TEST_F(Tables, UpdateStatusesAndReplacedData) {
  Store("\\5S\\Qty:\\A1\\Lot:\\A2");
  // The last one has a bad second command: nothing is applied.
  const std::pair<const char*, int32_t> cases[] = {
      {"\\5U\\2IA9", 6}, {"\\5U\\25IA9", 8}, {"\\5U\\1XA9", 9},      {"\\5U\\IA9", 9},
      {"\\5UIA9", 9},    {"\\6U\\1IA9", 4},  {"\\5U\\0IA7\\9IA1", 6}};
  for (const auto& [body, status] : cases) EXPECT_EQ(Update(body), status) << body;
  EXPECT_EQ(Stored(5), "\\Qty:\\A1\\Lot:\\A2");

  Form* form = Show("\\5");
  EXPECT_EQ(Update("\\5U\\1PLots:"), 3);  // the form has no room for it
  // Data the form refuses ends the commands; what was done before is kept.
  EXPECT_EQ(Update("\\5U\\0PQ:\\1IA77\\0IA3"), 0);
  EXPECT_EQ(Stored(5), "\\Q:\\A1\\Lot:\\A2");
  EXPECT_EQ(Update("\\5U\\1IA7"), 0);
  EXPECT_EQ(Stored(5), "\\Q:\\A1\\Lot:\\A7");
  EXPECT_EQ(std::string(form->form_text), "Q:1Lot:7          ");

  // Each command works on the result of the one before.
  Store("\\6S\\Qty:\\A12\\Lot:\\A2\\");
  EXPECT_EQ(Update("\\6U\\0PQ:\\1FL:\\N3\\0IB4"), 0);
  EXPECT_EQ(Stored(6), "\\Q:\\B4\\L:\\N3\\");
}

TEST_F(Tables, DefinitionsLongerThanTheWorkBuffers) {
  const std::string data(1000, 'x');
  Store("\\5S\\A:\\A" + data);
  EXPECT_EQ(Update("\\5U\\0IA" + std::string(1590, 'y')), 3);
  EXPECT_EQ(Stored(5), "\\A:\\A" + data);
  Store("\\5S\\B:\\A" + std::string(700, 'z'));
  EXPECT_EQ(Update("\\5U\\0IAy"), 3);
}

TEST_F(Tables, TableTextEntryAtTheCursorMarkOrTheHeaderPosition) {
  const auto show = [&](const std::string& header, std::string_view body) {
    return ShowTableText(tt.t(), CommandRecord(tt.t(), header, body), kScreen);
  };
  EXPECT_EQ(show(Header(), "Pick|D42"), nullptr);  // checked before replies are switched off
  EXPECT_EQ(tt.Sent(), Reply(kStatusBadString));
  EXPECT_EQ(Entry(show(Header(0, 2, 4, 7), "Pick:|C^\nrow")), "5 at 0,5 width 4 flags 16 rows 0+2");
  EXPECT_EQ(Entry(show(Header(0x58, 0, 0, 23), "Pick^\nrow")),
            "23 at 1,3 width 3 flags 10 rows 1+2");
  EXPECT_EQ(tt.Sent(), "");
  EXPECT_EQ(StatusRepliesOn(tt.t()), 1);
}

TEST_F(Tables, TableTextPaddingMakesRoomForTheEntry) {
  const auto padded = [&](int32_t width) {
    HostRecord* r = CommandRecord(tt.t(), Header(0, width, 0, 8), "0123456789");
    const Form* form = ShowTableText(tt.t(), r, {16, 10, 0});
    return std::to_string(form->row_count) + " '" + form->form_text + "'";
  };
  EXPECT_EQ(padded(5), "1 '0123456789     '");
  // An entry wider than the rest of the row adds rows, the last one blank-filled.
  EXPECT_EQ(padded(12), "3 '0123456789" + std::string(20, ' ') + "'");
}

TEST_F(Tables, SlashPartsJoinUnderTheLastPartsHeader) {
  Slash("/FFirst^\n");
  Slash("/MSecond^\n");
  Form* form = Slash("/LThird", Header(0, 2, 0, 46));
  EXPECT_EQ(Entry(form), "46 at 2,6 width 2 flags 16 rows 2+3");
  EXPECT_EQ(FormTextRow(form, 0).substr(0, 5) + FormTextRow(form, 1).substr(0, 6) +
                FormTextRow(form, 2).substr(0, 5),
            "FirstSecondThird");
  EXPECT_EQ(Slash("/Xoops"), form);  // refused, the table kept
  EXPECT_EQ(tt.Sent(), Reply(kStatusSuccess) + Reply(kStatusSuccess) + Reply(kStatusFailure));
  ASSERT_NE(Slash("/LOnly"), nullptr);  // a last part alone is a whole table
  EXPECT_EQ(tt.Row(0).substr(0, 4), "Only");
  for (const char* part : {"/Fpending", "/F", "/"}) Slash(part);  // left pending
}

}  // namespace
}  // namespace marl::testing
