// Colour resolution, line-drawing glyph table, scroll bars and font fitting of a terminal window.
#include <gtest/gtest.h>

#include "emulator/screen_buffer.h"
#include "session/colour_resolver.h"
#include "session/line_glyphs.h"
#include "session/view_geometry.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kSilver = 0xC0C0C0;
constexpr uint32_t kBlue = 0x0000FF;

TEST(ColourResolverTest, DarkAndLightScreensAndSelection) {
  CSettingsSet s;
  CColourResolver dark(s);
  EXPECT_EQ(dark.Resolve(0x0700, false, true).text, kSilver);
  EXPECT_EQ(dark.Resolve(0x0700, false, true).background, kBlack);
  EXPECT_EQ(dark.Resolve(0x0700, true, true).text, kBlack);  // selection inverts
  EXPECT_EQ(dark.WindowBackground(), kBlack);
  s.SetInt(S::DarkScreen, 0);
  CColourResolver light(s);
  EXPECT_EQ(light.Resolve(0x0700, false, true).text, kBlack);
  EXPECT_EQ(light.Resolve(0x0700, true, true).text, kSilver);
  // The area below the last line takes the foreground colour of 0x0700.
  EXPECT_EQ(light.WindowBackground(), kSilver);
}

// The 256 colours: the palette's sixteen in ANSI order, the 6x6x6 cube and the grey ramp.
TEST(ColourResolverTest, IndexedColours) {
  CSettingsSet s;
  const CColourResolver c(s);
  EXPECT_EQ(c.IndexedColour(1), c.Palette(1));    // red
  EXPECT_EQ(c.IndexedColour(3), c.Palette(4));    // yellow sits at 4 in the palette
  EXPECT_EQ(c.IndexedColour(4), c.Palette(3));    // and blue at 3
  EXPECT_EQ(c.IndexedColour(12), c.Palette(11));  // bright blue
  EXPECT_EQ(c.IndexedColour(16), 0x000000u);
  EXPECT_EQ(c.IndexedColour(196), 0xFF0000u);
  EXPECT_EQ(c.IndexedColour(110), 0x87AFD7u);
  EXPECT_EQ(c.IndexedColour(231), 0xFFFFFFu);
  EXPECT_EQ(c.IndexedColour(232), 0x080808u);
  EXPECT_EQ(c.IndexedColour(255), 0xEEEEEEu);
}

// Colours the host set (OSC 4) replace the palette's, for the word's fields and the 256.
TEST(ColourResolverTest, HostPaletteOverridesTheColours) {
  CSettingsSet s;
  CColourResolver c(s);
  HostPalette host;
  host.entries[1] = HostPalette::kSet | 0x123456;  // ANSI red: the word's field 1
  host.entries[4] = HostPalette::kSet | 0x000001;  // ANSI blue: the word's field 3
  host.entries[200] = HostPalette::kSet | 0xABCDEF;
  c.SetHostPalette(host);
  EXPECT_EQ(c.Resolve(0x1700, false, true).background, 0x123456u);
  EXPECT_EQ(c.Resolve(0x3700, false, true).background, 0x000001u);
  EXPECT_EQ(c.Resolve(0x0700, false, true).text, kSilver);
  EXPECT_EQ(c.IndexedColour(200), 0xABCDEFu);
  EXPECT_EQ(c.IndexedColour(201), 0xFF00FFu);
}

// The default colours the host set (OSC 10, 11) take the place of the word's 7 and 0 wherever
// they are drawn, light screen included; black and white named in the extra stay themselves.
TEST(ColourResolverTest, HostDefaultColoursFollowTheScreenAndSpareNamedBlackAndWhite) {
  CSettingsSet s;
  HostPalette host;
  host.dynamic[HostPalette::kForeground] = HostPalette::kSet | 0x111111;
  host.dynamic[HostPalette::kBackground] = HostPalette::kSet | 0x222222;
  CColourResolver dark(s);
  dark.SetHostPalette(host);
  EXPECT_EQ(dark.Resolve(0x0700, false, true).text, 0x111111u);
  EXPECT_EQ(dark.Resolve(0x0700, true, true).background, 0x111111u);
  EXPECT_EQ(dark.WindowBackground(), 0x222222u);
  CellExtra named;
  named.foreground = colour::kIndexed | 0;
  named.background = colour::kIndexed | 7;
  const CellColours c = dark.Resolve(0x7080, &named, false, true);
  EXPECT_EQ(c.text, kBlack);
  EXPECT_EQ(c.background, kSilver);
  s.SetInt(S::DarkScreen, 0);
  CColourResolver light(s);
  light.SetHostPalette(host);
  EXPECT_EQ(light.Resolve(0x0700, false, true).text, 0x222222u);
  EXPECT_EQ(light.WindowBackground(), 0x111111u);
  EXPECT_FALSE(light.HostCursor());
  host.dynamic[HostPalette::kCursor] = HostPalette::kSet | 0x333333;
  light.SetHostPalette(host);
  EXPECT_EQ(light.HostCursor(), 0x333333u);
}

TEST(ColourResolverTest, ExtraColoursAndStyles) {
  CSettingsSet s;
  const CColourResolver c(s);
  CellExtra extra;
  extra.foreground = colour::kRgb | 0x123456;
  extra.background = colour::kIndexed | 196;
  const uint16_t word = 0x0700 | attr::kExtended;
  CellColours out = c.Resolve(word, &extra, false, true);
  EXPECT_EQ(out.text, 0x123456u);
  EXPECT_EQ(out.background, 0xFF0000u);
  out = c.Resolve(word, &extra, true, true);  // selection exchanges them
  EXPECT_EQ(out.text, 0xFF0000u);
  extra.background = 0;  // the word's own background
  extra.styles = style::kItalic | style::kStrike | style::kFaint;
  out = c.Resolve(word, &extra, false, true);
  EXPECT_EQ(out.background, kBlack);
  EXPECT_EQ(out.text, 0x091A2Bu);  // halfway to black
  EXPECT_TRUE(out.italic);
  EXPECT_TRUE(out.strike);
  EXPECT_FALSE(out.overline);
  extra.styles = style::kInvisible;
  EXPECT_EQ(c.Resolve(word, &extra, false, true).text, kBlack);
  // Blinking text with an extra colour vanishes in the off phase like any other.
  extra.styles = 0;
  EXPECT_EQ(c.Resolve(word | attr::kBlink, &extra, false, false).text, kBlack);
}

TEST(ColourResolverTest, BlinkUnderlineAndTheColourMap) {
  CSettingsSet s;
  CColourResolver c(s);
  EXPECT_EQ(c.Resolve(0x0704, false, false).text, kBlack);  // off phase: text vanishes
  EXPECT_EQ(c.Resolve(0x0704, false, true).text, kSilver);
  EXPECT_TRUE(c.Resolve(0x0702, false, true).underline);
  EXPECT_FALSE(c.Resolve(0x0700, false, true).underline);
  s.SetInt(S::BlinkText, 0);
  EXPECT_EQ(CColourResolver(s).Resolve(0x0704, false, false).text, kSilver);
  s.SetInt(S::BlinkText, 1);
  // Underline+blink mapped to blue on black, attributes not displayed.
  s.SetColourMap(0x6, 11, 0, false);
  const CColourResolver mapped(s);
  const CellColours m = mapped.Resolve(0x0706, false, false);
  EXPECT_EQ(m.text, kBlue);
  EXPECT_FALSE(m.underline);
  // With DisplayAttr the attributes show again.
  s.SetColourMap(0x6, 11, 0, true);
  const CellColours shown = CColourResolver(s).Resolve(0x0706, false, false);
  EXPECT_EQ(shown.text, kBlack);
  EXPECT_TRUE(shown.underline);
  // Stored indices past the palette stay inside it.
  s.Binary(S::ForeColor)[0x6] = 0xFB;
  EXPECT_EQ(CColourResolver(s).Resolve(0x0702 | 0x0004, false, true).text, kBlue);
}

TEST(LineGlyphTest, CharactersSelectGlyphs) {
  EXPECT_EQ(LineGlyphFor(u'\u2500'), 11);
  EXPECT_EQ(LineGlyphFor(u'\u2502'), 1);
  EXPECT_EQ(LineGlyphFor(u'\u250C'), 2);
  EXPECT_EQ(LineGlyphFor(u'\u2518'), 5);
  EXPECT_EQ(LineGlyphFor(u'\u253C'), 6);
  EXPECT_EQ(LineGlyphFor(u'\u2554'), 2);
  EXPECT_EQ(LineGlyphFor(u'\u2569'), 10);
  EXPECT_EQ(LineGlyphFor(u'\u256C'), 6);
  EXPECT_EQ(LineGlyphFor(u'\u23BA'), 12);
  EXPECT_EQ(LineGlyphFor(u'\u23BD'), 15);
  EXPECT_EQ(LineGlyphFor(u'\u2550'), 0);
  EXPECT_EQ(LineGlyphFor(u'A'), 0);
  EXPECT_TRUE(LineGlyphSegments(0).empty());
  EXPECT_EQ(LineGlyphSegments(6).size(), 2u);
  EXPECT_TRUE(LineGlyphSegments(16).empty());
  EXPECT_EQ(LineGlyphPenWidth(7), 1);
  EXPECT_EQ(LineGlyphPenWidth(24), 3);
}

TEST(ViewGeometryTest, ScrollBarsFollowHistoryAndSize) {
  ScrollLayoutInput in;
  in.clientWidth = 800;
  in.clientHeight = 400;
  in.cellWidth = 10;
  in.cellHeight = 16;
  in.columns = 80;
  in.rows = 24;
  in.barWidth = in.barHeight = 15;
  ScrollLayout out = ComputeScrollLayout(in);
  EXPECT_FALSE(out.vertical);  // fits, no history
  EXPECT_FALSE(out.horizontal);
  in.historyCount = 5;
  out = ComputeScrollLayout(in);
  ASSERT_TRUE(out.vertical);
  EXPECT_EQ(out.verticalMax, 5);
  // The vertical bar takes width, which makes the columns no longer fit.
  EXPECT_TRUE(out.horizontal);
  EXPECT_EQ(out.horizontalMax, 2);  // ceil((800 - 785) / 10)
  in.allowVertical = false;
  out = ComputeScrollLayout(in);
  EXPECT_FALSE(out.vertical);
  EXPECT_FALSE(out.horizontal);
  // Short height: the range adds the lines that do not fit.
  in.allowVertical = true;
  in.historyCount = 0;
  in.clientWidth = 1000;
  in.clientHeight = 200;
  out = ComputeScrollLayout(in);
  ASSERT_TRUE(out.vertical);
  EXPECT_EQ(out.verticalMax, 12);  // ceil((384 - 200) / 16)
  // A horizontal bar can make the vertical one needed.
  in.clientWidth = 700;
  in.clientHeight = 390;
  out = ComputeScrollLayout(in);
  EXPECT_TRUE(out.horizontal);
  EXPECT_TRUE(out.vertical);
}

TEST(ViewGeometryTest, FontFittingAndFontSets) {
  // At 96 dpi a cell 0.8 points wide and 1.5 points high (a font's line spacing is larger than
  // its pixel size). 25 rows in 400 pixels: 16 pixels a row, 11 points (16 pixels).
  auto cell = [](int points) { return CellSize{points * 8 / 10, points * 3 / 2}; };
  EXPECT_EQ(FitFontPoints(800, 400, 25, 80, 96, cell), 11);
  // The width is the smaller fit: 600 / 80 = 7.5 pixels a cell, so 9 points.
  EXPECT_EQ(FitFontPoints(600, 400, 25, 80, 96, cell), 9);
  // A tall window does not make the page wider than the window: 132 columns in 1200 pixels
  // (9 pixels a cell, 12 points) in a window high enough for 40 points.
  EXPECT_EQ(FitFontPoints(1200, 1500, 25, 132, 96, cell), 12);
  // 132 columns in the default window: the width wins (4 pixels a cell, 6 points), though the
  // characters are smaller than 12 pixels, and the page fits without a scroll bar.
  EXPECT_EQ(FitFontPoints(620, 400, 25, 132, 96, cell), 6);
  EXPECT_LE(cell(6).width * 132, 620);
  // Below 4 pixels of character height nothing can be read: the floor (3 points) and scroll
  // bars.
  EXPECT_EQ(FitFontPoints(800, 100, 25, 80, 96, cell), 3);
  EXPECT_EQ(FitFontPoints(10, 400, 25, 80, 96, cell), 3);
  EXPECT_EQ(FitFontPoints(800, 400, 0, 80, 96, cell), 3);
  // A higher resolution moves the floor with it: 4 pixels at 192 dpi are 2 points.
  EXPECT_EQ(FitFontPoints(10, 400, 25, 80, 192, cell), 2);
  CSettingsSet s;
  EXPECT_EQ(ChooseFontSet(s).size, S::FontSize);
  s.SetInt(S::Columns, 132);
  EXPECT_EQ(ChooseFontSet(s).size, S::FontSize);  // FontUse80 on
  s.SetInt(S::FontUse80, 0);
  EXPECT_EQ(ChooseFontSet(s).size, S::FontSize132);
  EXPECT_EQ(ChooseFontSet(s).name, S::FontName132);
}

}  // namespace
}  // namespace ostrane
