// ISshQuestions: the questions of the SSH client — authorization, password change, a new host
// key, the key password, key creation and keyboard-interactive prompts — on top of the message
// boxes of IQuestions. The desktop program shows them as dialogs; ostrane-cli answers them from
// its options. They are asked on the transport's worker thread, which waits for the answer.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/question_interface.h"

namespace ostrane {

inline constexpr std::string_view kSshAuthorizationTitle = "SSH Authorization";
inline constexpr std::string_view kChangePasswordTitle = "Change Password";
inline constexpr std::string_view kChangePasswordText =
    "The host requires you to change the password:";
inline constexpr std::string_view kChangePasswordRetryText =
    "Changing password failed. Please retry:";
inline constexpr std::string_view kNewHostKeyTitle = "New Host Key";
inline constexpr std::string_view kNewHostKeyText =
    "The public key received from the host is not recognized by this workstation.";
inline constexpr std::string_view kKeyPasswordText = "Password to access the key:";
inline constexpr std::string_view kRetryKeyPasswordTitle = "Retry Password";
inline constexpr std::string_view kRetryKeyPasswordText =
    "Sorry, the password you provided is incorrect, please try again:";
inline constexpr std::string_view kKeyCreationTitle = "Public Key/Private Key Creation";

// "SSH Authorization": a password (remembered when savePassword), or the stored key pair
// unlocked by the password.
// With usePublicKey and an identity file, the key is that OpenSSH private-key file and the
// password is its passphrase.
struct SshAuthorizationAnswer {
  std::string user;
  bool usePublicKey = false;
  std::string password;
  bool savePassword = false;
  std::string identityFile;
};

struct SshPasswordChangeAnswer {
  std::string oldPassword;
  std::string newPassword;
  bool savePassword = false;
};

struct SshHostKeyQuestion {
  std::string host;
  std::string keyText;      // the key's text form
  std::string fingerprint;  // "SHA256:..."
};

struct SshPrompt {
  std::string text;
  bool echo = false;
};

// One round of keyboard-interactive authentication (RFC 4256).
struct SshKeyboardQuestion {
  std::string host;
  std::string user;
  std::string name;
  std::string instruction;
  std::vector<SshPrompt> prompts;
};

// Whether a login may name an OpenSSH key file: only SSH2 reads them.
enum class SshKeyFiles : uint8_t { kOffered, kNotOffered };

class ISshQuestions : public IQuestions {
 public:
  // Nothing when the user cancelled. The server is named by host and port.
  virtual std::optional<SshAuthorizationAnswer> AskAuthorization(const std::string& host, int port,
                                                                 const std::string& user,
                                                                 SshKeyFiles keyFiles) = 0;
  // The server accepted the login the last answer to AskAuthorization started (its password
  // already wiped). Asked on the worker thread; it must not wait for the user.
  virtual void AuthorizationAccepted(const std::string& /*host*/, int /*port*/,
                                     const SshAuthorizationAnswer& /*answer*/) {}
  // retry: the previous change was refused.
  virtual std::optional<SshPasswordChangeAnswer> AskPasswordChange(const std::string& host,
                                                                   const std::string& user,
                                                                   bool retry) = 0;
  // True for "Accept", false for "Don't Accept".
  virtual bool AskNewHostKey(const SshHostKeyQuestion& question) = 0;
  // The password of the user's stored key pair; retry after a wrong one.
  virtual std::optional<std::string> AskKeyPassword(const std::string& user, bool retry) = 0;
  // The password that protects a key pair about to be created for the user.
  virtual std::optional<std::string> AskKeyCreation(const std::string& user) = 0;
  // One answer per prompt, in order.
  virtual std::optional<std::vector<std::string>> AskKeyboardInteractive(
      const SshKeyboardQuestion& question) = 0;
};

}  // namespace ostrane
