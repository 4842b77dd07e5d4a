#include "app/instance_guard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "app/app_state.h"
#include "terminal.h"

namespace marl {

std::string InstanceLockPath() {
  std::string directory;
  if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime != nullptr && *runtime) {
    directory = runtime;
  } else {
    std::error_code error;
    directory = std::filesystem::temp_directory_path(error).string();
    if (error || directory.empty()) directory = ".";
  }
  return directory + "/marlsim-InstanceMutex-" + std::to_string(getuid()) + ".lock";
}

bool AcquireInstanceGuard(Terminal& t) {
  const int fd = open(InstanceLockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) return true;
  int result;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    const bool held_elsewhere = errno == EWOULDBLOCK;
    close(fd);
    return !held_elsewhere;
  }
  App(t).instance_lock = fd;
  return true;
}

void ReleaseInstanceGuard(Terminal& t) {
  if (App(t).instance_lock < 0) return;
  flock(App(t).instance_lock, LOCK_UN);
  close(App(t).instance_lock);
  App(t).instance_lock = -1;
}

}  // namespace marl
