// The real marlsim in a text terminal (tmux) against a host played over
// loopback: what a person sees in the cells, and what their keys send.
#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

#include "harness.h"
#include "tmux.h"

namespace marl::testing {
namespace {

using namespace std::string_literals;

// The pane's shell runs marlsim, then says how it ended and in what state
// it left the terminal, and stays so that the test can read it.
std::string PaneCommand(const std::string& dir, const std::string& term,
                        const std::string& arguments) {
  return "cd '" + dir + "' && env TERM=" + term + " LANG=C.UTF-8 " + MARLSIM_PATH +
         " --ui=tui --mute " + arguments +
         "; echo \"EXIT=$?\"; stty -a | grep -o -- '-\\?icanon\\|-\\?echo ' | tr '\\n' ' '; "
         "echo; sleep 60";
}

// A terminal of 60 x 24 running marlsim with a 20 x 16 screen, connected to
// a host that has read the power-up.
struct Session {
  explicit Session(const std::string& term = "tmux-256color")
      : tmux(60, 24, PaneCommand(dir.path(), term, "--size 20x16 " + Port(host))) {
    accepted = host.Accept(60000);
    // The power-up follows the start-up tune, which takes its real time here
    // (and longer on a busy machine); it ends with the address.
    if (accepted) power_up = host.ReceiveThrough("IP=" + LocalAddress(), 60000);
  }
  // Host bytes, then what the terminal answered once `shown` is on screen.
  std::string Host(const std::string& bytes, const std::string& shown) {
    host.Send(bytes);
    EXPECT_TRUE(tmux.WaitForText(shown)) << tmux.Text();
    return host.ReceiveUntilQuiet(150, 2000);
  }
  // Keys, and what went to the host for them: they reach marlsim through
  // the pane in its own time.
  std::string Keys(const std::vector<std::string>& keys) {
    tmux.Keys(keys);
    return host.ReceiveReply(30000, 300);
  }

  TempDir dir;
  LoopbackHost host;
  Tmux tmux;
  bool accepted = false;
  std::string power_up;
};

// The status line under the 16 rows of the screen and its frame.
constexpr int kStatusLine = 18;

TEST(Tui, FormKeysAClickAndTheTerminalRestoredAtTheEnd) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.tmux.Text();
  EXPECT_EQ(s.power_up.substr(0, 18), "P,Rows=16,Cols=20\0"s);
  EXPECT_EQ(s.Host(kLogin, "Pass:"), "");
  // One text cell per terminal cell, inside the frame at the top left.
  EXPECT_EQ(s.tmux.At(0, 0, 22), "##### Marlpoint ######");
  EXPECT_EQ(s.tmux.At(1, 0, 22), "#User:               #");
  EXPECT_EQ(s.tmux.At(2, 0, 22), "#Pass:               #");
  EXPECT_EQ(s.tmux.At(17, 0, 1), "#");
  EXPECT_NE(s.tmux.At(kStatusLine, 0, 60).find("connected | 20x16"), std::string::npos);
  // The caret is the terminal's cursor, in the first field.
  EXPECT_EQ(s.tmux.Format("#{cursor_y},#{cursor_x},#{cursor_flag}"), "1,6,1");

  // A left click on the Pass field, as the terminal reports it (X10 mouse
  // bytes: button 1 at column 7, row 2, then its release), moves there.
  s.tmux.Bytes({"1b", "5b", "4d", "20", "28", "23", "1b", "5b", "4d", "23", "28", "23"});
  EXPECT_TRUE(s.tmux.WaitFor(
      [&](const std::string&) { return s.tmux.Format("#{cursor_y},#{cursor_x}") == "2,6"; }));
  EXPECT_EQ(s.Keys({"Up", "bob", "Tab", "pw1", "Enter"}), "K\\1\\0\\Kbob\\1\\Kpw1\\\\w\0F=01\0"s);
  EXPECT_EQ(s.tmux.At(2, 1, 8), "Pass:***");

  // Ctrl+X ends the program and the shell gets its terminal back: line
  // editing and echo on, cursor shown, no alternate screen, no mouse.
  s.tmux.Keys({"C-x"});
  ASSERT_TRUE(s.tmux.WaitForText("EXIT=0")) << s.tmux.Text();
  EXPECT_TRUE(s.tmux.WaitForText("icanon echo")) << s.tmux.Text();
  EXPECT_EQ(s.tmux.Format("#{alternate_on},#{cursor_flag},#{mouse_any_flag}"), "0,1,0");
  EXPECT_TRUE(s.host.WaitForEnd(3000));
}

TEST(Tui, AMessageBoxAHotKeyAndTheSetupWindow) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.tmux.Text();
  // Underlined and bold text keep their look; the status line is reverse.
  EXPECT_EQ(s.Host("D/\\B\\Lot\n", "Waiting"), "K\\\\0");
  EXPECT_EQ(s.Host(HostCommand("\\1T\\|H\x82Stock|H\x80^\n|D00:\\A|H\x88XYZ|H\x80\\Qty:\\N12\\",
                               {0, 0, 0, 0, 1}),
                   "Lot:XYZQty:12"),
            "");
  const std::string escaped = s.tmux.Escaped();
  EXPECT_NE(escaped.find("\x1b[4mStock"), std::string::npos) << escaped;
  EXPECT_NE(escaped.find("\x1b[1mXYZ"), std::string::npos) << escaped;
  EXPECT_NE(escaped.find("\x1b[7m 127.0.0.1"), std::string::npos) << escaped;

  // A record of no known kind: the box holds the status reply until answered.
  EXPECT_EQ(s.Host("\x90"
                   "123\n",
                   "Bad Command:"),
            "");
  EXPECT_TRUE(s.tmux.WaitForText("< OK >"));
  EXPECT_EQ(s.Keys({"Enter"}), "K\\\\1");
  EXPECT_TRUE(
      s.tmux.WaitFor([](const std::string& p) { return p.find("Bad") == std::string::npos; }));

  // Alt+F1 as the terminal sends it: auto mode presses Enter on the form.
  EXPECT_EQ(s.Keys({"M-F1"}), "K\\1\\\\w\0F=01\0"s);
  EXPECT_TRUE(s.tmux.WaitForText("| AUTO |")) << s.tmux.Text();
  s.tmux.Keys({"M-a"});  // off again, by the key every terminal can send
  EXPECT_TRUE(
      s.tmux.WaitFor([](const std::string& p) { return p.find("AUTO") == std::string::npos; }));

  // Ctrl+F1: the setup window over the screen; the focus ring with Tab and
  // Shift+Tab; Enter saves the new size, which Ctrl+P announces.
  s.tmux.Keys({"C-F1"});
  ASSERT_TRUE(s.tmux.WaitForText("COLS:")) << s.tmux.Text();
  s.tmux.Keys({"Tab", "BTab", "31", "Tab", "12"});
  EXPECT_TRUE(s.tmux.WaitForText("ROWS: [12 ]")) << s.tmux.Text();
  EXPECT_TRUE(s.tmux.WaitForText("COLS: [31 ]")) << s.tmux.Text();
  s.tmux.Keys({"Enter"});
  ASSERT_TRUE(s.tmux.WaitForText("#Press CTRL-P                   #")) << s.tmux.Text();
  EXPECT_NE(s.tmux.At(14, 0, 60).find("connected | 31x12"), std::string::npos) << s.tmux.Text();
  EXPECT_EQ(s.Keys({"C-p"}).substr(0, 18), "P,Rows=12,Cols=31\0"s);
  // Esc, at once, leaves the setup window without a change.
  s.tmux.Keys({"M-s"});
  ASSERT_TRUE(s.tmux.WaitForText("COLS: [   ]")) << s.tmux.Text();
  s.tmux.Keys({"4", "Escape"});
  EXPECT_TRUE(s.tmux.WaitFor([](const std::string& p) {
    return p.find("COLS:") == std::string::npos;
  })) << s.tmux.Text();
  EXPECT_NE(s.tmux.At(14, 0, 60).find("connected | 31x12"), std::string::npos);
  s.tmux.Keys({"M-q"});
  EXPECT_TRUE(s.tmux.WaitForText("EXIT=0")) << s.tmux.Text();
}

TEST(Tui, ATooSmallTerminalShowsWhatFitsAndSaysSo) {
  Session s;
  ASSERT_TRUE(s.accepted) << s.tmux.Text();
  EXPECT_EQ(s.Host(kLogin, "Pass:"), "");
  // The screen, its frame and the status line under it need 22 x 19. One row
  // fewer: once drawn again, the status line takes the frame's bottom row
  // and says so.
  s.tmux.Resize(22, 18);
  ASSERT_TRUE(s.tmux.WaitFor([&s](const std::string&) { return s.tmux.At(17, 0, 1) != "#"; }))
      << s.tmux.Text();
  EXPECT_EQ(s.tmux.At(1, 0, 15), "#User:         ");
  EXPECT_EQ(s.tmux.At(17, 0, 15), "TOO SMALL: need");
  // One column fewer: the status line is under the frame again.
  s.tmux.Resize(21, 19);
  ASSERT_TRUE(s.tmux.WaitFor([&s](const std::string&) { return s.tmux.At(18, 0, 3) != "   "; }))
      << s.tmux.Text();
  EXPECT_EQ(s.tmux.At(18, 0, 9), "TOO SMALL");
  s.tmux.Resize(22, 19);
  EXPECT_TRUE(s.tmux.WaitFor([](const std::string& p) {
    return p.find("TOO SMALL") == std::string::npos && p.find("\n 127.0.0.1:") != std::string::npos;
  })) << s.tmux.Text();
  // Down to a single cell and back: still running, all drawn again.
  s.tmux.Resize(1, 1);
  s.tmux.Resize(60, 24);
  ASSERT_TRUE(s.tmux.WaitFor([](const std::string& p) {
    return p.find("TOO SMALL") == std::string::npos && p.find("| 20x16") != std::string::npos;
  })) << s.tmux.Text();
  EXPECT_EQ(s.tmux.At(2, 0, 22), "#Pass:               #");

  // Bytes that no key table knows (and malformed UTF-8) change nothing; the
  // keys after them work.
  s.tmux.Bytes({"1b", "5b", "39", "39", "7e", "ff", "fe", "00", "1b", "5b", "4f"});
  s.tmux.Keys({"ok\u00e9"});
  EXPECT_TRUE(s.tmux.WaitForText("User:ok#")) << s.tmux.Text();  // a UTF-8 e-acute
  EXPECT_EQ(s.host.ReceiveUntilQuiet(150, 2000), "");
  s.host.Close();
  EXPECT_TRUE(s.tmux.WaitForText("not connected | 20x16")) << s.tmux.Text();

  // Ended by a signal: the terminal is given back all the same.
  const std::string shell = s.tmux.Format("#{pane_pid}");
  const std::string children = ReadFile("/proc/" + shell + "/task/" + shell + "/children");
  ASSERT_GT(std::atoi(children.c_str()), 0) << children;
  kill(std::atoi(children.c_str()), SIGTERM);
  EXPECT_TRUE(s.tmux.WaitForText("EXIT=143")) << s.tmux.Text();
  EXPECT_TRUE(s.tmux.WaitForText("icanon echo")) << s.tmux.Text();
  EXPECT_EQ(s.tmux.Format("#{alternate_on},#{cursor_flag},#{mouse_any_flag}"), "0,1,0");
}

TEST(Tui, TheFirstStartAsksForTheSizeBeforeConnecting) {
  TempDir dir;
  LoopbackHost host;
  Tmux tmux(60, 24, PaneCommand(dir.path(), "tmux-256color", Port(host)));
  ASSERT_TRUE(tmux.WaitForText("COLS: [20 ]")) << tmux.Text();
  EXPECT_TRUE(tmux.WaitForText("ROWS: [16 ]")) << tmux.Text();
  EXPECT_TRUE(tmux.WaitForText(" not connected")) << tmux.Text();  // the rest under the window
  // No screen yet, so no frame for it beside the setup window.
  EXPECT_EQ(tmux.At(1, 0, 15), std::string(15, ' ')) << tmux.Text();
  tmux.Keys({"Enter"});
  ASSERT_TRUE(host.Accept(60000)) << tmux.Text();
  EXPECT_EQ(host.Receive(18, 30000), "P,Rows=16,Cols=20\0"s);
  EXPECT_EQ(dir.Read("vozido.ini"), "ROWS=16\nCOLS=20\n");
  tmux.Keys({"C-x"});
  EXPECT_TRUE(tmux.WaitForText("EXIT=0")) << tmux.Text();
}

TEST(Tui, AScriptTypesThenThePersonCarriesOn) {
  TempDir dir;
  dir.Write("login.txt",
            "wait text \"Pass:\" 8000\ntype bob\nkey Tab\ntype pw1\nkey Enter\nbogus\n");
  LoopbackHost host;
  Tmux tmux(60, 24,
            PaneCommand(dir.path(), "tmux-256color",
                        "--script login.txt --size 20x16 -P" + std::to_string(host.port())));
  ASSERT_TRUE(host.Accept(60000)) << tmux.Text();
  host.ReceiveThrough("IP=" + LocalAddress(), 60000);
  host.Send(kLogin);
  const std::string reply = "K\\1\\0\\Kbob\\1\\Kpw1\\\\w\0F=01\0"s;
  EXPECT_EQ(host.Receive(reply.size(), 30000), reply);
  // The script has ended; the window stays with the person at the keyboard.
  host.Send(kLogin);
  ASSERT_TRUE(tmux.WaitForText("#Pass:***   User:    #")) << tmux.Text();
  tmux.Keys({"joe", "Enter"});
  const std::string typed = "K\\1\\0\\Kjoe\\1\\Kpw1\\\\w\0F=00\0"s;
  EXPECT_EQ(host.Receive(typed.size(), 30000), typed);
  tmux.Keys({"C-x"});
  EXPECT_TRUE(tmux.WaitForText("EXIT=2")) << tmux.Text();
  EXPECT_NE(tmux.Text().find("script: error: unknown command \"bogus\""), std::string::npos)
      << tmux.Text();
}

TEST(Tui, TerminalsItCannotFullyUse) {
  {
    // An unknown terminal type runs as vt100 and says so.
    Session s("no-such-terminal");
    ASSERT_TRUE(s.accepted) << s.tmux.Text();
    EXPECT_TRUE(s.tmux.WaitForText("TERM 'no-such-terminal' unknown: vt100")) << s.tmux.Text();
    EXPECT_EQ(s.Host(kLogin, "Pass:"), "");
    s.tmux.Keys({"C-x"});
    EXPECT_TRUE(s.tmux.WaitForText("EXIT=0")) << s.tmux.Text();
  }
  {
    // A terminal that cannot place its cursor: a clear message.
    TempDir dir;
    Tmux tmux(80, 10, PaneCommand(dir.path(), "dumb", "-P1"));
    EXPECT_TRUE(tmux.WaitForText("EXIT=1")) << tmux.Text();
    EXPECT_NE(tmux.Text().find("cannot place the cursor"), std::string::npos) << tmux.Text();
  }
  {
    // Standard output not a terminal.
    TempDir dir;
    Marlsim sim({"--ui=tui", "-P1"}, dir.path());
    EXPECT_EQ(sim.Wait(), 1);
    EXPECT_NE(sim.Diagnostics().find("needs a terminal"), std::string::npos);
  }
}

}  // namespace
}  // namespace marl::testing
