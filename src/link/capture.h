// The connection as a packet capture (pcapng) that Wireshark and tshark
// read: every byte that went each way, with the real addresses, ports and
// times, in Ethernet, IPv4 and TCP headers made up here. Nothing is sniffed,
// so no capture privilege is needed; the made-up headers keep sequence and
// acknowledgement numbers consistent and include the set-up and the close,
// so that the stream looks clean to a TCP analysis.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace marl {

// One connection's side of the capture, kept in the link state. The two
// ends are indexed by CaptureEnd.
enum CaptureEnd { kTerminalEnd = 0, kHostEnd = 1 };

struct CaptureStream {
  bool open = false;
  uint32_t address[2] = {};  // network byte order
  uint16_t port[2] = {};     // network byte order
  uint32_t next_seq[2] = {};
  // What the other end has acknowledged of this end's bytes so far.
  uint32_t acked[2] = {};
  bool fin[2] = {};
  uint16_t ip_id[2] = {};
};

// One capture file, shared by every terminal of the process (the load
// driver runs many on several threads): each call takes the file's lock.
class PacketCapture {
 public:
  PacketCapture() = default;
  ~PacketCapture();
  PacketCapture(const PacketCapture&) = delete;
  PacketCapture& operator=(const PacketCapture&) = delete;

  // Creates `path` and writes the file's header at once, so that a file
  // that cannot be written is known before anything connects. False with
  // `error` set.
  bool Open(const std::string& path, std::string* error);
  bool stopped() const;

  // The socket is connected: its addresses, and the three-way handshake.
  void Connected(CaptureStream& s, int socket);
  // The same for the given ends (network byte order).
  void Begin(CaptureStream& s, uint32_t terminal_address, uint16_t terminal_port,
             uint32_t host_address, uint16_t host_port);
  // Bytes that went from `from` to the other end.
  void Data(CaptureStream& s, CaptureEnd from, const char* bytes, size_t length);
  // The host closed its end (the read gave 0).
  void PeerClosed(CaptureStream& s);
  // The terminal closes the socket: whatever is left of the close.
  void Closed(CaptureStream& s);

 private:
  void Segment(CaptureStream& s, CaptureEnd from, uint8_t flags, const char* bytes, size_t length);
  void AckIfOwed(CaptureStream& s, CaptureEnd receiver);
  void WriteOut();
  void Stop(int error);

  mutable std::mutex mutex_;
  int fd_ = -1;
  std::string path_;
  std::vector<char> buffer_;
  // Pipes and devices get every packet at once, for a reader that shows
  // them live; a plain file gets them in batches, and from `flusher_`.
  bool flush_each_ = false;
  std::thread flusher_;
  std::condition_variable wake_;
  bool ending_ = false;
  bool started_ = false;
  int error_ = 0;
};

}  // namespace marl
