// CZmodemDecoder: finds ZModem headers and data subpackets in a byte stream and checks their
// CRCs. A pure byte machine: what it finds goes to a sink, which tells it whether subpackets
// follow a header. Its state survives between calls, so a frame split across reads is whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "xfer/zmodem_limits.h"
#include "xfer/zmodem_protocol.h"

namespace ostrane {

class IZmodemFrameSink {
 public:
  virtual ~IZmodemFrameSink() = default;
  // A header whose CRC matched.
  virtual void OnHeader(const ZHeader& header) = 0;
  // A header with a bad CRC, a bad hex digit or an impossible length; it is dropped.
  virtual void OnBadHeader() = 0;
  // A subpacket whose CRC matched; length is at most kZmodemMaxSubpacket.
  virtual void OnSubpacket(const uint8_t* data, size_t length, uint8_t frameEnd) = 0;
  // A subpacket with a bad CRC, a bad escape or too many bytes; the decoder hunts again.
  virtual void OnBadSubpacket() = 0;
  // kZmodemCancelCount CAN bytes in a row: the peer cancels the transfer.
  virtual void OnCancel() = 0;
};

class CZmodemDecoder {
 public:
  CZmodemDecoder();

  // Returns how many bytes were taken: all of them unless the sink called Halt.
  size_t Feed(const uint8_t* data, size_t length, IZmodemFrameSink& sink);

  // From OnHeader or OnSubpacket: the next bytes are subpackets, with the CRC width of the last
  // header. After a frame end of ZCRCE or ZCRCW the decoder hunts for a header again by itself.
  void ReadSubpackets() { state_ = State::kSubpacket; }
  // From a sink call: ignore what follows until the next header.
  void Hunt() { state_ = State::kHunt; }
  // From a sink call: stop taking bytes; the rest of the current Feed is left over.
  void Halt() { halted_ = true; }

 private:
  enum class State : uint8_t {
    kHunt,
    kIndicator,
    kHexLength,
    kHexHeader,
    kBinLength,
    kBinHeader,
    kSubpacket,
    kSubpacketCrc,
  };

  void Byte(uint8_t byte, IZmodemFrameSink& sink);
  void Unescaped(uint8_t byte, IZmodemFrameSink& sink);
  void StartHeader(uint8_t indicator);
  void HexDigit(uint8_t byte, IZmodemFrameSink& sink);
  void FinishHeader(IZmodemFrameSink& sink);
  void FinishSubpacket(IZmodemFrameSink& sink);
  void BadHeader(IZmodemFrameSink& sink);
  void BadSubpacket(IZmodemFrameSink& sink);
  size_t CopyPlainRun(const uint8_t* data, size_t length, IZmodemFrameSink& sink);

  State state_ = State::kHunt;
  bool escape_ = false;
  bool halted_ = false;
  // Bytes of a hex header's line end (CR, then LF) still to skip before what follows it.
  uint8_t hexLineEnd_ = 0;
  unsigned canRun_ = 0;
  ZHeaderKind kind_ = ZHeaderKind::kHex;
  ZHeaderKind lastKind_ = ZHeaderKind::kHex;
  // Header: type, data (up to kZmodemMaxHeaderData), CRC (up to 4).
  size_t headerDataLength_ = 4;
  size_t headerWanted_ = 0;
  size_t headerFill_ = 0;
  std::array<uint8_t, 1 + kZmodemMaxHeaderData + 4> header_{};
  uint8_t hexHigh_ = 0;
  bool hexHalf_ = false;
  // Subpacket data, then its frame end and CRC.
  std::vector<uint8_t> subpacket_;
  uint8_t frameEnd_ = 0;
  std::array<uint8_t, 4> crc_{};
  size_t crcFill_ = 0;
  std::array<bool, 256> special_{};
};

}  // namespace ostrane
