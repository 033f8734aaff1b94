// CSerialTransport: a session on a local serial port. The port is opened raw for this session
// alone; line settings can change while connected. When the device goes away (a USB adapter
// unplugged) the session says so and opens it again as soon as it is back.
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "platform/serial_line.h"
#include "platform/tty_device.h"
#include "transport/serial_limits.h"
#include "transport/serial_link.h"
#include "transport/transport.h"

namespace ostrane {

class CSerialTransport final : public CTransport {
 public:
  // A test may hand in its own device; otherwise the real tty is used.
  explicit CSerialTransport(CConnectionSettings settings = {},
                            std::unique_ptr<platform::ITtyDevice> device = nullptr);
  ~CSerialTransport() override;

  void Prepare() override { lost_.store(false); }
  bool Open() override;
  void Close() override { link_.Close(); }
  void Interrupt() override { link_.Abort(); }
  bool Read() override;
  void Kick() override { link_.Wake(); }
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  bool SendBreak() override;
  // Line settings take effect at once; another device needs a new connection.
  void ConnectionSettingsChanged(const CConnectionSettings& settings) override;
  std::string GetDisplayName() const override;

 private:
  static platform::CSerialLine LineOf(const CConnectionSettings& settings);
  // Worker thread: shows text on the screen ahead of what follows.
  void Show(const std::string& text);
  // The device went away: tell the user and look for it again.
  bool DeviceLost();
  bool TryReopen();

  std::unique_ptr<platform::ITtyDevice> device_;
  CSerialLink link_;
  // The device of this connection; another one needs a new connection.
  const std::string openPath_;
  std::atomic<bool> lost_{false};
  uint8_t readBuffer_[kSerialReadSize] = {};
};

}  // namespace ostrane
