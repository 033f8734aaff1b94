// CTcpSocket: one non-blocking TCP client socket. A worker waits on it in one poll() together
// with its CWakeSignal, so wake and abort requests reach it wherever it sleeps. The system calls
// go through an ISocketApi, so that tests can make them fail on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/socket_api.h"
#include "platform/wake_signal.h"

namespace ostrane::platform {

class CTcpSocket {
 public:
  static constexpr long kWouldBlock = -1;
  static constexpr long kFailed = -2;

  enum Ready : unsigned {
    kReadable = 1,  // data, end of stream or an error is waiting
    kWritable = 2,
    kSignalled = 4,  // the wake signal rang
  };

  explicit CTcpSocket(ISocketApi& api = PosixSocketApi()) : api_(api) {}
  ~CTcpSocket();
  CTcpSocket(const CTcpSocket&) = delete;
  CTcpSocket& operator=(const CTcpSocket&) = delete;

  // Resolves host (a name, an IPv4 or an IPv6 address) and tries each address until one
  // connects. Waits for the connection or for an abort request on signal.
  bool Connect(const std::string& host, int port, CWakeSignal& signal);
  // Count (0 = the peer closed), kWouldBlock or kFailed.
  long Receive(uint8_t* buffer, size_t size);
  long Send(const uint8_t* data, size_t length);
  // Waits until the socket is readable (or writable, when asked) or the signal rings.
  unsigned Wait(bool wantWrite, CWakeSignal& signal);
  void Close();
  bool IsOpen() const { return fd_ >= 0; }

 private:
  bool ConnectOne(const void* address, unsigned length, int family, CWakeSignal& signal);

  ISocketApi& api_;
  int fd_ = -1;
};

}  // namespace ostrane::platform
