// The SSH data encodings (RFC 4251 section 5): a writer that appends them to a byte vector and
// a reader whose every field is checked against the end of its input.
#pragma once

#include <cryptopp/integer.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ostrane {

using Bytes = std::vector<uint8_t>;
using ByteSpan = std::span<const uint8_t>;

// Overwrites a secret before its memory is given back.
void WipeBytes(Bytes& bytes);
void WipeString(std::string& text);

inline ByteSpan AsBytes(std::string_view text) {
  return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}
inline std::string_view AsText(ByteSpan bytes) {
  return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class CSshWriter {
 public:
  explicit CSshWriter(Bytes& out) : out_(out) {}
  void Byte(uint8_t value) { out_.push_back(value); }
  void Bool(bool value) { out_.push_back(value ? 1 : 0); }
  void Uint32(uint32_t value);
  void Raw(ByteSpan bytes) { out_.insert(out_.end(), bytes.begin(), bytes.end()); }
  void String(ByteSpan bytes);
  void String(std::string_view text) { String(AsBytes(text)); }
  // A non-negative number given as big-endian bytes, leading zeros allowed.
  void MpintUnsigned(ByteSpan bigEndian);
  void Mpint(const CryptoPP::Integer& value);

 private:
  Bytes& out_;
};

// Every read past the end raises the protocol error "Unexpected response from the server.".
class CSshReader {
 public:
  CSshReader(const uint8_t* data, size_t length) : data_(data), length_(length) {}
  explicit CSshReader(ByteSpan bytes) : CSshReader(bytes.data(), bytes.size()) {}
  uint8_t Byte();
  bool Bool() { return Byte() != 0; }
  uint32_t Uint32();
  ByteSpan Raw(size_t count);
  ByteSpan String();
  std::string_view Text() { return AsText(String()); }
  // A non-negative mpint; a negative one is a protocol error.
  CryptoPP::Integer Mpint();
  size_t Remaining() const { return length_ - at_; }
  bool AtEnd() const { return at_ == length_; }

 private:
  const uint8_t* data_;
  size_t length_;
  size_t at_ = 0;
};

// True when the comma-separated list holds the name.
bool NameListContains(std::string_view list, std::string_view name);

}  // namespace ostrane
