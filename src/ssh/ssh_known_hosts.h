// The user's OpenSSH known_hosts file, read only: a host the user already trusts there is not
// asked about again, and a key that differs from the one listed is refused. Plain, comma-listed,
// wildcard, negated and hashed ("|1|salt|hash") host fields are understood; "@revoked" lines
// refuse their key and "@cert-authority" lines are not host keys.
#pragma once

#include <string>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

enum class KnownHostMatch {
  kUnknown,   // no line for this host and key type
  kMatch,     // a line lists this key for the host
  kMismatch,  // the host is listed with another key of the same type
  kRevoked,   // the key is marked revoked
};

// The standard port needs no brackets; any other is written "[host]:port".
inline constexpr int kSshStandardPort = 22;

// $HOME/.ssh/known_hosts.
std::string KnownHostsPath();

KnownHostMatch MatchKnownHosts(std::string_view fileText, std::string_view host, int port,
                               ByteSpan keyBlob);

// MatchKnownHosts over the file at KnownHostsPath (kUnknown when it cannot be read).
KnownHostMatch CheckKnownHostsFile(std::string_view host, int port, ByteSpan keyBlob);

}  // namespace ostrane
