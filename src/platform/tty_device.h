// ITtyDevice: the few system calls a serial line needs, behind an interface so that tests can
// stand in a fake for what a pseudo-terminal cannot carry (break, parity, modem lines).
// CPosixTtyDevice is the real one: a tty opened non-blocking, without becoming the controlling
// terminal, for this process alone (TIOCEXCL plus an advisory lock on the device).
#pragma once

#include <sys/ioctl.h>
#include <sys/types.h>
#include <termios.h>

#include <string>

namespace ostrane::platform {

class ITtyDevice {
 public:
  virtual ~ITtyDevice() = default;
  // 0 when open, else the errno of the failure (EBUSY when another holder has the lock).
  virtual int Open(const std::string& path) = 0;
  virtual void Close() = 0;
  virtual bool IsOpen() const = 0;
  // For poll(); -1 when closed.
  virtual int Descriptor() const = 0;
  virtual bool GetAttributes(termios& t) = 0;
  virtual bool SetAttributes(const termios& t) = 0;
  // As read(2)/write(2): -1 with errno set on failure.
  virtual ssize_t Read(void* buffer, size_t size) = 0;
  virtual ssize_t Write(const void* data, size_t size) = 0;
  virtual bool SetBreak(bool on) = 0;
  // TIOCM_* bits; false (errno ENOTTY on a pty) when the device has no modem lines.
  virtual bool GetModemBits(int& bits) = 0;
  virtual bool SetModemBits(int bits, bool on) = 0;
  // Discards what is queued in both directions.
  virtual void Flush() = 0;
};

class CPosixTtyDevice final : public ITtyDevice {
 public:
  CPosixTtyDevice() = default;
  ~CPosixTtyDevice() override { Close(); }
  CPosixTtyDevice(const CPosixTtyDevice&) = delete;
  CPosixTtyDevice& operator=(const CPosixTtyDevice&) = delete;

  int Open(const std::string& path) override;
  void Close() override;
  bool IsOpen() const override { return fd_ >= 0; }
  int Descriptor() const override { return fd_; }
  bool GetAttributes(termios& t) override;
  bool SetAttributes(const termios& t) override;
  ssize_t Read(void* buffer, size_t size) override;
  ssize_t Write(const void* data, size_t size) override;
  bool SetBreak(bool on) override;
  bool GetModemBits(int& bits) override;
  bool SetModemBits(int bits, bool on) override;
  void Flush() override;

 private:
  int fd_ = -1;
};

}  // namespace ostrane::platform
