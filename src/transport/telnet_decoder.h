// CTelnetDecoder: removes Telnet commands from the received stream. A pure byte machine: the
// commands it finds go to a handler, the data bytes stay in the buffer. Its state survives
// between calls, so a command split across reads is decoded whole.
#pragma once

#include <cstddef>
#include <cstdint>

#include "transport/transport_limits.h"

namespace ostrane {

class ITelnetCommandSink {
 public:
  virtual ~ITelnetCommandSink() = default;
  // command is WILL, WONT, DO or DONT.
  virtual void OnOption(uint8_t command, uint8_t option) = 0;
  // The collected bytes of IAC SB option ... IAC SE (at most the subnegotiation capacity).
  virtual void OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) = 0;
};

class CTelnetDecoder {
 public:
  // Decodes in place; returns how many data bytes are left at the start of data.
  size_t Decode(uint8_t* data, size_t length, ITelnetCommandSink& sink);

 private:
  enum class State : uint8_t {
    kData,
    kAfterCr,
    kAfterIac,
    kOption,
    kSbOption,
    kSbData,
    kSbAfterIac,
  };

  void AppendSubnegotiation(uint8_t byte);

  State state_ = State::kData;
  uint8_t pendingCommand_ = 0;
  uint8_t sbOption_ = 0;
  size_t sbLength_ = 0;
  uint8_t sb_[kTelnetSubnegotiationCapacity] = {};
};

}  // namespace ostrane
