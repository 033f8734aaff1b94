// The packet layer of SSH protocol version 1.5: the CRC-32 that checks each packet, the triple
// DES that protects it once the session key is set, and the reader and writer that frame it.
// A packet is uint32 length (type, data and CRC), 1 to 8 bytes of padding bringing the rest to
// a multiple of 8, the type byte, the data and the CRC over padding, type and data.
#pragma once

#include <cryptopp/des.h>
#include <cryptopp/modes.h>
#include <cryptopp/osrng.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ssh/ssh_limits.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

// ISO 3309 CRC-32 with the reflected polynomial 0xEDB88320, initial value 0 and no final
// inversion, as version 1.5 uses it.
uint32_t Ssh1Crc32(ByteSpan bytes);

// Triple DES of version 1.5: three DES keys from session-key bytes 0-7, 8-15 and 16-23, each
// with its own CBC chain starting at a zero IV; encrypt-decrypt-encrypt on the way out and the
// reverse on the way in.
class CSsh1TripleDes {
 public:
  CSsh1TripleDes(ByteSpan sessionKey, bool encrypt);
  // length is a multiple of 8.
  void Process(uint8_t* data, size_t length);

 private:
  std::unique_ptr<CryptoPP::StreamTransformation> steps_[3];
};

// The SSH1 multiple-precision integer: uint16 bit count, then the bytes.
CryptoPP::Integer ReadSsh1Mpint(CSshReader& in);
void WriteSsh1Mpint(CSshWriter& out, const CryptoPP::Integer& value);

class CSsh1PacketReader {
 public:
  CSsh1PacketReader();
  // Takes bytes until a packet is complete; returns how many it took. A length outside the
  // packet limits raises "Unexpected response", a wrong CRC "Message authentication failed".
  size_t Feed(const uint8_t* data, size_t length);
  bool Complete() const { return complete_; }
  uint8_t Type() const { return buffer_[typeAt_]; }
  // The data after the type byte of the complete packet.
  ByteSpan Data() const { return {buffer_.data() + typeAt_ + 1, dataLength_}; }
  void Next();
  // From the next packet on.
  void SetCipher(std::unique_ptr<CSsh1TripleDes> cipher) { cipher_ = std::move(cipher); }

 private:
  std::unique_ptr<CSsh1TripleDes> cipher_;
  uint8_t lengthField_[4] = {};
  Bytes buffer_;
  size_t have_ = 0;
  size_t total_ = 0;  // padding, type, data and CRC; 0 while the length field is read
  size_t typeAt_ = 0;
  size_t dataLength_ = 0;
  bool complete_ = false;
};

// Not thread-safe: the protocol machine serialises its use.
class CSsh1PacketWriter {
 public:
  // Appends the packet's bytes, as they go on the wire, to out. data is at most kSsh1MaxData.
  void Frame(uint8_t type, ByteSpan data, Bytes& out);
  void SetCipher(std::unique_ptr<CSsh1TripleDes> cipher) { cipher_ = std::move(cipher); }
  bool Encrypted() const { return cipher_ != nullptr; }

 private:
  std::unique_ptr<CSsh1TripleDes> cipher_;
  CryptoPP::AutoSeededRandomPool random_;
};

}  // namespace ostrane
