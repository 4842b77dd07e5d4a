#include "link/capture.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <random>

namespace marl {

namespace {

constexpr uint32_t kSectionHeader = 0x0A0D0D0A;
constexpr uint32_t kInterfaceDescription = 1;
constexpr uint32_t kEnhancedPacket = 6;
constexpr uint16_t kLinkEthernet = 1;
constexpr size_t kEthernetSize = 14;
constexpr size_t kIpSize = 20;
constexpr size_t kTcpSize = 20;
constexpr size_t kHeadersSize = kEthernetSize + kIpSize + kTcpSize;
// One segment's payload at most; the link's chunks are far smaller.
constexpr size_t kLargestPayload = 32768;
// A receiver that has taken this much without answering acknowledges it on
// its own, as a real stack would, so that no window ever looks full.
constexpr uint32_t kAckAfter = 32768;
constexpr uint16_t kWindow = 65535;
constexpr size_t kBatchSize = 64 * 1024;
// Packets held back reach the file within this time.
constexpr auto kFlushEvery = std::chrono::milliseconds(200);

constexpr uint8_t kFin = 0x01;
constexpr uint8_t kSyn = 0x02;
constexpr uint8_t kPush = 0x08;
constexpr uint8_t kAck = 0x10;

int64_t NowMicroseconds() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return int64_t(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void Put16(std::vector<char>& out, uint16_t v) {
  out.insert(out.end(), reinterpret_cast<const char*>(&v), reinterpret_cast<const char*>(&v) + 2);
}
void Put32(std::vector<char>& out, uint32_t v) {
  out.insert(out.end(), reinterpret_cast<const char*>(&v), reinterpret_cast<const char*>(&v) + 4);
}
void PutBig16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
void PutBig32(uint8_t* p, uint32_t v) {
  PutBig16(p, uint16_t(v >> 16));
  PutBig16(p + 2, uint16_t(v));
}

// The ones' complement sum of the internet checksum, not yet folded.
uint32_t SumWords(const uint8_t* p, size_t length, uint32_t sum) {
  for (; length > 1; p += 2, length -= 2) sum += uint32_t(p[0]) << 8 | p[1];
  if (length == 1) sum += uint32_t(p[0]) << 8;
  return sum;
}
uint16_t Fold(uint32_t sum) {
  while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
  return uint16_t(~sum);
}

// The file's section header and its one interface (Ethernet, times in
// microseconds, the default).
std::vector<char> FileHeader() {
  std::vector<char> out;
  const char application[] = "marlsim";  // 7 bytes, padded to 8
  const uint32_t section_length = 28 + 4 + 8 + 4;
  Put32(out, kSectionHeader);
  Put32(out, section_length);
  Put32(out, 0x1A2B3C4D);
  Put16(out, 1);
  Put16(out, 0);
  Put32(out, 0xFFFFFFFF);  // section length unknown: 64 bits of all ones
  Put32(out, 0xFFFFFFFF);
  Put16(out, 4);  // shb_userappl
  Put16(out, 7);
  out.insert(out.end(), application, application + 8);
  Put32(out, 0);  // opt_endofopt
  Put32(out, section_length);

  Put32(out, kInterfaceDescription);
  Put32(out, 20);
  Put16(out, kLinkEthernet);
  Put16(out, 0);
  Put32(out, 0);  // no snapshot limit
  Put32(out, 20);
  return out;
}

}  // namespace

PacketCapture::~PacketCapture() {
  {
    std::lock_guard lock(mutex_);
    ending_ = true;
  }
  wake_.notify_all();
  if (flusher_.joinable()) flusher_.join();
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  WriteOut();
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
}

bool PacketCapture::Open(const std::string& path, std::string* error) {
  std::lock_guard lock(mutex_);
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) {
    *error = "cannot write " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat info {};
  flush_each_ = fstat(fd, &info) == 0 && !S_ISREG(info.st_mode);
  fd_ = fd;
  path_ = path;
  buffer_ = FileHeader();
  WriteOut();
  if (fd_ < 0) {
    *error = "cannot write " + path + ": " + std::strerror(error_);
    return false;
  }
  started_ = true;
  // A plain file gets the packets in batches; this writes out what waits,
  // so that the file is never far behind the session, for a reader who
  // looks while it runs and against a session that is killed.
  if (!flush_each_) {
    flusher_ = std::thread([this] {
      std::unique_lock lock(mutex_);
      while (!wake_.wait_for(lock, kFlushEvery, [this] { return ending_; })) {
        if (fd_ >= 0 && !buffer_.empty()) WriteOut();
      }
    });
  }
  return true;
}

bool PacketCapture::stopped() const {
  std::lock_guard lock(mutex_);
  return fd_ < 0;
}

void PacketCapture::WriteOut() {
  size_t done = 0;
  while (done < buffer_.size()) {
    const ssize_t n = write(fd_, buffer_.data() + done, buffer_.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      Stop(n < 0 ? errno : ENOSPC);
      return;
    }
    done += size_t(n);
  }
  buffer_.clear();
}

void PacketCapture::Stop(int error) {
  error_ = error;
  // Said once, and only after start-up: a file refused at the start is the
  // caller's to report.
  if (started_) {
    std::fprintf(stderr, "marlsim: capture to %s stopped: %s; the session goes on\n", path_.c_str(),
                 std::strerror(error));
  }
  close(fd_);
  fd_ = -1;
  buffer_.clear();
  buffer_.shrink_to_fit();
}

void PacketCapture::Connected(CaptureStream& s, int socket) {
  sockaddr_in local{}, peer{};
  socklen_t local_size = sizeof local, peer_size = sizeof peer;
  if (getsockname(socket, reinterpret_cast<sockaddr*>(&local), &local_size) != 0 ||
      getpeername(socket, reinterpret_cast<sockaddr*>(&peer), &peer_size) != 0 ||
      local.sin_family != AF_INET) {
    return;
  }
  Begin(s, local.sin_addr.s_addr, local.sin_port, peer.sin_addr.s_addr, peer.sin_port);
}

void PacketCapture::Begin(CaptureStream& s, uint32_t terminal_address, uint16_t terminal_port,
                          uint32_t host_address, uint16_t host_port) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0) return;
  thread_local std::minstd_rand random(std::random_device{}());
  s = CaptureStream{};
  s.address[kTerminalEnd] = terminal_address;
  s.port[kTerminalEnd] = terminal_port;
  s.address[kHostEnd] = host_address;
  s.port[kHostEnd] = host_port;
  s.next_seq[kTerminalEnd] = uint32_t(random());
  s.next_seq[kHostEnd] = uint32_t(random());
  s.ip_id[kTerminalEnd] = uint16_t(random());
  s.ip_id[kHostEnd] = uint16_t(random());
  s.open = true;
  Segment(s, kTerminalEnd, kSyn, nullptr, 0);
  Segment(s, kHostEnd, kSyn | kAck, nullptr, 0);
  Segment(s, kTerminalEnd, kAck, nullptr, 0);
}

void PacketCapture::Data(CaptureStream& s, CaptureEnd from, const char* bytes, size_t length) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || !s.open || s.fin[from] || bytes == nullptr) return;
  for (size_t offset = 0; offset < length; offset += kLargestPayload) {
    const size_t n = length - offset < kLargestPayload ? length - offset : kLargestPayload;
    Segment(s, from, kAck | kPush, bytes + offset, n);
    AckIfOwed(s, CaptureEnd(1 - from));
  }
}

void PacketCapture::PeerClosed(CaptureStream& s) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || !s.open || s.fin[kHostEnd]) return;
  Segment(s, kHostEnd, kFin | kAck, nullptr, 0);
  Segment(s, kTerminalEnd, kAck, nullptr, 0);
}

void PacketCapture::Closed(CaptureStream& s) {
  std::lock_guard lock(mutex_);
  if (fd_ < 0 || !s.open) return;
  const bool host_closed_first = s.fin[kHostEnd];
  Segment(s, kTerminalEnd, kFin | kAck, nullptr, 0);
  if (host_closed_first) {
    Segment(s, kHostEnd, kAck, nullptr, 0);
  } else {
    Segment(s, kHostEnd, kFin | kAck, nullptr, 0);
    Segment(s, kTerminalEnd, kAck, nullptr, 0);
  }
  s.open = false;
  if (fd_ >= 0 && !buffer_.empty()) WriteOut();
}

void PacketCapture::AckIfOwed(CaptureStream& s, CaptureEnd receiver) {
  const CaptureEnd sender = CaptureEnd(1 - receiver);
  if (s.next_seq[sender] - s.acked[sender] > kAckAfter) {
    Segment(s, receiver, kAck, nullptr, 0);
  }
}

void PacketCapture::Segment(CaptureStream& s, CaptureEnd from, uint8_t flags, const char* bytes,
                            size_t length) {
  if (fd_ < 0) return;
  const CaptureEnd to = CaptureEnd(1 - from);
  uint8_t h[kHeadersSize] = {};
  // Ethernet: locally administered addresses, 02:00:00:00:00:01 for the
  // terminal and :02 for the host.
  h[0] = h[6] = 0x02;
  h[5] = uint8_t(to + 1);
  h[11] = uint8_t(from + 1);
  PutBig16(h + 12, 0x0800);

  uint8_t* ip = h + kEthernetSize;
  ip[0] = 0x45;
  PutBig16(ip + 2, uint16_t(kIpSize + kTcpSize + length));
  PutBig16(ip + 4, s.ip_id[from]++);
  PutBig16(ip + 6, 0x4000);  // don't fragment
  ip[8] = 64;
  ip[9] = IPPROTO_TCP;
  std::memcpy(ip + 12, &s.address[from], 4);
  std::memcpy(ip + 16, &s.address[to], 4);
  PutBig16(ip + 10, Fold(SumWords(ip, kIpSize, 0)));

  uint8_t* tcp = ip + kIpSize;
  std::memcpy(tcp, &s.port[from], 2);
  std::memcpy(tcp + 2, &s.port[to], 2);
  PutBig32(tcp + 4, s.next_seq[from]);
  const uint32_t ack = (flags & kAck) ? s.next_seq[to] : 0;
  PutBig32(tcp + 8, ack);
  tcp[12] = uint8_t((kTcpSize / 4) << 4);
  tcp[13] = flags;
  PutBig16(tcp + 14, kWindow);
  uint32_t sum = SumWords(ip + 12, 8, 0);
  sum += IPPROTO_TCP + uint32_t(kTcpSize + length);
  sum = SumWords(tcp, kTcpSize, sum);
  sum = SumWords(reinterpret_cast<const uint8_t*>(bytes), length, sum);
  PutBig16(tcp + 16, Fold(sum));

  s.next_seq[from] += uint32_t(length) + ((flags & (kSyn | kFin)) ? 1 : 0);
  if (flags & kAck) s.acked[to] = ack;
  if (flags & kFin) s.fin[from] = true;

  const int64_t now = NowMicroseconds();
  const size_t captured = kHeadersSize + length;
  const size_t padded = (captured + 3) & ~size_t(3);
  const uint32_t block = uint32_t(28 + padded + 4);
  // One enhanced packet block, written in place.
  const size_t at = buffer_.size();
  buffer_.resize(at + block, 0);
  char* out = buffer_.data() + at;
  const uint32_t words[7] = {kEnhancedPacket,
                             block,
                             0,
                             uint32_t(uint64_t(now) >> 32),
                             uint32_t(uint64_t(now)),
                             uint32_t(captured),
                             uint32_t(captured)};
  std::memcpy(out, words, sizeof words);
  std::memcpy(out + 28, h, kHeadersSize);
  if (length > 0) std::memcpy(out + 28 + kHeadersSize, bytes, length);
  std::memcpy(out + 28 + padded, &block, 4);

  if (flush_each_ || buffer_.size() >= kBatchSize) WriteOut();
}

}  // namespace marl
