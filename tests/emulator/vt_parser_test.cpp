// The parser alone, with a sink that records every call as text: states, parameter collection,
// identifiers, controls inside sequences, device-control strings, and the same calls however
// the input is chunked.
#include "emulator/vt_parser.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

namespace ostrane {
namespace {

// Adjacent prints merge into one entry, so a log does not depend on where chunks split runs.
class CRecordingSink : public IVtParserSink {
 public:
  void Print(const uint8_t* bytes, size_t length, bool ascii) override {
    for (size_t i = 0; i < length; ++i) {
      if (ascii) {
        EXPECT_TRUE(bytes[i] >= 0x20 && bytes[i] < 0x7F);
      }
    }
    if (log.empty() || log.back().rfind("print:", 0) != 0) log.emplace_back("print:");
    log.back().append(reinterpret_cast<const char*>(bytes), length);
  }
  bool GraphicC1() override { return c1Graphic; }
  void Execute(uint8_t code) override {
    log.push_back("exec:" + Hex(code));
    if (suspendOnExecute) parser->Suspend();
  }
  void EscDispatch(VtId id, const CControlParams& p) override {
    log.push_back("esc:" + Show(id, p));
  }
  void CsiDispatch(VtId id, const CControlParams& p) override {
    log.push_back("csi:" + Show(id, p));
    if (suspendOnCsi) parser->Suspend();
  }
  bool DcsHook(VtId id, const CControlParams& p) override {
    log.push_back("hook:" + Show(id, p));
    return acceptDcs;
  }
  void OscDispatch(std::string_view data) override {
    log.push_back("osc:" + std::to_string(data.size()) + ":" + std::string(data.substr(0, 8)));
  }
  void DcsUnhook(VtId id, const CControlParams&, std::string_view data) override {
    char buffer[VtId::kMaxPrefix + 2];
    log.push_back("dcs:" + std::string(id.Text(buffer)) + " [" + std::string(data) + "]");
  }

  static std::string Hex(uint8_t b) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return {kDigits[b >> 4], kDigits[b & 15]};
  }
  // "?h 1;_;25": the identifier, then the parameters with omitted ones as "_".
  static std::string Show(VtId id, const CControlParams& p) {
    char buffer[VtId::kMaxPrefix + 2];
    std::string s(id.Text(buffer));
    for (int i = 0; i < p.Count(); ++i) {
      s += i == 0 ? " " : ";";
      s += p.Omitted(i) ? "_" : std::to_string(p.Param(i, 0));
    }
    return s;
  }

  CVtParser* parser = nullptr;
  bool c1Graphic = false;
  bool acceptDcs = true;
  bool suspendOnCsi = false;
  bool suspendOnExecute = false;
  std::vector<std::string> log;
};

class VtParserTest : public testing::Test {
 protected:
  VtParserTest() { sink.parser = &parser; }
  size_t Feed(std::string_view bytes) {
    return parser.Feed(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::vector<std::string> Log(std::string_view bytes) {
    Feed(bytes);
    return sink.log;
  }
  CRecordingSink sink;
  CVtParser parser{sink};
};

using Calls = std::vector<std::string>;

TEST_F(VtParserTest, StatesFollowIntroducersAndFinals) {
  Feed("\x1b");
  EXPECT_EQ(parser.State(), VtParserState::kEscape);
  Feed("[1;");
  EXPECT_EQ(parser.State(), VtParserState::kControlSequence);
  Feed("H");
  EXPECT_EQ(parser.State(), VtParserState::kGround);
  Feed("\x1bP");
  EXPECT_EQ(parser.State(), VtParserState::kDeviceControl);
  Feed("\x9c\x90");
  EXPECT_EQ(parser.State(), VtParserState::kDeviceControl);
  Feed("x\x9c\x9b");  // final "x", then the 8-bit string terminator
  EXPECT_EQ(parser.State(), VtParserState::kControlSequence);
  parser.Reset();
  EXPECT_EQ(parser.State(), VtParserState::kGround);
}

TEST_F(VtParserTest, ParametersOmittedExplicitAndDefaulted) {
  EXPECT_EQ(Log("\x1b[;5H\x1b[5;H\x1b[H\x1b[0;0H\x1b[;;m"),
            (Calls{"csi:H _;5", "csi:H 5", "csi:H", "csi:H 0;0", "csi:m _;_"}));
}

TEST_F(VtParserTest, ParameterValuesSaturateAndExtraParametersAreDropped) {
  std::string many = "\x1b[";
  for (int i = 1; i <= 40; ++i) many += std::to_string(i) + ";";
  many += "99999999999999999999m";
  Feed("\x1b[100000000000000000000@");
  Feed(many);
  ASSERT_EQ(sink.log.size(), 2u);
  EXPECT_EQ(sink.log[0], "csi:@ 2147483647");
  std::string kept = "csi:m";
  for (int i = 1; i <= 32; ++i) kept += (i == 1 ? " " : ";") + std::to_string(i);
  EXPECT_EQ(sink.log[1], kept);  // the 33rd parameter on, and the huge last one, are dropped
}

TEST_F(VtParserTest, MarkersAndIntermediatesKeepTheirOrderInTheIdentifier) {
  EXPECT_EQ(Log("\x1b[?1$p\x1b[$?1p\x1b[?\?25h\x1b[1 q\x1b#8\x1b(0"),
            (Calls{"csi:?$p 1", "csi:$?p 1", "csi:?h 25", "csi: q 1", "esc:#8", "esc:(0"}));
  EXPECT_NE(VtId("?$p"), VtId("$?p"));
  EXPECT_EQ(VtId::Pack("?$", 'p'), VtId("?$p"));
  // More intermediates than an identifier holds name no function.
  EXPECT_NE(VtId::Pack("!\"#$%&'(", 'p'), VtId::Pack("!\"#$%&'", 'p'));
  EXPECT_EQ(VtId::Pack("!\"#$%&'(", 'p'), VtId::Pack("()*+,-./", 'p'));
  EXPECT_EQ(VtId::Pack("!\"#$%&'(", 'p').Final(), 'p');
}

TEST_F(VtParserTest, EightBitIntroducersAndC1Controls) {
  EXPECT_EQ(Log("\x9b"
                "2J\x84\x85\x8d\x9a"),
            (Calls{"csi:J 2", "exec:84", "exec:85", "exec:8d", "exec:9a"}));
}

TEST_F(VtParserTest, C1BytesPrintWhenTheSinkSaysGrIsGraphic) {
  sink.c1Graphic = true;
  EXPECT_EQ(Log("a\x9b"
                "2J\x7f"),
            (Calls{"print:a\x9b"
                   "2J\x7f"}));
}

TEST_F(VtParserTest, CanAndSubAbortSequences) {
  // CAN reaches the sink (ZModem start detection); SUB does not. Neither prints.
  EXPECT_EQ(Log("\x1b[2\x18"
                "A\x1b[3\x1a"
                "B\x1b\x18"
                "7\x1bP1\x18"
                "C"),
            (Calls{"exec:18", "print:AB", "exec:18", "print:7",
                   "hook:\x18"
                   "C 1"}));
}

TEST_F(VtParserTest, ControlsInsideSequencesRunAndTheSequenceGoesOn) {
  EXPECT_EQ(Log("\x1b[5\bC\x1b(\nB\x1b[1;\x1b[3A\x1b[1\x9b"
                "2A"),
            (Calls{"exec:08", "csi:C 5", "exec:0a", "esc:(B", "csi:A 3", "csi:A 2"}));
}

TEST_F(VtParserTest, GrByteAbandonsAControlSequence) {
  EXPECT_EQ(Log("\x1b[5\xe9X"), (Calls{"print:X"}));
}

TEST_F(VtParserTest, DeviceControlStringsEndWithEitherTerminator) {
  EXPECT_EQ(Log("\x1bP$tone\x1b\\\x90\x31;2|two\x9c\x1bP{\x1b\\"),
            (Calls{"hook:$t", "dcs:$t [one]", "hook:| 1;2", "dcs:| [two]", "hook:{", "dcs:{ []"}));
}

TEST_F(VtParserTest, DeviceControlStringAbandonedByAnotherEscape) {
  EXPECT_EQ(Log("\x1bP$tabc\x1b[2J"), (Calls{"hook:$t", "csi:J 2"}));
  EXPECT_EQ(parser.State(), VtParserState::kGround);
}

TEST_F(VtParserTest, DeviceControlStringRefusedOrTooLongIsDroppedWhole) {
  sink.acceptDcs = false;
  Feed("\x1bPqdata\x1b\\");
  sink.acceptDcs = true;
  std::string huge = "\x1bP$t" + std::string(kMaxDeviceControlString, 'x');
  Feed(huge);
  Feed("yz\x1b\\");
  Feed("\x1bP$tok\x9c");
  EXPECT_EQ(sink.log, (Calls{"hook:q", "hook:$t", "hook:$t", "dcs:$t [ok]"}));
}

TEST_F(VtParserTest, DeviceControlStringAtExactlyItsLimitIsKept) {
  Feed("\x1bP|" + std::string(kMaxDeviceControlString, 'x') + "\x9c");
  ASSERT_EQ(sink.log.size(), 2u);
  EXPECT_EQ(sink.log[1].size(), std::string("dcs:| []").size() + kMaxDeviceControlString);
}

// With host strings on, an OSC at its limit is delivered, a longer one dropped whole, and the
// parser is back in Ground for what follows either; APC data never reaches the sink.
TEST_F(VtParserTest, HostStringsAreCappedAndDroppedWhole) {
  parser.SetHostStrings(true);
  Feed("\x1b]" + std::string(kMaxHostString, '2') + "\x07");
  Feed("\x1b]" + std::string(kMaxHostString + 1, '3') + "\x1b\\");
  Feed("\x1b_" + std::string(kMaxHostString * 2, 'a') + "\x9c" + "Z");
  EXPECT_EQ(sink.log, (Calls{"osc:" + std::to_string(kMaxHostString) + ":22222222", "print:Z"}));
  // Off, the same bytes are an escape sequence and text.
  sink.log.clear();
  parser.SetHostStrings(false);
  Feed("\x1b]0;t\x07");
  EXPECT_EQ(sink.log, (Calls{"esc:]", "print:0;t", "exec:07"}));
}

TEST_F(VtParserTest, SuspendStopsAfterTheByteBeingHandled) {
  sink.suspendOnCsi = true;
  EXPECT_EQ(Feed("ab\x1b[5iqrs"), 6u);
  EXPECT_EQ(sink.log, (Calls{"print:ab", "csi:i 5"}));
  sink.suspendOnCsi = false;
  sink.suspendOnExecute = true;
  EXPECT_EQ(Feed("\x18"
                 "B00"),
            1u);
  EXPECT_EQ(Feed("qrs"), 3u);  // each Feed starts afresh
}

// A sink that takes renditions on their own path and may claim to remember them.
class CRenditionSink : public CRecordingSink {
 public:
  bool RememberedRendition(uint64_t text) override {
    log.push_back("remembered?" + Text(text));
    return remember;
  }
  void SelectGraphicRendition(const CControlParams& p, std::optional<uint64_t> text) override {
    log.push_back("sgr:" + Show(VtId("m"), p) + (text ? " text=" + Text(*text) : " no text"));
  }
  static std::string Text(uint64_t text) {
    std::string s;
    for (; text != 0; text >>= 8) s += static_cast<char>(text & 0xFF);
    return s;
  }
  bool remember = false;
};

TEST(VtParserRendition, ShortRenditionsWholeInTheChunkArriveAsText) {
  CRenditionSink sink;
  CVtParser parser(sink);
  const std::string input =
      "\x1b[1;31mA\x1b[mB\x1b[1;32;44m\x1b[0;1;32;4m\x1b[?1m\x1b[5;5H.........";
  parser.Feed(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  EXPECT_EQ(sink.log,
            (Calls{"remembered?1;31", "sgr:m 1;31 text=1;31", "print:A", "remembered?",
                   "sgr:m text=", "print:B", "remembered?1;32;44", "sgr:m 1;32;44 text=1;32;44",
                   // Eight parameter bytes, a marker: the general path.
                   "sgr:m 0;1;32;4 no text", "csi:?m 1", "csi:H 5;5", "print:........."}));
}

TEST(VtParserRendition, ARememberedRenditionSkipsItsParametersAndASplitOneHasNoText) {
  CRenditionSink sink;
  sink.remember = true;
  CVtParser parser(sink);
  const std::string input = "\x1b[7mX\x1b[1;3";
  parser.Feed(reinterpret_cast<const uint8_t*>(input.data()), input.size());
  parser.Feed(reinterpret_cast<const uint8_t*>("4mY"), 3);
  EXPECT_EQ(sink.log, (Calls{"remembered?7", "print:X", "sgr:m 1;34 no text", "print:Y"}));
}

// Input from every byte class, so the whole-chunk path and the byte path meet the same cases.
std::string MixedInput(uint32_t seed) {
  static const std::vector<std::string> kPieces = {
      "plain text ", "\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "\x1b[1;31m", "\x1b[0m", "\r\n", "\x1b[?25l",
      "\x1b[$?1p",
      "\x9b"
      "5;5H",
      "\x1bP$tscript\x1b\\", "\x90|1;2/abc\x9c", "\x1bP{bad\x1b[K", "\x18", "\x1a", "\x1b(0",
      "\x1b#6", "\x84\x8e", "\x1b[1\x08;2H", "\x1b[5\xa9", "\x7f", "\xe4\xb8", "\x1b", "\x1b[",
      "\x1b[99999999999999m",
      // Parameter strings of up to eight bytes, read in one step when whole in the chunk:
      // omitted parameters first, between and last, and the longest number that fits.
      "\x1b[;5;;12H", "\x1b[12;;m", "\x1b[;m", "\x1b[99999999H", "\x1b[;;;;;;;;H", "\x1b[0;1m",
      // Long runs, taken eight bytes at a time, with DEL, C1 and C0 bytes at odd offsets.
      "abcdefghijklmnop\x7fqrstuvw\x85xyz0123456789ABCDEFG\x07HIJKLMNOPQRSTUVWXYZ",
      "\xd0\x9f\xd1\x80\xd0\xb8\xd0\xb2\xd0\xb5\xd1\x82 \xe4\xb8\x96\xe7\x95\x8c\x0d\x0a"};
  std::mt19937 random(seed);
  std::string s;
  for (int i = 0; i < 200; ++i) s += kPieces[random() % kPieces.size()];
  return s;
}

Calls FeedInChunks(const std::string& input, const std::vector<size_t>& chunks, bool c1Graphic) {
  CRecordingSink sink;
  sink.c1Graphic = c1Graphic;
  CVtParser parser(sink);
  const auto* data = reinterpret_cast<const uint8_t*>(input.data());
  size_t offset = 0;
  for (size_t i = 0; offset < input.size(); ++i) {
    const size_t n = chunks.empty() ? input.size() : chunks[i % chunks.size()];
    const size_t take = std::min(n, input.size() - offset);
    EXPECT_EQ(parser.Feed(data + offset, take), take);
    offset += take;
  }
  return sink.log;
}

TEST(VtParserChunking, WholeByteByByteAndRandomChunksGiveTheSameCalls) {
  for (uint32_t seed = 1; seed <= 20; ++seed) {
    const std::string input = MixedInput(seed);
    std::mt19937 random(seed);
    std::vector<size_t> chunks;
    for (int i = 0; i < 16; ++i) chunks.push_back(1 + random() % 40);
    for (bool c1 : {false, true}) {
      const Calls whole = FeedInChunks(input, {}, c1);
      EXPECT_EQ(FeedInChunks(input, {1}, c1), whole) << "seed " << seed;
      EXPECT_EQ(FeedInChunks(input, chunks, c1), whole) << "seed " << seed;
    }
  }
}

TEST(VtParserChunking, Utf8SplitAcrossChunksReachesThePrinterInOrder) {
  const std::string input = "\xe2\x82\xac\xc3\xa9\xf0\x9f\x98\x80x";
  for (size_t split = 1; split < input.size(); ++split) {
    const Calls log = FeedInChunks(input, {split}, true);
    EXPECT_EQ(log, Calls{"print:" + input}) << "split " << split;
  }
}

}  // namespace
}  // namespace ostrane
