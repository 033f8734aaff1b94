// ISshPacketCipher: the protection of one direction's packets once keys are in place — a cipher
// with a MAC (MAC over the plain packet, or over the encrypted one for the -etm MACs), AES-GCM,
// or ChaCha20-Poly1305. A packet is uint32 length, byte padding length, payload, padding.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "ssh/ssh_wire.h"

namespace ostrane {

class ISshPacketCipher {
 public:
  virtual ~ISshPacketCipher() = default;
  // Padding makes the packet (or, when LengthApart, everything after the length) a multiple.
  virtual size_t BlockSize() const = 0;
  virtual size_t TagSize() const = 0;
  // The length field is outside the block alignment (etm, GCM, ChaCha20-Poly1305).
  virtual bool LengthApart() const = 0;
  // Bytes the receiver collects before it can know the packet length.
  virtual size_t FirstSize() const = 0;
  // Receiver: the packet length from the first FirstSize bytes (which may be decrypted in place).
  virtual uint32_t ReadLength(uint32_t sequence, uint8_t* first) = 0;
  // Receiver: checks the tag and decrypts the whole packet in place; false on a wrong tag.
  virtual bool Open(uint32_t sequence, uint8_t* packet, size_t length, const uint8_t* tag) = 0;
  // Sender: encrypts the packet in place and writes TagSize bytes of tag.
  virtual void Seal(uint32_t sequence, uint8_t* packet, size_t length, uint8_t* tag) = 0;
};

// A cipher or MAC the client can negotiate. Ciphers with their own tag need no MAC.
struct SshCipherInfo {
  std::string_view name;
  size_t keySize;
  size_t ivSize;
  size_t blockSize;
  bool ownTag;
};

struct SshMacInfo {
  std::string_view name;
  size_t keySize;
  size_t tagSize;
  bool encryptThenMac;
};

// In order of preference; the old set last.
std::span<const SshCipherInfo> SshCiphers();
std::span<const SshMacInfo> SshMacs();
const SshCipherInfo* FindSshCipher(std::string_view name);
const SshMacInfo* FindSshMac(std::string_view name);

// Keys are taken at their algorithm's sizes; macKey may be shorter than the MAC's key size (the
// 16-byte keys of servers that send bare DSS signatures). mac is null for ciphers with own tags.
std::unique_ptr<ISshPacketCipher> MakeSshPacketCipher(const SshCipherInfo& cipher,
                                                      const SshMacInfo* mac, bool encrypt,
                                                      ByteSpan key, ByteSpan iv, ByteSpan macKey);

}  // namespace ostrane
