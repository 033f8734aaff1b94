#include "platform/tty_device.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace ostrane::platform {

int CPosixTtyDevice::Open(const std::string& path) {
  Close();
  // Not the controlling terminal, and no wait for carrier before open returns.
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno;
  if (!isatty(fd)) {
    close(fd);
    return ENOTTY;
  }
  // The advisory lock keeps out other sessions and cooperating programs (root passes TIOCEXCL);
  // TIOCEXCL keeps out later plain opens by everyone else.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    const int error = errno == EWOULDBLOCK ? EBUSY : errno;
    close(fd);
    return error;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    const int error = errno;
    close(fd);
    return error;
  }
  fd_ = fd;
  return 0;
}

void CPosixTtyDevice::Close() {
  if (fd_ < 0) return;
  ioctl(fd_, TIOCNXCL);
  close(fd_);  // also releases the lock
  fd_ = -1;
}

bool CPosixTtyDevice::GetAttributes(termios& t) {
  return fd_ >= 0 && tcgetattr(fd_, &t) == 0;
}

bool CPosixTtyDevice::SetAttributes(const termios& t) {
  return fd_ >= 0 && tcsetattr(fd_, TCSANOW, &t) == 0;
}

ssize_t CPosixTtyDevice::Read(void* buffer, size_t size) {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  return read(fd_, buffer, size);
}

ssize_t CPosixTtyDevice::Write(const void* data, size_t size) {
  if (fd_ < 0) {
    errno = EBADF;
    return -1;
  }
  return write(fd_, data, size);
}

bool CPosixTtyDevice::SetBreak(bool on) {
  return fd_ >= 0 && ioctl(fd_, on ? TIOCSBRK : TIOCCBRK) == 0;
}

bool CPosixTtyDevice::GetModemBits(int& bits) {
  return fd_ >= 0 && ioctl(fd_, TIOCMGET, &bits) == 0;
}

bool CPosixTtyDevice::SetModemBits(int bits, bool on) {
  return fd_ >= 0 && ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

void CPosixTtyDevice::Flush() {
  if (fd_ >= 0) tcflush(fd_, TCIOFLUSH);
}

}  // namespace ostrane::platform
