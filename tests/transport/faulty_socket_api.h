// A socket double for the socket link: the "socket" is one end of a socketpair, so poll and
// data work for real, while chosen calls fail on purpose — short writes, EAGAIN, EINTR and
// connection resets, a connect that stays in progress, a peer that stops reading. The test
// talks to the other end.
#pragma once

#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "platform/socket_api.h"

namespace ostrane::test {

enum class Fault { kEintr, kEagain, kReset, kShort };

struct FaultStep {
  Fault fault;
  size_t shortLength = 0;  // kShort: at most this many bytes are taken
};

class CFaultySocketApi final : public platform::ISocketApi {
 public:
  CFaultySocketApi() {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds) == 0) {
      near_ = fds[0];
      far_ = fds[1];
    }
  }
  ~CFaultySocketApi() override {
    if (near_ >= 0) close(near_);
    if (far_ >= 0) close(far_);
  }
  CFaultySocketApi(const CFaultySocketApi&) = delete;
  CFaultySocketApi& operator=(const CFaultySocketApi&) = delete;

  // The script.
  void FailSends(std::vector<FaultStep> steps) { Append(sendFaults_, steps); }
  void FailReceives(std::vector<FaultStep> steps) { Append(receiveFaults_, steps); }
  void FailPolls(size_t eintrCount) {
    std::lock_guard lock(mutex_);
    pollEintr_ += eintrCount;
  }
  // While stalled every send gives EAGAIN and the socket is never writable.
  void Stall(bool on) { stalled_ = on; }
  // While pending, connect is in progress and never completes.
  void HoldConnect(bool on) { connectHeld_ = on; }

  bool Connected() const { return connects_.load() > 0; }
  size_t FaultsLeft() {
    std::lock_guard lock(mutex_);
    return sendFaults_.size() + receiveFaults_.size() + pollEintr_;
  }
  size_t SendCalls() const { return sendCalls_.load(); }

  // The far end: what the client sent, and bytes for it to receive.
  std::string ReadFar(size_t count, int timeoutMs = 10000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    std::vector<char> buffer(65536);
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{far_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = recv(far_, buffer.data(), std::min(buffer.size(), count - got.size()), 0);
      if (n <= 0) break;
      got.append(buffer.data(), static_cast<size_t>(n));
    }
    return got;
  }
  void WriteFar(const std::string& bytes) { (void)!send(far_, bytes.data(), bytes.size(), 0); }

  // ISocketApi.
  int Open(int) override { return dup(near_); }
  int Connect(int, const sockaddr*, socklen_t) override {
    ++connects_;
    if (!connectHeld_) return 0;
    errno = EINPROGRESS;
    return -1;
  }
  int PendingError(int) override { return 0; }
  ssize_t Receive(int fd, void* buffer, size_t size) override {
    FaultStep step;
    if (Next(receiveFaults_, step) && step.fault != Fault::kShort) return Fail(step.fault);
    return recv(fd, buffer, size, 0);
  }
  ssize_t Send(int fd, const void* data, size_t length) override {
    ++sendCalls_;
    if (stalled_) return Fail(Fault::kEagain);
    FaultStep step;
    if (Next(sendFaults_, step)) {
      if (step.fault != Fault::kShort) return Fail(step.fault);
      length = std::min(length, step.shortLength);
    }
    return send(fd, data, length, MSG_NOSIGNAL);
  }
  // A socket the script keeps unwritable is polled in short slices, so that lifting the stall
  // reaches a worker already asleep.
  int Poll(pollfd* fds, nfds_t count, int timeoutMs) override {
    {
      std::lock_guard lock(mutex_);
      if (pollEintr_ > 0) {
        --pollEintr_;
        errno = EINTR;
        return -1;
      }
    }
    std::vector<pollfd> masked(fds, fds + count);
    for (;;) {
      const bool unwritable = stalled_ || connectHeld_;
      for (nfds_t i = 0; i < count; ++i) {
        masked[i].events = fds[i].events;
        if (unwritable && IsOurs(fds[i].fd)) masked[i].events &= ~POLLOUT;
      }
      const int slice = unwritable ? 10 : timeoutMs;
      const int n = poll(masked.data(), count, slice);
      if (n != 0 || !unwritable || timeoutMs == 0) {
        for (nfds_t i = 0; i < count; ++i) fds[i].revents = masked[i].revents;
        return n;
      }
    }
  }
  void Close(int fd) override { close(fd); }

 private:
  void Append(std::deque<FaultStep>& queue, const std::vector<FaultStep>& steps) {
    std::lock_guard lock(mutex_);
    queue.insert(queue.end(), steps.begin(), steps.end());
  }
  bool Next(std::deque<FaultStep>& queue, FaultStep& step) {
    std::lock_guard lock(mutex_);
    if (queue.empty()) return false;
    step = queue.front();
    queue.pop_front();
    return true;
  }
  static ssize_t Fail(Fault fault) {
    errno = fault == Fault::kEintr ? EINTR : fault == Fault::kEagain ? EAGAIN : ECONNRESET;
    return -1;
  }
  // Every descriptor handed out is a dup of near_; they share one open file.
  bool IsOurs(int fd) const {
    struct stat a {
    }, b{};
    return fd >= 0 && fstat(fd, &a) == 0 && fstat(near_, &b) == 0 && a.st_ino == b.st_ino &&
           a.st_dev == b.st_dev;
  }

  int near_ = -1;
  int far_ = -1;
  std::mutex mutex_;
  std::deque<FaultStep> sendFaults_;
  std::deque<FaultStep> receiveFaults_;
  size_t pollEintr_ = 0;
  std::atomic<bool> stalled_{false};
  std::atomic<bool> connectHeld_{false};
  std::atomic<int> connects_{0};
  std::atomic<size_t> sendCalls_{0};
};

}  // namespace ostrane::test
