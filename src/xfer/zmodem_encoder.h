// CZmodemEncoder: writes ZModem headers and data subpackets, ZDLE-escaped, to a byte buffer.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xfer/zmodem_protocol.h"

namespace ostrane {

class CZmodemEncoder {
 public:
  explicit CZmodemEncoder(std::vector<uint8_t>& out);

  // Escape every control character as well (the peer asked with ESCCTL or TESCCTL).
  void SetEscapeControls(bool on);

  void HexHeader(uint8_t type, const std::array<uint8_t, 4>& data);
  void BinaryHeader(uint8_t type, const std::array<uint8_t, 4>& data, bool crc32);
  // A data subpacket ended by frameEnd (ZCRCE, ZCRCG, ZCRCQ or ZCRCW).
  void Subpacket(const uint8_t* data, size_t length, uint8_t frameEnd, bool crc32);
  void Raw(const uint8_t* data, size_t length);

 private:
  void Escaped(const uint8_t* data, size_t length);
  void EscapedByte(uint8_t byte);

  std::vector<uint8_t>& out_;
  std::array<bool, 256> escape_{};
};

}  // namespace ostrane
