#include "transport/serial_link.h"

#include <poll.h>

#include <cerrno>
#include <thread>

#include "transport/serial_limits.h"

namespace ostrane {

using platform::CWakeSignal;

namespace {

int PollTimeout(std::optional<std::chrono::milliseconds> timeout) {
  return timeout ? static_cast<int>(timeout->count()) : -1;
}

}  // namespace

std::string CSerialLink::Open(const std::string& path, const platform::CSerialLine& line) {
  std::lock_guard lock(mutex_);
  return port_.Open(path, line);
}

void CSerialLink::Close() {
  std::lock_guard lock(mutex_);
  port_.Close();
}

bool CSerialLink::IsOpen() {
  std::lock_guard lock(mutex_);
  return port_.IsOpen();
}

std::string CSerialLink::Apply(const platform::CSerialLine& line) {
  std::lock_guard lock(mutex_);
  if (!port_.IsOpen()) return "The serial port is not open.";
  return port_.Apply(line);
}

CSerialLink::Input CSerialLink::Receive(uint8_t* buffer, size_t size, size_t& count,
                                        std::optional<std::chrono::milliseconds> timeout) {
  constexpr unsigned kRequests = CWakeSignal::kWake | CWakeSignal::kAbort;
  count = 0;
  bool waited = false;
  for (;;) {
    unsigned requests = signal_.Take(kRequests);
    if (requests & CWakeSignal::kAbort) return Input::kAborted;
    if (requests & CWakeSignal::kWake) return Input::kWake;
    const ssize_t n = device_.Read(buffer, size);
    if (n > 0) {
      count = static_cast<size_t>(n);
      return Input::kData;
    }
    // A tty that reads nothing although it was readable has hung up.
    if (n == 0) return Input::kEnded;
    if (errno == EINTR) continue;
    if (errno != EAGAIN && errno != EWOULDBLOCK) return Input::kEnded;
    if (waited) return Input::kTimeout;
    // Nothing to read: empty the doorbell and look once more before sleeping.
    signal_.Drain();
    requests = signal_.Take(kRequests);
    if (requests & CWakeSignal::kAbort) return Input::kAborted;
    if (requests & CWakeSignal::kWake) return Input::kWake;
    pollfd fds[2] = {{device_.Descriptor(), POLLIN, 0}, {signal_.Descriptor(), POLLIN, 0}};
    const int ready = poll(fds, 2, PollTimeout(timeout));
    if (ready < 0 && errno != EINTR) return Input::kEnded;
    if (fds[0].revents & (POLLERR | POLLNVAL)) return Input::kEnded;
    // Hang-up with nothing left to read is the end; with data, read it first.
    if ((fds[0].revents & POLLHUP) && !(fds[0].revents & POLLIN)) return Input::kEnded;
    // A timeout reads once more and then reports it; a wake or data goes round again.
    waited = ready == 0;
  }
}

bool CSerialLink::WriteAll(const uint8_t* data, size_t length, bool abortable) {
  std::lock_guard lock(mutex_);
  if (!port_.IsOpen()) return false;
  auto deadline = std::chrono::steady_clock::now() + kSerialWriteTimeout;
  while (length > 0) {
    if (abortable && signal_.Aborted()) return false;
    const ssize_t n = device_.Write(data, length);
    if (n > 0) {
      data += n;
      length -= static_cast<size_t>(n);
      // The time limit is for a port that takes nothing, not for a long write.
      deadline = std::chrono::steady_clock::now() + kSerialWriteTimeout;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    pollfd fd{device_.Descriptor(), POLLOUT, 0};
    if (poll(&fd, 1, static_cast<int>(kSerialWriteSlice.count())) < 0 && errno != EINTR)
      return false;
    if (fd.revents & (POLLERR | POLLHUP | POLLNVAL)) return false;
  }
  return true;
}

bool CSerialLink::SendBreak(std::chrono::milliseconds duration) {
  std::lock_guard lock(mutex_);
  if (!port_.IsOpen() || !port_.SetBreak(true)) return false;
  std::this_thread::sleep_for(duration);
  return port_.SetBreak(false);
}

bool CSerialLink::SetDtr(bool on) {
  std::lock_guard lock(mutex_);
  return port_.IsOpen() && port_.SetDtr(on);
}

std::optional<int> CSerialLink::ModemLines() {
  std::lock_guard lock(mutex_);
  if (!port_.IsOpen()) return std::nullopt;
  return port_.ModemLines();
}

bool CSerialLink::Sleep(std::chrono::milliseconds duration) {
  const auto end = std::chrono::steady_clock::now() + duration;
  for (;;) {
    if (signal_.Aborted()) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        end - std::chrono::steady_clock::now());
    if (left.count() <= 0) return true;
    signal_.Drain();
    if (signal_.Aborted()) return false;
    pollfd fd{signal_.Descriptor(), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left.count()));
    // A wake request is not for a sleeper: keep its flag for the next Receive.
  }
}

}  // namespace ostrane
