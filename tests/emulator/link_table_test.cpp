#include "emulator/link_table.h"

#include <gtest/gtest.h>

#include <string>

namespace ostrane {
namespace {

TEST(LinkTable, TargetsAreKeptOnceAndRefusedOnesGiveNoLink) {
  CLinkTable links;
  const uint16_t a = links.Intern("https://a/");
  const uint16_t b = links.Intern("https://b/");
  EXPECT_NE(a, 0);
  EXPECT_NE(b, a);
  EXPECT_EQ(links.Intern("https://a/"), a);
  EXPECT_EQ(links.Uri(a), "https://a/");
  EXPECT_EQ(links.Uri(0), "");
  EXPECT_EQ(links.Uri(999), "");
  EXPECT_EQ(links.Intern(""), 0);
  EXPECT_EQ(links.Intern("http://a b/"), 0);
  EXPECT_EQ(links.Intern("http://a/\x1b[2J"), 0);
  EXPECT_EQ(links.Intern(std::string(kMaxLinkUri + 1, 'x')), 0);
  EXPECT_NE(links.Intern(std::string(kMaxLinkUri, 'x')), 0);
}

// A full table gives new targets no link, and never hands out a number already in use, so that
// text on the screen cannot come to open another target than its own.
TEST(LinkTable, AFullTableRefusesNewTargetsAndKeepsTheOldOnes) {
  CLinkTable links;
  uint16_t last = 0;
  for (int i = 0; i < 0xFFFF; ++i) {
    const uint16_t id = links.Intern("u" + std::to_string(i));
    ASSERT_EQ(id, last + 1);
    last = id;
  }
  EXPECT_EQ(links.Intern("one more"), 0);
  EXPECT_EQ(links.Intern("u7"), 8);
  EXPECT_EQ(links.Uri(0xFFFF), "u65534");
  // The memory cap: about two thousand long targets fill it before the count does.
  CLinkTable big;
  int kept = 0;
  while (big.Intern(std::to_string(kept) + std::string(kMaxLinkUri - 8, 'y')) != 0) ++kept;
  EXPECT_GT(kept, 1000);
  EXPECT_LT(kept, 4096);
}

}  // namespace
}  // namespace ostrane
