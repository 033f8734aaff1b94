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
  explicit CTelnetTransport(CConnectionSettings settings = {},
                            platform::ISocketApi& sockets = platform::PosixSocketApi());
  ~CTelnetTransport() override;

  void Prepare() override {}
  bool Open() override;
  void Close() override { link_.Close(); }
  void Interrupt() override { link_.Abort(); }
  bool Read() override;
  void Kick() override { link_.Wake(); }
  bool Write(const uint8_t* data, size_t length, SendWait wait) override;
  // Every change needs a new connection.
  void ConnectionSettingsChanged(const CConnectionSettings& settings) override;
  // IAC DO STATUS, unescaped.
  void KeepAlive() override;
  std::string GetDisplayName() const override { return Settings().host; }
  // Bytes the socket has not taken yet (tests).
  size_t PendingSendCount() { return link_.PendingCount(); }

 private:
  // Tells the host the screen size, as if it had sent DO NAWS with SetHostSize on.
  void SendWindowSize(int columns, int lines) override;
  enum class Input { kData, kWake, kEnded };

  // Receives once and queues the decoded data.
  Input ReceiveAndDecode();
  void OnOption(uint8_t command, uint8_t option) override;
  void OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) override;
  bool SendRaw(const std::string& bytes);
  bool LinkSend(const uint8_t* data, size_t length);

  CSocketLink link_;
  CTelnetDecoder decoder_;
  CTelnetOptions options_;
  uint8_t readBuffer_[kSocketReadSize] = {};
};

}  // namespace ostrane
