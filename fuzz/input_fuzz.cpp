// Interleaves keys, window messages, scans, key maps and host chunks on one
// terminal, with forms built by hand or by the host; then resets and
// releases it and checks that every block was given back and no guard word
// was damaged.
//
// A corpus file is a list of operations, each an operation byte followed by
// its arguments (see Step below).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "base/terminal_config.h"
#include "commands/key_map_command.h"
#include "commands/records.h"
#include "forms/form_display.h"
#include "hand_form.h"
#include "input/input_queue.h"
#include "input/key_maps.h"
#include "input/key_processor.h"
#include "platform/messages.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace {

using marl::testing::FieldSpec;
using marl::testing::HandForm;

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ == size_; }
  uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::string Bytes(size_t n) {
    if (n > size_ - at_) n = size_ - at_;
    std::string s(reinterpret_cast<const char*>(data_ + at_), n);
    at_ += n;
    return s;
  }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

// Key codes worth reaching more often than chance would.
constexpr int32_t kInteresting[] = {
    3,    4,    6,    7,    8,    9,    10,   12,   13,   14,   16,   19,    20,   21,   23,
    24,   25,   27,   4111, 4118, 4124, 4141, 4148, 4155, 4156, 4164, 4167,  4168, 4169, 4171,
    4173, 4175, 4176, 4177, 4178, 4179, 4180, 4189, 4211, 4229, 4145, 12357, 0,    -1,
};

int32_t KeyCode(Reader& in) {
  const uint8_t kind = in.Byte();
  const uint8_t v = in.Byte();
  switch (kind % 4) {
    case 0:
      return v;
    case 1:
      return marl::kKeyScan + v;
    default:
      return kInteresting[v % (sizeof kInteresting / sizeof kInteresting[0])];
  }
}

std::unique_ptr<HandForm> BuildHandForm(marl::Terminal& t, Reader& in) {
  const int32_t rows = 1 + in.Byte() % 40;
  const int32_t columns = 1 + in.Byte() % 40;
  const uint32_t options = uint32_t(in.Byte()) | uint32_t(in.Byte()) << 8;
  const int32_t cells = rows * columns;
  if (in.Byte() % 4 == 0) {
    std::vector<std::string> lines;
    for (int32_t r = 0; r < rows; ++r) lines.push_back(in.Bytes(in.Byte() % (columns + 1)));
    const int32_t at = in.Byte() % cells;
    const int32_t width = 1 + in.Byte() % (cells - at);
    return std::make_unique<HandForm>(t, columns, lines,
                                      FieldSpec(at / columns, at % columns, width), options);
  }
  std::vector<FieldSpec> fields;
  const int32_t count = in.Byte() % 8;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t at = in.Byte() % cells;
    const int32_t width = 1 + in.Byte() % (cells - at);
    FieldSpec f(at / columns, at % columns, width);
    f.Length(width + in.Byte() % 4 * (in.Byte() % 8)).Flags(in.Byte());
    f.Text(in.Bytes(in.Byte() % 6));
    if (in.Byte() % 5 == 0) f.Identified(in.Byte() % 2 ? "#" : "", in.Byte() % 2);
    fields.push_back(f);
  }
  auto form = std::make_unique<HandForm>(t, rows, columns, fields, options);
  (*form)->current_field = count > 0 ? in.Byte() % count : 0;
  t.forms.scan_identified = in.Byte() % 3 == 0;
  return form;
}

void Step(marl::testing::TestTerminal& tt, Reader& in, std::unique_ptr<HandForm>& hand) {
  marl::Terminal& t = tt.t();
  const int32_t rows = t.screen.rows;
  const int32_t columns = t.screen.columns;
  switch (in.Byte() % 12) {
    case 0: {
      const std::string chunk = in.Bytes(in.Byte());
      const int32_t length = int32_t(chunk.size());
      marl::ProcessHostData(t, chunk.data(), &length, 0);
      break;
    }
    case 1:
      marl::ProcessKey(t, KeyCode(in), marl::GetCurrentForm(t), rows, columns,
                       {.terminator = in.Byte() % 3});
      break;
    case 2:
      tt.platform().SendMessage(marl::kWmKeyDown, in.Byte(), 0);
      break;
    case 3:
      tt.platform().SendMessage(marl::kWmChar, in.Byte(), 0);
      break;
    case 4:
      tt.platform().SendMessage(in.Byte() % 2 ? marl::kWmSysKeyDown : marl::kWmHotKey,
                                in.Byte() % 16 + (in.Byte() % 8 == 0 ? 0x70 : 0), 0);
      break;
    case 5: {
      const intptr_t x = in.Byte() * 2;
      tt.platform().SendMessage(marl::kWmLButtonDown, 0, x | intptr_t(in.Byte() * 2) << 16);
      break;
    }
    case 6: {
      std::string scan = in.Bytes(in.Byte() % 40);
      std::vector<char> bytes(scan.begin(), scan.end());
      bytes.push_back(0);
      marl::ProcessScan(t, int32_t(scan.size()), bytes.data(), marl::GetCurrentForm(t), rows,
                        columns, in.Byte());
      break;
    }
    case 7:
      marl::SetWaitingForHost(t, in.Byte() % 2);
      break;
    case 8:
      marl::DrainInputQueue(t, marl::GetCurrentForm(t), rows, columns);
      break;
    case 9: {
      const std::string text = "\\F\\" + in.Bytes(in.Byte() % 80);
      marl::LoadKeyMaps(t, int32_t(text.size()), text.c_str());
      break;
    }
    case 10:
      hand.reset();
      hand = BuildHandForm(t, in);
      break;
    case 11:
      t.session.text_dialect = in.Byte() % 2;
      marl::Config(t).programmable_key = KeyCode(in);
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto tt = std::make_unique<marl::testing::TestTerminal>(16, 20);
  marl::Terminal& t = tt->t();
  {
    std::unique_ptr<HandForm> hand;
    Reader in(data, size);
    // Bounded: every step takes at least one byte.
    while (!in.Empty()) {
      Step(*tt, in, hand);
      if (tt->ShowedMemoryError()) std::abort();
      tt->Sent();
    }
  }
  marl::ResetTerminal(t, nullptr);
  if (tt->ShowedMemoryError()) std::abort();
  marl::ReleaseTerminal(t);
  if (t.alloc.bytes_in_use != 0) std::abort();
  return 0;
}
