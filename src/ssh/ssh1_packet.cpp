#include "ssh/ssh1_packet.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "ssh/ssh_error.h"

namespace ostrane {

namespace {

constexpr size_t kBlock = 8;
constexpr size_t kCrcSize = 4;
constexpr size_t kDesKeySize = 8;
// The session key bytes the three DES keys take.
constexpr size_t kTripleDesKeyBytes = 3 * kDesKeySize;
// SSH1 mpints carry a 16-bit bit count.
constexpr unsigned kMaxMpintBits = 0xffff;

constexpr std::array<uint32_t, 256> MakeCrcTable() {
  std::array<uint32_t, 256> table{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<uint32_t, 256> kCrcTable = MakeCrcTable();

uint32_t BigEndian32(const uint8_t* p) {
  return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | p[3];
}

void PutBigEndian32(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v >> 24);
  p[1] = static_cast<uint8_t>(v >> 16);
  p[2] = static_cast<uint8_t>(v >> 8);
  p[3] = static_cast<uint8_t>(v);
}

size_t PaddingFor(size_t length) {
  return kBlock - length % kBlock;
}

}  // namespace

uint32_t Ssh1Crc32(ByteSpan bytes) {
  uint32_t crc = 0;
  for (uint8_t b : bytes) crc = kCrcTable[(crc ^ b) & 0xff] ^ (crc >> 8);
  return crc;
}

CSsh1TripleDes::CSsh1TripleDes(ByteSpan sessionKey, bool encrypt) {
  if (sessionKey.size() < kTripleDesKeyBytes) throw CSshError(SshError::kInternal);
  const uint8_t zeroIv[kBlock] = {};
  using Enc = CryptoPP::CBC_Mode<CryptoPP::DES>::Encryption;
  using Dec = CryptoPP::CBC_Mode<CryptoPP::DES>::Decryption;
  for (size_t i = 0; i < 3; ++i) {
    // Decryption runs the keys backwards: decrypt with the third, encrypt with the second,
    // decrypt with the first.
    const size_t key = encrypt ? i : 2 - i;
    const uint8_t* k = sessionKey.data() + key * kDesKeySize;
    const bool forward = (i % 2 == 0) == encrypt;
    if (forward)
      steps_[i] = std::make_unique<Enc>(k, kDesKeySize, zeroIv);
    else
      steps_[i] = std::make_unique<Dec>(k, kDesKeySize, zeroIv);
  }
}

void CSsh1TripleDes::Process(uint8_t* data, size_t length) {
  for (auto& step : steps_) step->ProcessData(data, data, length);
}

CryptoPP::Integer ReadSsh1Mpint(CSshReader& in) {
  const uint8_t high = in.Byte();
  const unsigned bits = (unsigned{high} << 8) | in.Byte();
  const ByteSpan bytes = in.Raw((bits + 7) / 8);
  return CryptoPP::Integer(bytes.data(), bytes.size());
}

void WriteSsh1Mpint(CSshWriter& out, const CryptoPP::Integer& value) {
  const unsigned bits = value.BitCount();
  if (bits > kMaxMpintBits) throw CSshError(SshError::kInternal);
  out.Byte(static_cast<uint8_t>(bits >> 8));
  out.Byte(static_cast<uint8_t>(bits));
  Bytes bytes(value.MinEncodedSize());
  value.Encode(bytes.data(), bytes.size());
  if (bits == 0) bytes.clear();
  out.Raw(bytes);
}

CSsh1PacketReader::CSsh1PacketReader() : buffer_(kSsh1MaxPacket + kBlock) {}

void CSsh1PacketReader::Next() {
  have_ = 0;
  total_ = 0;
  complete_ = false;
}

size_t CSsh1PacketReader::Feed(const uint8_t* data, size_t length) {
  size_t used = 0;
  while (used < length && !complete_) {
    if (total_ == 0) {
      const size_t n = std::min(length - used, sizeof lengthField_ - have_);
      std::memcpy(lengthField_ + have_, data + used, n);
      have_ += n;
      used += n;
      if (have_ < sizeof lengthField_) continue;
      const uint32_t packetLength = BigEndian32(lengthField_);
      if (packetLength < kSsh1MinPacket || packetLength > kSsh1MaxPacket)
        throw CSshError(SshError::kUnexpected);
      total_ = packetLength + PaddingFor(packetLength);
      typeAt_ = PaddingFor(packetLength);
      dataLength_ = packetLength - kSsh1MinPacket;
      have_ = 0;
      continue;
    }
    const size_t n = std::min(length - used, total_ - have_);
    std::memcpy(buffer_.data() + have_, data + used, n);
    have_ += n;
    used += n;
    if (have_ < total_) continue;
    if (cipher_) cipher_->Process(buffer_.data(), total_);
    const size_t checked = total_ - kCrcSize;
    if (Ssh1Crc32(ByteSpan(buffer_.data(), checked)) != BigEndian32(buffer_.data() + checked))
      throw CSshError(SshError::kBadMac);
    complete_ = true;
  }
  return used;
}

void CSsh1PacketWriter::Frame(uint8_t type, ByteSpan data, Bytes& out) {
  const size_t length = data.size() + kSsh1MinPacket;
  const size_t padding = PaddingFor(length);
  const size_t start = out.size();
  out.resize(start + 4 + padding + length);
  uint8_t* p = out.data() + start;
  PutBigEndian32(p, static_cast<uint32_t>(length));
  uint8_t* body = p + 4;
  // Random padding once encrypted; before that it carries nothing worth hiding.
  if (cipher_)
    random_.GenerateBlock(body, padding);
  else
    std::memset(body, 0, padding);
  body[padding] = type;
  if (!data.empty()) std::memcpy(body + padding + 1, data.data(), data.size());
  const size_t checked = padding + 1 + data.size();
  PutBigEndian32(body + checked, Ssh1Crc32(ByteSpan(body, checked)));
  if (cipher_) cipher_->Process(body, padding + length);
}

}  // namespace ostrane
