#include "xfer/zmodem_crc.h"

#include <array>

namespace ostrane {
namespace {

constexpr std::array<uint16_t, 256> MakeCrc16Table() {
  std::array<uint16_t, 256> table{};
  for (unsigned i = 0; i < 256; ++i) {
    uint16_t crc = static_cast<uint16_t>(i << 8);
    for (int bit = 0; bit < 8; ++bit)
      crc = static_cast<uint16_t>((crc & 0x8000) ? (crc << 1) ^ 0x1021 : crc << 1);
    table[i] = crc;
  }
  return table;
}

// Four tables so the CRC-32 of bulk data takes four bytes per step.
constexpr std::array<std::array<uint32_t, 256>, 4> MakeCrc32Tables() {
  std::array<std::array<uint32_t, 256>, 4> tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t crc = i;
    for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0xEDB88320u : crc >> 1;
    tables[0][i] = crc;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int t = 1; t < 4; ++t)
      tables[t][i] = (tables[t - 1][i] >> 8) ^ tables[0][tables[t - 1][i] & 0xFF];
  return tables;
}

constexpr auto kCrc16Table = MakeCrc16Table();
constexpr auto kCrc32Tables = MakeCrc32Tables();

}  // namespace

uint16_t ZmodemCrc16(uint16_t crc, const uint8_t* data, size_t length) {
  for (size_t i = 0; i < length; ++i)
    crc = static_cast<uint16_t>((crc << 8) ^ kCrc16Table[((crc >> 8) ^ data[i]) & 0xFF]);
  return crc;
}

uint32_t ZmodemCrc32Update(uint32_t crc, const uint8_t* data, size_t length) {
  size_t i = 0;
  for (; i + 4 <= length; i += 4) {
    crc ^= data[i] | (uint32_t{data[i + 1]} << 8) | (uint32_t{data[i + 2]} << 16) |
           (uint32_t{data[i + 3]} << 24);
    crc = kCrc32Tables[3][crc & 0xFF] ^ kCrc32Tables[2][(crc >> 8) & 0xFF] ^
          kCrc32Tables[1][(crc >> 16) & 0xFF] ^ kCrc32Tables[0][crc >> 24];
  }
  for (; i < length; ++i) crc = (crc >> 8) ^ kCrc32Tables[0][(crc ^ data[i]) & 0xFF];
  return crc;
}

}  // namespace ostrane
