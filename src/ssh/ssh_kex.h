// The key-exchange methods the client can negotiate: Diffie-Hellman over a fixed group, ECDH on
// NIST P-256 and X25519, each with the hash that makes its exchange hash and derives the keys.
#pragma once

#include <memory>
#include <span>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

enum class SshHash { kSha1, kSha256, kSha512 };

// One run of a key exchange.
class ISshKeyExchange {
 public:
  virtual ~ISshKeyExchange() = default;
  // e or Q_C, encoded as it goes into the init message and into the exchange hash.
  virtual void WriteClientValue(CSshWriter& out) const = 0;
  // Reads f or Q_S, appends its encoding to the hash input and returns the shared secret K as an
  // mpint. A value outside its group raises "Error while exchanging the key.".
  virtual Bytes ReadServerValue(CSshReader& in, CSshWriter& hashInput) = 0;
};

struct SshKexInfo {
  std::string_view name;
  SshHash hash;
  std::unique_ptr<ISshKeyExchange> (*make)();
};

// In order of preference; the old method last.
std::span<const SshKexInfo> SshKexMethods();
const SshKexInfo* FindSshKex(std::string_view name);

Bytes SshDigest(SshHash hash, std::initializer_list<ByteSpan> parts);

// The key material of RFC 4253 section 7.2 for one letter, at least `size` bytes long.
Bytes DeriveSshKey(SshHash hash, ByteSpan sharedMpint, ByteSpan exchangeHash, char letter,
                   ByteSpan sessionId, size_t size);

}  // namespace ostrane
