// The forms' state: the formatter's settings, the string banks that form
// texts refer to, and the table slots that keep host records with their
// forms.
#pragma once

#include <cstdint>
#include <memory>

namespace marl {

struct Form;
struct HostRecord;

struct FormsState {
  int32_t terminal_rows = 0;
  int32_t terminal_columns = 0;
  uint8_t current_attribute = 0;
  bool hex_mode = false;
  int32_t wait_ms = 0;
  bool scan_identified = false;  // read by the scan routing of the input queue
  Form* last_built = nullptr;    // not owned
};

constexpr int32_t kBankCount = 100;
constexpr int32_t kWorkBufferSize = 4096;

struct BankState {
  char* slots[kBankCount] = {};  // owned, guarded (banks)
  // Shared by the preparser and ExpandBankRefs, each within one call;
  // kWorkBufferSize bytes, taken by WorkBuffer when first needed, so that a
  // host that never speaks the text dialect costs none. `work` stays null
  // until the first text-dialect record points it at the buffer; until then
  // bank references are left as they stand.
  std::unique_ptr<char[]> work_buffer;
  char* work = nullptr;
};

constexpr int32_t kTableSlots = 25;

struct TableState {
  HostRecord* slots[kTableSlots] = {};  // owned
  Form* table_form = nullptr;           // owned: the last one-record table text's form
  Form* slash_form = nullptr;           // owned: the last completed '/' sequence's form
  HostRecord* pending_slash = nullptr;  // owned: collects the parts of a '/' sequence
};

}  // namespace marl
