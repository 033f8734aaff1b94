#include "settings/control_string.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace ostrane {
namespace {

// Parses text and returns the bytes; fails the test when parsing reports an error.
std::string Parsed(std::string_view text) {
  std::string out;
  EXPECT_TRUE(ParseControlString(text, out)) << text;
  return out;
}

bool ParseFails(std::string_view text) {
  std::string out;
  return !ParseControlString(text, out);
}

TEST(ControlStringParse, NamesInAngleBrackets) {
  EXPECT_EQ("\r\n", Parsed("<CR><LF>"));
  EXPECT_EQ("a\x1b[0mb", Parsed("a<ESC>[0mb"));
  EXPECT_EQ("\x9b", Parsed("<CSI>"));
  EXPECT_EQ("\x7f", Parsed("<DEL>"));
  EXPECT_EQ("\x10", Parsed("<DLO>"));
  EXPECT_EQ(std::string(1, '\0'), Parsed("<NUL>"));
}

TEST(ControlStringParse, UnknownOrUnclosedNamesStayLiteral) {
  EXPECT_EQ("<cr>", Parsed("<cr>"));
  EXPECT_EQ("<Hello>", Parsed("<Hello>"));
  EXPECT_EQ("<DLE><CCH>", Parsed("<DLE><CCH>"));
  EXPECT_EQ("<>", Parsed("<>"));
  EXPECT_EQ("<ESC", Parsed("<ESC"));
  EXPECT_EQ("x<", Parsed("x<"));
  // The name runs to the first ">", so a second "<" belongs to it.
  EXPECT_EQ("<<ESC>", Parsed("<<ESC>"));
  // An unclosed "<" ends parsing: what follows is taken as it stands.
  EXPECT_EQ("<^A\\x", Parsed("<^A\\x"));
}

TEST(ControlStringParse, HexEscapes) {
  EXPECT_EQ("\x1b", Parsed("\\x1b"));
  EXPECT_EQ("\x1b", Parsed("\\x1B"));
  EXPECT_EQ(
      "\xff"
      "0",
      Parsed("\\xFF0"));
  EXPECT_EQ(std::string(1, '\0'), Parsed("\\x00"));
  EXPECT_TRUE(ParseFails("\\x1"));
  EXPECT_TRUE(ParseFails("\\x"));
  EXPECT_TRUE(ParseFails("\\xg0"));
  EXPECT_TRUE(ParseFails("\\x0g"));
  EXPECT_TRUE(ParseFails("ab\\x 1"));
}

TEST(ControlStringParse, FailureKeepsWhatWasParsedBefore) {
  std::string out;
  EXPECT_FALSE(ParseControlString("ab<CR>\\xZZ", out));
  EXPECT_EQ("ab\r", out);
}

TEST(ControlStringParse, BackslashEscapes) {
  EXPECT_EQ("\\", Parsed("\\\\"));
  EXPECT_EQ("<CR>", Parsed("\\<CR>"));
  EXPECT_EQ("^A", Parsed("\\^A"));
  EXPECT_EQ("\\q", Parsed("\\q"));
  EXPECT_EQ("\\n", Parsed("\\n"));
  EXPECT_EQ("\\", Parsed("\\"));
  EXPECT_EQ("ab\\", Parsed("ab\\"));
}

TEST(ControlStringParse, CaretControls) {
  EXPECT_EQ("\x1b", Parsed("^["));
  EXPECT_EQ("\x01", Parsed("^A"));
  EXPECT_EQ(std::string(1, '\0'), Parsed("^@"));
  EXPECT_EQ("\x1f", Parsed("^_"));
  EXPECT_EQ("\x1c", Parsed("^\\"));
  EXPECT_EQ("^a", Parsed("^a"));
  EXPECT_EQ("^?", Parsed("^?"));
  EXPECT_EQ("^", Parsed("^"));
  EXPECT_EQ("x^", Parsed("x^"));
  // The character after a caret is consumed with it, even when it would start a name.
  EXPECT_EQ("^<ESC>", Parsed("^<ESC>"));
}

TEST(ControlStringParse, PlainTextAndEightBitBytesPassThrough) {
  EXPECT_EQ("", Parsed(""));
  EXPECT_EQ("rz>", Parsed("rz>"));
  EXPECT_EQ("\xe9t\xe9", Parsed("\xe9t\xe9"));
}

TEST(ControlStringParse, AppendsToExistingOutput) {
  std::string out = "keep";
  EXPECT_TRUE(ParseControlString("<CR>", out));
  EXPECT_EQ("keep\r", out);
}

TEST(ControlStringFormat, EachKindOfByte) {
  EXPECT_EQ("<CSI>", FormatControlString("\x9b"));
  EXPECT_EQ("\\x85", FormatControlString("\x85"));
  EXPECT_EQ("\\x7f", FormatControlString("\x7f"));
  EXPECT_EQ("\\xff", FormatControlString("\xff"));
  EXPECT_EQ("\\xa0", FormatControlString("\xa0"));
  EXPECT_EQ("^@", FormatControlString(std::string(1, '\0')));
  EXPECT_EQ("^A", FormatControlString("\x01"));
  EXPECT_EQ("^I", FormatControlString("\t"));
  EXPECT_EQ("^_", FormatControlString("\x1f"));
  EXPECT_EQ("<LF><CR><ESC>", FormatControlString("\n\r\x1b"));
  EXPECT_EQ("\\<\\\\\\^", FormatControlString("<\\^"));
  EXPECT_EQ("rz<CR>", FormatControlString("rz\r"));
  EXPECT_EQ("a>b ~", FormatControlString("a>b ~"));
  EXPECT_EQ("", FormatControlString(""));
}

TEST(ControlStringRoundTrip, EverySingleByte) {
  for (int b = 0; b < 256; ++b) {
    const std::string bytes(1, static_cast<char>(b));
    EXPECT_EQ(bytes, Parsed(FormatControlString(bytes))) << b;
  }
}

TEST(ControlStringRoundTrip, EveryPairOfBytes) {
  // Pairs catch escapes that swallow or merge with their neighbour.
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      const std::string bytes{static_cast<char>(a), static_cast<char>(b)};
      ASSERT_EQ(bytes, Parsed(FormatControlString(bytes))) << a << "," << b;
    }
  }
}

TEST(ControlStringRoundTrip, RandomStrings) {
  std::mt19937 random(20240611);
  // Biased towards the characters the notation itself uses.
  const std::string special = "<>\\^x[@_ESCRLF0123456789abcdef";
  for (int round = 0; round < 2000; ++round) {
    std::string bytes;
    const int length = static_cast<int>(random() % 40);
    for (int i = 0; i < length; ++i) {
      if (random() % 2)
        bytes += special[random() % special.size()];
      else
        bytes += static_cast<char>(random() % 256);
    }
    ASSERT_EQ(bytes, Parsed(FormatControlString(bytes)));
  }
}

TEST(EscapeControls, ControlsBecomeHexAndTextStaysAsItIs) {
  EXPECT_EQ(EscapeControls("a\x1b]0;t\x07"
                           "b\x7f"),
            "a\\x1b]0;t\\x07b\\x7f");
  EXPECT_EQ(EscapeControls("line\nnext\tcol\r"), "line\nnext\tcol\\x0d");
  // C1 as UTF-8 (U+009B) is a control; other UTF-8 text, continuation bytes 80-9F included, is
  // not ("\u2026" is E2 80 A6).
  EXPECT_EQ(EscapeControls("x\xc2\x9by"), "x\\xc2\\x9by");
  EXPECT_EQ(EscapeControls("\xe2\x80\xa6 caf\xc3\xa9"), "\xe2\x80\xa6 caf\xc3\xa9");
  EXPECT_EQ(EscapeControls(std::string_view("\0z", 2)), "\\x00z");
  // A lone C2 at the end is left alone.
  EXPECT_EQ(EscapeControls("end\xc2"), "end\xc2");
}

}  // namespace
}  // namespace ostrane
