// A text terminal for tests: a tmux server of its own (so that tests never
// meet each other's sessions) with one window of a fixed size, whose pane
// runs a shell command. Keys go in with send-keys; what a person would see
// comes out with capture-pane.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "harness.h"

namespace marl::testing {

class Tmux {
 public:
  Tmux(int columns, int rows, const std::string& command)
      : socket_("marl-tui-" + std::to_string(getpid()) + "-" + std::to_string(counter_++)) {
    Run({"new-session", "-d", "-x", std::to_string(columns), "-y", std::to_string(rows), "-s", "t",
         command});
  }
  ~Tmux() { Run({"kill-server"}); }
  Tmux(const Tmux&) = delete;
  Tmux& operator=(const Tmux&) = delete;

  // The pane's lines, each character one cell: anything beyond ASCII (the
  // frame's lines) shows as '#', so that columns can be counted in bytes.
  std::vector<std::string> Lines() {
    std::vector<std::string> lines;
    std::istringstream in(Run({"capture-pane", "-p", "-t", "t"}));
    for (std::string line; std::getline(in, line);) {
      std::string plain;
      for (size_t i = 0; i < line.size(); ++i) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c < 0x80) {
          plain.push_back(char(c));
        } else if (c >= 0xC0) {
          plain.push_back('#');
        }
      }
      lines.push_back(plain);
    }
    return lines;
  }
  std::string Text() {
    std::string all;
    for (const std::string& line : Lines()) all += line + "\n";
    return all;
  }
  // The pane with its attributes as the escape sequences that set them.
  std::string Escaped() { return Run({"capture-pane", "-e", "-p", "-t", "t"}); }
  // The cells of `line` from `column`, `length` of them; blanks past the
  // line's end, which capture-pane leaves off.
  std::string At(int line, int column, int length) {
    const std::vector<std::string> lines = Lines();
    std::string cells;
    if (line >= 0 && line < int(lines.size()) && column < int(lines[size_t(line)].size())) {
      cells = lines[size_t(line)].substr(size_t(column), size_t(length));
    }
    cells.resize(size_t(length), ' ');
    return cells;
  }
  // Waits until `holds` is true of the pane, polling; false on time-out.
  bool WaitFor(const std::function<bool(const std::string&)>& holds, int ms = 30000) {
    return Until([&] { return holds(Text()); }, ms);
  }
  bool WaitForText(const std::string& text, int ms = 30000) {
    return WaitFor([&](const std::string& pane) { return pane.find(text) != std::string::npos; },
                   ms);
  }
  void Keys(const std::vector<std::string>& keys) {
    std::vector<std::string> args = {"send-keys", "-t", "t"};
    args.insert(args.end(), keys.begin(), keys.end());
    Run(args);
  }
  // Bytes as they are, in hexadecimal ("1b", "ff").
  void Bytes(const std::vector<std::string>& hex) {
    std::vector<std::string> args = {"send-keys", "-t", "t", "-H"};
    args.insert(args.end(), hex.begin(), hex.end());
    Run(args);
  }
  void Resize(int columns, int rows) {
    Run({"resize-window", "-t", "t", "-x", std::to_string(columns), "-y", std::to_string(rows)});
  }
  // A tmux format of the pane, such as "#{cursor_x}".
  std::string Format(const std::string& format) {
    std::string out = Run({"display-message", "-p", "-t", "t", format});
    while (!out.empty() && out.back() == '\n') out.pop_back();
    return out;
  }

 private:
  // Runs tmux with `args` on this test's server; its standard output.
  std::string Run(const std::vector<std::string>& args) {
    std::string line = "tmux -L " + socket_ + " -f /dev/null";
    for (const std::string& a : args) {
      line += " '";
      for (const char c : a) line += c == '\'' ? std::string("'\\''") : std::string(1, c);
      line += "'";
    }
    return Shell(line + " 2>/dev/null");
  }

  static inline std::atomic<int> counter_{0};
  std::string socket_;
};

}  // namespace marl::testing
