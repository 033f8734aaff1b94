#include "xfer/zmodem_encoder.h"

#include "xfer/zmodem_crc.h"

namespace ostrane {
namespace {

// Always escaped: ZDLE itself, the flow-control characters that links eat, DLE that some
// networks use as their own escape, and CR, which Telnet links may rewrite; each also with the
// high bit set.
constexpr uint8_t kAlwaysEscaped[] = {0x0D, 0x10, 0x11, 0x13, ZDLE, 0x8D, 0x90, 0x91, 0x93, 0x98};

constexpr char kHexDigits[] = "0123456789abcdef";

}  // namespace

CZmodemEncoder::CZmodemEncoder(std::vector<uint8_t>& out) : out_(out) {
  SetEscapeControls(false);
}

void CZmodemEncoder::SetEscapeControls(bool on) {
  escape_.fill(false);
  for (uint8_t byte : kAlwaysEscaped) escape_[byte] = true;
  if (on)
    for (unsigned byte = 0; byte < 256; ++byte)
      if ((byte & 0x60) == 0) escape_[byte] = true;
}

void CZmodemEncoder::HexHeader(uint8_t type, const std::array<uint8_t, 4>& data) {
  uint8_t body[5] = {type, data[0], data[1], data[2], data[3]};
  const uint16_t crc = ZmodemCrc16(0, body, sizeof body);
  const uint8_t crcBytes[2] = {static_cast<uint8_t>(crc >> 8), static_cast<uint8_t>(crc)};
  out_.insert(out_.end(), {ZPAD, ZPAD, ZDLE, ZHEX});
  auto hex = [this](uint8_t byte) {
    out_.push_back(static_cast<uint8_t>(kHexDigits[byte >> 4]));
    out_.push_back(static_cast<uint8_t>(kHexDigits[byte & 0x0F]));
  };
  for (uint8_t byte : body) hex(byte);
  for (uint8_t byte : crcBytes) hex(byte);
  // CR and LF with the high bit, so a line-mode host sees a line end; XON restarts a link that
  // a stray XOFF stopped. ZACK and ZFIN go without it: the peer may be about to leave.
  out_.push_back('\r');
  out_.push_back(0x8A);
  if (type != ZACK && type != ZFIN) out_.push_back(XON);
}

void CZmodemEncoder::BinaryHeader(uint8_t type, const std::array<uint8_t, 4>& data, bool crc32) {
  const uint8_t body[5] = {type, data[0], data[1], data[2], data[3]};
  out_.insert(out_.end(), {ZPAD, ZDLE, crc32 ? ZBIN32 : ZBIN});
  Escaped(body, sizeof body);
  if (crc32) {
    const uint32_t crc = ZmodemCrc32(body, sizeof body);
    for (int shift = 0; shift < 32; shift += 8) EscapedByte(static_cast<uint8_t>(crc >> shift));
  } else {
    const uint16_t crc = ZmodemCrc16(0, body, sizeof body);
    EscapedByte(static_cast<uint8_t>(crc >> 8));
    EscapedByte(static_cast<uint8_t>(crc));
  }
}

void CZmodemEncoder::Subpacket(const uint8_t* data, size_t length, uint8_t frameEnd, bool crc32) {
  Escaped(data, length);
  out_.push_back(ZDLE);
  out_.push_back(frameEnd);
  if (crc32) {
    uint32_t crc = ZmodemCrc32Update(0xFFFFFFFFu, data, length);
    crc = ~ZmodemCrc32Update(crc, &frameEnd, 1);
    for (int shift = 0; shift < 32; shift += 8) EscapedByte(static_cast<uint8_t>(crc >> shift));
  } else {
    const uint16_t crc = ZmodemCrc16(ZmodemCrc16(0, data, length), frameEnd);
    EscapedByte(static_cast<uint8_t>(crc >> 8));
    EscapedByte(static_cast<uint8_t>(crc));
  }
}

void CZmodemEncoder::Raw(const uint8_t* data, size_t length) {
  out_.insert(out_.end(), data, data + length);
}

void CZmodemEncoder::Escaped(const uint8_t* data, size_t length) {
  // Reserve for the worst case once, then copy runs of plain bytes at a time.
  out_.reserve(out_.size() + 2 * length);
  size_t start = 0;
  for (size_t i = 0; i < length; ++i) {
    if (!escape_[data[i]]) continue;
    out_.insert(out_.end(), data + start, data + i);
    out_.push_back(ZDLE);
    out_.push_back(data[i] ^ 0x40);
    start = i + 1;
  }
  out_.insert(out_.end(), data + start, data + length);
}

void CZmodemEncoder::EscapedByte(uint8_t byte) {
  if (escape_[byte]) {
    out_.push_back(ZDLE);
    out_.push_back(byte ^ 0x40);
  } else {
    out_.push_back(byte);
  }
}

}  // namespace ostrane
