// The manual page against the program itself: what --help and the automation
// reader's `help` list, and the key names the automation interface takes,
// must each be documented in marlsim(1).
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>

#include "harness.h"

namespace marl::testing {
namespace {

// The page's text between `.SH TITLE` and the next section.
std::string Section(const std::string& page, const std::string& title) {
  const size_t start = page.find("\n.SH " + title + "\n");
  if (start == std::string::npos) return "";
  const size_t end = page.find("\n.SH ", start + 1);
  return page.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// Roff writes a minus sign as \-.
std::string Roff(std::string text) {
  for (size_t at = 0; (at = text.find('-', at)) != std::string::npos; at += 2) {
    text.replace(at, 1, "\\-");
  }
  return text;
}

bool HasWord(const std::string& text, const std::string& word) {
  return std::regex_search(
      text,
      std::regex("(^|[^A-Za-z0-9+_-])" + std::regex_replace(word, std::regex(R"([+])"), R"(\+)") +
                 "($|[^A-Za-z0-9+_-])"));
}

std::set<std::string> Matches(const std::string& text, const std::string& pattern) {
  std::set<std::string> found;
  const std::regex re(pattern);
  for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator();
       ++it) {
    found.insert((*it)[1]);
  }
  return found;
}

TEST(Manual, DocumentsEveryOptionThatHelpLists) {
  struct Program {
    const char* path;
    const char* section;
    size_t least;  // options --help lists at the least, so a parse that finds none fails
  };
  // marlsim's: the front ends, the load's, --demo, --trace...
  for (const Program& p :
       {Program{MARLSIM_PATH, "OPTIONS", 18}, Program{DEMO_HOST_PATH, "DEMO HOST", 5}}) {
    TempDir dir;
    Process help({p.path, "--help"}, dir.path());
    ASSERT_EQ(help.Wait(), 0) << p.path;
    const std::string usage = help.RemainingOutput(100);
    const std::set<std::string> options = Matches(usage, R"((--[a-z][a-z-]*(=[a-z]+)?))");
    ASSERT_GE(options.size(), p.least) << usage;
    const std::string page = Section(ReadFile(MANUAL_PAGE), p.section);
    for (const std::string& option : options) {
      EXPECT_NE(page.find(Roff(option)), std::string::npos) << option << " is not in " << p.section;
    }
  }
}

TEST(Manual, DocumentsEveryAutomationCommandAndKeyName) {
  TempDir dir;
  Marlsim sim({"--demo", "--size", "20x16"}, dir.path());
  const Lines commands = sim.Command("help");
  ASSERT_GE(commands.size(), 10u);
  const std::string section = Section(ReadFile(MANUAL_PAGE), "AUTOMATION COMMANDS");
  // Each command opens a tagged paragraph (the line after .TP).
  std::string tags;
  for (size_t at = 0; (at = section.find(".TP\n", at)) != std::string::npos; at += 4) {
    tags += section.substr(at + 4, section.find('\n', at + 4) - at - 4) + "\n";
  }
  for (size_t i = 0; i + 1 < commands.size(); ++i) {
    const std::string name = commands[i].substr(0, commands[i].find(' '));
    EXPECT_TRUE(HasWord(tags, name)) << name << " has no paragraph of its own";
  }

  // The key names as the automation guide lists them.
  const std::string guide = ReadFile(AUTOMATION_GUIDE);
  const size_t start = guide.find("Key names:");
  ASSERT_NE(start, std::string::npos);
  const std::string keys = guide.substr(start, guide.find("\n\n", start) - start);
  const std::set<std::string> names = Matches(keys, "`([^`]+)`");
  ASSERT_GE(names.size(), 20u);
  const std::string manual_keys = section.substr(section.find(".SS Key names"));
  for (const std::string& key : names) {
    EXPECT_TRUE(HasWord(manual_keys, key)) << key << " is not among the key names";
  }
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
}

TEST(Manual, DocumentsEveryExitStatus) {
  const std::string section = Section(ReadFile(MANUAL_PAGE), "EXIT STATUS");
  // 0 ok, 1 start-up failed, 2 a command or a load terminal failed, 130 a
  // load run interrupted.
  for (const char* status : {"0", "1", "2", "130"}) {
    EXPECT_NE(section.find(std::string(".TP\n.B ") + status + "\n"), std::string::npos) << status;
  }
}

}  // namespace
}  // namespace marl::testing
