#include "transport/telnet_decoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace ostrane {
namespace {

class CRecordingSink : public ITelnetCommandSink {
 public:
  void OnOption(uint8_t command, uint8_t option) override {
    events.push_back("OPT " + std::to_string(command) + " " + std::to_string(option));
  }
  void OnSubnegotiation(uint8_t option, const uint8_t* data, size_t length) override {
    events.push_back("SB " + std::to_string(option) + " " +
                     std::string(reinterpret_cast<const char*>(data), length));
    lastLength = length;
  }
  std::vector<std::string> events;
  size_t lastLength = 0;
};

// Decodes the whole input at once and byte by byte; both must agree.
std::string Decode(const std::string& input, CRecordingSink& sink) {
  CTelnetDecoder whole;
  std::string buffer = input;
  const size_t n = whole.Decode(reinterpret_cast<uint8_t*>(buffer.data()), buffer.size(), sink);
  CTelnetDecoder split;
  CRecordingSink splitSink;
  std::string pieces;
  for (char c : input) {
    uint8_t b = static_cast<uint8_t>(c);
    if (split.Decode(&b, 1, splitSink) == 1) pieces.push_back(static_cast<char>(b));
  }
  EXPECT_EQ(pieces, buffer.substr(0, n));
  EXPECT_EQ(splitSink.events, sink.events);
  return buffer.substr(0, n);
}

TEST(TelnetDecoder, DataEscapesAndLineEnds) {
  CRecordingSink sink;
  EXPECT_EQ(Decode("a\xff\xff"
                   "b",
                   sink),
            "a\xff"
            "b");
  EXPECT_EQ(Decode(std::string("x\r\0y", 4), sink), "x\ry");
  EXPECT_EQ(Decode("x\r\ny", sink), "x\r\ny");
  EXPECT_EQ(Decode("\r\r\n", sink), "\r\r\n");
  EXPECT_EQ(Decode(std::string("\r\r\0z", 4), sink), "\r\rz");
  EXPECT_TRUE(sink.events.empty());
}

TEST(TelnetDecoder, OptionCommandsAreTakenOutAndReported) {
  CRecordingSink sink;
  EXPECT_EQ(Decode("A\xff\xfd\x01"
                   "B\xff\xfb\x03\xff\xfe\x1f\xff\xfc\x18"
                   "C",
                   sink),
            "ABC");
  EXPECT_EQ(sink.events,
            (std::vector<std::string>{"OPT 253 1", "OPT 251 3", "OPT 254 31", "OPT 252 24"}));
}

TEST(TelnetDecoder, OtherTwoByteCommandsAreIgnored) {
  CRecordingSink sink;
  // NOP, GA, DM, AYT, and an SE without SB.
  EXPECT_EQ(Decode("a\xff\xf1"
                   "b\xff\xf9"
                   "c\xff\xf2"
                   "d\xff\xf6"
                   "e\xff\xf0"
                   "f",
                   sink),
            "abcdef");
  EXPECT_TRUE(sink.events.empty());
}

TEST(TelnetDecoder, SubnegotiationKeepsEscapedIacAndEndsAtSe) {
  CRecordingSink sink;
  EXPECT_EQ(Decode("x\xff\xfa\x18\x01\xff\xff"
                   "q\xff\xf0y",
                   sink),
            "xy");
  ASSERT_EQ(sink.events.size(), 1u);
  // IAC followed by anything but SE inside a subnegotiation is kept as IAC and the byte.
  EXPECT_EQ(sink.events[0],
            "SB 24 \x01\xff\xff"
            "q");
}

TEST(TelnetDecoder, LongSubnegotiationIsCutToCapacity) {
  CRecordingSink sink;
  const std::string body(1000, 'k');
  EXPECT_EQ(Decode("\xff\xfa\x18" + body +
                       "\xff\xf0"
                       "after",
                   sink),
            "after");
  EXPECT_EQ(sink.lastLength, kTelnetSubnegotiationCapacity);
}

TEST(TelnetDecoder, IacAfterCrStillStartsACommand) {
  CRecordingSink sink;
  EXPECT_EQ(Decode("\r\xff\xff"
                   "a",
                   sink),
            "\r\xff"
            "a");
  EXPECT_EQ(Decode("\r\xff\xfb\x01z", sink), "\rz");
  EXPECT_EQ(sink.events, std::vector<std::string>{"OPT 251 1"});
}

}  // namespace
}  // namespace ostrane
