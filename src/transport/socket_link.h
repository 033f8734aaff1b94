// CSocketLink: the TCP connection of a socket transport. The worker thread connects, receives
// and drains the pending-send buffer; any thread sends. Sends never block: what the socket does
// not take waits in the pending-send buffer until the socket is writable again.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tcp_socket.h"
#include "platform/wake_signal.h"

namespace ostrane {

class CSocketLink {
 public:
  // Receive's answer to a wake request: process the locally queued data.
  static constexpr int kWakeMarker = -222;

  explicit CSocketLink(platform::ISocketApi& sockets = platform::PosixSocketApi());
  CSocketLink(const CSocketLink&) = delete;
  CSocketLink& operator=(const CSocketLink&) = delete;

  // Worker thread: connects; false on failure or when aborted.
  bool Connect(const std::string& host, int port);
  // Worker thread: up to size bytes; 0 when the peer closed, the socket failed or an abort was
  // requested; kWakeMarker on a wake request.
  int Receive(uint8_t* buffer, size_t size);
  // Any thread: false when not connected, on a socket error, or when the pending-send buffer
  // would grow past its limit.
  bool Send(const uint8_t* data, size_t length);
  // Worker thread.
  void Close();
  // Any thread: make the worker's Receive return the wake marker, or fail every wait for good.
  void Wake() { signal_.Post(platform::CWakeSignal::kWake); }
  void Abort() { signal_.Post(platform::CWakeSignal::kAbort); }
  size_t PendingCount();
  // Any thread: a send was refused because the pending-send buffer would outgrow its limit,
  // which means the host stopped reading.
  bool HostStoppedReading() const { return hostStoppedReading_.load(); }

 private:
  // False when the socket failed.
  bool Flush();

  platform::CTcpSocket socket_;
  platform::CWakeSignal signal_;
  std::mutex mutex_;
  bool connected_ = false;
  std::vector<uint8_t> pending_;
  size_t pendingHead_ = 0;
  std::atomic<bool> hostStoppedReading_{false};
};

}  // namespace ostrane
