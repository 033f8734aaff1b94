// ISocketApi: the system calls a TCP client socket makes, as one small interface. The real one
// calls POSIX; tests put a double in its place that fails on purpose (short writes, EAGAIN,
// EINTR, resets). Every call answers as the system call does: -1 with errno set on failure.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>

#include <cstddef>

namespace ostrane::platform {

class ISocketApi {
 public:
  virtual ~ISocketApi() = default;
  // A non-blocking, close-on-exec stream socket of the family, with Nagle's delay off.
  virtual int Open(int family) = 0;
  virtual int Connect(int fd, const sockaddr* address, socklen_t length) = 0;
  // The error a non-blocking connect ended with (SO_ERROR); -1 when it cannot be read.
  virtual int PendingError(int fd) = 0;
  virtual ssize_t Receive(int fd, void* buffer, size_t size) = 0;
  virtual ssize_t Send(int fd, const void* data, size_t length) = 0;
  virtual int Poll(pollfd* fds, nfds_t count, int timeoutMs) = 0;
  virtual void Close(int fd) = 0;
};

// The process's POSIX socket calls.
ISocketApi& PosixSocketApi();

}  // namespace ostrane::platform
