#include "ui/tui/tui_screen.h"

#include <fcntl.h>
#include <langinfo.h>
#include <ncursesw/curses.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
// Last: its capability names are macros.
#include <ncursesw/term.h>

namespace marl {

namespace {

// What a signal handler may use: plain storage filled before the handlers
// are installed.
constexpr size_t kRestoreSize = 512;
char g_restore[kRestoreSize];
size_t g_restore_length = 0;
termios g_saved_mode;
bool g_have_saved_mode = false;
int g_resize_pipe[2] = {-1, -1};
struct sigaction g_curses_winch;

constexpr int kCrashSignals[] = {SIGSEGV, SIGBUS, SIGFPE,  SIGILL, SIGABRT,
                                 SIGTERM, SIGHUP, SIGQUIT, SIGINT};

void AppendRestore(const char* capability) {
  char* s = tigetstr(const_cast<char*>(capability));
  if (s == nullptr || s == reinterpret_cast<char*>(-1)) return;
  const size_t n = std::strlen(s);
  if (g_restore_length + n >= kRestoreSize) return;
  std::memcpy(g_restore + g_restore_length, s, n);
  g_restore_length += n;
}

void AppendRestoreText(const char* text) {
  const size_t n = std::strlen(text);
  if (g_restore_length + n >= kRestoreSize) return;
  std::memcpy(g_restore + g_restore_length, text, n);
  g_restore_length += n;
}

// The terminal back as the shell left it, with only async-signal-safe calls.
void RestoreInHandler() {
  if (g_restore_length > 0) {
    [[maybe_unused]] const ssize_t n = write(STDOUT_FILENO, g_restore, g_restore_length);
  }
  if (g_have_saved_mode) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_mode);
}

void OnCrash(int signal) {
  RestoreInHandler();
  // Ends the program as the signal would have, now with a usable terminal.
  std::signal(signal, SIG_DFL);
  raise(signal);
}

void OnResize(int signal) {
  const int saved_errno = errno;
  const char byte = 1;
  if (g_resize_pipe[1] >= 0) {
    [[maybe_unused]] const ssize_t n = write(g_resize_pipe[1], &byte, 1);
  }
  // curses keeps its own note of the new size too.
  if (g_curses_winch.sa_handler != SIG_DFL && g_curses_winch.sa_handler != SIG_IGN &&
      g_curses_winch.sa_handler != nullptr && !(g_curses_winch.sa_flags & SA_SIGINFO)) {
    g_curses_winch.sa_handler(signal);
  }
  errno = saved_errno;
}

void InstallHandlers() {
  struct sigaction crash {};
  crash.sa_handler = OnCrash;
  sigemptyset(&crash.sa_mask);
  crash.sa_flags = SA_RESETHAND;
  for (int s : kCrashSignals) sigaction(s, &crash, nullptr);

  struct sigaction resize {};
  resize.sa_handler = OnResize;
  sigemptyset(&resize.sa_mask);
  sigaction(SIGWINCH, &resize, &g_curses_winch);
}

void RemoveHandlers() {
  for (int s : kCrashSignals) std::signal(s, SIG_DFL);
  sigaction(SIGWINCH, &g_curses_winch, nullptr);
}

long long NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// A terminal that cannot move its cursor cannot show a screen of cells.
bool CanAddress() {
  char* cup = tigetstr(const_cast<char*>("cup"));
  return cup != nullptr && cup != reinterpret_cast<char*>(-1);
}

// Whether the terminal type is described, and can place its cursor; probed
// without a curses screen, since a screen that fails to open is not given
// back whole.
bool Probe(const std::string& name, bool* can_address) {
  int error = 0;
  if (name.empty() || setupterm(name.c_str(), STDOUT_FILENO, &error) != OK) return false;
  *can_address = CanAddress();
  TERMINAL* probe = set_curterm(nullptr);
  del_curterm(probe);
  return true;
}

}  // namespace

std::unique_ptr<TuiScreen> TuiScreen::Open(std::string* error) {
  if (!isatty(STDIN_FILENO) || !isatty(STDOUT_FILENO)) {
    *error = "the terminal front end needs a terminal on standard input and output";
    return nullptr;
  }
  std::unique_ptr<TuiScreen> screen(new TuiScreen());
  std::setlocale(LC_ALL, "");
  screen->unicode_ = std::strcmp(nl_langinfo(CODESET), "UTF-8") == 0;
  g_have_saved_mode = tcgetattr(STDIN_FILENO, &g_saved_mode) == 0;

  const char* term = std::getenv("TERM");
  const std::string name = term != nullptr ? term : "";
  std::string chosen = name;
  bool can_address = false;
  // An unknown type is most likely a terminal that knows the old vt100
  // sequences; a known one that cannot move its cursor (dumb) is not.
  if (!Probe(name, &can_address)) {
    chosen = "vt100";
    if (Probe(chosen, &can_address)) screen->notice_ = "TERM '" + name + "' unknown: vt100";
  }
  SCREEN* s = can_address ? newterm(chosen.c_str(), stdout, stdin) : nullptr;
  if (s == nullptr) {
    *error = "the terminal type '" + name +
             "' cannot place the cursor; set TERM (e.g. TERM=xterm) or use --ui=headless";
    return nullptr;
  }
  screen->screen_ = s;
  if (pipe2(g_resize_pipe, O_CLOEXEC | O_NONBLOCK) != 0) g_resize_pipe[0] = g_resize_pipe[1] = -1;
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  nodelay(stdscr, TRUE);
  meta(stdscr, TRUE);
  // Esc is a key of its own here and must not wait for a sequence long.
  set_escdelay(25);
  mouseinterval(0);
  screen->mouse_ = mousemask(BUTTON1_PRESSED, nullptr) != 0;

  g_restore_length = 0;
  AppendRestore("sgr0");
  AppendRestore("cnorm");
  AppendRestore("rmkx");
  // Mouse reporting off, whichever of the usual modes the terminal was in.
  if (screen->mouse_) AppendRestoreText("\033[?1000l\033[?1002l\033[?1006l");
  AppendRestore("rmcup");
  InstallHandlers();
  return screen;
}

TuiScreen::~TuiScreen() {
  mousemask(0, nullptr);
  curs_set(1);
  endwin();
  RemoveHandlers();
  if (g_have_saved_mode) tcsetattr(STDIN_FILENO, TCSANOW, &g_saved_mode);
  delscreen(static_cast<SCREEN*>(screen_));
  for (int& fd : g_resize_pipe) {
    if (fd >= 0) close(fd);
    fd = -1;
  }
}

int TuiScreen::resize_fd() const {
  return g_resize_pipe[0];
}

void TuiScreen::Resize() {
  char drain[64];
  while (g_resize_pipe[0] >= 0 && read(g_resize_pipe[0], drain, sizeof drain) > 0) {
  }
  winsize size{};
  if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_row > 0 && size.ws_col > 0) {
    resize_term(size.ws_row, size.ws_col);
  }
  clearok(curscr, TRUE);
}

int TuiScreen::height() const {
  return LINES;
}

int TuiScreen::width() const {
  return COLS;
}

void TuiScreen::Bell() {
  const long long now = NowMs();
  if (now - last_bell_ms_ < 250) return;
  last_bell_ms_ = now;
  beep();
}

}  // namespace marl
