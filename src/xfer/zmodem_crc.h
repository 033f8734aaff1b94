// The two checksums of ZModem: CRC-16 (polynomial 0x1021, initial 0, as XMODEM) and the standard
// CRC-32 (reflected 0xEDB88320, initial and final complement).
#pragma once

#include <cstddef>
#include <cstdint>

namespace ostrane {

uint16_t ZmodemCrc16(uint16_t crc, const uint8_t* data, size_t length);
inline uint16_t ZmodemCrc16(uint16_t crc, uint8_t byte) {
  return ZmodemCrc16(crc, &byte, 1);
}

// Works on the running (complemented) register: start with 0xFFFFFFFF, complement at the end.
uint32_t ZmodemCrc32Update(uint32_t crc, const uint8_t* data, size_t length);
inline uint32_t ZmodemCrc32(const uint8_t* data, size_t length) {
  return ~ZmodemCrc32Update(0xFFFFFFFFu, data, length);
}

}  // namespace ostrane
