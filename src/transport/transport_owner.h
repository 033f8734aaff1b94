// ITransportOwner: what a transport needs from the session that owns it. The transport knows
// nothing of the terminal behind it, and none of these calls may wait for the terminal lock
// except DeliverReceived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace ostrane {

class ITransportOwner {
 public:
  virtual ~ITransportOwner() = default;
  // Worker thread: one chunk of received bytes, at most kDeliveryChunk. The only call that
  // reaches the terminal; it may wait for the terminal lock.
  virtual void DeliverReceived(const uint8_t* data, size_t length) = 0;
  // A protocol trace line for debug capture. The owner keeps it in order ahead of the data
  // delivered after it.
  virtual void WriteTrace(std::string_view text) = 0;
  // The host switched local echo (Telnet ECHO); the transport already echoes accordingly.
  virtual void LocalEchoChanged(bool /*on*/) {}
  // A numbered message for the user (for example 1029 "Cannot connect to remote host.").
  virtual void ShowMessage(int messageId) = 0;
  // Worker thread: the connection has ended (or never came up); the transport is Closed.
  virtual void ConnectionEnded() = 0;
};

}  // namespace ostrane
