// CSshPacketReader: collects the server's packets from the byte stream, checks their length and
// tag and decrypts them in its own buffer, without copying a packet more than once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "ssh/ssh_limits.h"
#include "ssh/ssh_packet_cipher.h"
#include "ssh/ssh_wire.h"

namespace ostrane {

class CSshPacketReader {
 public:
  CSshPacketReader();
  // Takes bytes until a packet is complete; returns how many it took. A bad length raises
  // "Unexpected response", a wrong tag "Message authentication failed".
  size_t Feed(const uint8_t* data, size_t length);
  bool Complete() const { return state_ == State::kComplete; }
  // The payload of the complete packet.
  ByteSpan Payload() const;
  // Makes room for the next packet.
  void Next();
  // Takes effect from the next packet on.
  void SetCipher(std::unique_ptr<ISshPacketCipher> cipher) { cipher_ = std::move(cipher); }
  bool Encrypted() const { return cipher_ != nullptr; }
  // The number the next packet gets (the complete one's is one less).
  uint32_t Sequence() const { return sequence_; }
  void ResetSequence() { sequence_ = 0; }

 private:
  enum class State { kFirst, kRest, kTag, kComplete };
  size_t Collect(const uint8_t* data, size_t length, uint8_t* to, size_t want);
  void StartRest();
  void EndOfPacket();
  void Finish();

  std::unique_ptr<ISshPacketCipher> cipher_;
  State state_ = State::kFirst;
  Bytes buffer_;
  uint8_t tag_[kSshMaxTag] = {};
  size_t have_ = 0;
  size_t total_ = 0;
  uint32_t sequence_ = 0;
  size_t payloadStart_ = 0;
  size_t payloadLength_ = 0;
};

}  // namespace ostrane
