// ZModem framing: CRCs, headers and subpackets through the encoder and back through the
// decoder, whole, byte by byte and in random chunks.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "xfer/zmodem_crc.h"
#include "xfer/zmodem_decoder.h"
#include "xfer/zmodem_encoder.h"

namespace ostrane {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Of(const std::string& text) {
  return Bytes(text.begin(), text.end());
}

// Records what the decoder finds as short strings; reads subpackets after ZDATA.
class CFrameLog final : public IZmodemFrameSink {
 public:
  explicit CFrameLog(CZmodemDecoder& decoder) : decoder_(decoder) {}
  std::vector<std::string> events;

  void OnHeader(const ZHeader& header) override {
    std::string event = "H" + std::to_string(header.type) + ":";
    for (uint8_t byte : header.data) event += std::to_string(byte) + ",";
    events.push_back(event);
    if (header.type == ZDATA) decoder_.ReadSubpackets();
  }
  void OnBadHeader() override { events.push_back("bad header"); }
  void OnSubpacket(const uint8_t* data, size_t length, uint8_t frameEnd) override {
    events.push_back(std::string("S") + static_cast<char>(frameEnd) + ":" +
                     std::string(reinterpret_cast<const char*>(data), length));
  }
  void OnBadSubpacket() override { events.push_back("bad subpacket"); }
  void OnCancel() override { events.push_back("cancel"); }

 private:
  CZmodemDecoder& decoder_;
};

std::vector<std::string> Decode(const Bytes& stream, size_t chunk) {
  CZmodemDecoder decoder;
  CFrameLog log(decoder);
  for (size_t at = 0; at < stream.size(); at += chunk)
    decoder.Feed(stream.data() + at, std::min(chunk, stream.size() - at), log);
  return log.events;
}

TEST(ZmodemCrc, KnownAnswers) {
  const Bytes check = Of("123456789");
  EXPECT_EQ(ZmodemCrc16(0, check.data(), check.size()), 0x31C3);
  EXPECT_EQ(ZmodemCrc32(check.data(), check.size()), 0xCBF43926u);
  // The four-bytes-at-a-time path agrees with the byte path at every split.
  for (size_t split = 0; split <= check.size(); ++split) {
    uint32_t crc = ZmodemCrc32Update(0xFFFFFFFFu, check.data(), split);
    crc = ~ZmodemCrc32Update(crc, check.data() + split, check.size() - split);
    EXPECT_EQ(crc, 0xCBF43926u) << split;
  }
}

TEST(ZmodemEncoder, HexZrinitIsTheUsual21Bytes) {
  Bytes out;
  CZmodemEncoder(out).HexHeader(ZRINIT, ZHeader::FromFlags(0x23));
  EXPECT_EQ(out, Of("**\x18"
                    "B0100000023be50\r\x8a\x11"));
  out.clear();
  CZmodemEncoder(out).HexHeader(ZRQINIT, {});
  EXPECT_EQ(out, Of("**\x18"
                    "B00000000000000\r\x8a\x11"));
}

TEST(ZmodemEncoder, PositionBytesThatLinksEatAreEscaped) {
  Bytes out;
  CZmodemEncoder(out).BinaryHeader(ZDATA, ZHeader::FromPosition(0x0D11), true);
  // Type 10, then 0x11 and 0x0D as ZDLE 'Q' and ZDLE 'M'.
  const Bytes start = {'*', ZDLE, 'C', ZDATA, ZDLE, 0x51, ZDLE, 0x4D, 0, 0};
  EXPECT_TRUE(std::equal(start.begin(), start.end(), out.begin()));
}

TEST(ZmodemEncoder, EscapingControlsLeavesNoRawControlByteButZdle) {
  Bytes all(256);
  for (unsigned i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(i);
  for (bool controls : {false, true}) {
    Bytes out;
    CZmodemEncoder encoder(out);
    encoder.SetEscapeControls(controls);
    encoder.BinaryHeader(ZDATA, ZHeader::FromPosition(0x13111810), true);
    encoder.Subpacket(all.data(), all.size(), ZCRCW, true);
    for (uint8_t byte : out) {
      if (byte == ZDLE) continue;
      EXPECT_NE(byte & 0x7F, XON);
      EXPECT_NE(byte & 0x7F, XOFF);
      EXPECT_NE(byte & 0x7F, 0x0D);
      if (controls) {
        EXPECT_NE(byte & 0x60, 0) << int(byte);
      }
    }
  }
}

// Every kind of header and subpacket, with every byte value, comes back unchanged however the
// stream is cut.
TEST(ZmodemDecoder, RoundTripsEveryByteInEveryChunking) {
  Bytes all(256);
  for (unsigned i = 0; i < 256; ++i) all[i] = static_cast<uint8_t>(255 - i);
  Bytes stream;
  CZmodemEncoder encoder(stream);
  encoder.HexHeader(ZRPOS, ZHeader::FromPosition(0x9318110D));
  encoder.BinaryHeader(ZDATA, ZHeader::FromPosition(0x7F18FF00), false);
  encoder.Subpacket(all.data(), all.size(), ZCRCG, false);
  encoder.Subpacket(all.data(), 0, ZCRCE, false);
  encoder.SetEscapeControls(true);
  encoder.BinaryHeader(ZDATA, ZHeader::FromPosition(0x11131890), true);
  encoder.Subpacket(all.data(), all.size(), ZCRCQ, true);
  encoder.Subpacket(all.data(), 17, ZCRCW, true);

  const std::string allText(all.begin(), all.end());
  const std::vector<std::string> expected = {
      "H9:13,17,24,147,", "H10:0,255,24,127,",          "Si:" + allText, "Sh:", "H10:144,24,19,17,",
      "Sj:" + allText,    "Sk:" + allText.substr(0, 17)};
  EXPECT_EQ(Decode(stream, stream.size()), expected);
  EXPECT_EQ(Decode(stream, 1), expected);
  std::mt19937 random(5);
  for (int round = 0; round < 20; ++round) EXPECT_EQ(Decode(stream, 1 + random() % 40), expected);
}

TEST(ZmodemDecoder, DamageIsReportedAndTheNextFrameStillDecodes) {
  Bytes good;
  CZmodemEncoder encoder(good);
  encoder.HexHeader(ZACK, ZHeader::FromPosition(5));

  Bytes badHex = good;
  badHex[6] = '9';  // a data digit: the CRC no longer matches
  Bytes stream = badHex;
  stream.insert(stream.end(), good.begin(), good.end());
  EXPECT_EQ(Decode(stream, 3), (std::vector<std::string>{"bad header", "H3:5,0,0,0,"}));

  Bytes data;
  CZmodemEncoder dataEncoder(data);
  const Bytes payload = Of("payload bytes");
  dataEncoder.BinaryHeader(ZDATA, {}, true);
  dataEncoder.Subpacket(payload.data(), payload.size(), ZCRCW, true);
  data[data.size() - 8] ^= 0x01;  // inside the payload
  data.insert(data.end(), good.begin(), good.end());
  EXPECT_EQ(Decode(data, 1),
            (std::vector<std::string>{"H10:0,0,0,0,", "bad subpacket", "H3:5,0,0,0,"}));
}

// A hex header ends its line with CR and LF; a subpacket after it (ZSINIT's Attn) starts after
// them, even when its own data starts with a line feed.
TEST(ZmodemDecoder, SubpacketAfterAHexHeaderStartsAfterItsLineEnd) {
  const Bytes attn = Of("\nAT");
  Bytes stream;
  CZmodemEncoder encoder(stream);
  encoder.HexHeader(ZDATA, {});
  encoder.Subpacket(attn.data(), attn.size(), ZCRCW, false);
  EXPECT_EQ(Decode(stream, 1), (std::vector<std::string>{"H10:0,0,0,0,", "Sk:\nAT"}));
  EXPECT_EQ(Decode(stream, stream.size()), Decode(stream, 1));
}

TEST(ZmodemDecoder, SubpacketLongerThanTheCapIsDamaged) {
  for (size_t length : {kZmodemMaxSubpacket, kZmodemMaxSubpacket + 1}) {
    const Bytes payload(length, 'x');
    Bytes stream;
    CZmodemEncoder encoder(stream);
    encoder.BinaryHeader(ZDATA, {}, true);
    encoder.Subpacket(payload.data(), payload.size(), ZCRCE, true);
    const auto events = Decode(stream, 1000);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1] == "bad subpacket", length > kZmodemMaxSubpacket) << length;
  }
}

TEST(ZmodemDecoder, FiveCansCancelFourDoNot) {
  Bytes four(4, CAN);
  Bytes ack;
  CZmodemEncoder(ack).HexHeader(ZACK, {});
  four.insert(four.end(), ack.begin(), ack.end());
  EXPECT_EQ(Decode(four, 1), (std::vector<std::string>{"H3:0,0,0,0,"}));
  EXPECT_EQ(Decode(Bytes(5, CAN), 1), (std::vector<std::string>{"cancel"}));
  // In the middle of a subpacket too.
  Bytes stream;
  CZmodemEncoder encoder(stream);
  encoder.BinaryHeader(ZDATA, {}, false);
  stream.push_back('a');
  stream.insert(stream.end(), 5, CAN);
  EXPECT_EQ(Decode(stream, 2), (std::vector<std::string>{"H10:0,0,0,0,", "cancel"}));
}

TEST(ZmodemDecoder, FlowControlBytesFromTheLinkAreDropped) {
  const Bytes payload = Of("abc");
  Bytes clean;
  CZmodemEncoder encoder(clean);
  encoder.BinaryHeader(ZDATA, {}, true);
  encoder.Subpacket(payload.data(), payload.size(), ZCRCE, true);
  Bytes noisy;
  for (uint8_t byte : clean) {
    noisy.push_back(byte);
    noisy.push_back(XON);
    noisy.push_back(0x93);
  }
  EXPECT_EQ(Decode(noisy, 7), Decode(clean, 7));
}

TEST(ZmodemDecoder, VariableLengthHeadersAreReadAndOverlongOnesRefused) {
  // "b" with length 2: type, two data bytes, CRC.
  const uint8_t body[] = {ZRPOS, 0x34, 0x12};
  const uint16_t crc = ZmodemCrc16(0, body, sizeof body);
  char hex[32];
  std::snprintf(hex, sizeof hex, "02%02x%02x%02x%04x", body[0], body[1], body[2], crc);
  Bytes stream = {'*', '*', ZDLE, 'b'};
  for (const char* p = hex; *p; ++p) stream.push_back(static_cast<uint8_t>(*p));
  EXPECT_EQ(Decode(stream, 1), (std::vector<std::string>{"H9:52,18,0,0,"}));
  const Bytes tooLong =
      Of("**\x18"
         "bff");
  EXPECT_EQ(Decode(tooLong, 1), (std::vector<std::string>{"bad header"}));
}

}  // namespace
}  // namespace ostrane
