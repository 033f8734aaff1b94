#include "platform/socket_api.h"

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

namespace ostrane::platform {

namespace {

class CPosixSocketApi final : public ISocketApi {
 public:
  int Open(int family) override {
    const int fd = socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd >= 0) {
      const int one = 1;
      setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    }
    return fd;
  }
  int Connect(int fd, const sockaddr* address, socklen_t length) override {
    return connect(fd, address, length);
  }
  int PendingError(int fd) override {
    int error = 0;
    socklen_t size = sizeof error;
    return getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 ? error : -1;
  }
  ssize_t Receive(int fd, void* buffer, size_t size) override { return recv(fd, buffer, size, 0); }
  ssize_t Send(int fd, const void* data, size_t length) override {
    return send(fd, data, length, MSG_NOSIGNAL);
  }
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    return poll(fds, count, timeoutMs);
  }
  void Close(int fd) override { close(fd); }
};

}  // namespace

ISocketApi& PosixSocketApi() {
  static CPosixSocketApi api;
  return api;
}

}  // namespace ostrane::platform
