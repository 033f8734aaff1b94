#include "transport/telnet_transport.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "settings/message_texts.h"
#include "settings/settings_set.h"
#include "transport/telnet_protocol.h"

namespace ostrane {

using namespace telnet;

CTelnetTransport::CTelnetTransport() : CTransport(TransportKind::kTelnet) {}

CTelnetTransport::~CTelnetTransport() {
  Shutdown();
}

int CTelnetTransport::Open() {
  std::string proxy;
  int proxyPort = 0;
  {
    std::lock_guard lock(Owner()->SettingsMutex());
    const CSettingsSet& s = Owner()->Settings();
    hostName_ = s.Str(S::HostName);
    port_ = s.Int(S::Port);
    proxy = s.Str(S::Proxy);
    proxyPort = s.Int(S::Speed);  // a proxy connection keeps the proxy's port in Speed
  }
  if (proxy.empty()) return link_.Connect(hostName_, port_) ? 1 : 0;
  if (!link_.Connect(proxy, proxyPort)) return 0;
  // The destination is named only after the proxy has said something. A proxy that closes
  // before that has refused the connection.
  Input input;
  while ((input = ReceiveAndDecode()) == Input::kWake) {
  }
  if (input == Input::kEnded) return 0;
  return SendRaw(hostName_ + " " + std::to_string(port_) + "\n") ? 1 : 0;
}

int CTelnetTransport::Close() {
  link_.Close();
  return 1;
}

int CTelnetTransport::Interrupt() {
  link_.Abort();
  return 1;
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

int CTelnetTransport::Read() {
  if (ReceiveAndDecode() != Input::kEnded) return 1;
  SetStopping();
  return 0;
}

int CTelnetTransport::Write(const uint8_t* data, size_t length) {
  if (State() != TransportState::kConnected) return 0;
  if (LocalOnly()) return 1;
  if (std::memchr(data, IAC, length) == nullptr) return link_.Send(data, length) ? 1 : 0;
  uint8_t escaped[2 * kTelnetEscapeBlock];
  while (length > 0) {
    const size_t block = std::min(length, kTelnetEscapeBlock);
    size_t n = 0;
    for (size_t i = 0; i < block; ++i) {
      escaped[n++] = data[i];
      if (data[i] == IAC) escaped[n++] = IAC;
    }
    if (!link_.Send(escaped, n)) return 0;
    data += block;
    length -= block;
  }
  return 1;
}

bool CTelnetTransport::SendRaw(const std::string& bytes) {
  return bytes.empty() || link_.Send(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

void CTelnetTransport::OnOption(uint8_t command, uint8_t option) {
  std::string reply;
  {
    std::lock_guard lock(Owner()->SettingsMutex());
    CSettingsSet& s = Owner()->Settings();
    char trace[32];
    std::snprintf(trace, sizeof trace, "<OP %d %d>", command, option);
    Owner()->WriteTrace(trace);
    TelnetOptionSettings view;
    view.localEcho = s.Int(S::LocalEcho) != 0;
    view.setHostSize = s.Int(S::SetHostSize) != 0;
    view.columns = s.Int(S::Columns);
    view.lines = s.Int(S::Lines);
    options_.HandleOption(command, option, view, reply);
    s.SetInt(S::LocalEcho, view.localEcho ? 1 : 0);
    SetLocalEcho(view.localEcho);
  }
  SendRaw(reply);
}

void CTelnetTransport::OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) {
  std::string reply;
  {
    std::lock_guard lock(Owner()->SettingsMutex());
    const std::string_view name = CTelnetOptions::TerminalName(Owner()->Settings().Int(S::TermID));
    CTelnetOptions::HandleSubnegotiation(option, data, length, name, reply);
  }
  SendRaw(reply);
}

void CTelnetTransport::AnnounceWindowSize(int columns, int lines) {
  std::string out;
  CTelnetOptions::AppendWindowSize(columns, lines, out);
  SendRaw(out);
}

void CTelnetTransport::KeepAlive() {
  static const uint8_t kDoStatus[] = {IAC, DO, TELOPT_STATUS};
  link_.Send(kDoStatus, sizeof kDoStatus);
}

int CTelnetTransport::SettingsChanged(const CSettingsSet& /*settings*/) {
  Owner()->ShowMessage(Msg::kRestartNeeded);
  return 1;
}

std::string CTelnetTransport::GetDisplayName(const CSettingsSet& settings) const {
  return settings.Str(S::HostName);
}

}  // namespace ostrane
