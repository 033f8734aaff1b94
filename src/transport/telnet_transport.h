// CTelnetTransport: Telnet over TCP, directly or through a proxy that is told the destination
// in a text line. Decodes commands out of the received stream, answers option negotiation and
// doubles IAC in outgoing data.
#pragma once

#include <string>

#include "transport/socket_link.h"
#include "transport/telnet_decoder.h"
#include "transport/telnet_options.h"
#include "transport/transport.h"

namespace ostrane {

class CTelnetTransport final : public CTransport, private ITelnetCommandSink {
 public:
  CTelnetTransport();
  ~CTelnetTransport() override;

  int Prepare() override { return 1; }
  int Open() override;
  int Close() override;
  int Interrupt() override;
  int Read() override;
  void Kick() override { link_.Wake(); }
  int Write(const uint8_t* data, size_t length) override;
  int SettingsChanged(const CSettingsSet& settings) override;
  // IAC DO STATUS, unescaped.
  void KeepAlive() override;
  std::string GetDisplayName(const CSettingsSet& settings) const override;

  // Tells the host the screen size, as if it had sent DO NAWS with SetHostSize on.
  void AnnounceWindowSize(int columns, int lines) override;

 private:
  enum class Input { kData, kWake, kEnded };

  // Receives once and queues the decoded data.
  Input ReceiveAndDecode();
  void OnOption(uint8_t command, uint8_t option) override;
  void OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) override;
  bool SendRaw(const std::string& bytes);

  std::string hostName_;
  int port_ = 0;
  CSocketLink link_;
  CTelnetDecoder decoder_;
  CTelnetOptions options_;
  uint8_t readBuffer_[kSocketReadSize] = {};
};

}  // namespace ostrane
