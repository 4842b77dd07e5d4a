// Scenarios: a case as a few lines of host bytes, keys and what must come
// out, played against a headless terminal. Steps are separated by line ends
// or " ; ", each one's first word saying what it does:
//
//   host BODY          a command record (kind 0x82) with a zero header
//   host/W,A,B,C BODY  ... its header word W (hex) and header values A, B, C
//   bytes TEXT         raw bytes from the host, as one chunk
//   type TEXT          characters typed
//   key NAME...        keys by name (Enter, Tab, Down, F1, ShiftF1...) or code
//   scan TEXT          a scan, label type 1; scan/N TEXT with label type N
//   vk NAME...         window key presses (Right, Return, F24...), or codes;
//                      syskey NAME... likewise with Alt
//   char N...          window characters by code; hotkey N... hot keys
//   click ROW COLUMN   the left button on a cell
//   binary             the host's scan injection that turns the text dialect off
//   sent TEXT          everything sent since the last look (nothing: "sent")
//   reply NAME...      the status replies for statuses (success, no-room...)
//   row N TEXT         window row N, trailing blanks aside
//   attrs N DIGITS     window row N's attributes, a hex digit a cell as the
//                      automation's attrs shows them, trailing 0s aside
//   grid N TEXT        row N of the screen grid, likewise
//   text N TEXT        row N of the current form's own text, likewise
//   field N TEXT       the current form's field N, trailing blanks aside
//   cursor N           the current form's cursor within its field
//   current N          the current form's current field
//   events TEXT        events since the last look, joined by "; "
//   waiting 0|1        whether the terminal waits for the host
//
// In TEXT, <XX> (two hex digits) is that byte and <IP> the address the
// terminal announces in its power-up; everything else is itself, so
// the protocol's backslashes need no escaping. Lines starting with # are
// comments.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "terminal_fixture.h"

namespace marl::testing {

struct Scenario {
  const char* name;  // letters, digits and '_': the case's name in test output
  const char* script;
};

// Failure messages name a case by its name alone.
inline void PrintTo(const Scenario& s, std::ostream* os) {
  *os << s.name;
}

// Plays `script` on `tt`; each failed expectation names its line.
void RunScenario(TestTerminal& tt, std::string_view script);

// The parameterised fixture: each case a fresh terminal of 16 x 20 cells.
class Scenarios : public ::testing::TestWithParam<Scenario> {
 protected:
  void Play() {
    TestTerminal tt;
    RunScenario(tt, GetParam().script);
  }
};

struct ScenarioName {
  std::string operator()(const ::testing::TestParamInfo<Scenario>& info) const {
    return info.param.name;
  }
};

}  // namespace marl::testing

// One suite of named scenarios: SCENARIOS(Tables, kTableScenarios).
#define SCENARIOS(suite, cases)                       \
  class suite : public ::marl::testing::Scenarios {}; \
  TEST_P(suite, Plays) {                              \
    Play();                                           \
  }                                                   \
  INSTANTIATE_TEST_SUITE_P(, suite, ::testing::ValuesIn(cases), ::marl::testing::ScenarioName())
