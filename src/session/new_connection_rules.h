// The New Connection dialog without its window: the connection kinds, the port table, the
// start values kept in the profile section "Transport", and the checks that store a page's
// values into the new session's settings.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/profile.h"
#include "settings/settings_set.h"

namespace ostrane {

enum class ConnectionKind : int {
  kTelnet = 0,
  kSerial = 1,
  kLocal = 2,
  kModem = 3,
  kTelnetProxy = 4,
  kDebug = 5,
  kSsh = 6,
  kLocalShell = 7,
};

struct ConnectionKindInfo {
  ConnectionKind kind;
  const char* name;
  int hostType;  // the SSH kind writes 5 or 6 by protocol version
};

inline constexpr ConnectionKindInfo kConnectionKinds[] = {
    {ConnectionKind::kTelnet, "Telnet", 0},
    {ConnectionKind::kSerial, "Serial", 1},
    {ConnectionKind::kLocal, "Local", 2},
    {ConnectionKind::kModem, "Modem", 3},
    {ConnectionKind::kTelnetProxy, "Telnet Proxy", 0},
    {ConnectionKind::kDebug, "Debug", 4},
    {ConnectionKind::kSsh, "SSH", 5},
    {ConnectionKind::kLocalShell, "Local shell", 7},
};

// The kind list as offered, in this order ("Debug" is never offered).
inline constexpr const char* kConnectionKindList[] = {
    "Telnet", "Serial", "Modem", "Telnet Proxy", "SSH", "Local", "Local shell"};
inline constexpr int kConnectionKindListSize = 7;

// The "Port:" choices of the serial page: the serial devices under devRoot (by-id names first,
// as they survive replugging), then COM1-COM4, which the profile's [Serial] map resolves.
std::vector<std::string> SerialPortChoices(const std::string& devRoot = "/dev");
// The "Modem:" choices: the names of the modems in the profile's [Modems] list, in order.
std::vector<std::string> ModemChoices(const CProfile& profile);
// Empty when number is a telephone number the Modem page takes, else the message saying why not.
std::string CheckPhoneNumber(std::string_view number);

// The kind of a list text; nullopt for a text not in the kind table.
std::optional<ConnectionKind> ConnectionKindByName(std::string_view name);

// Port field text to number: a service name of the port table (any case), or decimal digits
// only (empty text gives 0). nullopt for any other text or a number above 65535.
std::optional<int> PortFromText(std::string_view text);
// Number to port field text: the service name when the table has one, else the digits.
std::string PortToText(int port);

// The list contents of the pages.
inline constexpr const char* kTelnetPortChoices[] = {"Telnet", "Echo"};
inline constexpr const char* kCommPortChoices[] = {"COM1", "COM2", "COM3", "COM4"};
// The standard rates a serial port takes, up to 4 000 000; other rates can be typed.
inline constexpr const char* kBaudRateChoices[] = {
    "300",    "600",    "1200",   "2400",   "4800",    "9600",    "19200",   "38400",   "57600",
    "115200", "230400", "460800", "921600", "1000000", "1500000", "2000000", "3000000", "4000000"};
inline constexpr const char* kDataLengthChoices[] = {"5", "6", "7", "8"};
inline constexpr const char* kParityChoices[] = {"No Parity", "Even", "Odd", "Mark", "Space"};
// One and a half stop bits is not offered: a serial port here cannot send them.
inline constexpr const char* kStopBitsChoices[] = {"1 Bit", "2 Bits"};
inline constexpr const char* kFlowControlChoices[] = {"None", "Xon/Xoff", "Hardware"};
// Version 1 is insecure: it is never the start choice, and its label says so.
inline constexpr const char* kSshVersionChoices[] = {
    "SSH 1 (Insecure; only for servers without SSH 2)",
    "SSH 2 (Newer protocol but requires server support)"};

// Everything the pages hold. Load gives the start values; the dialog edits them.
struct NewConnectionValues {
  int kindListIndex = 0;  // "Type"
  std::string telnetHost;
  std::string telnetPort = "Telnet";
  std::string proxyPageHost;
  std::string proxyPagePort = "Telnet";
  std::string proxyHost;
  std::string proxyPort = "Telnet";
  std::string commPort = "COM1";  // COMn or the path of a serial device
  std::string baudRate = "9600";
  int dataLengthIndex = 3;
  int parityIndex = 0;
  int stopBitsIndex = 0;
  int flowControlIndex = 0;
  int modemIndex = 0;
  std::string phoneNumber;
  std::string sshHost;
  std::string sshPort = "SSH";
  int sshVersion = 1;        // 1 = protocol version 2
  std::string shellCommand;  // empty: the login shell
  int termIdChoice = -1;     // "Terminal Type", an entry of kTermIdChoices; -1 keeps TermID

  // Start values from the "Transport" section and the first entries of the MRU lists.
  static NewConnectionValues Load(const CProfile& profile);
};

// Checks the page of the kind selected in the list; on success stores it into settings and the
// "Transport" values (with "Type") and returns an empty text; otherwise returns the message and
// stores nothing. The host goes into its MRU list only once the connection is made (below), so
// a mistyped host that never answers is not offered again.
std::string AcceptNewConnection(const NewConnectionValues& values, CSettingsSet& settings,
                                CProfile& profile);

// A new local-shell session is of the xterm type unless a terminal type was chosen for it
// (`termIdChosen`, or a TermID other than the default in the settings it starts from).
void ChooseLocalShellTerminal(CSettingsSet& settings, bool termIdChosen);

// The "Terminal Type" entry shown for a kind until the user picks one: the session's TermID, or
// the xterm type for a local shell that ChooseLocalShellTerminal would make one.
int StartTermIdChoice(int kindListIndex, const CSettingsSet& settings);

// The entry of an MRU list that a successful connection of the chosen kind adds.
struct RememberedHost {
  const char* section;
  std::string value;
};
std::optional<RememberedHost> HostToRemember(const NewConnectionValues& values);
void RememberHost(CProfile& profile, const RememberedHost& host);

// The messages of the checks.
inline constexpr char kTextNoHost[] = "Please input host name or address.";
inline constexpr char kTextBadTelnetPort[] = "Invalid Telnet port number.";
inline constexpr char kTextNoProxyHost[] = "Please specify address of both host and proxy.";
inline constexpr char kTextBadCommPort[] = "Invalid comm port name.";
inline constexpr char kTextBadBaudRate[] = "Invalid baud rate.";
inline constexpr char kTextUnsupportedBaudRate[] = "The serial port cannot run at this baud rate.";
inline constexpr char kTextNoPhone[] = "Please input the phone number.";
inline constexpr char kTextBadPhone[] = "Invalid character in phone number.";
inline constexpr char kTextTemplateFailed[] = "Cannot load settings from template.";
inline constexpr char kTextNoModem[] =
    "No modem installed. Please use Control Panel to install your modem.";

}  // namespace ostrane
