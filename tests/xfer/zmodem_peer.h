// Test harness for the real protocol code against real peers: a peer program (lrzsz's sz or rz)
// runs with its stdin and stdout on one end of a socket pair, and a transfer object talks over
// the other end. An optional proxy in the middle can damage one byte in one direction.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "xfer/zmodem_transfer.h"

extern char** environ;

namespace ostrane::test {

// A peer program on a socket pair. The destructor kills it if it is still running.
class CPeerProcess {
 public:
  CPeerProcess(const std::vector<std::string>& argv, const std::string& folder) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    if (::posix_spawnp(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    fd_ = fds[0];
  }
  ~CPeerProcess() {
    if (pid_ > 0) {
      ::kill(pid_, SIGKILL);
      Wait(std::chrono::seconds(10));
    }
    if (fd_ >= 0) ::close(fd_);
  }
  CPeerProcess(const CPeerProcess&) = delete;
  CPeerProcess& operator=(const CPeerProcess&) = delete;

  bool Running() const { return pid_ > 0; }
  int Fd() const { return fd_; }
  pid_t Pid() const { return pid_; }
  // The exit status (a raw wait status), or nothing after the timeout.
  std::optional<int> Wait(std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
      int status = 0;
      const pid_t done = ::waitpid(pid_, &status, WNOHANG);
      if (done == pid_) {
        pid_ = -1;
        return status;
      }
      if (std::chrono::steady_clock::now() >= until) return std::nullopt;
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return std::nullopt;
  }

 private:
  pid_t pid_ = -1;
  int fd_ = -1;
};

inline bool WriteFully(int fd, const uint8_t* data, size_t length) {
  while (length > 0) {
    const ssize_t n = ::send(fd, data, length, MSG_NOSIGNAL);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += n;
    length -= static_cast<size_t>(n);
  }
  return true;
}

// Copies between two sockets; in one direction the byte at a given offset is damaged once.
class CDamagingProxy {
 public:
  enum class Direction { kToPeer, kFromPeer };
  CDamagingProxy(int peerFd, Direction direction, uint64_t offset)
      : peer_(peerFd), direction_(direction), offset_(offset) {
    int fds[2];
    ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds);
    ours_ = fds[0];
    inner_ = fds[1];
    thread_ = std::thread([this] { Run(); });
  }
  ~CDamagingProxy() {
    stop_ = true;
    thread_.join();
    ::close(ours_);
    ::close(inner_);
  }
  // Our end: the transfer talks to this socket.
  int Fd() const { return ours_; }
  bool Damaged() const { return damaged_; }

 private:
  void Run() {
    uint8_t buffer[16384];
    uint64_t seen = 0;
    pollfd fds[2] = {{inner_, POLLIN, 0}, {peer_, POLLIN, 0}};
    while (!stop_) {
      if (::poll(fds, 2, 20) <= 0) continue;
      for (int side = 0; side < 2; ++side) {
        if (!(fds[side].revents & (POLLIN | POLLHUP))) continue;
        const ssize_t n = ::read(fds[side].fd, buffer, sizeof buffer);
        const int to = side == 0 ? peer_ : inner_;
        if (n <= 0) {
          ::shutdown(to, SHUT_WR);
          fds[side].fd = -1;
          continue;
        }
        const bool damagedSide = (side == 0) == (direction_ == Direction::kToPeer);
        if (damagedSide && !damaged_ && offset_ < seen + static_cast<uint64_t>(n)) {
          buffer[offset_ - seen] ^= 0x21;
          damaged_ = true;
        }
        if (damagedSide) seen += static_cast<uint64_t>(n);
        WriteFully(to, buffer, static_cast<size_t>(n));
      }
    }
  }

  int peer_;
  int ours_ = -1;
  int inner_ = -1;
  Direction direction_;
  uint64_t offset_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> damaged_{false};
  std::thread thread_;
};

// The link side of a socket: writes go out with Write, and a reader thread hands received bytes
// to the transfer (or keeps them as screen bytes once it has ended).
class CSocketDriver final : public IXferLink {
 public:
  explicit CSocketDriver(int fd) : fd_(fd) {}
  ~CSocketDriver() override { StopReading(); }

  bool Write(const uint8_t* data, size_t length) override { return WriteFully(fd_, data, length); }

  void StartReading(CZmodemTransfer& transfer) {
    reader_ = std::thread([this, &transfer] {
      uint8_t buffer[8192];
      pollfd fd{fd_, POLLIN, 0};
      while (!stop_) {
        if (::poll(&fd, 1, 20) <= 0) continue;
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        if (n <= 0) {
          transfer.ConnectionLost();
          return;
        }
        transfer.Deliver(buffer, static_cast<size_t>(n));
      }
    });
  }
  void StopReading() {
    stop_ = true;
    if (reader_.joinable()) reader_.join();
  }

 private:
  int fd_;
  std::atomic<bool> stop_{false};
  std::thread reader_;
};

// Records what a transfer reports and lets a test wait for its end.
class CRecordingObserver final : public IXferObserver {
 public:
  // When set, the end news records whether the transfer already counted as ended.
  const CZmodemTransfer* watched = nullptr;

  void OnProgress(const XferProgress& progress) override {
    std::lock_guard lock(mutex_);
    progress_.push_back(progress);
  }
  void OnFileEnded(const std::string& name, bool complete, const std::string& message) override {
    std::lock_guard lock(mutex_);
    (complete ? completed_ : failed_).push_back(complete ? name : name + ": " + message);
  }
  void OnNotice(const std::string& text) override {
    std::lock_guard lock(mutex_);
    notices_.push_back(text);
  }
  void OnScreenBytes(const uint8_t* data, size_t length) override {
    std::lock_guard lock(mutex_);
    screen_.append(reinterpret_cast<const char*>(data), length);
  }
  void OnEnded(XferOutcome outcome, const std::string& message) override {
    {
      std::lock_guard lock(mutex_);
      outcome_ = outcome;
      message_ = message;
      ended_ = true;
      endedWhenTold_ = watched && watched->HasEnded();
    }
    changed_.notify_all();
  }

  bool WaitForEnd(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, [&] { return ended_; });
  }
  bool WaitForProgress(uint64_t bytes, std::chrono::milliseconds timeout) {
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < until) {
      {
        std::lock_guard lock(mutex_);
        if (!progress_.empty() && progress_.back().bytesDone >= bytes) return true;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

  XferOutcome outcome() const {
    std::lock_guard lock(mutex_);
    return outcome_;
  }
  std::string message() const {
    std::lock_guard lock(mutex_);
    return message_;
  }
  bool endedWhenTold() const {
    std::lock_guard lock(mutex_);
    return endedWhenTold_;
  }
  std::vector<std::string> completed() const {
    std::lock_guard lock(mutex_);
    return completed_;
  }
  std::vector<std::string> failed() const {
    std::lock_guard lock(mutex_);
    return failed_;
  }
  std::vector<std::string> notices() const {
    std::lock_guard lock(mutex_);
    return notices_;
  }
  std::vector<XferProgress> progress() const {
    std::lock_guard lock(mutex_);
    return progress_;
  }
  std::string screen() const {
    std::lock_guard lock(mutex_);
    return screen_;
  }

 private:
  mutable std::mutex mutex_;
  std::condition_variable changed_;
  bool ended_ = false;
  bool endedWhenTold_ = false;
  XferOutcome outcome_ = XferOutcome::kRunning;
  std::string message_;
  std::vector<std::string> completed_;
  std::vector<std::string> failed_;
  std::vector<std::string> notices_;
  std::vector<XferProgress> progress_;
  std::string screen_;
};

}  // namespace ostrane::test
