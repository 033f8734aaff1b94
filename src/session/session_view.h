// ISessionView: what a session tells the windows that show it, beyond the screen changes the
// terminal reports itself. Calls may come from the transport's worker and must not block.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ostrane {

class ISessionView {
 public:
  virtual ~ISessionView() = default;
  // true: the connection ended; false: it was made again (Reconnect).
  virtual void ConnectionChanged(bool ended) = 0;
  // The host rang the bell (WarningBell on, bursts already thinned out).
  virtual void Bell() = 0;
  // The host wrote this text (UTF-8) for the clipboard.
  virtual void HostClipboard(const std::string& /*text*/) {}
};

// Sees every byte string the session sends to the host and every chunk it receives (the
// headless front end's replies and waits; later the macro recorder). Must not block.
class ISessionMonitor {
 public:
  virtual ~ISessionMonitor() = default;
  virtual void Sent(const uint8_t* data, size_t length) = 0;
  virtual void Received(const uint8_t* data, size_t length) = 0;
};

}  // namespace ostrane
