#include "ssh/ssh_wire.h"

#include <cstring>

#include "ssh/ssh_error.h"

namespace ostrane {

void WipeBytes(Bytes& bytes) {
  if (!bytes.empty()) {
    volatile uint8_t* p = bytes.data();
    for (size_t i = 0; i < bytes.size(); ++i) p[i] = 0;
  }
  bytes.clear();
}

void WipeString(std::string& text) {
  if (!text.empty()) {
    volatile char* p = text.data();
    for (size_t i = 0; i < text.size(); ++i) p[i] = 0;
  }
  text.clear();
}

void CSshWriter::Uint32(uint32_t value) {
  const uint8_t b[4] = {static_cast<uint8_t>(value >> 24), static_cast<uint8_t>(value >> 16),
                        static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value)};
  out_.insert(out_.end(), b, b + 4);
}

void CSshWriter::String(ByteSpan bytes) {
  Uint32(static_cast<uint32_t>(bytes.size()));
  Raw(bytes);
}

void CSshWriter::MpintUnsigned(ByteSpan bigEndian) {
  size_t skip = 0;
  while (skip < bigEndian.size() && bigEndian[skip] == 0) ++skip;
  const ByteSpan digits = bigEndian.subspan(skip);
  // A set top bit would read as negative, so a zero byte goes first.
  const bool pad = !digits.empty() && (digits[0] & 0x80) != 0;
  Uint32(static_cast<uint32_t>(digits.size() + (pad ? 1 : 0)));
  if (pad) Byte(0);
  Raw(digits);
}

void CSshWriter::Mpint(const CryptoPP::Integer& value) {
  Bytes digits(value.MinEncodedSize());
  value.Encode(digits.data(), digits.size());
  MpintUnsigned(digits);
  WipeBytes(digits);
}

uint8_t CSshReader::Byte() {
  if (Remaining() < 1) throw CSshError(SshError::kUnexpected);
  return data_[at_++];
}

uint32_t CSshReader::Uint32() {
  const ByteSpan b = Raw(4);
  return (uint32_t{b[0]} << 24) | (uint32_t{b[1]} << 16) | (uint32_t{b[2]} << 8) | b[3];
}

ByteSpan CSshReader::Raw(size_t count) {
  if (Remaining() < count) throw CSshError(SshError::kUnexpected);
  const ByteSpan out(data_ + at_, count);
  at_ += count;
  return out;
}

ByteSpan CSshReader::String() {
  const uint32_t n = Uint32();
  return Raw(n);
}

CryptoPP::Integer CSshReader::Mpint() {
  const ByteSpan b = String();
  if (!b.empty() && (b[0] & 0x80) != 0) throw CSshError(SshError::kUnexpected);
  return CryptoPP::Integer(b.data(), b.size(), CryptoPP::Integer::UNSIGNED);
}

bool NameListContains(std::string_view list, std::string_view name) {
  while (!list.empty()) {
    const size_t comma = list.find(',');
    if (list.substr(0, comma) == name) return true;
    if (comma == std::string_view::npos) break;
    list.remove_prefix(comma + 1);
  }
  return false;
}

}  // namespace ostrane
