#include "forms/form_builder.h"

#include "terminal.h"

namespace marl {

// Not built yet.
Form* BuildForm(Terminal&, HostRecord*, int32_t, char*, int32_t, int32_t) {
  return nullptr;
}
Form* BuildRecordForm(Terminal&, HostRecord*, const ScreenEnvironment&) {
  return nullptr;
}

}  // namespace marl
