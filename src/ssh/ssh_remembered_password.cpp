#include "ssh/ssh_remembered_password.h"

#include "platform/secret_service.h"
#include "ssh/ssh_password_protection.h"

namespace ostrane {

namespace {

platform::SecretAttributes Attributes(const std::string& host, const std::string& user) {
  return {{"service", "Secure Ostrane SSH"}, {"host", host}, {"user", user}};
}

}  // namespace

bool PasswordsGoToSecretService() {
  return platform::SecretServiceAvailable();
}

std::string RememberPassword(const std::string& host, const std::string& user,
                             const std::string& password) {
  if (password.empty()) return {};
  if (platform::StoreSecret(Attributes(host, user), "Secure Ostrane: " + user + "@" + host,
                            password))
    return std::string(kSecretServiceMarker);
  return ProtectPassword(password);
}

std::string RecallPassword(const std::string& host, const std::string& user,
                           const std::string& stored) {
  if (stored != kSecretServiceMarker) return UnprotectPassword(stored);
  return platform::LookupSecret(Attributes(host, user)).value_or(std::string());
}

}  // namespace ostrane
