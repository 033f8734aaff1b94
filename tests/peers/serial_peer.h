// Serial peers for tests: a socat pseudo-terminal pair standing in for a null-modem cable, a
// raw opener for the far end, and the Hayes modem simulator (tests/peers/hayes_sim.py).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "peers/peer_process.h"
#include "peers/scripted_peer.h"

namespace ostrane::test {

inline bool WaitForPath(const std::filesystem::path& path, bool present, int timeoutMs = 10000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (std::filesystem::exists(path) == present) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// Two linked pseudo-terminals; bytes written at one end come out of the other.
class CPtyPair {
 public:
  CPtyPair(std::filesystem::path a, std::filesystem::path b)
      : a_(std::move(a)),
        b_(std::move(b)),
        process_({"/usr/bin/socat", "pty,raw,echo=0,link=" + a_.string(),
                  "pty,raw,echo=0,link=" + b_.string()}) {}
  bool Ready() { return process_.Running() && WaitForPath(a_, true) && WaitForPath(b_, true); }
  const std::filesystem::path& A() const { return a_; }
  const std::filesystem::path& B() const { return b_; }

 private:
  std::filesystem::path a_;
  std::filesystem::path b_;
  CPeerProcess process_;
};

// The far end of a pty pair, raw, for a test to read and write.
class CRawEnd {
 public:
  explicit CRawEnd(const std::string& path) : fd_(open(path.c_str(), O_RDWR | O_NOCTTY)) {
    termios t{};
    if (fd_ >= 0 && tcgetattr(fd_, &t) == 0) {
      cfmakeraw(&t);
      tcsetattr(fd_, TCSANOW, &t);
    }
  }
  ~CRawEnd() {
    if (fd_ >= 0) close(fd_);
  }
  CRawEnd(const CRawEnd&) = delete;
  CRawEnd& operator=(const CRawEnd&) = delete;
  bool Ok() const { return fd_ >= 0; }

  bool WriteAll(const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
      const ssize_t n = write(fd_, data.data() + done, data.size() - done);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  // Reads until count bytes came or the time is up.
  std::string Read(size_t count, int timeoutMs = 10000) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    char buffer[4096];
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      const ssize_t n = read(fd_, buffer, sizeof buffer);
      if (n <= 0) break;
      got.append(buffer, static_cast<size_t>(n));
    }
    return got;
  }

 private:
  int fd_;
};

// The modem simulator on the far end of a pty pair; its log lists what the modem was told.
class CHayesPeer {
 public:
  CHayesPeer(const std::filesystem::path& device, std::filesystem::path log,
             const std::vector<std::string>& book)
      : log_(std::move(log)), process_(Arguments(device, log_, book)) {}
  bool Running() const { return process_.Running(); }
  std::string Log() const {
    std::ifstream in(log_);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
  // True once the log holds text, within the time.
  bool WaitLog(const std::string& text, int timeoutMs = 10000) const {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (std::chrono::steady_clock::now() < end) {
      if (Log().find(text) != std::string::npos) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
  }

 private:
  static std::vector<std::string> Arguments(const std::filesystem::path& device,
                                            const std::filesystem::path& log,
                                            const std::vector<std::string>& book) {
    std::vector<std::string> argv{"/usr/bin/python3",
                                  std::string(OSTRANE_SOURCE_DIR) + "/tests/peers/hayes_sim.py",
                                  device.string(), log.string()};
    argv.insert(argv.end(), book.begin(), book.end());
    return argv;
  }

  std::filesystem::path log_;
  CPeerProcess process_;
};

// A dial-up host: the system's own login program on a pty for each call to a TCP port.
class CLoginService {
 public:
  CLoginService()
      : port_(UnusedPort()),
        process_({"/usr/bin/socat",
                  "TCP-LISTEN:" + std::to_string(port_) + ",bind=127.0.0.1,reuseaddr,fork",
                  "EXEC:/bin/login,pty,setsid,ctty,stderr,sane"}) {}
  bool Ready() const { return WaitForPort(port_); }
  // The modem simulator's phone-book entry that makes `number` reach the service.
  std::string BookEntry(const std::string& number) const {
    return number + "=127.0.0.1:" + std::to_string(port_);
  }

 private:
  int port_;
  CPeerProcess process_;
};

}  // namespace ostrane::test
