#include "emulator/soft_font.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace ostrane {
namespace {

CControlParams Params(std::string_view text) {
  CControlParams params;
  params.Clear();
  for (char c : text) params.Collect(static_cast<uint8_t>(c));
  return params;
}

bool Pixel(const SoftGlyph& glyph, int row, int column) {
  return (glyph.bits[row * glyph.strideBytes + column / 8] & (0x80 >> (column % 8))) != 0;
}

TEST(SoftFontTest, BitmapLayoutIsMsbFirstWithSixteenBitRows) {
  CSoftFont font;
  // Position 1 ("!"): first band "~?@" (column 0 full, column 2 top pixel), second band "B"
  // (rows 6 and 7 of column 0). Two bands derive a cell height of 16.
  font.Load(Params("0;1"), " @~?@/B");
  auto glyph = font.Glyph('!');
  ASSERT_TRUE(glyph.has_value());
  EXPECT_EQ(glyph->width, 3);
  EXPECT_EQ(glyph->height, 16);
  EXPECT_EQ(glyph->strideBytes, 2);
  EXPECT_EQ(glyph->bits[0], 0xA0);
  EXPECT_EQ(glyph->bits[1], 0x00);
  for (int row = 1; row < 8; ++row) EXPECT_EQ(glyph->bits[row * 2], 0x80) << row;
  for (int row = 8; row < 16; ++row) EXPECT_EQ(glyph->bits[row * 2], 0x00) << row;
}

TEST(SoftFontTest, CellHeightIsGivenOrDerivedFromTheFirstGlyph) {
  const struct {
    std::string_view params;
    std::string_view data;
    int height;
  } cases[] = {
      {"0;1", " @~~", 12},              // one band
      {"0;1", " @~~/~~", 16},           // exactly 12 pixels
      {"0;1", " @~~/~~/~~", 24},        // 18 pixels: six more
      {"0;1", " @~~;~~/~~/~~", 12},     // only the first glyph counts
      {"0;1", " @~~/~~/~~/~~/~~", 32},  // 36 pixels: clipped to what is kept
      {"0;1;0;0;0;0;10", " @~~/~~/~~", 10},
      {"0;1;0;0;0;0;99999", " @~~", 32},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.params) + " " + std::string(c.data));
    CSoftFont font;
    font.Load(Params(c.params), c.data);
    auto glyph = font.Glyph('!');
    ASSERT_TRUE(glyph.has_value());
    EXPECT_EQ(glyph->height, c.height);
  }
}

TEST(SoftFontTest, OversizedGlyphsAreClipped) {
  CSoftFont font;
  // 20 columns and 8 bands: width kept at 16, rows beyond 32 dropped.
  std::string data = " @" + std::string(20, '~');
  for (int band = 1; band < 8; ++band) data += "/" + std::string(20, '~');
  font.Load(Params("0;1"), data);
  auto glyph = font.Glyph('!');
  ASSERT_TRUE(glyph.has_value());
  EXPECT_EQ(glyph->width, kSoftFontMaxWidth);
  EXPECT_EQ(glyph->height, kSoftFontMaxHeight);
  EXPECT_TRUE(Pixel(*glyph, 31, 15));
  EXPECT_EQ(glyph->bits[31 * glyph->strideBytes + 1], 0xFF);
}

TEST(SoftFontTest, GlyphPositionsBeyondTheStoreAreDropped) {
  CSoftFont font;
  font.Load(Params("0;94"), " @~;~;~;~");
  EXPECT_FALSE(font.Glyph(0x7E).has_value());  // position 94 = 0x7E needs the 96-set flag
  EXPECT_FALSE(font.Glyph('!').has_value());   // nothing wraps around to the start
  CSoftFont font96;
  font96.Load(Params("0;94;0;0;0;0;0;1"), " @~;~;~;~");
  EXPECT_TRUE(font96.Glyph(0x7E).has_value());
  EXPECT_FALSE(font96.Glyph(0x7F).has_value());  // position 95 is stored but never shown

  CSoftFont far;
  far.Load(Params("0;2147483647"), " @~;~");
  EXPECT_TRUE(far.Empty());
  EXPECT_TRUE(far.Matches('@', Params("( ")));
}

TEST(SoftFontTest, SpaceAndTildeOnlyInANinetySixCharacterSet) {
  CSoftFont font94;
  font94.Load(Params("0;0"), " @~;~");
  EXPECT_FALSE(font94.Glyph(0x20).has_value());
  EXPECT_TRUE(font94.Glyph(0x21).has_value());
  CSoftFont font96;
  font96.Load(Params("0;0;0;0;0;0;0;1"), " @~;~");
  EXPECT_TRUE(font96.Glyph(0x20).has_value());
  EXPECT_FALSE(font96.Glyph(0x1F).has_value());
  EXPECT_FALSE(font96.Glyph(0x22).has_value());  // no glyph loaded there
}

TEST(SoftFontTest, EraseParameterAndReplacement) {
  CSoftFont font;
  font.Load(Params("0;1"), " @~;~");   // "!" and '"'
  font.Load(Params("0;1;1"), " @?@");  // Pe 1 keeps the others; "!" replaced by one pixel
  auto bang = font.Glyph('!');
  ASSERT_TRUE(bang.has_value());
  EXPECT_EQ(bang->bits[0], 0x40);  // column 0 empty, column 1 top pixel
  EXPECT_EQ(bang->bits[2], 0x00);
  EXPECT_TRUE(font.Glyph('"').has_value());

  font.Load(Params("0;3;2"), " @~");  // Pe 2 erases everything first
  EXPECT_FALSE(font.Glyph('!').has_value());
  EXPECT_TRUE(font.Glyph('#').has_value());

  font.Load(Params("0;5;1"), " @~;");  // a trailing separator adds no empty glyph
  EXPECT_FALSE(font.Glyph('&').has_value());
}

TEST(SoftFontTest, DesignatorMatching) {
  CSoftFont font;
  EXPECT_FALSE(font.Matches('@', Params("(")));
  EXPECT_FALSE(font.Matches(0, Params("(")));
  font.Load(Params("0;1"), " @~");
  EXPECT_TRUE(font.Matches('@', Params("( ")));
  EXPECT_TRUE(font.Matches('@', Params(" )")));
  EXPECT_FALSE(font.Matches('@', Params("(")));
  EXPECT_FALSE(font.Matches('A', Params("( ")));

  // Eleven intermediates: nine are kept.
  font.Load(Params("0;1"), " !\"#$%&'()*B~");
  EXPECT_TRUE(font.Matches('B', Params(" !\"#$%&'(")));
  EXPECT_FALSE(font.Matches('B', Params(" !\"#$%&'")));
}

TEST(SoftFontTest, StringsWithoutADesignatorChangeNothing) {
  CSoftFont font;
  font.Load(Params("0;1"), " @~");
  font.Load(Params("0;1"), "");
  font.Load(Params("0;1"), "  ");
  font.Load(Params("0;1"), std::string_view("\0 A~", 4));  // data ends at NUL
  EXPECT_TRUE(font.Glyph('!').has_value());
  EXPECT_TRUE(font.Matches('@', Params("( ")));
}

}  // namespace
}  // namespace ostrane
