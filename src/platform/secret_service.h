// The desktop's Secret Service (the keyring of the session bus), reached through libsecret's
// secret-tool so that nothing here links against the desktop's libraries. Each secret is found
// by its attributes (name-value pairs).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace ostrane::platform {

using SecretAttributes = std::vector<std::pair<std::string, std::string>>;

// True when a session bus is there and secret-tool is installed; the service itself may still
// refuse (no keyring daemon), which StoreSecret reports.
bool SecretServiceAvailable();
bool StoreSecret(const SecretAttributes& attributes, const std::string& label,
                 const std::string& secret);
std::optional<std::string> LookupSecret(const SecretAttributes& attributes);

}  // namespace ostrane::platform
