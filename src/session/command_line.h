// The program's command line: options -E, -F, -H, -P, -S, a session file or a Telnet address,
// and the Telnet address rule shared with the address book.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "session/host_address.h"

namespace ostrane {

inline constexpr int kTelnetDefaultPort = 23;
inline constexpr int kSshDefaultPort = 22;
// Port digits beyond this are not read further; the value is then out of range.
inline constexpr int kPortLimit = kMaxPort + 1;

struct HostAddress {
  std::string host;
  int port = 0;
};

// The address book's rule: "TELNET:" (any case), then "//", then one trailing "/" are dropped; a
// ":" separates the host from a decimal port (as far as digits go, none giving 0), an IPv6
// literal goes in brackets. Without a port the port is defaultPort.
HostAddress SplitHostAddress(std::string_view address, int defaultPort);

// One command-line string split into items: blanks and tabs separate; an item beginning with a
// double quote runs to the closing quote (kept in the item) or to the end.
std::vector<std::string> SplitCommandLine(std::string_view line);

enum class CommandLineAction { kNothing, kOpenFile, kTelnet, kFail };

struct CommandLineRequest {
  CommandLineAction action = CommandLineAction::kNothing;
  bool openWithoutConnecting = false;  // -E
  std::string path;                    // kOpenFile
  std::string host;                    // kTelnet
  int port = kTelnetDefaultPort;       // kTelnet
  std::string script;                  // -S, empty when not given
  std::string error;                   // kFail: why the command line was refused
};

inline constexpr char kTextNotSessionFile[] = " is not a session file.";

// Interprets the items (program name excluded). fileExists tells whether a path names a regular
// file; otherExists, when given, whether it names something else on disk (a folder, FIFO or
// device), which is refused rather than taken for a host name.
CommandLineRequest InterpretCommandLine(
    const std::vector<std::string>& items,
    const std::function<bool(const std::string&)>& fileExists,
    const std::function<bool(const std::string&)>& otherExists = nullptr);

}  // namespace ostrane
