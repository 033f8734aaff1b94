#include "ssh/ssh_packet_writer.h"

namespace ostrane {

namespace {

// Block size of unencrypted packets.
constexpr size_t kPlainBlock = 8;
constexpr size_t kMinPadding = 4;

}  // namespace

void CSshPacketWriter::Frame(ByteSpan payload, Bytes& out) {
  const size_t block = cipher_ ? cipher_->BlockSize() : kPlainBlock;
  // What the padding aligns: the whole packet, or everything after a length kept apart.
  const size_t aligned = (cipher_ && cipher_->LengthApart() ? 1 : 5) + payload.size();
  size_t padding = block - aligned % block;
  if (padding < kMinPadding) padding += block;
  const size_t packetLength = 1 + payload.size() + padding;
  const size_t start = out.size();
  const size_t tagSize = cipher_ ? cipher_->TagSize() : 0;
  out.resize(start + 4 + packetLength + tagSize);
  uint8_t* p = out.data() + start;
  p[0] = static_cast<uint8_t>(packetLength >> 24);
  p[1] = static_cast<uint8_t>(packetLength >> 16);
  p[2] = static_cast<uint8_t>(packetLength >> 8);
  p[3] = static_cast<uint8_t>(packetLength);
  p[4] = static_cast<uint8_t>(padding);
  std::copy(payload.begin(), payload.end(), p + 5);
  random_.GenerateBlock(p + 5 + payload.size(), padding);
  if (cipher_) cipher_->Seal(sequence_, p, 4 + packetLength, p + 4 + packetLength);
  ++sequence_;
}

}  // namespace ostrane
