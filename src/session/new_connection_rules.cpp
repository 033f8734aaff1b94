#include "session/new_connection_rules.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "emulator/vt420_emulator.h"
#include "platform/serial_devices.h"
#include "platform/serial_line.h"
#include "session/command_line.h"
#include "session/mru_list.h"
#include "session/settings_edit.h"
#include "transport/transport.h"

namespace ostrane {

namespace {

constexpr char kTransport[] = "Transport";

struct ServicePort {
  const char* name;
  int port;
};
constexpr ServicePort kPortTable[] = {
    {"Telnet", 23}, {"SSH", 22}, {"Finger", 79}, {"Systat", 11}, {"Echo", 7},
};

// Parity values of the serial line, by "Parity Check:" list index.
constexpr int kParityValues[] = {0, 2, 1, 3, 4};
// Serial port numbers beyond this are refused.
constexpr int kMaxCommPort = 9999;
// Data bits by "Data Length:" index. The profile keeps bits - 6 (its older list began at 6).
constexpr int kDataBitsValues[] = {5, 6, 7, 8};
constexpr int kDataLengthProfileOffset = 6 - kDataBitsValues[0];
// StopBits values by "Stop Bits:" index (1 is one and a half, which is not offered). The profile
// keeps the value.
constexpr int kStopBitsValues[] = {0, 2};

bool EqualNoCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

std::string Trimmed(std::string_view s) {
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
  while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
  return std::string(s);
}

bool UsablePort(const std::optional<int>& port) {
  return port && *port > 0;
}

int Clamp(int value, size_t count) {
  return std::clamp(value, 0, static_cast<int>(count) - 1);
}

// Leading blanks, an optional sign and decimal digits, as a C library conversion reads them;
// saturates at the int limits. No digits give 0.
long long DecimalValue(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = std::min<long long>(value * 10 + (text[i] - '0'), INT_MAX);
  return negative ? -value : value;
}

std::string CheckTelnet(const NewConnectionValues& v, CSettingsSet& s, CProfile& profile) {
  const std::string host = Trimmed(v.telnetHost);
  if (host.empty()) return kTextNoHost;
  const auto port = PortFromText(v.telnetPort);
  if (!UsablePort(port)) return kTextBadTelnetPort;
  s.SetStr(S::HostName, host);
  s.SetInt(S::Port, *port);
  s.SetInt(S::HostType, 0);
  s.SetStr(S::Proxy, "");
  profile.WriteString(kTransport, "TelnetPort", v.telnetPort);
  return {};
}

std::string CheckProxy(const NewConnectionValues& v, CSettingsSet& s, CProfile& profile) {
  const std::string host = Trimmed(v.proxyPageHost);
  const std::string proxy = Trimmed(v.proxyHost);
  if (host.empty() || proxy.empty()) return kTextNoProxyHost;
  const auto port = PortFromText(v.proxyPagePort);
  const auto proxyPort = PortFromText(v.proxyPort);
  if (!UsablePort(port) || !UsablePort(proxyPort)) return kTextBadTelnetPort;
  s.SetStr(S::HostName, host);
  s.SetStr(S::Proxy, proxy);
  s.SetInt(S::Port, *port);
  s.SetInt(S::Speed, *proxyPort);
  s.SetInt(S::HostType, 0);
  profile.WriteString(kTransport, "TelnetPort", v.proxyPagePort);
  profile.WriteString(kTransport, "Proxy", v.proxyHost);
  profile.WriteString(kTransport, "ProxyPort", v.proxyPort);
  return {};
}

// "COMn" gives the port index n-1; nullopt for any other text.
std::optional<int> CommPortIndex(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](char c) {
    return static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  });
  if (name.size() < 4 || name.compare(0, 3, "COM") != 0) return std::nullopt;
  int number = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    number = std::min(number * 10 + (name[i] - '0'), kMaxCommPort + 1);
  }
  if (number < 1 || number > kMaxCommPort) return std::nullopt;
  return number - 1;
}

// A device path: absolute, printable, and naming something below the root.
bool IsDevicePath(std::string_view path) {
  if (path.size() < 2 || path.front() != '/' || path.back() == '/') return false;
  return std::all_of(path.begin(), path.end(),
                     [](char c) { return static_cast<unsigned char>(c) > ' ' && c != 0x7f; });
}

std::string CheckSerial(const NewConnectionValues& v, CSettingsSet& s, CProfile& profile) {
  const std::string port = Trimmed(v.commPort);
  const std::optional<int> index = CommPortIndex(port);
  if (!index && !IsDevicePath(port)) return kTextBadCommPort;
  // A speed of 0 would hang the line up rather than set a rate.
  const long long baud = DecimalValue(v.baudRate);
  if (baud <= 0) return kTextBadBaudRate;
  if (!platform::SpeedConstant(static_cast<int>(baud))) return kTextUnsupportedBaudRate;
  const int dataLength = Clamp(v.dataLengthIndex, std::size(kDataBitsValues));
  const int parity = Clamp(v.parityIndex, std::size(kParityValues));
  const int stopBits = Clamp(v.stopBitsIndex, std::size(kStopBitsValues));
  const int flow = Clamp(v.flowControlIndex, std::size(kFlowControlChoices));
  s.SetInt(S::HostType, 1);
  // The session opens HostName when it is a path, else the device the COMn map gives.
  s.SetStr(S::HostName, index ? std::string() : port);
  s.SetInt(S::Port, index.value_or(0));
  s.SetInt(S::Speed, static_cast<int>(baud));
  s.SetInt(S::StopBits, kStopBitsValues[stopBits]);
  s.SetInt(S::Parity, kParityValues[parity]);
  s.SetInt(S::DataLength, kDataBitsValues[dataLength]);
  s.SetInt(S::FlowControl, flow);
  profile.WriteString(kTransport, "CommPort", v.commPort);
  profile.WriteString(kTransport, "BaudRate", v.baudRate);
  profile.WriteInt(kTransport, "DataLength", dataLength - kDataLengthProfileOffset);
  profile.WriteInt(kTransport, "Parity", parity);
  profile.WriteInt(kTransport, "StopBits", kStopBitsValues[stopBits]);
  profile.WriteInt(kTransport, "FlowControl", flow);
  return {};
}

std::string CheckModem(const NewConnectionValues& v, CSettingsSet& s, CProfile& profile) {
  if (const std::string problem = CheckPhoneNumber(v.phoneNumber); !problem.empty()) return problem;
  // A session on a modem that is not in the list would fail only once it dials.
  if (v.modemIndex < 0 || static_cast<size_t>(v.modemIndex) >= platform::ListModems(profile).size())
    return kTextNoModem;
  s.SetInt(S::HostType, 3);
  s.SetInt(S::Port, v.modemIndex);
  s.SetStr(S::HostName, v.phoneNumber);
  profile.WriteInt(kTransport, "ModemID", v.modemIndex);
  profile.WriteString(kTransport, "PhoneNum", v.phoneNumber);
  return {};
}

std::string CheckSsh(const NewConnectionValues& v, CSettingsSet& s, CProfile& profile) {
  const std::string host = Trimmed(v.sshHost);
  if (host.empty()) return kTextNoHost;
  const auto port = PortFromText(v.sshPort);
  if (!UsablePort(port)) return kTextBadTelnetPort;
  const int version = v.sshVersion == 1 ? 1 : 0;
  s.SetStr(S::HostName, host);
  s.SetInt(S::Port, *port);
  s.SetInt(S::HostType, version == 1 ? 5 : 6);
  profile.WriteString(kTransport, "SSH2Port", v.sshPort);
  profile.WriteInt(kTransport, "SSH2Version", version);
  return {};
}

}  // namespace

std::vector<std::string> SerialPortChoices(const std::string& devRoot) {
  std::vector<std::string> choices;
  for (const platform::CSerialDeviceEntry& device : platform::ListSerialDevices(devRoot))
    choices.push_back(device.path);
  choices.insert(choices.end(), std::begin(kCommPortChoices), std::end(kCommPortChoices));
  return choices;
}

std::string CheckPhoneNumber(std::string_view number) {
  constexpr std::string_view kPhoneChars = "0123456789,()-. ";
  if (number.find_first_not_of(kPhoneChars) != std::string::npos) return kTextBadPhone;
  if (number.find_first_of("0123456789") == std::string::npos) return kTextNoPhone;
  return {};
}

std::vector<std::string> ModemChoices(const CProfile& profile) {
  std::vector<std::string> names;
  for (const platform::CModemEntry& modem : platform::ListModems(profile))
    names.push_back(modem.name);
  return names;
}

std::optional<ConnectionKind> ConnectionKindByName(std::string_view name) {
  for (const ConnectionKindInfo& k : kConnectionKinds)
    if (name == k.name) return k.kind;
  return std::nullopt;
}

std::optional<int> PortFromText(std::string_view text) {
  for (const ServicePort& p : kPortTable)
    if (EqualNoCase(text, p.name)) return p.port;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
    if (value >= kPortLimit) return std::nullopt;
  }
  return value;
}

std::string PortToText(int port) {
  for (const ServicePort& p : kPortTable)
    if (p.port == port) return p.name;
  return std::to_string(port);
}

std::optional<RememberedHost> HostToRemember(const NewConnectionValues& values) {
  if (values.kindListIndex < 0 || values.kindListIndex >= kConnectionKindListSize)
    return std::nullopt;
  const auto kind = ConnectionKindByName(kConnectionKindList[values.kindListIndex]);
  auto remember = [](const char* section, std::string value) -> std::optional<RememberedHost> {
    if (value.empty()) return std::nullopt;
    return RememberedHost{section, std::move(value)};
  };
  switch (kind.value_or(ConnectionKind::kDebug)) {
    case ConnectionKind::kTelnet:
      return remember(kHostMruSection, Trimmed(values.telnetHost));
    case ConnectionKind::kTelnetProxy:
      return remember(kHostMruSection, Trimmed(values.proxyPageHost));
    case ConnectionKind::kModem:
      return remember(kModemMruSection, values.phoneNumber);
    case ConnectionKind::kSsh:
      return remember(kSshMruSection, Trimmed(values.sshHost));
    default:
      return std::nullopt;
  }
}

void ChooseLocalShellTerminal(CSettingsSet& settings, bool termIdChosen) {
  if (settings.Int(S::HostType) != static_cast<int>(TransportKind::kLocalShell) || termIdChosen)
    return;
  if (settings.Int(S::TermID) == CSettingsSet::Descriptor(S::TermID).defaultInt)
    settings.SetInt(S::TermID, kXtermTermId);
}

int StartTermIdChoice(int kindListIndex, const CSettingsSet& settings) {
  const bool localShell =
      kindListIndex >= 0 && kindListIndex < kConnectionKindListSize &&
      ConnectionKindByName(kConnectionKindList[kindListIndex]) == ConnectionKind::kLocalShell;
  const int termId = settings.Int(S::TermID);
  const bool defaultTermId = termId == CSettingsSet::Descriptor(S::TermID).defaultInt;
  return TermIdChoice(localShell && defaultTermId ? kXtermTermId : termId);
}

void RememberHost(CProfile& profile, const RememberedHost& host) {
  CMruList(profile, host.section).MoveToFront(host.value);
}

NewConnectionValues NewConnectionValues::Load(const CProfile& profile) {
  NewConnectionValues v;
  v.kindListIndex = Clamp(profile.GetInt(kTransport, "Type", 0), kConnectionKindListSize);
  const auto hosts = CMruList::Read(profile, kHostMruSection);
  if (!hosts.empty()) v.telnetHost = v.proxyPageHost = hosts.front();
  const auto sshHosts = CMruList::Read(profile, kSshMruSection);
  if (!sshHosts.empty()) v.sshHost = sshHosts.front();
  v.telnetPort = v.proxyPagePort = profile.GetString(kTransport, "TelnetPort", "Telnet");
  v.proxyHost = profile.GetString(kTransport, "Proxy", "");
  v.proxyPort = profile.GetString(kTransport, "ProxyPort", "Telnet");
  v.sshPort = profile.GetString(kTransport, "SSH2Port", "SSH");
  v.sshVersion = profile.GetInt(kTransport, "SSH2Version", 1) == 0 ? 0 : 1;
  v.commPort = profile.GetString(kTransport, "CommPort", "COM1");
  v.baudRate = profile.GetString(kTransport, "BaudRate", "9600");
  v.dataLengthIndex = Clamp(profile.GetInt(kTransport, "DataLength", 2) + kDataLengthProfileOffset,
                            std::size(kDataBitsValues));
  v.parityIndex = Clamp(profile.GetInt(kTransport, "Parity", 0), std::size(kParityValues));
  v.stopBitsIndex = profile.GetInt(kTransport, "StopBits", 0) == kStopBitsValues[1] ? 1 : 0;
  v.flowControlIndex =
      Clamp(profile.GetInt(kTransport, "FlowControl", 0), std::size(kFlowControlChoices));
  v.modemIndex = std::max(profile.GetInt(kTransport, "ModemID", 0), 0);
  v.phoneNumber = profile.GetString(kTransport, "PhoneNum", "");
  v.shellCommand = profile.GetString(kTransport, "ShellCommand", "");
  return v;
}

std::string AcceptNewConnection(const NewConnectionValues& values, CSettingsSet& settings,
                                CProfile& profile) {
  const int index = Clamp(values.kindListIndex, kConnectionKindListSize);
  profile.BeginBatch();
  const auto kind = ConnectionKindByName(kConnectionKindList[index]);
  std::string error;
  switch (kind.value_or(ConnectionKind::kTelnet)) {
    case ConnectionKind::kTelnet:
      error = CheckTelnet(values, settings, profile);
      break;
    case ConnectionKind::kTelnetProxy:
      error = CheckProxy(values, settings, profile);
      break;
    case ConnectionKind::kSerial:
      error = CheckSerial(values, settings, profile);
      break;
    case ConnectionKind::kLocal:
      settings.SetInt(S::HostType, 2);
      break;
    case ConnectionKind::kModem:
      error = CheckModem(values, settings, profile);
      break;
    case ConnectionKind::kSsh:
      error = CheckSsh(values, settings, profile);
      break;
    case ConnectionKind::kDebug:
      settings.SetInt(S::HostType, 4);
      break;
    case ConnectionKind::kLocalShell:
      settings.SetInt(S::HostType, static_cast<int>(TransportKind::kLocalShell));
      settings.SetStr(S::HostName, Trimmed(values.shellCommand));
      ChooseLocalShellTerminal(settings, false);
      profile.WriteString(kTransport, "ShellCommand", values.shellCommand);
      break;
  }
  if (error.empty() && values.termIdChoice >= 0)
    settings.SetInt(S::TermID, TermIdOfChoice(values.termIdChoice));
  if (error.empty()) profile.WriteInt(kTransport, "Type", index);
  profile.EndBatch();
  return error;
}

}  // namespace ostrane
