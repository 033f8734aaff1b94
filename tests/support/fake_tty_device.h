// A serial device in memory for tests of what a pseudo-terminal cannot carry.
#pragma once

#include <sys/ioctl.h>

#include <cerrno>
#include <chrono>
#include <string>
#include <vector>

#include "platform/tty_device.h"

namespace ostrane::test {

// A serial device in memory: it keeps the termios it is given, the break and modem lines, and
// can drop or change settings on purpose, as a driver that cannot do something would.
class CFakeTtyDevice final : public platform::ITtyDevice {
 public:
  int Open(const std::string& path) override {
    if (path == "busy") return EBUSY;
    open_ = true;
    modemBits_ = TIOCM_CAR | TIOCM_DSR | TIOCM_CTS;
    return 0;
  }
  void Close() override {
    open_ = false;
    ++closes;
  }
  bool IsOpen() const override { return open_; }
  int Descriptor() const override { return -1; }
  bool GetAttributes(termios& t) override {
    t = attributes;
    return open_;
  }
  bool SetAttributes(const termios& t) override {
    if (!open_) return false;
    attributes = t;
    // A driver without sticky parity keeps plain parity only.
    if (!stickyParity) attributes.c_cflag &= ~CMSPAR;
    return true;
  }
  ssize_t Read(void*, size_t) override {
    errno = EAGAIN;
    return -1;
  }
  ssize_t Write(const void*, size_t size) override { return static_cast<ssize_t>(size); }
  bool SetBreak(bool on) override {
    events.push_back(on ? "break on" : "break off");
    (on ? breakOn : breakOff) = std::chrono::steady_clock::now();
    return open_;
  }
  bool GetModemBits(int& bits) override {
    bits = modemBits_;
    return open_ && hasModemLines;
  }
  bool SetModemBits(int bits, bool on) override {
    if (!open_ || !hasModemLines) return false;
    modemBits_ = on ? (modemBits_ | bits) : (modemBits_ & ~bits);
    events.push_back(std::string(bits == TIOCM_DTR ? "DTR" : "RTS") + (on ? " on" : " off"));
    return true;
  }
  void Flush() override {}

  termios attributes{};
  bool stickyParity = true;
  bool hasModemLines = true;
  int closes = 0;
  std::vector<std::string> events;
  std::chrono::steady_clock::time_point breakOn, breakOff;

 private:
  bool open_ = false;
  int modemBits_ = 0;
};

}  // namespace ostrane::test
