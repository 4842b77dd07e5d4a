// Drives the forms and tables directly with arbitrary records: field forms,
// table texts, '/' parts, storing, updating and showing slots, replacing
// field contents, scrolling and drawing on screens of any size. Then releases
// everything and checks that every block came back and no guard word was
// damaged.
//
// A corpus file is: two bytes for the screen's rows and columns, then
// operations, each a selector byte, 8 header bytes and a body that runs to
// the next line feed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "command_record.h"
#include "commands/tables.h"
#include "forms/field_content.h"
#include "forms/form.h"
#include "forms/form_display.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace {

using marl::Form;
using marl::HostRecord;
using marl::Terminal;

void Run(Terminal& t, uint8_t selector, const std::string& header, const std::string& body,
         const marl::ScreenEnvironment& screen) {
  Form* current = marl::GetCurrentForm(t);
  auto record = [&] { return marl::testing::CommandRecord(t, header, body); };
  switch (selector % 12) {
    case 0: {
      Form* out = nullptr;
      marl::StoreTable(t, record(), &out);
      if (out != nullptr && (selector & 0x80)) marl::ShowForm(t, out);
      break;
    }
    case 1:
      marl::UpdateTable(t, record());
      break;
    case 2:
      if (Form* f = marl::UpdateAndShowTable(t, record(), current, screen)) {
        marl::SetCurrentForm(t, f);
      }
      break;
    case 3: {
      HostRecord* r = record();
      if (Form* f = marl::ShowRecordTable(t, r, screen, current)) marl::SetCurrentForm(t, f);
      marl::FreeHostRecord(t, r);
      break;
    }
    case 4:
      if (Form* f = marl::ShowTableText(t, record(), screen)) marl::SetCurrentForm(t, f);
      break;
    case 5:
      if (Form* f = marl::HandleSlashRecord(t, record(), screen)) marl::SetCurrentForm(t, f);
      break;
    case 6: {
      // A form the caller's record owns, shown and gone with it.
      HostRecord* r = record();
      if (Form* f = marl::BuildAndShowRecord(t, r, screen)) {
        marl::ScrollFormTo(t, f, int32_t(uint8_t(header[0])));
        marl::DrawForm(t, f);
      }
      marl::FreeHostRecord(t, r);
      break;
    }
    case 7:
      if (current != nullptr && body.size() >= 2) {
        marl::SetFieldContent(t, current, int32_t(body.size() - 2), body.data() + 2, body[0] & 1,
                              int32_t(int8_t(body[1])));
        marl::DrawForm(t, current);
      }
      break;
    case 8:
      if (current != nullptr) {
        current->top_row = 0;
        marl::ScrollFormTo(t, current, int32_t(uint8_t(header[0])) * 3);
      }
      break;
    case 9:
      t.session.text_dialect = header[0] & 1;
      t.screen.timing = header[1] & 1;
      t.screen.debugging = header[2] & 1;
      break;
    case 10:
      marl::ReleaseAllTables(t);
      break;
    default:
      // The forms' idea of the screen need not match the grid.
      marl::SetTerminalRows(t, uint8_t(header[0]) % 64);
      marl::SetTerminalCols(t, uint8_t(header[1]) % 200);
      if (current != nullptr) marl::DrawForm(t, current);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t rows = 1 + data[0] % 40;
  const int32_t columns = 1 + data[1] % 130;
  marl::testing::TestTerminal tt(rows, columns);
  Terminal& t = tt.t();
  const int32_t baseline = t.alloc.bytes_in_use;
  const marl::ScreenEnvironment screen{rows, columns, 0};

  size_t at = 2;
  while (at + 9 <= size) {
    const uint8_t selector = data[at];
    const std::string header(reinterpret_cast<const char*>(data + at + 1), 8);
    at += 9;
    size_t end = at;
    while (end < size && data[end] != '\n') ++end;
    const std::string body(reinterpret_cast<const char*>(data + at), end - at);
    at = end + 1;
    Run(t, selector, header, body, screen);
    if (tt.ShowedMemoryError()) std::abort();
    tt.Sent();
  }

  marl::ReleaseAllTables(t);
  marl::ReleaseTableForms(t);
  if (tt.ShowedMemoryError()) std::abort();
  if (t.alloc.bytes_in_use != baseline) std::abort();
  return 0;
}
