// CSerialLink: the open port of a serial or modem transport. The worker thread opens, receives
// and closes; any thread writes, sends a break or changes the line, one at a time under one
// lock. The worker waits in poll() on the port and a wake signal, so Interrupt and Kick reach it.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "platform/serial_line.h"
#include "platform/tty_device.h"
#include "platform/wake_signal.h"

namespace ostrane {

class CSerialLink {
 public:
  enum class Input { kData, kWake, kTimeout, kEnded, kAborted };

  explicit CSerialLink(platform::ITtyDevice& device) : device_(device), port_(device) {}
  CSerialLink(const CSerialLink&) = delete;
  CSerialLink& operator=(const CSerialLink&) = delete;

  // Worker thread. Empty on success, else a message for the user.
  std::string Open(const std::string& path, const platform::CSerialLine& line);
  void Close();
  bool IsOpen();
  // Any thread: applies line to the open port. Empty on success, else a message.
  std::string Apply(const platform::CSerialLine& line);

  // Worker thread: waits at most timeout (forever when nothing) for input. kData puts the bytes
  // in buffer and their number in count; kEnded means the device went away or failed.
  Input Receive(uint8_t* buffer, size_t size, size_t& count,
                std::optional<std::chrono::milliseconds> timeout = std::nullopt);
  // Any thread: every byte is written, or false (closed, device failure, aborted, or the port
  // took nothing for kSerialWriteTimeout).
  bool Write(const uint8_t* data, size_t length) { return WriteAll(data, length, true); }
  // As Write, but after an abort too: the hang-up of a modem that is being stopped.
  bool WriteWhileStopping(const uint8_t* data, size_t length) {
    return WriteAll(data, length, false);
  }
  // Any thread: break for duration; writes wait meanwhile.
  bool SendBreak(std::chrono::milliseconds duration);
  // False when the port has no modem lines.
  bool SetDtr(bool on);
  std::optional<int> ModemLines();

  void Wake() { signal_.Post(platform::CWakeSignal::kWake); }
  void Abort() { signal_.Post(platform::CWakeSignal::kAbort); }
  bool Aborted() const { return signal_.Aborted(); }
  // Worker thread: sleeps for duration; false at once when aborted.
  bool Sleep(std::chrono::milliseconds duration);

 private:
  bool WriteAll(const uint8_t* data, size_t length, bool abortable);

  platform::ITtyDevice& device_;
  platform::CSerialPort port_;
  platform::CWakeSignal signal_;
  std::mutex mutex_;
};

}  // namespace ostrane
