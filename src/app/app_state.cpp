#include "app/app_state.h"

#include "terminal.h"

namespace marl {

AppState& App(Terminal& t) {
  if (t.attachment.data == nullptr) {
    t.attachment.data = new AppState();
    t.attachment.release = [](void* data) { delete static_cast<AppState*>(data); };
  }
  return *static_cast<AppState*>(t.attachment.data);
}

const AppState& App(const Terminal& t) {
  static const AppState fresh;
  if (t.attachment.data == nullptr) return fresh;
  return *static_cast<const AppState*>(t.attachment.data);
}

}  // namespace marl
