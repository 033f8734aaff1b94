#include "session/transport_factory.h"

#include "platform/paths.h"
#include "platform/profile.h"
#include "platform/serial_devices.h"
#include "settings/settings_set.h"
#include "ssh/ssh1_transport.h"
#include "ssh/ssh2_transport.h"
#include "transport/echo_transport.h"
#include "transport/local_shell_transport.h"
#include "transport/modem_transport.h"
#include "transport/serial_transport.h"
#include "transport/telnet_options.h"
#include "transport/telnet_transport.h"

namespace ostrane {

namespace {

struct TransportFactory {
  TransportKind kind;
  std::unique_ptr<CTransport> (*create)(CConnectionSettings settings);
};

template <class T>
std::unique_ptr<CTransport> Make(CConnectionSettings settings) {
  return std::make_unique<T>(std::move(settings));
}

// The connection kinds this build can create; Debug has none.
constexpr TransportFactory kTransportFactories[] = {
    {TransportKind::kTelnet, &Make<CTelnetTransport>},
    {TransportKind::kSerial, &Make<CSerialTransport>},
    {TransportKind::kLocal, &Make<CEchoTransport>},
    {TransportKind::kModem, &Make<CModemTransport>},
    {TransportKind::kSsh2, &Make<CSsh2Transport>},
    {TransportKind::kSsh1, &Make<CSsh1Transport>},
    {TransportKind::kLocalShell, &Make<CLocalShellTransport>},
};

bool NeedsProfile(int hostType) {
  return hostType == static_cast<int>(TransportKind::kSerial) ||
         hostType == static_cast<int>(TransportKind::kModem);
}

void FillLineDevices(CConnectionSettings& c, const CProfile& profile) {
  if (c.hostType == static_cast<int>(TransportKind::kSerial)) {
    c.devicePath =
        !c.host.empty() && c.host[0] == '/' ? c.host : platform::ComDevicePath(profile, c.port);
  } else if (c.hostType == static_cast<int>(TransportKind::kModem)) {
    const std::vector<platform::CModemEntry> modems = platform::ListModems(profile);
    if (c.port >= 0 && static_cast<size_t>(c.port) < modems.size()) {
      c.modemDevice = modems[static_cast<size_t>(c.port)].device;
      c.modemInit = modems[static_cast<size_t>(c.port)].init;
      c.modemSpeed = modems[static_cast<size_t>(c.port)].speed;
    }
  }
}

}  // namespace

std::string ProfilePath() {
  return platform::ConfigFolder() + "/ostrane.ini";
}

CConnectionSettings ConnectionSettingsFrom(const CSettingsSet& s) {
  // Only the line kinds read the profile file.
  const bool needed = NeedsProfile(s.Int(S::HostType));
  return ConnectionSettingsFrom(s, CProfile(needed ? ProfilePath() : std::string()));
}

CConnectionSettings ConnectionSettingsFrom(const CSettingsSet& s, const CProfile& profile) {
  CConnectionSettings c;
  c.hostType = s.Int(S::HostType);
  c.host = s.Str(S::HostName);
  c.port = s.Int(S::Port);
  c.proxy = s.Str(S::Proxy);
  // A proxy connection keeps the proxy's port in Speed.
  c.proxyPort = s.Int(S::Speed);
  c.terminalName = std::string(CTelnetOptions::TerminalName(s.Int(S::TermID)));
  c.columns = s.Int(S::Columns);
  c.lines = s.Int(S::Lines);
  c.setHostSize = s.Int(S::SetHostSize) != 0;
  c.localEcho = s.Int(S::LocalEcho) != 0;
  c.localOnly = s.Int(S::Local) != 0;
  c.speed = s.Int(S::Speed);
  c.parity = s.Int(S::Parity);
  c.stopBits = s.Int(S::StopBits);
  // A setting never given is 0: eight data bits, as every dialog offers first.
  c.dataLength = s.Int(S::DataLength) == 0 ? 8 : s.Int(S::DataLength);
  c.flowControl = s.Int(S::FlowControl);
  FillLineDevices(c, profile);
  return c;
}

std::unique_ptr<CTransport> MakeTransport(const CConnectionSettings& settings) {
  for (const TransportFactory& f : kTransportFactories)
    if (static_cast<int>(f.kind) == settings.hostType) return f.create(settings);
  return nullptr;
}

}  // namespace ostrane
