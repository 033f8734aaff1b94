// CLocalShellTransport: a session with a program on this machine (the user's login shell, or a
// command) through a pseudo-terminal. The program's environment names the terminal type (TERM,
// and COLORTERM for the xterm type), and every size the session announces reaches it.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/pty_process.h"
#include "platform/wake_signal.h"
#include "transport/transport.h"

namespace ostrane {

class CLocalShellTransport final : public CTransport {
 public:
  explicit CLocalShellTransport(CConnectionSettings settings = {});
  ~CLocalShellTransport() override;

  void Prepare() override {}
  bool Open() override;
  void Close() override;
  void Interrupt() override { signal_.Post(platform::CWakeSignal::kAbort); }
  bool Read() override;
  void Kick() override { signal_.Post(platform::CWakeSignal::kWake); }
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  std::string GetDisplayName() const override;

  // The program and environment a connection with these settings starts.
  static platform::PtyCommand CommandFor(const CConnectionSettings& settings);

 private:
  void SendWindowSize(int columns, int lines) override;

  platform::CWakeSignal signal_;
  // Guards the program's master side against Close while another thread writes or resizes.
  std::mutex mutex_;
  platform::CPtyProcess process_;
  uint8_t readBuffer_[kSocketReadSize] = {};
};

}  // namespace ostrane
