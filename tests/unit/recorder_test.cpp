// The session recorder: what a person did at the window written as a
// script that the interpreter replays the same way, and the host's screens
// kept as golden files beside it.
#include "ui/core/recorder.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "host_records.h"
#include "platform/messages.h"
#include "temp_dir.h"
#include "terminal_fixture.h"
#include "ui/core/command_words.h"
#include "ui/core/core_platform.h"
#include "ui/core/interpreter.h"
#include "ui/core/window_input.h"
#include "ui/testkit/golden_file.h"

namespace marl {
namespace {

constexpr int kHeadLines = 4;

// The script's lines after its head.
std::string Body(const std::string& script) {
  std::istringstream in(script);
  std::string line;
  std::string body;
  for (int n = 0; std::getline(in, line); ++n) {
    if (n >= kHeadLines) body += line + "\n";
  }
  return body;
}

// A window of two rows of ten: the host's text on row 0, the person's
// typing echoed on row 1, as far as the recorder can tell them apart.
class FakeWindow {
 public:
  Recorder::Source Source() {
    return {[this] { return chunks_; }, [this] { return Image(); }, [this] { return waiting_; }};
  }
  void Host(const std::string& text) {
    ++chunks_;
    host_ = text;
  }
  // A chunk that leaves the window as it was (a status request).
  void Chunk() { ++chunks_; }
  void Typed(char c) { echo_ = (echo_ + c).substr(echo_.size() >= 10 ? 1 : 0); }
  bool waiting_ = false;

 private:
  ScreenImage Image() const {
    ScreenImage image;
    image.rows = 2;
    image.columns = 10;
    image.bytes = (host_ + std::string(10, ' ')).substr(0, 10) + (echo_ + std::string(10, ' '));
    image.bytes.resize(20);
    image.attributes.assign(20, 0);
    return image;
  }
  uint64_t chunks_ = 0;
  std::string host_;
  std::string echo_;
};

struct SessionCase {
  const char* name;
  // What happens, in order: "type TEXT" (each byte a character), "key C"
  // (one character message with code C), "host TEXT" (a chunk showing
  // TEXT), "chunk" (one that changes nothing), "waiting", "click X Y",
  // "hotkey N", "scan" (the data "A1", a zero byte, "B"), "delivered" (an
  // event that recorded nothing, such as a key's press before its text).
  std::vector<std::string> steps;
  std::string script;             // the lines after the head
  const char* first_golden_row0;  // row 0 of s-001.golden; null: no golden
};

TEST(RecorderTest, SessionsBecomeScriptLines) {
  const SessionCase cases[] = {
      {"typing gathers into one line until a key",
       {"type ann", "key 9", "type demo", "key 13"},
       "type \"ann\"\nkey Tab\ntype \"demo\"\nkey Enter\n",
       nullptr},
      {"typed bytes are quoted as the language reads them",
       {"type a\"b\\c\xe9\x1c"},
       "type \"a\\\"b\\\\c\\xe9\\x1c\"\n",
       nullptr},
      {"a host screen before the first input is waited for and compared",
       {"host MENU", "type 1"},
       "wait ready\nexpect screen s-001.golden\ntype \"1\"\n",
       "MENU      "},
      {"chunks without input between them give one screen, the last",
       {"host FIRST", "host SECOND", "type x"},
       "wait ready\nexpect screen s-001.golden\ntype \"x\"\n",
       "SECOND    "},
      {"a chunk that changes nothing is not compared, and typing goes on",
       {"host A", "type x", "chunk", "type y"},
       "wait ready\nexpect screen s-001.golden\ntype \"xy\"\n",
       "A         "},
      {"an event that records nothing leaves the host's screen to be compared",
       {"type a", "host A", "delivered", "type b"},
       "type \"a\"\nwait ready\nexpect screen s-001.golden\ntype \"b\"\n",
       "A         "},
      {"the echo of typing is not a host screen",
       {"type abc", "type d"},
       "type \"abcd\"\n",
       nullptr},
      {"a terminal still waiting for the host gets a wait for output",
       {"waiting", "host A", "key 13"},
       "wait output\nexpect screen s-001.golden\nkey Enter\n",
       "A         "},
      {"the host's last screen is kept when the session ends",
       {"type x", "host DONE"},
       "type \"x\"\nwait ready\nexpect screen s-001.golden\n",
       "DONE      "},
      {"clicks: on a cell, and past the window in pixels",
       {"click 16 20", "click 500 5"},
       "click cell 1 1\nclick 500 5\n",
       nullptr},
      {"the keys that end the program end the script as comments",
       {"type q", "hotkey 0", "hotkey 1", "key 24", "hotkey 4"},
       "type \"q\"\n# the person ended the program here (hotkey 0)\n"
       "# the person ended the program here (hotkey 1)\n"
       "# the person ended the program here (key Ctrl+X)\nhotkey 4\n",
       nullptr},
      {"a scan ends at its zero byte", {"type a", "scan"}, "type \"a\"\nscan \"A1\"\n", nullptr},
      {"long typing is cut into lines of 60",
       {"type " + std::string(70, 'a')},
       "type \"" + std::string(60, 'a') + "\"\ntype \"" + std::string(10, 'a') + "\"\n",
       nullptr},
  };
  for (const SessionCase& c : cases) {
    testing::TempDir dir;
    FakeWindow window;
    Recorder recorder;
    ASSERT_EQ(recorder.Open(dir.File("s.txt"), ""), "") << c.name;
    recorder.set_source(window.Source());
    for (const std::string& step : c.steps) {
      const std::string word = step.substr(0, step.find(' '));
      const std::string rest = step.size() > word.size() ? step.substr(word.size() + 1) : "";
      if (word == "type") {
        for (char ch : rest) {
          recorder.Key(kWmChar, static_cast<unsigned char>(ch), false);
          window.Typed(ch);
          recorder.Delivered();
        }
        continue;
      }
      if (word == "key") recorder.Key(kWmChar, uint32_t(std::stoi(rest)), false);
      if (word == "host") window.Host(rest);
      if (word == "chunk") window.Chunk();
      if (word == "waiting") window.waiting_ = true;
      if (word == "delivered") recorder.Delivered();
      if (word == "hotkey") recorder.HotKey(uint32_t(std::stoi(rest)));
      if (word == "scan") recorder.Scan(std::string_view("A1\0B", 4));
      if (word == "click") {
        std::istringstream xy(rest);
        int32_t x = 0;
        int32_t y = 0;
        xy >> x >> y;
        recorder.Click(x, y);
      }
      if (word == "key" || word == "hotkey" || word == "scan" || word == "click") {
        recorder.Delivered();
      }
    }
    EXPECT_EQ(recorder.Close(), "") << c.name;
    EXPECT_EQ(Body(dir.Read("s.txt")), c.script) << c.name;
    GoldenScreen golden;
    std::string error;
    const GoldenLoad loaded = LoadGolden(dir.File("s-001.golden"), &golden, &error);
    if (c.first_golden_row0 == nullptr) {
      EXPECT_EQ(loaded, GoldenLoad::kMissing) << c.name;
      continue;
    }
    ASSERT_EQ(loaded, GoldenLoad::kLoaded) << c.name << ": " << error;
    EXPECT_EQ(golden.text.substr(0, 10), c.first_golden_row0) << c.name;
    EXPECT_EQ(golden.rows, 2) << c.name;
    EXPECT_EQ(golden.columns, 10) << c.name;
  }
}

TEST(RecorderTest, KeysAreNamedAsTheLanguageNamesThem) {
  struct KeyCase {
    uint32_t message;
    uint32_t code;
    bool shift;
    const char* command;
  };
  const KeyCase cases[] = {
      {kWmChar, '\r', false, "key Enter"},
      {kWmChar, '\t', true, "key Shift+Tab"},
      {kWmChar, 0x1B, false, "key Esc"},
      {kWmChar, 1, false, "key Ctrl+A"},
      {kWmChar, 26, false, "key Ctrl+Z"},
      {kWmChar, ' ', false, ""},
      {kWmChar, 0x1C, false, ""},
      {kWmChar, 0xE9, false, ""},
      {kWmKeyDown, kVkPrior, false, "key PageUp"},
      {kWmKeyDown, kVkF1 + 23, false, "key F24"},
      {kWmSysKeyDown, kVkF10, false, "key Alt+F10"},
      {kWmSysKeyDown, kVkF1 + 4, false, "# a key no command presses: Alt+F5"},
      {kWmKeyDown, 0x99, false, "# a key no command presses: virtual key 153"},
  };
  for (const KeyCase& c : cases) EXPECT_EQ(KeyCommand(c.message, c.code, c.shift), c.command);
  // Every name written, of any key, is one the interpreter takes.
  for (const uint32_t message : {kWmChar, kWmKeyDown, kWmSysKeyDown}) {
    for (uint32_t code = 0; code < 256; ++code) {
      for (const bool shift : {false, true}) {
        const std::string command = KeyCommand(message, code, shift);
        if (command.empty() || command[0] == '#') continue;
        testing::TestTerminal tt(16, 20, testing::InlinePlatform());
        Interpreter in(tt.t(), tt.platform(), nullptr);
        in.Start(command, Interpreter::Clock::now());
        EXPECT_EQ(in.error(), "") << command;
      }
    }
  }
}

TEST(RecorderTest, GoldensAreNamedAfterTheScript) {
  const struct {
    const char* script;
    int n;
    const char* golden;
  } cases[] = {
      {"session.txt", 1, "session-001.golden"}, {"dir/sub/login.script", 12, "login-012.golden"},
      {"noext", 3, "noext-003.golden"},         {"a.b.c", 1, "a.b-001.golden"},
      {".hidden", 1, ".hidden-001.golden"},     {"dir.d/plain", 1000, "plain-1000.golden"},
  };
  for (const auto& c : cases) EXPECT_EQ(Recorder::GoldenName(c.script, c.n), c.golden) << c.script;
}

// Whatever the script is called, its `expect screen` line, read as the
// language reads it, names the golden written beside it.
TEST(RecorderTest, ExpectLinesNameTheirGoldensWhateverTheScriptsName) {
  const char* const names[] = {"plain.txt",     "my session.txt", "quote\"d",
                               "new\nline.txt", "back\\slash",    "caf\xe9.txt"};
  for (const char* name : names) {
    testing::TempDir dir;
    FakeWindow window;
    Recorder recorder;
    ASSERT_EQ(recorder.Open(dir.File(name), ""), "") << name;
    recorder.set_source(window.Source());
    window.Host("HELLO");
    ASSERT_EQ(recorder.Close(), "") << name;
    const std::string script = dir.Read(name);
    const size_t at = script.find("\nexpect screen ") + 1;
    ASSERT_NE(at, 0u) << name;
    std::vector<std::string> words;
    ASSERT_EQ(SplitCommandWords(script.substr(at, script.find('\n', at) - at), &words), "") << name;
    ASSERT_EQ(words.size(), 3u) << name;
    GoldenScreen golden;
    std::string error;
    EXPECT_EQ(LoadGolden(dir.File(words[2]), &golden, &error), GoldenLoad::kLoaded)
        << name << ": " << error;
  }
}

TEST(RecorderTest, AScriptThatCannotBeWrittenIsSaidAtOnce) {
  testing::TempDir dir;
  Recorder recorder;
  const std::string path = dir.File("no/such/folder/s.txt");
  EXPECT_EQ(recorder.Open(path, ""), "cannot write " + path + ": No such file or directory");
  EXPECT_FALSE(recorder.open());
  // Input to a recorder that never opened is ignored.
  recorder.Key(kWmChar, 'a', false);
  EXPECT_EQ(recorder.Close(), "");
}

// What a person did at one terminal, recorded, and replayed by the
// interpreter at another that got the same screen: the same bytes reach the
// host and the same window shows.
TEST(RecorderTest, AReplayDoesWhatThePersonDid) {
  struct Press {
    uint32_t message;
    uint32_t code;
    bool shift;
  };
  // A character, Shift held or not, or a key down.
  const auto c = [](uint32_t code, bool shifted = false) { return Press{kWmChar, code, shifted}; };
  const auto k = [](uint32_t vk) { return Press{kWmKeyDown, vk, false}; };
  const std::string form =
      testing::Command("\\1S\\Lot:\\A12345\\Qty:\\N12\\") + testing::Command("\\1");
  const struct {
    const char* name;
    std::vector<Press> presses;
  } cases[] = {
      {"typing and Tab between fields, then Enter",
       {c('A'), c('b'), c('\t'), c('4'), c('2'), c('\r')}},
      {"editing keys inside a field",
       {c('X'), c('Y'), c('\b'), k(kVkHome), c('Z'), k(kVkEnd), k(kVkLeft), k(kVkDelete), c('\r')}},
      {"quotes, backslashes and code-page bytes typed",
       {c('"'), c('\\'), c(0xE9), c('\t', true), k(kVkDown), c('\r')}},
  };
  for (const auto& one : cases) {
    testing::TempDir dir;
    testing::TestTerminal person(16, 20, testing::InlinePlatform());
    Recorder recorder;
    ASSERT_EQ(recorder.Open(dir.File("s.txt"), ""), "");
    recorder.Watch(person.t(), person.platform());
    person.platform().HandOverHostData(form.data(), int32_t(form.size()));
    for (const Press& p : one.presses) {
      recorder.Key(p.message, p.code, p.shift);
      if (p.message == kWmChar) {
        DeliverChar(person.t(), person.platform(), static_cast<unsigned char>(p.code), p.shift);
      } else {
        DeliverKeyDown(person.t(), person.platform(), p.message, p.code);
      }
      recorder.Delivered();
    }
    ASSERT_EQ(recorder.Close(), "");
    const std::string script = dir.Read("s.txt");
    EXPECT_NE(script.find("expect screen s-001.golden\n"), std::string::npos) << one.name;

    testing::TestTerminal replay(16, 20, testing::InlinePlatform());
    replay.platform().HandOverHostData(form.data(), int32_t(form.size()));
    Interpreter in(replay.t(), replay.platform(), nullptr);
    std::istringstream lines(script);
    std::string line;
    while (std::getline(lines, line)) {
      // The waits and comparisons are the runner's; here only the input.
      if (line.rfind("wait ", 0) == 0 || line.rfind("expect ", 0) == 0) continue;
      in.Start(line, Interpreter::Clock::now());
      EXPECT_EQ(in.error(), "") << one.name << ": " << line;
    }
    EXPECT_EQ(replay.Sent(), person.Sent()) << one.name << "\n" << script;
    for (int32_t row = 0; row < 16; ++row) {
      EXPECT_EQ(replay.Row(row), person.Row(row)) << one.name << " row " << row;
    }
  }
}

}  // namespace
}  // namespace marl
