// The host toolkit's builders against the bytes the terminal is known to
// take, one group a record kind.
#include "host/host_records.h"

#include <gtest/gtest.h>

#include "host/form_text.h"

namespace marl::host {
namespace {

TEST(HostRecords, CommandRecordsAndTheirHeader) {
  EXPECT_EQ(EncodeHeader({}),
            "\x80\x80\x80\x80\x80"
            "000");
  Header header;
  header.word = option::kReplyRow | option::kNoSendWhenFull | option::kWrap;  // 0xA10
  header.min_entry = 2;
  header.entry_width = 127;
  header.current_field = 40;
  EXPECT_EQ(EncodeHeader(header),
            "\x8A\x90\x82\xFF\xA8"
            "000");
  header.entry_width = 500;  // out of range: the largest a byte carries
  EXPECT_EQ(EncodeHeader(header)[3], '\xFF');
  // The high byte carries seven bits too: 0x4000 and 0x2000 are the top two.
  header.word = option::kBeepOnShow | 0x2000;
  EXPECT_EQ(EncodeHeader(header).substr(0, 2), "\xE0\x80");
  EXPECT_EQ(CommandRecord("\\2"),
            "\x82\x80\x80\x80\x80\x80"
            "000\\2\n");
}

TEST(HostRecords, StoredTablesAndTheirUpdates) {
  EXPECT_EQ(StoreBody(3, "\\Qty:\\A1"), "\\3S\\Qty:\\A1");
  EXPECT_EQ(StoreAndShowBody(1, "\\X:\\@a\\"), "\\1T\\X:\\@a\\");
  EXPECT_EQ(ShowStoredBody(7), "\\7");
  EXPECT_EQ(UpdateBody(5, UpdateData(1, 'A', "7")), "\\5U\\1IA7");
  EXPECT_EQ(UpdateAndShowBody(5, UpdateLabel(0, "Lot:") + UpdateData(2, '@', "x")),
            "\\5V\\0PLot:\\2I@x");
  EXPECT_EQ(TableTextBody("1 One"), "1 One");
  EXPECT_EQ(TablePartBody('F', "ab") + TablePartBody('L', "cd"), "/Fab/Lcd");
}

TEST(HostRecords, StringBanks) {
  EXPECT_EQ(LoadBanksBody({"AB", "CD"}), "\\B\\AB\\CD");
  EXPECT_EQ(SetBankBody(7, "XYZ"), "\\BU\\07\\XYZ");
  EXPECT_EQ(EraseBankBody(7), "\\BE\\07\\");
  EXPECT_EQ(EraseBanksBody(), "\\BE");
}

TEST(HostRecords, KeyMapsScriptsTonesAndTheRest) {
  EXPECT_EQ(KeyMapsBody({"ABC", "", "@E"}), "\\F\\ABC\\\\@E");
  EXPECT_EQ(ProgrammableKeyBody(5), "\\O5");
  EXPECT_EQ(KeyScriptBody("ab@E"), "\\Kab@E");
  EXPECT_EQ(ToneBody(100, -1, 5), "\\T100   005");  // 1000 Hz for 400 ms
  EXPECT_EQ(ToneBody(-1, 2, 11), "\\T   002010");   // steps kept in range
  EXPECT_EQ(PingBody(), "\\PING");
  EXPECT_EQ(IdentifyBody(), "\\IR");
  EXPECT_EQ(InjectScanBody("*A1*"), "\\IXY*A1*");
  EXPECT_EQ(InjectScanBody("9", false), "\\IXN9");
  EXPECT_EQ(ScreenModeBody("0"), "\\C0");
}

TEST(HostRecords, RecordsOfTheirOwnKinds) {
  EXPECT_EQ(BeepRecord(4), "\x81\x04\n");  // 1000 ms
  EXPECT_EQ(ResetRecord(),
            "\xFF\x80\x80\x80\x80\x80"
            "000\n");
  EXPECT_EQ(TerminalParametersRecord(9, 4), "\x86 \x09\x04\x01\x7f\n");
  EXPECT_EQ(TerminalParametersRecord(9, 10), "");  // a line feed cannot travel
}

TEST(HostRecords, TextDialect) {
  EXPECT_EQ(TextDisplayRecord("", "HELLO"), "D/HELLO\n");
  EXPECT_EQ(TextDisplayRecord("BL5H2RUL3;", "X"), "DBL5H2RUL3;/X\n");
  EXPECT_EQ(TextBeepRecord(4), "WB4\n");
  EXPECT_EQ(TextResetRecord(), "G\n");
  EXPECT_EQ(TextSettingsRecord("F*T100", "ABC"), "SDF*T100/ABC\n");
}

TEST(FormText, FieldsLabelsAndEscapes) {
  EXPECT_EQ(FormText::FieldForm(20).Text("Name:").Field(field::kPassword, 3, "abc").str(),
            "\\Name:\\Aabc\\");
  // Values are padded to the width, and cut to it.
  FormText two = FormText::FieldForm(20);
  two.Text("Qty:").Field(field::kNumeric, 3, "1").Text("Lot:").Field(0, 2, "XYZ");
  EXPECT_EQ(two.str(), "\\Qty:\\B1  \\Lot:\\@XY\\");
  EXPECT_EQ(two.fields(), 2);
  EXPECT_EQ(EscapeFormText(std::string("a|b^c\\d\ne\rf\0g", 13)), "a||b^^c^5Cd^\ne^0Dfg");
  EXPECT_EQ(FormText::FieldForm(20).Text("I:").ScanField(0, "*", 2).str(), "\\I:\\@|S*|~  \\");
  EXPECT_EQ(FormText::FieldForm(20).Text("L:").ScanField(0, "L", 1, false).str(),
            "\\L:\\@|IL|~ \\");
}

TEST(FormText, RowEndsAttributesBanksAndTheCursorMark) {
  // The terminal's row-end escape counts from the start of a text run, so
  // after a field the builder writes the blanks itself.
  FormText form = FormText::FieldForm(10);
  form.Text("A:").Field(0, 3).EndRow().Text("B:").Field(0, 3);
  EXPECT_EQ(form.str(), "\\A:\\@   \\     B:\\@   \\");
  FormText wrapped = FormText::FieldForm(10);
  wrapped.Text("A:").Field(0, 8).EndRow().Text("B:").Field(0, 1);
  // A field that ends a row starts the next text run at column 0, where the
  // escape is right again: a whole blank row.
  EXPECT_EQ(wrapped.str(), "\\A:\\@        \\^\nB:\\@ \\");
  FormText table = FormText::TableText(20);
  table.Attribute(attribute::kReverse).Text("T").Attribute(attribute::kNormal).EndRow();
  table.CursorMark().Text("1 ").Bank(4).EndRow().Text("2");
  EXPECT_EQ(table.str(), "|H\x81T|H\x80^\n|C1 |D04^\n2");
}

}  // namespace
}  // namespace marl::host
