// The host-key algorithms the client can negotiate, each with the key type its blob carries and
// the check of the server's signature over the exchange hash; and the key's fingerprint.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

struct SshHostKeyInfo {
  std::string_view name;
  std::string_view keyType;  // the name at the start of the key blob
  // signature is the whole signature string of the key-exchange reply.
  bool (*verify)(std::string_view name, ByteSpan keyBlob, ByteSpan signature, ByteSpan message);
};

// In order of preference; the old algorithm last.
std::span<const SshHostKeyInfo> SshHostKeyAlgorithms();
const SshHostKeyInfo* FindSshHostKey(std::string_view name);

// A signature string of exactly 40 bytes is a bare DSS signature without its type name.
inline constexpr size_t kBareDssSignature = 40;

// "SHA256:" and the unpadded Base64 of the blob's SHA-256 digest.
std::string SshFingerprint(ByteSpan keyBlob);

}  // namespace ostrane
