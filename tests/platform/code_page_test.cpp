#include "platform/code_page.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ostrane::platform {
namespace {

TEST(CodePageTest, LeadBytesPerCodePage) {
  const struct {
    int codePage;
    uint8_t byte;
    bool lead;
  } cases[] = {
      {932, 0x81, true},  {932, 0x9F, true},   {932, 0xA1, false},
      {932, 0xE0, true},  {932, 0xFC, true},   {932, 0xFD, false},
      {936, 0x80, false}, {936, 0x81, true},   {936, 0xFE, true},
      {936, 0xFF, false}, {949, 0xB0, true},   {950, 0xA4, true},
      {950, 0x41, false}, {1252, 0xE9, false}, {kCodePageUtf8, 0xE4, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsLeadByte(c.codePage, c.byte), c.lead) << c.codePage << " " << int{c.byte};
  EXPECT_TRUE(IsDoubleByteCodePage(949));
  EXPECT_FALSE(IsDoubleByteCodePage(1252));
  EXPECT_FALSE(IsDoubleByteCodePage(kCodePageUtf8));
}

TEST(CodePageTest, DecodeDoubleByte) {
  EXPECT_EQ(DecodeDoubleByte(936, 0xD6, 0xD0), u'\u4E2D');
  EXPECT_EQ(DecodeDoubleByte(932, 0x92, 0x86), u'\u4E2D');
  EXPECT_EQ(DecodeDoubleByte(950, 0xA4, 0xA4), u'\u4E2D');
  EXPECT_EQ(DecodeDoubleByte(949, 0xC7, 0xD1), u'\uD55C');
  EXPECT_EQ(DecodeDoubleByte(936, 0x81, 0x7F), 0);    // invalid trail byte
  EXPECT_EQ(DecodeDoubleByte(932, 0xA1, 0xA2), 0);    // two single-byte characters
  EXPECT_EQ(DecodeDoubleByte(12345, 0x81, 0x40), 0);  // no such code page
}

TEST(CodePageTest, EncodeChar) {
  EXPECT_EQ(EncodeChar(1252, u'€'), "\x80");
  EXPECT_EQ(EncodeChar(1252, u'\u4E2D'), "");
  EXPECT_EQ(EncodeChar(936, u'\u4E2D'), "\xD6\xD0");
  EXPECT_EQ(EncodeChar(932, u'\u4E2D'), "\x92\x86");
  EXPECT_EQ(EncodeChar(kCodePageUtf8, u'\u4E2D'), "\xE4\xB8\xAD");
  EXPECT_EQ(EncodeChar(kCodePageUtf8, u'\xDC00'), "");
  EXPECT_EQ(EncodeChar(12345, u'A'), "");
}

TEST(CodePageTest, SystemCodePageOverride) {
  SetSystemCodePage(949);
  EXPECT_EQ(SystemCodePage(), 949);
  SetSystemCodePage(0);
  EXPECT_NE(SystemCodePage(), 949);
}

// Conversions share cached iconv descriptors; concurrent callers must each get whole results.
TEST(CodePageTest, ConcurrentConversionsStayCorrect) {
  std::atomic<int> failures{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&failures, t] {
      for (int i = 0; i < 2000; ++i) {
        if (t % 2 == 0) {
          if (DecodeDoubleByte(936, 0xD6, 0xD0) != u'\u4E2D') ++failures;
          if (EncodeChar(kCodePageUtf8, u'\u4E2D') != "\xE4\xB8\xAD") ++failures;
        } else {
          if (EncodeChar(936, u'\u4E2D') != "\xD6\xD0") ++failures;
          if (DecodeDoubleByte(932, 0x92, 0x86) != u'\u4E2D') ++failures;
        }
      }
    });
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(failures.load(), 0);
}

}  // namespace
}  // namespace ostrane::platform
