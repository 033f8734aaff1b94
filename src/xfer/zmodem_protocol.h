// ZModem constants with the names of the published protocol, and the header record.
#pragma once

#include <array>
#include <cstdint>

namespace ostrane {

inline constexpr uint8_t ZPAD = '*';
inline constexpr uint8_t ZDLE = 0x18;  // also CAN
inline constexpr uint8_t CAN = 0x18;
inline constexpr uint8_t XON = 0x11;
inline constexpr uint8_t XOFF = 0x13;

// Header indicators after ZDLE; the lower-case forms carry a data length first.
inline constexpr uint8_t ZBIN = 'A';
inline constexpr uint8_t ZHEX = 'B';
inline constexpr uint8_t ZBIN32 = 'C';
inline constexpr uint8_t ZVBIN = 'a';
inline constexpr uint8_t ZVHEX = 'b';
inline constexpr uint8_t ZVBIN32 = 'c';

// Frame types.
enum ZFrameType : uint8_t {
  ZRQINIT = 0,
  ZRINIT = 1,
  ZSINIT = 2,
  ZACK = 3,
  ZFILE = 4,
  ZSKIP = 5,
  ZNAK = 6,
  ZABORT = 7,
  ZFIN = 8,
  ZRPOS = 9,
  ZDATA = 10,
  ZEOF = 11,
  ZFERR = 12,
  ZCRC = 13,
  ZCHALLENGE = 14,
  ZCOMPL = 15,
  ZCAN = 16,
  ZFREECNT = 17,
  ZCOMMAND = 18,
};

// Subpacket ends after ZDLE.
inline constexpr uint8_t ZCRCE = 'h';  // end of frame, header follows
inline constexpr uint8_t ZCRCG = 'i';  // more data follows, no answer wanted
inline constexpr uint8_t ZCRCQ = 'j';  // more data follows, answer ZACK
inline constexpr uint8_t ZCRCW = 'k';  // end of frame, answer ZACK
inline constexpr uint8_t ZRUB0 = 'l';  // 0x7F
inline constexpr uint8_t ZRUB1 = 'm';  // 0xFF

// Receiver capabilities in ZRINIT's ZF0 (the header's fourth data byte).
inline constexpr uint8_t CANFDX = 0x01;   // reads and writes at once
inline constexpr uint8_t CANOVIO = 0x02;  // receives while writing to disk
inline constexpr uint8_t CANFC32 = 0x20;  // understands CRC-32
inline constexpr uint8_t ESCCTL = 0x40;   // wants every control character escaped
// ZSINIT's ZF0: the sender wants every control character escaped.
inline constexpr uint8_t TESCCTL = 0x40;
// ZFILE's ZF0 and ZF1.
inline constexpr uint8_t ZCBIN = 1;   // binary transfer
inline constexpr uint8_t ZMCLOB = 4;  // replace an existing file

// How a header travels; the subpackets after it use the same CRC width.
enum class ZHeaderKind : uint8_t { kHex, kBin16, kBin32 };

// A decoded header. Positions are little-endian in data[0..3]; flags put ZF0 in data[3].
struct ZHeader {
  uint8_t type = 0;
  std::array<uint8_t, 4> data{};
  ZHeaderKind kind = ZHeaderKind::kHex;

  uint32_t Position() const {
    return data[0] | (uint32_t{data[1]} << 8) | (uint32_t{data[2]} << 16) |
           (uint32_t{data[3]} << 24);
  }
  static std::array<uint8_t, 4> FromPosition(uint32_t position) {
    return {static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8),
            static_cast<uint8_t>(position >> 16), static_cast<uint8_t>(position >> 24)};
  }
  // ZF0 in the last byte, as flag headers carry it.
  static std::array<uint8_t, 4> FromFlags(uint8_t zf0, uint8_t zf1 = 0, uint8_t zf2 = 0,
                                          uint8_t zf3 = 0) {
    return {zf3, zf2, zf1, zf0};
  }
};

}  // namespace ostrane
