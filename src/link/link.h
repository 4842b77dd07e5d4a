// The one TCP connection to the host: its socket, the receive thread, the
// buffers of the transmit path, and the ping test's state.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

#include "link/capture.h"

namespace marl {

// Start-up and host-link results; either of the two top bits means failure.
constexpr uint32_t kLinkSuccess = 0x01910000;
constexpr uint32_t kLinkFailure = 0xC1910001;
inline bool LinkFailed(uint32_t status) {
  return (status & 0xC0000000u) != 0;
}

constexpr int32_t kReceiveSize = 4000;
// One byte in front of the received bytes for the 'D' prefix.
constexpr int32_t kReceiveBufferSize = kReceiveSize + 1;
constexpr int32_t kSendBufferSize = 2048;
constexpr int32_t kTransmitCopySize = 1028;
constexpr int32_t kChunkSize = 1024;
constexpr int32_t kLocalAddressSize = 20;
// A chunk, its zero byte, and "IP=" with the address for a power-up.
constexpr int32_t kChunkBufferSize = kChunkSize + 1 + 3 + kLocalAddressSize;
constexpr uint32_t kSendTimeoutMs = 15000;
constexpr int32_t kElapsedTextSize = 104;
// The bytes of a refused record named beside the refusal.
constexpr int32_t kRecordHeadSize = 24;

// Where ConnectToHost connects; both values in network byte order.
struct HostEndpoint {
  uint32_t address = 0;
  uint16_t port = 0;
};

// 127.0.0.1 port 4055.
HostEndpoint DefaultEndpoint();

struct LinkState {
  LinkState() = default;
  LinkState(const LinkState&) = delete;
  LinkState& operator=(const LinkState&) = delete;

  int socket = -1;
  // 0 while the receive thread may go on reading; written by the main
  // thread, read by the receive thread after every wake-up.
  std::atomic<int32_t> stop{1};
  HostEndpoint endpoint;
  int connect_error = 0;         // errno of the last failed connect, for the front end
  char* simulator_id = nullptr;  // owned, guarded (MrpDazAre); "ID," or null
  std::thread receiver;

  char send_buffer[kSendBufferSize] = {};
  int32_t send_length = 0;
  uint32_t send_timeout = 0;
  // The time-out the transmit path passes. Only a test seam changes it.
  uint32_t transmit_timeout_ms = kSendTimeoutMs;
  // SO_SNDBUF for the socket; 0 keeps the system's. A test seam.
  int32_t socket_send_buffer = 0;
  // A loopback address (network byte order) the connection is made from
  // when the host is on loopback too, so that the many terminals of one
  // process each show the host an address of their own; 0 for the system's
  // choice. The power-up then announces it.
  uint32_t source_address = 0;

  char transmit_copy[kTransmitCopySize] = {};
  char chunk[kChunkBufferSize] = {};
  uint64_t transmit_start = 0;
  // Every Transmit since start, for a driver that counts what went out.
  uint64_t transmit_count = 0;
  char local_address[kLocalAddressSize] = {};
  // The address found by the first lookup that resolved the host name;
  // later power-ups reuse it instead of resolving again.
  char resolved_address[kLocalAddressSize] = {};

  int32_t ping_mode = 0;
  int32_t ping_count = 0;
  char elapsed[kElapsedTextSize] = {};

  // The first bytes of the host record being handled, named beside a
  // refusal (see refusal.h).
  char record_head[kRecordHeadSize] = {};
  int32_t record_head_length = 0;

  // Not owned. Every received chunk and every send is dumped here.
  std::FILE* trace = nullptr;
  // Not owned, may be shared with other terminals: the connection's packets.
  PacketCapture* capture = nullptr;
  CaptureStream capture_stream;
  // Set before this end shuts the socket down, so that the read it wakes
  // is not taken for the host's close.
  std::atomic<bool> shut_down{false};

  // Test seam: while set, every byte that would go to the host is also kept
  // in `sent`, in order; without a socket nothing else happens.
  bool capture_sends = false;
  std::string sent;
};

}  // namespace marl
