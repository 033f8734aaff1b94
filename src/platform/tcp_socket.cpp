#include "platform/tcp_socket.h"

#include <fcntl.h>
#include <netdb.h>

#include <cerrno>
#include <memory>

namespace ostrane::platform {

namespace {

bool WouldBlock(int error) {
  return error == EAGAIN || error == EWOULDBLOCK;
}

}  // namespace

CTcpSocket::~CTcpSocket() {
  Close();
}

void CTcpSocket::Close() {
  if (fd_ >= 0) api_.Close(fd_);
  fd_ = -1;
}

bool CTcpSocket::Connect(const std::string& host, int port, CWakeSignal& signal) {
  Close();
  if (port < 0 || port > 65535 || host.empty()) return false;
  addrinfo hints{};
  hints.ai_family = AF_UNSPEC;
  hints.ai_socktype = SOCK_STREAM;
  hints.ai_flags = AI_ADDRCONFIG | AI_NUMERICSERV;
  addrinfo* found = nullptr;
  const std::string service = std::to_string(port);
  if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr) {
    // AI_ADDRCONFIG hides loopback-only families on hosts without other addresses; retry.
    hints.ai_flags = AI_NUMERICSERV;
    if (getaddrinfo(host.c_str(), service.c_str(), &hints, &found) != 0 || found == nullptr)
      return false;
  }
  std::unique_ptr<addrinfo, decltype(&freeaddrinfo)> list(found, &freeaddrinfo);
  for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
    if (signal.Aborted()) return false;
    if (ConnectOne(a->ai_addr, a->ai_addrlen, a->ai_family, signal)) return true;
  }
  return false;
}

bool CTcpSocket::ConnectOne(const void* address, unsigned length, int family, CWakeSignal& signal) {
  fd_ = api_.Open(family);
  if (fd_ < 0) return false;
  if (api_.Connect(fd_, static_cast<const sockaddr*>(address), length) == 0) return true;
  if (errno != EINPROGRESS) {
    Close();
    return false;
  }
  for (;;) {
    signal.Drain();
    if (signal.Take(CWakeSignal::kAbort) != 0) break;
    pollfd fds[2] = {{fd_, POLLOUT, 0}, {signal.Descriptor(), POLLIN, 0}};
    if (api_.Poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents != 0) {
      if (api_.PendingError(fd_) == 0) return true;
      break;
    }
  }
  Close();
  return false;
}

long CTcpSocket::Receive(uint8_t* buffer, size_t size) {
  if (fd_ < 0) return kFailed;
  for (;;) {
    const ssize_t n = api_.Receive(fd_, buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return WouldBlock(errno) ? kWouldBlock : kFailed;
  }
}

long CTcpSocket::Send(const uint8_t* data, size_t length) {
  if (fd_ < 0) return kFailed;
  for (;;) {
    const ssize_t n = api_.Send(fd_, data, length);
    if (n >= 0) return static_cast<long>(n);
    if (errno == EINTR) continue;
    return WouldBlock(errno) ? kWouldBlock : kFailed;
  }
}

unsigned CTcpSocket::Wait(bool wantWrite, CWakeSignal& signal) {
  const short events = static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0));
  pollfd fds[2] = {{fd_, events, 0}, {signal.Descriptor(), POLLIN, 0}};
  while (api_.Poll(fds, 2, -1) < 0) {
    if (errno != EINTR) return kReadable;  // let the next receive report the failure
  }
  unsigned ready = 0;
  if (fds[0].revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) ready |= kReadable;
  if (fds[0].revents & POLLOUT) ready |= kWritable;
  if (fds[1].revents != 0) ready |= kSignalled;
  return ready;
}

}  // namespace ostrane::platform
