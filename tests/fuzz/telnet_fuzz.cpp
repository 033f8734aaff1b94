// Drives the Telnet decoder and the option answers with arbitrary host bytes, in the chunk
// sizes a socket might give, and checks that data never grows and replies stay well formed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "transport/telnet_decoder.h"
#include "transport/telnet_options.h"

namespace {

class CFuzzSink : public ostrane::ITelnetCommandSink {
 public:
  void OnOption(uint8_t command, uint8_t option) override {
    options.HandleOption(command, option, settings, reply);
  }
  void OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) override {
    if (length > ostrane::kTelnetSubnegotiationCapacity) std::abort();
    ostrane::CTelnetOptions::HandleSubnegotiation(option, data, length, "vt220", reply);
  }
  ostrane::CTelnetOptions options;
  ostrane::TelnetOptionSettings settings;
  std::string reply;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte chooses the chunk size, so commands are split at every place.
  const size_t chunk = 1 + data[0] % 64;
  ++data;
  --size;
  ostrane::CTelnetDecoder decoder;
  CFuzzSink sink;
  sink.settings.setHostSize = (size & 1) != 0;
  std::vector<uint8_t> buffer;
  for (size_t at = 0; at < size; at += chunk) {
    const size_t n = size - at < chunk ? size - at : chunk;
    buffer.assign(data + at, data + at + n);
    if (decoder.Decode(buffer.data(), buffer.size(), sink) > n) std::abort();
    // Every reply is made of whole commands, each starting with IAC.
    if (!sink.reply.empty() && static_cast<uint8_t>(sink.reply[0]) != 255) std::abort();
    sink.reply.clear();
  }
  return 0;
}
