// ITransportOwner: what a transport needs from the session that owns it. The transport knows
// nothing of the terminal behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string_view>

namespace ostrane {

class CSettingsSet;

class ITransportOwner {
 public:
  virtual ~ITransportOwner() = default;
  // The lock that guards the settings set and the capture file. A transport holds it only for
  // short reads and writes of settings, never while it waits for anything.
  virtual std::mutex& SettingsMutex() = 0;
  // The session's settings; only with SettingsMutex held.
  virtual CSettingsSet& Settings() = 0;
  // A protocol trace line for debug capture; only with SettingsMutex held.
  virtual void WriteTrace(std::string_view text) = 0;
  // Worker thread, without SettingsMutex: one chunk of received bytes, at most kDeliveryChunk.
  virtual void DeliverReceived(const uint8_t* data, size_t length) = 0;
  // A numbered message for the user (for example 1029 "Cannot connect to remote host.").
  virtual void ShowMessage(int messageId) = 0;
  // Worker thread: the connection has ended (or never came up); the transport is Closed.
  virtual void ConnectionEnded() = 0;
};

}  // namespace ostrane
