#include "xfer/zmodem_decoder.h"

#include <algorithm>

#include "xfer/zmodem_crc.h"

namespace ostrane {
namespace {

bool IsFlowControl(uint8_t byte) {
  return (byte & 0x7F) == XON || (byte & 0x7F) == XOFF;
}

int HexValue(uint8_t byte) {
  if (byte >= '0' && byte <= '9') return byte - '0';
  if (byte >= 'a' && byte <= 'f') return byte - 'a' + 10;
  if (byte >= 'A' && byte <= 'F') return byte - 'A' + 10;
  return -1;
}

size_t CrcWidth(ZHeaderKind kind) {
  return kind == ZHeaderKind::kBin32 ? 4 : 2;
}

}  // namespace

CZmodemDecoder::CZmodemDecoder() {
  subpacket_.reserve(kZmodemMaxSubpacket);
  special_[ZDLE] = true;
  for (uint8_t byte : {XON, XOFF}) {
    special_[byte] = true;
    special_[byte | 0x80] = true;
  }
}

size_t CZmodemDecoder::Feed(const uint8_t* data, size_t length, IZmodemFrameSink& sink) {
  halted_ = false;
  size_t i = 0;
  while (i < length) {
    if (halted_) {
      // The line end of the header that halted still belongs to it.
      if (hexLineEnd_ == 0 || (data[i] & 0x7F) != (hexLineEnd_ == 2 ? '\r' : '\n')) break;
      --hexLineEnd_;
      ++i;
      continue;
    }
    if (state_ == State::kSubpacket && !escape_ && hexLineEnd_ == 0) {
      // Bulk data between escapes is copied as it stands.
      const size_t run = CopyPlainRun(data + i, length - i, sink);
      i += run;
      if (run > 0) continue;
    }
    Byte(data[i++], sink);
  }
  return i;
}

size_t CZmodemDecoder::CopyPlainRun(const uint8_t* data, size_t length, IZmodemFrameSink& sink) {
  size_t run = 0;
  while (run < length && !special_[data[run]]) ++run;
  if (run == 0) return 0;
  canRun_ = 0;
  const size_t room = kZmodemMaxSubpacket - subpacket_.size();
  if (run > room) {
    BadSubpacket(sink);
    return run;
  }
  subpacket_.insert(subpacket_.end(), data, data + run);
  return run;
}

void CZmodemDecoder::Byte(uint8_t byte, IZmodemFrameSink& sink) {
  // Links may insert flow control anywhere; senders always escape these bytes.
  if (IsFlowControl(byte)) return;
  // A hex header ends its line with CR and LF (either may carry the high bit); a subpacket
  // that follows starts after them.
  if (hexLineEnd_ > 0) {
    const uint8_t expected = hexLineEnd_ == 2 ? '\r' : '\n';
    --hexLineEnd_;
    if ((byte & 0x7F) == expected) return;
    hexLineEnd_ = 0;
  }
  if (byte == CAN) {
    if (++canRun_ >= kZmodemCancelCount) {
      canRun_ = 0;
      escape_ = false;
      state_ = State::kHunt;
      sink.OnCancel();
      return;
    }
  } else {
    canRun_ = 0;
  }

  switch (state_) {
    case State::kHunt:
      if (byte == ZDLE) state_ = State::kIndicator;
      return;
    case State::kIndicator:
      if (byte == ZDLE) return;
      StartHeader(byte);
      return;
    case State::kHexLength:
    case State::kHexHeader:
      if (byte == ZDLE) {
        BadHeader(sink);
        state_ = State::kIndicator;
        return;
      }
      HexDigit(byte, sink);
      return;
    default:
      break;
  }

  // Binary header, subpacket and its CRC: ZDLE escapes.
  if (!escape_) {
    if (byte == ZDLE) {
      escape_ = true;
      return;
    }
    Unescaped(byte, sink);
    return;
  }
  if (byte == ZDLE) return;  // a run of CANs: still escaping
  escape_ = false;
  if (state_ == State::kSubpacket && byte >= ZCRCE && byte <= ZCRCW) {
    frameEnd_ = byte;
    crcFill_ = 0;
    state_ = State::kSubpacketCrc;
    return;
  }
  if (byte == ZRUB0) {
    Unescaped(0x7F, sink);
  } else if (byte == ZRUB1) {
    Unescaped(0xFF, sink);
  } else if ((byte & 0x60) == 0x40) {
    Unescaped(byte ^ 0x40, sink);
  } else if (state_ == State::kSubpacket || state_ == State::kSubpacketCrc) {
    BadSubpacket(sink);
  } else {
    BadHeader(sink);
  }
}

void CZmodemDecoder::Unescaped(uint8_t byte, IZmodemFrameSink& sink) {
  switch (state_) {
    case State::kBinLength:
      if (byte > kZmodemMaxHeaderData) {
        BadHeader(sink);
        return;
      }
      headerDataLength_ = byte;
      headerWanted_ = 1 + byte + CrcWidth(kind_);
      state_ = State::kBinHeader;
      return;
    case State::kBinHeader:
      header_[headerFill_++] = byte;
      if (headerFill_ == headerWanted_) FinishHeader(sink);
      return;
    case State::kSubpacket:
      if (subpacket_.size() >= kZmodemMaxSubpacket) {
        BadSubpacket(sink);
        return;
      }
      subpacket_.push_back(byte);
      return;
    case State::kSubpacketCrc:
      crc_[crcFill_++] = byte;
      if (crcFill_ == CrcWidth(lastKind_)) FinishSubpacket(sink);
      return;
    default:
      return;
  }
}

void CZmodemDecoder::StartHeader(uint8_t indicator) {
  struct Start {
    uint8_t indicator;
    ZHeaderKind kind;
    State state;
    bool variable;
  };
  static constexpr Start kStarts[] = {
      {ZBIN, ZHeaderKind::kBin16, State::kBinHeader, false},
      {ZHEX, ZHeaderKind::kHex, State::kHexHeader, false},
      {ZBIN32, ZHeaderKind::kBin32, State::kBinHeader, false},
      {ZVBIN, ZHeaderKind::kBin16, State::kBinLength, true},
      {ZVHEX, ZHeaderKind::kHex, State::kHexLength, true},
      {ZVBIN32, ZHeaderKind::kBin32, State::kBinLength, true},
  };
  const auto* start = std::find_if(std::begin(kStarts), std::end(kStarts),
                                   [&](const Start& s) { return s.indicator == indicator; });
  if (start == std::end(kStarts)) {
    state_ = State::kHunt;
    return;
  }
  kind_ = start->kind;
  state_ = start->state;
  escape_ = false;
  hexHalf_ = false;
  headerFill_ = 0;
  headerDataLength_ = 4;
  headerWanted_ = 1 + 4 + CrcWidth(kind_);
}

void CZmodemDecoder::HexDigit(uint8_t byte, IZmodemFrameSink& sink) {
  const int value = HexValue(byte);
  if (value < 0) {
    BadHeader(sink);
    return;
  }
  if (!hexHalf_) {
    hexHigh_ = static_cast<uint8_t>(value);
    hexHalf_ = true;
    return;
  }
  hexHalf_ = false;
  const auto decoded = static_cast<uint8_t>((hexHigh_ << 4) | value);
  if (state_ == State::kHexLength) {
    if (decoded > kZmodemMaxHeaderData) {
      BadHeader(sink);
      return;
    }
    headerDataLength_ = decoded;
    headerWanted_ = 1 + decoded + 2;
    state_ = State::kHexHeader;
    return;
  }
  header_[headerFill_++] = decoded;
  if (headerFill_ == headerWanted_) FinishHeader(sink);
}

void CZmodemDecoder::FinishHeader(IZmodemFrameSink& sink) {
  const size_t body = 1 + headerDataLength_;
  bool good;
  if (kind_ == ZHeaderKind::kBin32) {
    const uint32_t crc = ZmodemCrc32(header_.data(), body);
    good = header_[body] == (crc & 0xFF) && header_[body + 1] == ((crc >> 8) & 0xFF) &&
           header_[body + 2] == ((crc >> 16) & 0xFF) && header_[body + 3] == (crc >> 24);
  } else {
    good = ZmodemCrc16(0, header_.data(), body + 2) == 0;
  }
  state_ = State::kHunt;
  if (!good) {
    sink.OnBadHeader();
    return;
  }
  if (kind_ == ZHeaderKind::kHex) hexLineEnd_ = 2;
  ZHeader header;
  header.type = header_[0];
  header.kind = kind_;
  std::copy_n(header_.begin() + 1, std::min<size_t>(4, headerDataLength_), header.data.begin());
  lastKind_ = kind_;
  subpacket_.clear();
  sink.OnHeader(header);
}

void CZmodemDecoder::FinishSubpacket(IZmodemFrameSink& sink) {
  bool good;
  if (lastKind_ == ZHeaderKind::kBin32) {
    uint32_t crc = ZmodemCrc32Update(0xFFFFFFFFu, subpacket_.data(), subpacket_.size());
    crc = ~ZmodemCrc32Update(crc, &frameEnd_, 1);
    good = crc_[0] == (crc & 0xFF) && crc_[1] == ((crc >> 8) & 0xFF) &&
           crc_[2] == ((crc >> 16) & 0xFF) && crc_[3] == (crc >> 24);
  } else {
    uint16_t crc = ZmodemCrc16(0, subpacket_.data(), subpacket_.size());
    crc = ZmodemCrc16(ZmodemCrc16(crc, frameEnd_), crc_.data(), 2);
    good = crc == 0;
  }
  if (!good) {
    BadSubpacket(sink);
    return;
  }
  state_ = (frameEnd_ == ZCRCG || frameEnd_ == ZCRCQ) ? State::kSubpacket : State::kHunt;
  sink.OnSubpacket(subpacket_.data(), subpacket_.size(), frameEnd_);
  subpacket_.clear();
}

void CZmodemDecoder::BadHeader(IZmodemFrameSink& sink) {
  state_ = State::kHunt;
  escape_ = false;
  sink.OnBadHeader();
}

void CZmodemDecoder::BadSubpacket(IZmodemFrameSink& sink) {
  state_ = State::kHunt;
  escape_ = false;
  subpacket_.clear();
  sink.OnBadSubpacket();
}

}  // namespace ostrane
