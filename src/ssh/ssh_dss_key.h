// CSshDssKey: an "ssh-dss" key (FIPS 186 DSA with SHA-1): the public key blob of RFC 4253, the
// user's key pair that signs authentication requests, and verification of host signatures.
#pragma once

#include <cryptopp/integer.h>

#include <optional>

#include "ssh/ssh_wire.h"

namespace ostrane {

class CSshDssKey {
 public:
  // A new 1024-bit key pair.
  static CSshDssKey Generate();
  // The public key from its blob (string "ssh-dss", mpint p, q, g, y); nothing when malformed.
  static std::optional<CSshDssKey> FromBlob(ByteSpan blob);
  ~CSshDssKey();
  CSshDssKey(const CSshDssKey&) = default;
  CSshDssKey& operator=(const CSshDssKey&) = default;
  CSshDssKey(CSshDssKey&&) = default;
  CSshDssKey& operator=(CSshDssKey&&) = default;

  Bytes PublicBlob() const;
  bool HasPrivate() const { return !x_.IsZero(); }
  const CryptoPP::Integer& PrivateValue() const { return x_; }
  void SetPrivateValue(const CryptoPP::Integer& x) { x_ = x; }
  // 40 bytes: r and s, 20 bytes each.
  Bytes Sign(ByteSpan message) const;
  bool Verify(ByteSpan message, ByteSpan rs) const;

 private:
  CSshDssKey() = default;
  CryptoPP::Integer p_, q_, g_, y_, x_;
};

}  // namespace ostrane
