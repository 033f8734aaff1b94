#include "ssh/ssh_packet_reader.h"

#include <algorithm>
#include <cstring>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

// Unencrypted packets show their length in the first four bytes.
constexpr size_t kPlainFirst = 4;

}  // namespace

CSshPacketReader::CSshPacketReader() : buffer_(kSshMaxPacket) {}

ByteSpan CSshPacketReader::Payload() const {
  return {buffer_.data() + payloadStart_, payloadLength_};
}

void CSshPacketReader::Next() {
  state_ = State::kFirst;
  have_ = 0;
  total_ = 0;
  payloadLength_ = 0;
}

size_t CSshPacketReader::Collect(const uint8_t* data, size_t length, uint8_t* to, size_t want) {
  const size_t n = std::min(length, want - have_);
  std::memcpy(to + have_, data, n);
  have_ += n;
  return n;
}

size_t CSshPacketReader::Feed(const uint8_t* data, size_t length) {
  size_t used = 0;
  while (used < length && state_ != State::kComplete) {
    switch (state_) {
      case State::kFirst: {
        const size_t first = cipher_ ? cipher_->FirstSize() : kPlainFirst;
        used += Collect(data + used, length - used, buffer_.data(), first);
        if (have_ == first) StartRest();
        break;
      }
      case State::kRest:
        used += Collect(data + used, length - used, buffer_.data(), total_);
        if (have_ == total_) EndOfPacket();
        break;
      case State::kTag:
        used += Collect(data + used, length - used, tag_, cipher_->TagSize());
        if (have_ == cipher_->TagSize()) Finish();
        break;
      case State::kComplete:
        break;
    }
  }
  return used;
}

void CSshPacketReader::StartRest() {
  const uint32_t packetLength = cipher_
                                    ? cipher_->ReadLength(sequence_, buffer_.data())
                                    : (uint32_t{buffer_[0]} << 24) | (uint32_t{buffer_[1]} << 16) |
                                          (uint32_t{buffer_[2]} << 8) | buffer_[3];
  // Room for the padding-length byte, a message type and some padding.
  if (packetLength < 5 || packetLength > kSshMaxPacket - 4) throw CSshError(SshError::kUnexpected);
  total_ = size_t{packetLength} + 4;
  if (cipher_) {
    const size_t aligned = cipher_->LengthApart() ? packetLength : total_;
    if (aligned % cipher_->BlockSize() != 0) throw CSshError(SshError::kUnexpected);
  }
  state_ = State::kRest;
  if (have_ == total_) EndOfPacket();
}

void CSshPacketReader::EndOfPacket() {
  if (cipher_ && cipher_->TagSize() > 0) {
    state_ = State::kTag;
    have_ = 0;
  } else {
    Finish();
  }
}

void CSshPacketReader::Finish() {
  if (cipher_ && !cipher_->Open(sequence_, buffer_.data(), total_, tag_))
    throw CSshError(SshError::kBadMac);
  ++sequence_;
  const size_t padding = buffer_[4];
  const size_t packetLength = total_ - 4;
  if (padding + 2 > packetLength) throw CSshError(SshError::kUnexpected);
  payloadStart_ = 5;
  payloadLength_ = packetLength - padding - 1;
  state_ = State::kComplete;
}

}  // namespace ostrane
