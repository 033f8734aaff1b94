#include "transport/telnet_decoder.h"

#include "transport/telnet_protocol.h"

namespace ostrane {

using namespace telnet;

void CTelnetDecoder::AppendSubnegotiation(uint8_t byte) {
  if (sbLength_ < sizeof sb_) sb_[sbLength_++] = byte;
}

size_t CTelnetDecoder::Decode(uint8_t* data, size_t length, ITelnetCommandSink& sink) {
  size_t out = 0;
  for (size_t i = 0; i < length; ++i) {
    const uint8_t b = data[i];
    switch (state_) {
      case State::kData:
        if (b == IAC) {
          state_ = State::kAfterIac;
        } else {
          data[out++] = b;
          if (b == '\r') state_ = State::kAfterCr;
        }
        break;
      case State::kAfterCr:
        // CR NUL stands for a bare CR. IAC still starts a command here: taken as data it
        // would leave its second byte to be read as a command.
        if (b == IAC) {
          state_ = State::kAfterIac;
        } else {
          if (b != 0) data[out++] = b;
          state_ = b == '\r' ? State::kAfterCr : State::kData;
        }
        break;
      case State::kAfterIac:
        if (b == IAC) {
          data[out++] = IAC;
          state_ = State::kData;
        } else if (b >= WILL) {
          pendingCommand_ = b;
          state_ = State::kOption;
        } else if (b == SB) {
          state_ = State::kSbOption;
        } else {
          state_ = State::kData;  // NOP, GA, DM, AYT and the rest mean nothing here
        }
        break;
      case State::kOption:
        state_ = State::kData;
        sink.OnOption(pendingCommand_, b);
        break;
      case State::kSbOption:
        sbOption_ = b;
        sbLength_ = 0;
        state_ = State::kSbData;
        break;
      case State::kSbData:
        if (b == IAC)
          state_ = State::kSbAfterIac;
        else
          AppendSubnegotiation(b);
        break;
      case State::kSbAfterIac:
        if (b == SE) {
          state_ = State::kData;
          sink.OnSubnegotiation(sbOption_, sb_, sbLength_);
        } else {
          AppendSubnegotiation(IAC);
          AppendSubnegotiation(b);
          state_ = State::kSbData;
        }
        break;
    }
  }
  return out;
}

}  // namespace ostrane
