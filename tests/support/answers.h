// What an interpreter answers, kept until a test takes it.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "ui/core/interpreter.h"

namespace marl::testing {

class Answers : public AnswerSink {
 public:
  void Write(std::string_view text) override { text_.append(text); }
  std::string Take() { return std::exchange(text_, {}); }

 private:
  std::string text_;
};

}  // namespace marl::testing
