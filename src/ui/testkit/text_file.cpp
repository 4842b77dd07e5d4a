#include "ui/testkit/text_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "ui/testkit/quoting.h"

namespace marl {

namespace {

std::string Reason(const char* what, const std::string& path, int error_number) {
  return std::string("cannot ") + what + " " + PrintableLine(path, 200) + ": " +
         std::strerror(error_number);
}

// A private name in the same folder, so that the rename stays on one file
// system.
std::string TemporaryBeside(const std::string& path) {
  return path + ".tmp" + std::to_string(getpid());
}

bool WriteAll(int fd, const std::string& content) {
  size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += size_t(n);
  }
  return true;
}

}  // namespace

ReadResult ReadTextFile(const std::string& path, std::string* content, std::string* error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    if (errno == ENOENT) return ReadResult::kMissing;
    *error = Reason("read", path, errno);
    return ReadResult::kFailed;
  }
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    // A folder or a device is no golden, and reading one could hang.
    const int why = fstat(fd, &st) != 0 ? errno : (S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    close(fd);
    *error = Reason("read", path, why);
    return ReadResult::kFailed;
  }
  content->clear();
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      *error = Reason("read", path, errno);
      close(fd);
      return ReadResult::kFailed;
    }
    if (n == 0) break;
    if (content->size() + size_t(n) > kMaxTextFile) {
      close(fd);
      *error = "cannot read " + PrintableLine(path, 200) + ": larger than " +
               std::to_string(kMaxTextFile >> 20) + " MiB";
      return ReadResult::kFailed;
    }
    content->append(buffer, size_t(n));
  }
  close(fd);
  return ReadResult::kRead;
}

bool WriteTextFile(const std::string& path, const std::string& content, std::string* error) {
  const std::string temporary = TemporaryBeside(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = Reason("write", path, errno);
    return false;
  }
  const bool written = WriteAll(fd, content);
  const int write_error = errno;
  if (close(fd) != 0 || !written) {
    *error = Reason("write", path, written ? errno : write_error);
    unlink(temporary.c_str());
    return false;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    *error = Reason("write", path, errno);
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

bool CheckWritable(const std::string& path, std::string* error) {
  struct stat st {};
  if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
    *error = Reason("write", path, EISDIR);
    return false;
  }
  const std::string temporary = TemporaryBeside(path);
  const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = Reason("write", path, errno);
    return false;
  }
  close(fd);
  unlink(temporary.c_str());
  return true;
}

}  // namespace marl
