// CSshPacketWriter: frames a payload as a packet (length, padding), numbers it, and encrypts and
// tags it once keys are in place. Not thread-safe: the protocol machine serialises its use.
#pragma once

#include <cryptopp/osrng.h>

#include <cstdint>
#include <memory>

#include "ssh/ssh_packet_cipher.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

class CSshPacketWriter {
 public:
  // Appends the packet's bytes, as they go on the wire, to out.
  void Frame(ByteSpan payload, Bytes& out);
  void SetCipher(std::unique_ptr<ISshPacketCipher> cipher) { cipher_ = std::move(cipher); }
  bool Encrypted() const { return cipher_ != nullptr; }
  uint32_t Sequence() const { return sequence_; }
  void ResetSequence() { sequence_ = 0; }

 private:
  std::unique_ptr<ISshPacketCipher> cipher_;
  CryptoPP::AutoSeededRandomPool random_;
  uint32_t sequence_ = 0;
};

}  // namespace ostrane
