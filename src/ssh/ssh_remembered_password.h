// Where "Save Password" keeps a password: in the desktop's Secret Service when one runs — the
// SshPassword setting then holds only a marker — and otherwise in the setting itself, in the
// protected form (which anyone holding the session file can undo).
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

inline constexpr std::string_view kSecretServiceMarker = "{SecretService}";

// The value for SshPassword.
std::string RememberPassword(const std::string& host, const std::string& user,
                             const std::string& password);
// The password a SshPassword value stands for; empty when there is none (or the Secret Service
// no longer has it).
std::string RecallPassword(const std::string& host, const std::string& user,
                           const std::string& stored);
// True when a saved password would go to the Secret Service.
bool PasswordsGoToSecretService();

}  // namespace ostrane
