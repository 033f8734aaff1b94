#include "platform/wake_signal.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cstdint>

namespace ostrane::platform {

CWakeSignal::CWakeSignal() : fd_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}

CWakeSignal::~CWakeSignal() {
  if (fd_ >= 0) close(fd_);
}

void CWakeSignal::Post(Request request) {
  requests_.fetch_or(request);
  const uint64_t one = 1;
  // A full counter still leaves the descriptor readable, so a failed write loses nothing.
  if (fd_ >= 0) (void)!write(fd_, &one, sizeof one);
}

void CWakeSignal::Drain() {
  uint64_t count = 0;
  if (fd_ >= 0) (void)!read(fd_, &count, sizeof count);
}

}  // namespace ostrane::platform
