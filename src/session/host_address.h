// The one reader of "host[:port]" text, for the desktop program's command line, Telnet links,
// the address book and ostrane-cli: a host name, an IPv4 address, an IPv6 literal in brackets
// ("[::1]:2222") or a bare IPv6 literal (two or more ':' and no port).
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace ostrane {

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 65535;

// The parts of the text before the port is read: the host (brackets removed) and the port text
// after the separating ':' (hasPort false when there is no ':'). Nothing when the brackets are
// unbalanced or followed by anything but ":port"; then error says why.
struct HostPortText {
  std::string host;
  std::string_view portText;
  bool hasPort = false;
};
std::optional<HostPortText> SplitHostPortText(std::string_view text, std::string& error);

// A port given as text: decimal digits only, 1 to 65535. Nothing otherwise, with the reason.
std::optional<int> ParsePort(std::string_view text, std::string& error);

// A host with an optional port, checked strictly: a host is required and a port, when given,
// must be valid. Nothing on bad text; error then says what is wrong, quoting the text.
struct HostTarget {
  std::string host;
  std::optional<int> port;
};
std::optional<HostTarget> ParseHostTarget(std::string_view text, std::string& error);

}  // namespace ostrane
