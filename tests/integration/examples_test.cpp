// The host developer's guide's two example hosts, each run against the real
// marlsim as the guide tells a reader to.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "harness.h"
#include "temp_dir.h"

namespace marl::testing {
namespace {

using Lines = std::vector<std::string>;

// A program started with its standard output on a pipe.
class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    int out[2];
    if (pipe2(out, O_CLOEXEC) != 0) return;
    pid_ = fork();
    if (pid_ == 0) {
      dup2(out[1], 1);
      execvp(argv[0], argv.data());
      _exit(127);
    }
    close(out[1]);
    output_ = out[0];
  }
  ~Program() {
    if (pid_ > 0) kill(pid_, SIGKILL);
    Wait();
    if (output_ >= 0) close(output_);
  }
  std::string Read(size_t count, int ms) { return harness::Read(output_, count, ms, ms); }
  // The exit status, or -1 when it did not end in time.
  int Wait(int ms = 5000) {
    if (pid_ <= 0) return -1;
    int status = 0;
    for (int waited = 0; waited < ms; waited += 10) {
      if (waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      }
      usleep(10000);
    }
    return -1;
  }

 private:
  pid_t pid_ = -1;
  int output_ = -1;
};

void GreetsByName(const std::vector<std::string>& host_command) {
  const std::string port = std::to_string(UnusedPort());
  std::vector<std::string> command = host_command;
  command.push_back(port);
  Program host(command);
  const std::string listening = "listening on port " + port + "\n";
  ASSERT_EQ(host.Read(listening.size(), 10000), listening);

  TempDir dir;
  Marlsim sim({"--size", "20x16", "-H127.0.0.1", "-P" + port}, dir.path());
  ASSERT_EQ(sim.Command("wait text \"Name:\""), Lines{"ok"}) << sim.Diagnostics();
  EXPECT_EQ(sim.Rows().at(1), "What is your name?  ");
  for (const char* c : {"type \"Ada\"", "key Enter", "wait text \"Hello, Ada\""}) {
    EXPECT_EQ(sim.Command(c), Lines{"ok"}) << c;
  }
  EXPECT_EQ(sim.Rows().at(2), "Name:               ");  // a fresh form
  EXPECT_EQ(sim.Command("quit"), Lines{"ok"});
  EXPECT_EQ(sim.Wait(), 0);
  EXPECT_EQ(host.Wait(), 0);  // the host ends with the terminal's connection
}

// The guide shows both hosts in full; they must be the ones tested here.
TEST(Examples, TheGuideShowsTheTestedHosts) {
  auto read = [](const std::string& path) {
    std::ostringstream all;
    all << std::ifstream(path).rdbuf();
    return all.str();
  };
  const std::string guide = read(HOST_GUIDE);
  for (const char* example : {HELLO_HOST_CPP, HELLO_HOST_PY}) {
    const std::string code = read(example);
    EXPECT_FALSE(code.empty()) << example;
    EXPECT_NE(guide.find("\n" + code + "```"), std::string::npos) << example;
  }
}

TEST(Examples, TheCppHostGreetsByName) {
  GreetsByName({HELLO_HOST_PATH});
}

TEST(Examples, ThePythonHostGreetsByName) {
  GreetsByName({"python3", HELLO_HOST_PY});
}

}  // namespace
}  // namespace marl::testing
