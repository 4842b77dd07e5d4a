// Feeds arbitrary host bytes, cut into chunks of arbitrary sizes, through
// ProcessHostData on a fresh terminal; then resets it and checks that every
// block the terminal took was given back and no guard word was damaged.
//
// A corpus file is raw host bytes as they arrive on the socket; where it is
// cut into chunks is derived from its contents, so that every mutation also
// tries another chunking.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "commands/records.h"
#include "commands/tables.h"
#include "screen/display.h"
#include "terminal_fixture.h"

namespace {

uint32_t Hash(const uint8_t* data, size_t size) {
  uint32_t h = 2166136261u;
  for (size_t i = 0; i < size; ++i) h = (h ^ data[i]) * 16777619u;
  return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  marl::testing::TestTerminal tt(16, 20);
  marl::Terminal& t = tt.t();
  const int32_t baseline = t.alloc.bytes_in_use;

  uint32_t state = Hash(data, size);
  size_t at = 0;
  while (at < size) {
    state = state * 1103515245u + 12345u;
    // Mostly short chunks, sometimes whole receive-sized ones.
    size_t n = (state >> 16) % 8 == 0 ? 4001 : 1 + (state >> 16) % 64;
    if (n > size - at) n = size - at;
    const int32_t length = int32_t(n);
    marl::ProcessHostData(t, reinterpret_cast<const char*>(data + at), &length, 0);
    at += n;
    if (tt.ShowedMemoryError()) std::abort();
    tt.Sent();
  }

  marl::ResetTerminal(t, nullptr);
  // The host may have changed the screen size; the grid then moved to a new
  // size, which is no leak. Put the old size back before counting.
  t.screen.rows = 16;
  t.screen.columns = 20;
  marl::ResizeScreenGrid(t);
  // A reset leaves the table form on the screen; it goes with the terminal.
  marl::ReleaseTableForms(t);
  if (tt.ShowedMemoryError()) std::abort();
  if (t.alloc.bytes_in_use != baseline) std::abort();
  return 0;
}
