// The demo host's application: a small warehouse that one terminal works
// in. It signs the operator in, offers a menu, receives goods by scan or by
// typing, keeps the tally of what was received in a stored table, and runs
// a ping test. It only turns terminal messages into host bytes; the server
// owns the sockets.
#pragma once

#include <array>
#include <cstddef>
#include <string>

#include "host/terminal_messages.h"

namespace marl::demo {

// What the host sends back for one terminal message.
struct Answer {
  std::string now;    // bytes to send at once
  std::string later;  // bytes to send after `later_ms`
  int later_ms = 0;
  std::string note;  // what the host made of the message, for its log
};

// The screens; each field form lives in its own stored-table slot.
enum class Screen { kNone, kLogin, kMenu, kReceive, kTally, kPing };

struct Item {
  const char* code;
  const char* name;
};
inline constexpr std::array<Item, 4> kCatalog = {{
    {"A100", "Bolts M8"},
    {"B200", "Nuts M8"},
    {"C300", "Washers"},
    {"D400", "Hinges"},
}};

// Slots of the stored forms.
inline constexpr int kLoginSlot = 1;
inline constexpr int kReceiveSlot = 2;
inline constexpr int kTallySlot = 3;
inline constexpr int kPingSlot = 4;

inline constexpr const char* kPassword = "demo";
// What the host takes from a terminal: a screen no wider or taller than the
// terminal itself allows, a tally that its five-cell field shows, and an
// item code that fits the Item field.
inline constexpr int kMaxScreenSide = 2048;
inline constexpr int kMaxTally = 99999;
inline constexpr size_t kItemWidth = 8;
inline constexpr int kDefaultColumns = 20;
// Ping answers in one test before the host stops answering.
inline constexpr int kPingLimit = 40;
inline constexpr int kPingDelayMs = 250;

class DemoSession {
 public:
  Answer OnMessage(const host::TerminalMessage& message);

  Screen screen() const { return screen_; }
  int received(size_t item) const { return item < counts_.size() ? counts_[item] : 0; }

 private:
  Answer PowerUp(const host::TerminalMessage& m);
  Answer Login(const host::TerminalMessage& m);
  Answer MenuPick(const host::TerminalMessage& m);
  Answer Receive(const host::TerminalMessage& m);
  Answer Ping();

  std::string LoginScreen(const std::string& message);
  std::string MenuScreen();
  std::string ReceiveScreen(const std::string& message, int start_field);
  std::string TallyStore();
  std::string PingScreen();
  std::string ErrorTone() const;

  Screen screen_ = Screen::kNone;
  bool signed_in_ = false;
  int columns_ = kDefaultColumns;
  std::string user_;
  std::string item_;  // the receive form's item, kept between replies
  std::array<int, kCatalog.size()> counts_{};
  size_t next_scan_ = 0;
  int pings_ = 0;
};

// Message text for a log: printable bytes as they are, others escaped.
std::string Printable(const std::string& bytes);

}  // namespace marl::demo
