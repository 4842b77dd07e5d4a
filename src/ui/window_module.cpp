#include "ui/window_module.h"

#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>

// The install's library folder for the module, relative to the program's
// own folder; the build sets it from the install's layout.
#ifndef MARL_WINDOW_MODULE_DIR
#define MARL_WINDOW_MODULE_DIR "../lib/marlsim"
#endif

namespace marl {

namespace {

std::string ProgramPath() {
  char path[PATH_MAX + 1];
  const ssize_t n = readlink("/proc/self/exe", path, PATH_MAX);
  if (n <= 0) return "";
  return std::string(path, size_t(n));
}

struct LoadedModule {
  const MarlWindowModule* table = nullptr;
  std::string error;
};

LoadedModule Load() {
  LoadedModule loaded;
  const std::string exe = ProgramPath();
  if (exe.empty()) {
    loaded.error = "window module not found: the program's own path is unknown";
    return loaded;
  }
  const std::vector<std::string> candidates = ModuleCandidates(exe, MARL_WINDOW_MODULE_DIR);
  for (const std::string& path : candidates) {
    if (access(path.c_str(), F_OK) != 0) continue;
    // Every symbol bound now, so that a broken module fails here with
    // dlerror's reason rather than later in the middle of a run.
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
      const char* why = dlerror();
      loaded.error = "cannot load the window module: " + std::string(why ? why : path);
      return loaded;
    }
    auto entry = reinterpret_cast<MarlWindowModuleEntry>(dlsym(handle, kWindowModuleEntry));
    const MarlWindowModule* table = entry != nullptr ? entry(kWindowModuleAbi) : nullptr;
    if (table == nullptr || table->abi != kWindowModuleAbi || table->run == nullptr ||
        table->render_face == nullptr) {
      loaded.error = "the window module " + path + " is from another build of marlsim";
      dlclose(handle);
      return loaded;
    }
    // Kept loaded for the rest of the run: SDL and its display libraries
    // do not all survive being unloaded.
    loaded.table = table;
    return loaded;
  }
  loaded.error =
      "window module not found (no " + candidates.front() + " nor " + candidates.back() + ")";
  return loaded;
}

}  // namespace

bool DisplayNamed() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != 0) return true;
  }
  return false;
}

std::vector<std::string> ModuleCandidates(const std::string& exe, const std::string& library_dir) {
  const std::filesystem::path folder = std::filesystem::path(exe).parent_path();
  return {(folder / library_dir / kWindowModuleName).lexically_normal().string(),
          (folder / kWindowModuleName).lexically_normal().string()};
}

const MarlWindowModule* WindowModule(std::string* error) {
  // Loaded once, whichever thread asks first.
  static const LoadedModule loaded = Load();
  *error = loaded.error;
  return loaded.table;
}

int RunWindow(const MarlWindowOptions& options, std::string* why) {
  // Without a display, the window's libraries are not worth loading.
  if (!DisplayNamed()) {
    *why = "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    return kNoWindow;
  }
  const MarlWindowModule* module = WindowModule(why);
  if (module == nullptr) return kNoWindow;
  char reason[512] = "";
  const int status = module->run(&options, reason, sizeof reason);
  if (status == kNoWindow) why->assign(reason, strnlen(reason, sizeof reason));
  return status;
}

}  // namespace marl
