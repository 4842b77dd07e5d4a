// A private X display for the window tests (Xvfb), the keyboard of a person
// sitting at it (xdotool), and the pictures to compare: marlsim's PNG
// snapshots and the window's real pixels.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace marl::testing {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0xRRGGBB
  // `count` pixels of three bytes each, red first.
  void Append(const uint8_t* rgb, int count) {
    for (int i = 0; i < count; ++i, rgb += 3) {
      pixels.push_back(uint32_t(rgb[0]) << 16 | uint32_t(rgb[1]) << 8 | rgb[2]);
    }
  }
  uint32_t at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
  bool Dark(int x, int y) const {
    const uint32_t p = at(x, y);
    return ((p >> 16 & 0xFF) + (p >> 8 & 0xFF) + (p & 0xFF)) < 3 * 128;
  }
  // Dark pixels inside [x0, x1) x [y0, y1).
  int DarkIn(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1 && y < height; ++y) {
      for (int x = x0; x < x1 && x < width; ++x) n += Dark(x, y);
    }
    return n;
  }
};

// A picture in the binary PPM form (P6, 8-bit), as ImageMagick and the PNG
// reader write it; empty when it is not one.
inline Image FromPpm(const std::string& ppm) {
  Image image;
  int max = 0;
  int used = 0;
  if (std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &image.width, &image.height, &max, &used) != 3 ||
      max != 255 || image.width <= 0 || image.height <= 0) {
    return Image();
  }
  const size_t start = size_t(used) + 1;
  if (ppm.size() < start + size_t(image.width) * size_t(image.height) * 3) return Image();
  image.Append(reinterpret_cast<const uint8_t*>(ppm.data() + start), image.width * image.height);
  return image;
}

// The PNG files marlsim writes, as a reader that shares nothing with it
// decodes them (png_reader.py: Python's zlib, every chunk's CRC checked);
// empty, with the reason on standard error, when it refuses the file.
inline Image ReadSnapshot(const std::string& path) {
  return FromPpm(Shell("python3 '" PNG_READER "' '" + path + "'"));
}

class XDisplay {
 public:
  XDisplay() {
    if (access("/usr/bin/Xvfb", X_OK) != 0) return;
    int fds[2];
    if (pipe(fds) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      close(fds[0]);
      const std::string fd = std::to_string(fds[1]);
      // -noreset: by default the server starts over whenever its last
      // client leaves (each xdotool call does, before the program connects),
      // and a connection that comes meanwhile may fail.
      execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24",
            "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
      _exit(127);
    }
    close(fds[1]);
    char number[32] = {};
    size_t got = 0;
    while (got < sizeof number - 1) {
      const ssize_t n = read(fds[0], number + got, 1);
      if (n <= 0 || number[got] == '\n') break;
      ++got;
    }
    close(fds[0]);
    if (got > 0) name_ = ":" + std::string(number, got);
  }
  ~XDisplay() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  // Empty when Xvfb is not installed or did not start.
  const std::string& name() const { return name_; }

  // xdotool on this display, e.g. "key Return"; its output.
  std::string Tool(const std::string& arguments) const {
    return Shell("DISPLAY=" + name_ + " xdotool " + arguments + " 2>/dev/null");
  }
  // The top-level window titled `title`, waiting up to a minute for it (a
  // busy machine starts a window slowly); "" when none came.
  // (xdotool's own search misses the message boxes.)
  std::string Find(const std::string& title, int seconds = 60) const {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
      std::string id =
          Shell("DISPLAY=" + name_ + " xwininfo -root -children 2>/dev/null | grep -F '\"" + title +
                "\":' | awk '{print $1}' | head -1");
      while (!id.empty() && (id.back() == '\n' || id.back() == ' ')) id.pop_back();
      if (!id.empty()) return id;
      usleep(50000);
    }
    return "";
  }
  // Gives the keyboard focus to the window titled `title`, waiting for it
  // to appear; false when it did not.
  bool Focus(const std::string& title, int seconds = 60) const {
    const std::string id = Find(title, seconds);
    if (id.empty()) return false;
    Tool("windowfocus --sync " + id);
    return true;
  }
  // The pixels a window shows, read back from the X server.
  Image Capture(const std::string& title) const {
    const std::string id = Find(title);
    return FromPpm(
        Shell("DISPLAY=" + name_ + " import -window " + id + " -depth 8 ppm:- 2>/dev/null"));
  }

 private:
  pid_t pid_ = -1;
  std::string name_;
};

}  // namespace marl::testing
