// The session view painted under the offscreen platform and checked pixel by pixel.
#include <gtest/gtest.h>

#include "session/line_glyphs.h"
#include "ui/view_test_support.h"

namespace ostrane::test {
namespace {

// Silver pixels of a horizontal band of a cell (rows top..bottom relative to the cell).
int SilverInRows(const QImage& image, QRect cell, int top, int bottom) {
  return CountColour(image, QRect(cell.left(), cell.top() + top, cell.width(), bottom - top + 1),
                     kSilver);
}

int SilverInColumns(const QImage& image, QRect cell, int left, int right) {
  return CountColour(image, QRect(cell.left() + left, cell.top(), right - left + 1, cell.height()),
                     kSilver);
}

TEST(ViewPaintTest, LineDrawingGlyphsAreDrawnByTheProgram) {
  CViewFixture f;
  f.Feed("\x1b(0lqk\r\nx x\r\nmqj\x1b(B");
  const QImage image = f.Grab();
  const int cw = f.CellWidth();
  const int ch = f.CellHeight();
  const int pen = LineGlyphPenWidth(ch);
  const int midY = LineGlyphScale(127, ch);
  const int midX = LineGlyphScale(127, cw);

  // Horizontal line: a band across the middle of the cell, nothing at its top and bottom.
  const QRect horizontal = f.Cell(0, 1);
  EXPECT_EQ(SilverInRows(image, horizontal, midY - pen, midY + pen), cw * pen);
  EXPECT_EQ(SilverInRows(image, horizontal, 0, 0), 0);
  EXPECT_EQ(SilverInRows(image, horizontal, ch - 1, ch - 1), 0);
  // Vertical line: a band down the middle, nothing at the left and right edges.
  const QRect vertical = f.Cell(1, 0);
  EXPECT_EQ(SilverInColumns(image, vertical, midX - pen, midX + pen), ch * pen);
  EXPECT_EQ(SilverInColumns(image, vertical, 0, 0), 0);
  EXPECT_EQ(SilverInColumns(image, vertical, cw - 1, cw - 1), 0);
  // Upper-left corner: lines to the right and down only.
  const QRect corner = f.Cell(0, 0);
  EXPECT_GT(SilverInColumns(image, corner, cw - 1, cw - 1), 0);
  EXPECT_EQ(SilverInColumns(image, corner, 0, 0), 0);
  EXPECT_GT(SilverInRows(image, corner, ch - 1, ch - 1), 0);
  EXPECT_EQ(SilverInRows(image, corner, 0, 0), 0);
  // Lower-right corner: lines to the left and up only.
  const QRect lowerRight = f.Cell(2, 2);
  EXPECT_GT(SilverInColumns(image, lowerRight, 0, 0), 0);
  EXPECT_EQ(SilverInColumns(image, lowerRight, cw - 1, cw - 1), 0);
  EXPECT_GT(SilverInRows(image, lowerRight, 0, 0), 0);
  EXPECT_EQ(SilverInRows(image, lowerRight, ch - 1, ch - 1), 0);
  // The blank between the verticals stays background.
  EXPECT_EQ(CountOther(image, f.Cell(1, 1), kBlack), 0);
}

TEST(ViewPaintTest, ReverseUnderlineAndColours) {
  CViewFixture f;
  f.Feed("\x1b[7m \x1b[m \x1b[4m \x1b[m \x1b[44m \x1b[m");
  const QImage image = f.Grab();
  const int cells = f.CellWidth() * f.CellHeight();
  EXPECT_EQ(CountColour(image, f.Cell(0, 0), kSilver), cells);  // reverse blank
  EXPECT_EQ(CountColour(image, f.Cell(0, 1), kBlack), cells);
  // Underline: exactly the bottom pixel row of the cell.
  const QRect underlined = f.Cell(0, 2);
  EXPECT_EQ(SilverInRows(image, underlined, f.CellHeight() - 1, f.CellHeight() - 1), f.CellWidth());
  EXPECT_EQ(CountColour(image, underlined, kSilver), f.CellWidth());
  // Background colour: the palette entry of the cell's background index.
  uint32_t blue;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    const int index = f.doc.Terminal().Screen().GetLine(0)->attrs[4] >> 12;
    blue = f.doc.Terminal().Settings().PaletteColour(index);
  }
  EXPECT_NE(blue, 0u);
  EXPECT_EQ(CountColour(image, f.Cell(0, 4), blue), cells);
}

TEST(ViewPaintTest, ColourMapOverridesColoursAndCanHideUnderline) {
  CViewFixture f;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    // Underlined cells: white on palette 1, underline not shown.
    f.doc.Terminal().Settings().SetColourMap(0x2, 15, 1, false);
  }
  f.Feed("\x1b[4m \x1b[m");
  const QImage image = f.Grab();
  uint32_t back;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    back = f.doc.Terminal().Settings().PaletteColour(1);
  }
  EXPECT_EQ(CountColour(image, f.Cell(0, 0), back), f.CellWidth() * f.CellHeight());
}

TEST(ViewPaintTest, BlinkingTextVanishesInTheOffPhase) {
  CViewFixture f;
  f.Feed("\x1b[5mMMMM\x1b[m MMMM");
  const QRect blinking = f.Cell(0, 0).united(f.Cell(0, 3));
  const QRect steady = f.Cell(0, 5).united(f.Cell(0, 8));
  int shownPhases = 0;
  int hiddenPhases = 0;
  for (int i = 0; i < 4; ++i) {
    QTest::qWait(260);
    const QImage image = f.Grab();
    EXPECT_GT(CountOther(image, steady, kBlack), 0);
    (CountOther(image, blinking, kBlack) > 0 ? shownPhases : hiddenPhases)++;
  }
  EXPECT_GT(shownPhases, 0);
  EXPECT_GT(hiddenPhases, 0);
}

TEST(ViewPaintTest, CursorShapes) {
  CViewFixture f;
  f.view->activateWindow();
  f.view->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.view.get()));
  ASSERT_TRUE(f.view->hasFocus());
  f.Feed("\x1b[3;5H");
  const int cells = f.CellWidth() * f.CellHeight();
  const int ch = f.CellHeight();
  auto cursorChanged = [&f] {
    CSettingsChange change;
    change.cursor = true;
    f.doc.ApplyChanges(change);
  };
  // Block: the whole cell inverted.
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(2, 4), kWhite), cells);
  // Underline: the two bottom pixel rows.
  f.Set(S::CursorType, 1);
  cursorChanged();
  f.view->FlushNow();
  QImage image = f.Grab();
  EXPECT_EQ(CountColour(image, f.Cell(2, 4), kWhite), 2 * f.CellWidth());
  EXPECT_EQ(
      CountColour(image, QRect(f.Cell(2, 4).left(), f.Cell(2, 4).top() + ch - 2, f.CellWidth(), 2),
                  kWhite),
      2 * f.CellWidth());
  // Invisible.
  f.Set(S::CursorVisible, 0);
  cursorChanged();
  f.view->FlushNow();
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(2, 4), kBlack), cells);
  // Blinking: seen in some grabs and not in others.
  f.Set(S::CursorVisible, 1);
  f.Set(S::CursorType, 0);
  f.Set(S::CursorBlink, 1);
  cursorChanged();
  f.view->FlushNow();
  int on = 0;
  int off = 0;
  for (int i = 0; i < 6; ++i) {
    QTest::qWait(130);
    (CountColour(f.Grab(), f.Cell(2, 4), kWhite) == cells ? on : off)++;
  }
  EXPECT_GT(on, 0);
  EXPECT_GT(off, 0);
  // No cursor without the focus.
  f.Set(S::CursorBlink, 0);
  cursorChanged();
  f.view->clearFocus();
  f.view->FlushNow();
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(2, 4), kBlack), cells);
}

TEST(ViewPaintTest, LightScreenInvertsTextAndTheBackground) {
  CViewFixture f;
  f.Set(S::DarkScreen, 0);
  CSettingsChange change;
  change.repaint = true;
  f.doc.ApplyChanges(change);
  f.Feed("X");
  const QImage image = f.Grab();
  const int lines = 24;
  ASSERT_GT(image.height(), (lines + 1) * f.CellHeight());
  // A blank cell, the area right of the columns and the area below the last line are silver.
  EXPECT_EQ(CountColour(image, f.Cell(1, 0), kSilver), f.CellWidth() * f.CellHeight());
  EXPECT_EQ(image.pixel(image.width() - 1, 0) & 0xFFFFFF, kSilver);
  EXPECT_EQ(image.pixel(0, image.height() - 1) & 0xFFFFFF, kSilver);
  // The text is drawn in black.
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kBlack), 0);
  // Selected text is not inverted on a light screen: silver text on black.
  f.view->SelectAll();
  const QImage selected = f.Grab();
  EXPECT_EQ(CountColour(selected, f.Cell(1, 0), kBlack), f.CellWidth() * f.CellHeight());
}

TEST(ViewPaintTest, DoubleWidthAndDoubleHeightLines) {
  CViewFixture f;
  f.Feed("A\r\n\x1b#6A\r\n\x1b#3A\r\n\x1b#4A");
  const QImage image = f.Grab();
  const int normal = CountOther(image, f.Cell(0, 0), kBlack);
  ASSERT_GT(normal, 0);
  const QRect twoCells1 = f.Cell(1, 0).united(f.Cell(1, 1));
  const int wide = CountOther(image, twoCells1, kBlack);
  EXPECT_GT(wide, normal * 3 / 2);
  EXPECT_LT(wide, normal * 5 / 2);
  // Nothing beyond the stretched first cell.
  EXPECT_EQ(CountOther(image, f.Cell(1, 2).united(f.Cell(1, 79)), kBlack), 0);
  // The two halves of a double-height line together hold about four times the ink.
  const int top = CountOther(image, f.Cell(2, 0).united(f.Cell(2, 1)), kBlack);
  const int bottom = CountOther(image, f.Cell(3, 0).united(f.Cell(3, 1)), kBlack);
  EXPECT_GT(top, 0);
  EXPECT_GT(bottom, 0);
  EXPECT_GT(top + bottom, normal * 3);
  EXPECT_LT(top + bottom, normal * 5);
  // The top half is the upper part of the letter: its bottom rows carry ink (the letter goes
  // on), while the bottom half's last rows are empty like the normal letter's.
  EXPECT_GT(CountOther(image, QRect(0, f.Cell(2, 0).bottom(), 2 * f.CellWidth(), 1), kBlack), 0);
}

TEST(ViewPaintTest, SoftFontGlyphsAreStretchedIntoTheCell) {
  CViewFixture f;
  // Glyph "!": 8 columns, the top band of six rows set, one band: a cell height of 12.
  f.Feed("\x1bP0;1{ @~~~~~~~~\x1b\\\x1b( @!\x1b(B");
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    const auto line = f.doc.Terminal().Screen().GetLine(0);
    ASSERT_EQ(line->chars[0], 0xF021);
    ASSERT_EQ(line->attrs[0] & 0x60, 0x40);
  }
  const QImage image = f.Grab();
  const QRect cell = f.Cell(0, 0);
  const int ch = f.CellHeight();
  // Top half set, bottom half clear.
  EXPECT_EQ(SilverInRows(image, cell, 0, ch / 2 - 2), f.CellWidth() * (ch / 2 - 1));
  EXPECT_EQ(SilverInRows(image, cell, ch / 2 + 1, ch - 1), 0);
}

TEST(ViewPaintTest, WideCharactersCoverTwoCells) {
  CViewFixture f;
  f.Set(S::DBCS, 1);
  f.Feed("\x1b[7m\xef\xac\x81\x1b[m");  // U+FB01 in reverse video
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    const auto line = f.doc.Terminal().Screen().GetLine(0);
    ASSERT_EQ(line->attrs[0] & 0x60, 0x60);
    ASSERT_EQ(line->chars[1], 0);
  }
  const QImage image = f.Grab();
  // One glyph in black on the silver of both cells; the right half adds nothing of its own.
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kBlack) + CountColour(image, f.Cell(0, 1), kBlack), 0);
  EXPECT_EQ(image.pixel(f.Cell(0, 1).topRight()) & 0xFFFFFF, kSilver);
  EXPECT_EQ(image.pixel(f.Cell(0, 3).topLeft()) & 0xFFFFFF, kBlack);
}

}  // namespace
}  // namespace ostrane::test
