// A CUPS server that never answers, on a free port of 127.0.0.1: it either accepts connections
// and holds them without reading or writing a byte, or never accepts at all (its backlog is
// filled by connections of its own, so that a client's connect waits for good).
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace ostrane::test {

class CStalledServer {
 public:
  enum class Mode { kAcceptsAndIsSilent, kNeverAccepts };

  explicit CStalledServer(Mode mode) : mode_(mode) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &length) != 0 ||
        listen(listener_, 0) != 0)
      return;
    port_ = ntohs(addr.sin_port);
    if (mode_ == Mode::kNeverAccepts) {
      // The queue of a listener of backlog 0 takes one connection; two fill it for sure.
      for (int i = 0; i < 2; ++i) {
        const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        fillers_.push_back(fd);
      }
    } else {
      thread_ = std::thread([this] { Accept(); });
    }
    const std::string server = "127.0.0.1:" + std::to_string(port_);
    setenv("CUPS_SERVER", server.c_str(), 1);
  }
  ~CStalledServer() {
    unsetenv("CUPS_SERVER");
    {
      std::lock_guard lock(mutex_);
      quit_ = true;
    }
    if (thread_.joinable()) thread_.join();
    for (const int fd : fillers_) close(fd);
    for (const Held& held : held_) close(held.fd);
    close(listener_);
  }
  CStalledServer(const CStalledServer&) = delete;
  CStalledServer& operator=(const CStalledServer&) = delete;

  int Port() const { return port_; }
  // Waits (up to 20 s, not a timing check) until count connections were accepted.
  bool WaitAccepted(size_t count) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] { return held_.size() >= count; });
  }
  // Waits (up to 20 s) until the client gave up every connection it had made.
  bool WaitAllClosed() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::seconds(20), [&] {
      for (const Held& held : held_)
        if (!held.closed) return false;
      return true;
    });
  }

 private:
  struct Held {
    int fd;
    bool closed = false;
  };

  // Accepts, and notices a client closing by the end of its stream; what a client sends stays
  // unread otherwise, so it never hears back.
  void Accept() {
    for (;;) {
      std::vector<pollfd> fds{{listener_, POLLIN, 0}};
      {
        std::lock_guard lock(mutex_);
        if (quit_) return;
        for (const Held& held : held_)
          if (!held.closed) fds.push_back({held.fd, POLLRDHUP, 0});
      }
      if (poll(fds.data(), fds.size(), 50) <= 0) continue;
      std::lock_guard lock(mutex_);
      if (fds[0].revents & POLLIN) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd >= 0) held_.push_back({fd});
      }
      for (size_t i = 1; i < fds.size(); ++i)
        if (fds[i].revents & (POLLRDHUP | POLLHUP | POLLERR))
          for (Held& held : held_)
            if (held.fd == fds[i].fd) held.closed = true;
      changed_.notify_all();
    }
  }

  Mode mode_;
  int listener_ = -1;
  int port_ = 0;
  std::vector<int> fillers_;
  std::thread thread_;
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Held> held_;
  bool quit_ = false;
};

}  // namespace ostrane::test
