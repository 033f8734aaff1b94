#include "transport/telnet_transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "settings/message_texts.h"
#include "transport/telnet_protocol.h"

namespace ostrane {

using namespace telnet;

CTelnetTransport::CTelnetTransport(CConnectionSettings settings, platform::ISocketApi& sockets)
    : CTransport(TransportKind::kTelnet, std::move(settings)), link_(sockets) {}

CTelnetTransport::~CTelnetTransport() {
  Shutdown();
}

bool CTelnetTransport::Open() {
  const CConnectionSettings s = Settings();
  if (s.proxy.empty()) return link_.Connect(s.host, s.port);
  if (!link_.Connect(s.proxy, s.proxyPort)) return false;
  // The destination is named only after the proxy has said something. A proxy that closes
  // before that has refused the connection.
  Input input;
  while ((input = ReceiveAndDecode()) == Input::kWake) {
  }
  if (input == Input::kEnded) return false;
  return SendRaw(s.host + " " + std::to_string(s.port) + "\n");
}

CTelnetTransport::Input CTelnetTransport::ReceiveAndDecode() {
  const int n = link_.Receive(readBuffer_, sizeof readBuffer_);
  // Locally delivered bytes are already queued as data; they do not pass the decoder, whose
  // state belongs to the host's stream.
  if (n == CSocketLink::kWakeMarker) return Input::kWake;
  if (n <= 0) return Input::kEnded;
  const size_t data = decoder_.Decode(readBuffer_, static_cast<size_t>(n), *this);
  QueueReceived(readBuffer_, data);
  return Input::kData;
}

bool CTelnetTransport::Read() {
  if (ReceiveAndDecode() != Input::kEnded) return true;
  SetStopping();
  return false;
}

// The socket never waits: what it does not take waits in the link's pending-send buffer.
bool CTelnetTransport::Write(const uint8_t* data, size_t length, SendWait /*wait*/) {
  if (State() != TransportState::kConnected) return false;
  if (LocalOnly()) return true;
  if (std::memchr(data, IAC, length) == nullptr) return LinkSend(data, length);
  uint8_t escaped[2 * kTelnetEscapeBlock];
  while (length > 0) {
    const size_t block = std::min(length, kTelnetEscapeBlock);
    size_t n = 0;
    for (size_t i = 0; i < block; ++i) {
      escaped[n++] = data[i];
      if (data[i] == IAC) escaped[n++] = IAC;
    }
    if (!LinkSend(escaped, n)) return false;
    data += block;
    length -= block;
  }
  return true;
}

bool CTelnetTransport::SendRaw(const std::string& bytes) {
  return bytes.empty() || LinkSend(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

// Every send goes here: one refused because the host stopped reading ends the connection with
// that reason rather than lose the bytes and carry on.
bool CTelnetTransport::LinkSend(const uint8_t* data, size_t length) {
  if (link_.Send(data, length)) return true;
  if (link_.HostStoppedReading()) EndWithMessage(Msg::kHostStoppedReading);
  return false;
}

void CTelnetTransport::OnOption(uint8_t command, uint8_t option) {
  char trace[32];
  std::snprintf(trace, sizeof trace, "<OP %d %d>", command, option);
  Owner()->WriteTrace(trace);
  const CConnectionSettings s = Settings();
  TelnetOptionSettings view;
  view.localEcho = s.localEcho;
  view.setHostSize = s.setHostSize;
  view.columns = s.columns;
  view.lines = s.lines;
  std::string reply;
  options_.HandleOption(command, option, view, reply);
  if (view.localEcho != s.localEcho) HostSetLocalEcho(view.localEcho);
  SendRaw(reply);
}

void CTelnetTransport::OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) {
  std::string reply;
  CTelnetOptions::HandleSubnegotiation(option, data, length, Settings().terminalName, reply);
  SendRaw(reply);
}

void CTelnetTransport::SendWindowSize(int columns, int lines) {
  std::string out;
  CTelnetOptions::AppendWindowSize(columns, lines, out);
  SendRaw(out);
}

void CTelnetTransport::KeepAlive() {
  static const uint8_t kDoStatus[] = {IAC, DO, TELOPT_STATUS};
  LinkSend(kDoStatus, sizeof kDoStatus);
}

void CTelnetTransport::ConnectionSettingsChanged(const CConnectionSettings& settings) {
  CTransport::ConnectionSettingsChanged(settings);
  Owner()->ShowMessage(Msg::kRestartNeeded);
}

}  // namespace ostrane
