// The line settings of a serial port and how they become termios flags, and CSerialPort, which
// opens a tty raw for one user, applies the settings, reads back what the driver kept, and works
// the break condition and the modem-control lines.
#pragma once

#include <termios.h>

#include <chrono>
#include <optional>
#include <string>

#include "platform/tty_device.h"

namespace ostrane::platform {

// The values the session settings use.
enum class Parity : int { kNone = 0, kOdd = 1, kEven = 2, kMark = 3, kSpace = 4 };
enum class StopBits : int { kOne = 0, kOneAndHalf = 1, kTwo = 2 };
enum class FlowControl : int { kKeep = 0, kXonXoff = 1, kHardware = 2 };

struct CSerialLine {
  int speed = 9600;
  int dataBits = 8;
  int parity = 0;
  int stopBits = 0;
  int flowControl = 0;
};

// The termios speed constant of a rate in bits per second; nothing for a rate the system has no
// constant for (0 among them: it would hang the line up).
std::optional<speed_t> SpeedConstant(int bitsPerSecond);

// Builds the raw termios of line from current, taking the flow-control flags from atOpen (what
// the port had before this program touched it) so that FlowControl 0 keeps them and a change
// never leaves an earlier choice behind. Empty on success, else why the line cannot be set.
std::string BuildTermios(const CSerialLine& line, const termios& current, const termios& atOpen,
                         termios& out);
// Empty when got carries what wanted asks for, else the settings the port did not take.
std::string CompareTermios(const termios& wanted, const termios& got);

class CSerialPort {
 public:
  explicit CSerialPort(ITtyDevice& device) : device_(device) {}
  ~CSerialPort() { Close(); }
  CSerialPort(const CSerialPort&) = delete;
  CSerialPort& operator=(const CSerialPort&) = delete;

  // Opens path, sets it raw with line and raises DTR and RTS. Empty on success, else a message
  // for the user; a failed open leaves the device closed.
  std::string Open(const std::string& path, const CSerialLine& line);
  // Applies line to the open port and reads it back. Empty on success, else a message.
  std::string Apply(const CSerialLine& line);
  // Drops DTR and closes.
  void Close();
  bool IsOpen() const { return device_.IsOpen(); }
  ITtyDevice& Device() { return device_; }

  bool SetBreak(bool on) { return device_.SetBreak(on); }
  // False when the device has no modem lines (a pseudo-terminal).
  bool SetDtr(bool on) { return device_.SetModemBits(TIOCM_DTR, on); }
  bool SetRts(bool on) { return device_.SetModemBits(TIOCM_RTS, on); }
  // TIOCM_* bits of the lines; nothing when the device has none.
  std::optional<int> ModemLines();

 private:
  ITtyDevice& device_;
  termios atOpen_{};
};

}  // namespace ostrane::platform
