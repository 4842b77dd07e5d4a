#include "ui/load/answer_sink.h"

#include <sys/types.h>

namespace marl {

namespace {

ssize_t Append(void* cookie, const char* bytes, size_t size) {
  static_cast<std::string*>(cookie)->append(bytes, size);
  return ssize_t(size);
}

}  // namespace

AnswerSink::AnswerSink() {
  cookie_io_functions_t io{};
  io.write = Append;
  file_ = fopencookie(&text_, "w", io);
}

AnswerSink::~AnswerSink() {
  if (file_ != nullptr) std::fclose(file_);
}

std::string AnswerSink::TakeError() {
  std::fflush(file_);
  std::string reason;
  // Every answer ends with its one "ok" or "error: ..." line.
  if (!text_.empty() && text_.back() == '\n') text_.pop_back();
  const size_t start = text_.rfind('\n');
  const std::string last = text_.substr(start == std::string::npos ? 0 : start + 1);
  if (last.compare(0, 7, "error: ") == 0) reason = last.substr(7);
  text_.clear();
  return reason;
}

}  // namespace marl
