// VtId: one value naming an escape or control sequence: its private marker and intermediates in
// the order they arrived, then its final byte. "?$p" and "$?p" are different functions, so order
// is part of the value. Tables of control functions are keyed by it.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrane {

class VtId {
 public:
  // Seven prefix bytes and the final fill the 64 bits. Longer prefixes name no function; such
  // an identifier keeps only its final.
  static constexpr size_t kMaxPrefix = 7;

  constexpr VtId() = default;
  // "?$p": the prefix bytes in order, then the final.
  constexpr explicit VtId(std::string_view text) {
    if (text.empty()) return;
    if (text.size() > kMaxPrefix + 1) {
      value_ = kUnmatched | static_cast<uint8_t>(text.back());
      return;
    }
    for (char c : text) value_ = value_ << 8 | static_cast<uint8_t>(c);
  }
  static constexpr VtId Pack(std::string_view prefix, uint8_t final) {
    VtId id;
    if (prefix.size() > kMaxPrefix) {
      id.value_ = kUnmatched | final;
      return id;
    }
    for (char c : prefix) id.value_ = id.value_ << 8 | static_cast<uint8_t>(c);
    id.value_ = id.value_ << 8 | final;
    return id;
  }

  constexpr uint64_t Value() const { return value_; }
  constexpr uint8_t Final() const { return static_cast<uint8_t>(value_); }
  constexpr bool HasPrefix() const { return value_ > 0xFF; }
  // The readable form ("?$p"), for test messages.
  std::string_view Text(char (&buffer)[kMaxPrefix + 2]) const {
    size_t n = 0;
    for (int shift = 56; shift >= 0; shift -= 8)
      if (const auto c = static_cast<char>(value_ >> shift); c != 0 || n > 0) buffer[n++] = c;
    return std::string_view(buffer, n);
  }

  friend constexpr bool operator==(VtId a, VtId b) { return a.value_ == b.value_; }

 private:
  // No table row has a prefix byte 0xFF, so an identifier with it matches no row.
  static constexpr uint64_t kUnmatched = uint64_t{0xFF} << 56;
  uint64_t value_ = 0;
};

}  // namespace ostrane
