#include "demo/in_process.h"

namespace marl::demo {

bool InProcessDemo::Start(std::FILE* log, std::string* error) {
  if (!server_.Listen("127.0.0.1", 0, error)) return false;
  server_.SetLog(log);
  thread_ = std::thread([this] { server_.Run(); });
  return true;
}

InProcessDemo::~InProcessDemo() {
  if (!thread_.joinable()) return;
  server_.Stop();
  thread_.join();
}

}  // namespace marl::demo
