// A serial device in memory for tests of what a pseudo-terminal cannot carry.
#pragma once

#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/tty_device.h"

namespace ostrane::test {

// A serial device in memory: it keeps the termios it is given, the break and modem lines, and
// can drop or change settings on purpose, as a driver that cannot do something would. A test
// can stand a modem behind it: what the port is sent goes to answer, whose reply (and anything
// Push adds) is read back, and the carrier line follows SetCarrier and, with dtrHangsUp, DTR.
class CFakeTtyDevice final : public platform::ITtyDevice {
 public:
  using Clock = std::chrono::steady_clock;
  struct Event {
    std::string what;
    Clock::time_point at;
  };

  CFakeTtyDevice() : readable_(eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC)) {}
  ~CFakeTtyDevice() override { close(readable_); }

  int Open(const std::string& path) override {
    if (path == "busy") return EBUSY;
    std::lock_guard lock(mutex_);
    open_ = true;
    modemBits_ = TIOCM_DSR | TIOCM_CTS | (carrierAtOpen ? TIOCM_CAR : 0);
    return 0;
  }
  void Close() override {
    std::lock_guard lock(mutex_);
    open_ = false;
    ++closes_;
  }
  bool IsOpen() const override {
    std::lock_guard lock(mutex_);
    return open_;
  }
  int Descriptor() const override { return readable_; }
  bool GetAttributes(termios& t) override {
    std::lock_guard lock(mutex_);
    t = attributes;
    return open_;
  }
  bool SetAttributes(const termios& t) override {
    std::lock_guard lock(mutex_);
    if (!open_) return false;
    attributes = t;
    // A driver without sticky parity keeps plain parity only.
    if (!stickyParity) attributes.c_cflag &= ~CMSPAR;
    return true;
  }
  ssize_t Read(void* buffer, size_t size) override {
    std::lock_guard lock(mutex_);
    if (inbox_.empty()) {
      errno = EAGAIN;
      return -1;
    }
    const size_t n = std::min(size, inbox_.size());
    std::copy_n(inbox_.data(), n, static_cast<char*>(buffer));
    inbox_.erase(0, n);
    if (inbox_.empty()) {
      uint64_t count = 0;
      (void)!read(readable_, &count, sizeof count);
    }
    return static_cast<ssize_t>(n);
  }
  ssize_t Write(const void* data, size_t size) override {
    const std::string bytes(static_cast<const char*>(data), size);
    std::string reply;
    {
      std::lock_guard lock(mutex_);
      written_ += bytes;
      if (answer) reply = answer(bytes);
      // A modem raises carrier detect as it reports the connection.
      if (reply.find("CONNECT") != std::string::npos) modemBits_ |= TIOCM_CAR;
    }
    Push(reply);
    return static_cast<ssize_t>(size);
  }
  bool SetBreak(bool on) override {
    std::lock_guard lock(mutex_);
    Note(on ? "break on" : "break off");
    return open_;
  }
  bool GetModemBits(int& bits) override {
    std::lock_guard lock(mutex_);
    bits = modemBits_;
    return open_ && hasModemLines;
  }
  bool SetModemBits(int bits, bool on) override {
    std::lock_guard lock(mutex_);
    if (!open_ || !hasModemLines) return false;
    modemBits_ = on ? (modemBits_ | bits) : (modemBits_ & ~bits);
    if (dtrHangsUp && (bits & TIOCM_DTR) && !on) modemBits_ &= ~TIOCM_CAR;
    Note(std::string(bits == TIOCM_DTR ? "DTR" : "RTS") + (on ? " on" : " off"));
    return true;
  }
  void Flush() override {}

  // Bytes for the port to read, as if the far side sent them.
  void Push(const std::string& bytes) {
    if (bytes.empty()) return;
    std::lock_guard lock(mutex_);
    inbox_ += bytes;
    const uint64_t one = 1;
    (void)!write(readable_, &one, sizeof one);
  }
  void SetCarrier(bool on) {
    std::lock_guard lock(mutex_);
    modemBits_ = on ? (modemBits_ | TIOCM_CAR) : (modemBits_ & ~TIOCM_CAR);
  }
  std::vector<Event> Events() const {
    std::lock_guard lock(mutex_);
    return events_;
  }
  std::vector<std::string> EventNames() const {
    std::vector<std::string> names;
    for (const Event& e : Events()) names.push_back(e.what);
    return names;
  }
  void ClearEvents() {
    std::lock_guard lock(mutex_);
    events_.clear();
  }
  std::string Written() const {
    std::lock_guard lock(mutex_);
    return written_;
  }
  int Closes() const {
    std::lock_guard lock(mutex_);
    return closes_;
  }

  // Set before the device is used.
  termios attributes{};
  bool stickyParity = true;
  bool hasModemLines = true;
  bool carrierAtOpen = true;
  bool dtrHangsUp = false;
  // Called with each write, under the device's lock; returns the reply to read back.
  std::function<std::string(const std::string&)> answer;

 private:
  void Note(std::string what) { events_.push_back({std::move(what), Clock::now()}); }

  mutable std::mutex mutex_;
  int readable_;  // counts while bytes wait in inbox_, so poll() sees them
  bool open_ = false;
  int modemBits_ = 0;
  int closes_ = 0;
  std::string inbox_;
  std::string written_;
  std::vector<Event> events_;
};

}  // namespace ostrane::test
