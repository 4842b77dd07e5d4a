// A window module of another build: it answers no table for this build's
// interface, as a module left over from an older marlsim would.
#include <cstdint>

extern "C" __attribute__((visibility("default"))) const void* marl_window_module(uint32_t) {
  return nullptr;
}
