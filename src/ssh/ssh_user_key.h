// CSshUserKey: a user key pair of a kind current servers accept — ed25519, ECDSA P-256 or RSA
// (signing with rsa-sha2-512) — read from OpenSSH's private-key file format ("openssh-key-v1",
// unencrypted or protected by bcrypt-pbkdf and aes256-ctr), with its public blob, its one-line
// public form and the signature of publickey authentication.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "ssh/ssh_wire.h"

namespace ostrane {

enum class SshKeyFileError {
  kNone,
  kNotAKey,         // not an OpenSSH private key, or damaged
  kUnsupported,     // a key type, cipher or key derivation this program does not have
  kWrongPassphrase  // the passphrase does not open it (or one is needed and none was given)
};

// The kinds of pair the key manager creates, ed25519 first (the default).
enum class SshNewKeyType { kEd25519, kEcdsaP256, kRsa3072 };

class CSshUserKey {
 public:
  struct Parts;
  static CSshUserKey Generate(SshNewKeyType type, std::string comment);
  static std::optional<CSshUserKey> FromOpenSshFile(std::string_view text,
                                                    std::string_view passphrase,
                                                    SshKeyFileError& error);
  ~CSshUserKey();
  CSshUserKey(CSshUserKey&&) noexcept;
  CSshUserKey& operator=(CSshUserKey&&) noexcept;

  // "ssh-ed25519", "ecdsa-sha2-nistp256" or "ssh-rsa".
  const std::string& KeyType() const;
  // The algorithm of the publickey request: the key type, or "rsa-sha2-512" for RSA.
  std::string_view SignatureAlgorithm() const;
  const Bytes& PublicBlob() const;
  const std::string& Comment() const;
  // "type base64 comment".
  std::string PublicLine() const;
  // The signature string of the algorithm over the data (string name, string signature).
  Bytes Sign(ByteSpan data) const;
  // The OpenSSH private-key file: with a passphrase protected by bcrypt-pbkdf (random salt,
  // kNewKeyRounds rounds) and aes256-ctr, without one in the clear.
  std::string ToOpenSshFile(std::string_view passphrase) const;

 private:
  explicit CSshUserKey(std::unique_ptr<Parts> parts);
  std::unique_ptr<Parts> parts_;
};

// bcrypt-pbkdf rounds of the files this program writes (ssh-keygen's default).
inline constexpr uint32_t kNewKeyRounds = 16;

// The key type and public blob an OpenSSH private-key file carries in the clear (also for a
// protected file); nothing when the text is not such a file.
std::optional<std::pair<std::string, Bytes>> OpenSshFilePublicKey(std::string_view text);

// The text of SshKeyFileError for messages.
std::string_view SshKeyFileErrorText(SshKeyFileError error);

}  // namespace ostrane
