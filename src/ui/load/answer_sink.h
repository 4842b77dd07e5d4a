// Where the automation reader's answers go in a load run: nobody reads them,
// but the last line says whether the command went well.
#pragma once

#include <cstdio>
#include <string>

namespace marl {

class AnswerSink {
 public:
  AnswerSink();
  ~AnswerSink();
  AnswerSink(const AnswerSink&) = delete;
  AnswerSink& operator=(const AnswerSink&) = delete;

  std::FILE* file() const { return file_; }
  // The reason of the last answer's "error: REASON", or "" for "ok"; what
  // was written is dropped.
  std::string TakeError();

 private:
  std::FILE* file_ = nullptr;
  std::string text_;
};

}  // namespace marl
