// CSsh1RsaKey: an RSA key of SSH protocol version 1.5 — the server and host keys that carry
// the session key (PKCS #1 version 1.5 encryption, block type 2) and the user's key pair that
// answers the server's challenge.
#pragma once

#include <cryptopp/integer.h>

#include <optional>
#include <string>

#include "ssh/ssh_wire.h"

namespace ostrane {

class CSsh1RsaKey {
 public:
  // A new key pair of the given size.
  static CSsh1RsaKey Generate(unsigned bits);
  // A public key; nothing for a modulus or exponent no RSA key can have.
  static std::optional<CSsh1RsaKey> FromPublic(const CryptoPP::Integer& modulus,
                                               const CryptoPP::Integer& exponent);
  // The key from the record body written by WriteRecordBody; nothing when malformed.
  static std::optional<CSsh1RsaKey> FromRecordBody(CSshReader& in);
  ~CSsh1RsaKey();
  CSsh1RsaKey(const CSsh1RsaKey&) = default;
  CSsh1RsaKey& operator=(const CSsh1RsaKey&) = default;
  CSsh1RsaKey(CSsh1RsaKey&&) = default;
  CSsh1RsaKey& operator=(CSsh1RsaKey&&) = default;

  const CryptoPP::Integer& Modulus() const { return n_; }
  const CryptoPP::Integer& Exponent() const { return e_; }
  unsigned Bits() const { return n_.BitCount(); }
  size_t ModulusBytes() const { return n_.ByteCount(); }
  bool HasPrivate() const { return !d_.IsZero(); }

  // The host-key blob of the key store: modulus then exponent, each as an SSH2 mpint.
  Bytes PublicBlob() const;
  // Modulus and exponent, then d, p, q, d mod (p-1), d mod (q-1) and q^-1 mod p, each as an
  // SSH2 mpint.
  void WriteRecordBody(CSshWriter& out) const;
  // One line: bits, exponent and modulus in decimal, and the comment.
  std::string PublicText(std::string_view comment) const;

  // PKCS #1 version 1.5 encryption (block type 2). The message must leave 11 bytes of the
  // modulus for the padding; otherwise "Internal error." is raised.
  CryptoPP::Integer Encrypt(ByteSpan message) const;
  // The message of a PKCS #1 block type 2; nothing when the padding is wrong.
  std::optional<Bytes> Decrypt(const CryptoPP::Integer& value) const;

 private:
  CSsh1RsaKey() = default;
  CryptoPP::Integer n_, e_, d_, p_, q_, u_;
};

}  // namespace ostrane
