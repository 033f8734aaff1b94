// The colours the host of an xterm-type session sets for itself (OSC 10, 11, 12) as the view
// draws them: cells, the window beyond the last column and line, reverse video, selection and
// the cursor; and how they go away again.
#include <gtest/gtest.h>

#include "ui/view_test_support.h"

namespace ostrane::test {
namespace {

constexpr QRgb kHostBackground = 0x203040;
constexpr QRgb kHostText = 0xF0E0D0;
constexpr QRgb kHostCursor = 0xFF0000;

class ViewHostColoursTest : public ::testing::Test {
 protected:
  ViewHostColoursTest() { SetType(kXtermTermId); }

  void SetType(int termId) {
    f.Set(S::TermID, termId);
    CSettingsChange change;
    change.repaint = true;
    f.doc.ApplyChanges(change);
    f.view->FlushNow();
  }
  int Cells() const { return f.CellWidth() * f.CellHeight(); }
  // A strip of the window's right and bottom edges, beyond the text of this test.
  static QRect RightEdge(const QImage& image) { return QRect(image.width() - 1, 0, 1, 40); }
  static QRect BottomEdge(const QImage& image) { return QRect(0, image.height() - 1, 40, 1); }

  CViewFixture f;
};

TEST_F(ViewHostColoursTest, BackgroundIsDrawnUntilItIsReset) {
  // "A", then a blank in explicit black, a default blank and a reverse blank.
  f.Feed("\x1b]11;#203040\x07");
  f.Feed("A\x1b[40m \x1b[m \x1b[7m \x1b[m");
  QImage image = f.Grab();
  EXPECT_EQ(CountColour(image, f.Cell(0, 2), kHostBackground), Cells());
  // The text keeps its colour on the new background.
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kHostBackground), 0);
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kSilver), 0);
  EXPECT_EQ(CountColour(image, f.Cell(0, 0), kBlack), 0);
  // A cell that asked for black keeps black; reverse video shows the text colour.
  EXPECT_EQ(CountColour(image, f.Cell(0, 1), kBlack), Cells());
  EXPECT_EQ(CountColour(image, f.Cell(0, 3), kSilver), Cells());
  EXPECT_EQ(CountOther(image, RightEdge(image), kHostBackground), 0);
  EXPECT_EQ(CountOther(image, BottomEdge(image), kHostBackground), 0);

  f.Feed("\x1b]111\x07");
  image = f.Grab();
  EXPECT_EQ(CountColour(image, f.Cell(0, 2), kBlack), Cells());
  EXPECT_EQ(CountColour(image, f.Cell(0, 3), kSilver), Cells());
  EXPECT_EQ(CountOther(image, RightEdge(image), kBlack), 0);
  EXPECT_EQ(CountOther(image, BottomEdge(image), kBlack), 0);
}

TEST_F(ViewHostColoursTest, TextReverseAndSelectionUseBothColours) {
  // Default text, a blank in explicit white and a reverse blank.
  f.Feed("\x1b]10;#f0e0d0;#203040\x07");
  f.Feed("A\x1b[47m \x1b[m\x1b[7m \x1b[m ");
  QImage image = f.Grab();
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kHostText), 0);
  EXPECT_EQ(CountColour(image, f.Cell(0, 0), kSilver), 0);
  EXPECT_EQ(CountColour(image, f.Cell(0, 1), kSilver), Cells());
  EXPECT_EQ(CountColour(image, f.Cell(0, 2), kHostText), Cells());
  // Selected cells exchange the two, so that a selection stays readable.
  f.view->SelectAll();
  f.view->FlushNow();
  image = f.Grab();
  EXPECT_EQ(CountColour(image, f.Cell(0, 3), kHostText), Cells());
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kHostBackground), 0);
  EXPECT_GT(CountColour(image, f.Cell(0, 0), kHostText), 0);
}

TEST_F(ViewHostColoursTest, ChangingTheTerminalTypeDropsTheColours) {
  f.Feed("\x1b]10;#f0e0d0;#203040\x07");
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(1, 0), kHostBackground), Cells());
  SetType(0);
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(1, 0), kBlack), Cells());
  // Back to the xterm type: the user's colours, until the host sets its own again.
  SetType(kXtermTermId);
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(1, 0), kBlack), Cells());
  f.sent.Take();
  f.Feed("\x1b]11;?\x07");
  OSTRANE_TRY_COMPARE(f.sent.Take(), std::string("\x1b]11;rgb:0000/0000/0000\x1b\\"));
}

TEST_F(ViewHostColoursTest, CursorTakesTheHostColourOverTheBackground) {
  f.view->activateWindow();
  f.view->setFocus();
  ASSERT_TRUE(QTest::qWaitForWindowActive(f.view.get()));
  f.Feed("\x1b]11;#203040\x07\x1b]12;#ff0000\x07\x1b[3;5H");
  f.view->FlushNow();
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(2, 4), kHostCursor), Cells());
  // Over text the cursor's cell shows the text in a colour of its own.
  f.Feed("\x1b[3;1HW\x1b[3;1H");
  f.view->FlushNow();
  const QImage image = f.Grab();
  EXPECT_GT(CountColour(image, f.Cell(2, 0), kHostCursor), 0);
  EXPECT_GT(CountOther(image, f.Cell(2, 0), kHostCursor), 0);
  // Reset: the usual inverting cursor, white over black.
  f.Feed("\x1b]112\x07\x1b]111\x07");
  f.view->FlushNow();
  f.Feed("\x1b[3;5H");
  f.view->FlushNow();
  EXPECT_EQ(CountColour(f.Grab(), f.Cell(2, 4), kWhite), Cells());
}

}  // namespace
}  // namespace ostrane::test
