// The fixture of the input unit tests: a terminal on the headless platform,
// with the hand-built forms and the key helpers of hand_form.h.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "hand_form.h"
#include "terminal_fixture.h"

namespace marl::testing {

class InputTest : public ::testing::Test {
 protected:
  Terminal& t() { return tt_.t(); }
  TestTerminal tt_;
};

}  // namespace marl::testing
