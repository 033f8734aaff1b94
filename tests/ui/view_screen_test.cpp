// A whole coloured, line-drawn screen: colours land in the right cells and box lines join.
// With OSTRANE_VIEW_SCREENSHOT set to a path, the window is saved there as PNG.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ui/view_test_support.h"

namespace ostrane::test {
namespace {

// Line-drawing characters of the DEC special graphics set, in cyan.
std::string Lines(const std::string& text) {
  return "\x1b[36m\x1b(0" + text + "\x1b(B\x1b[m";
}

std::string ColouredScreen() {
  std::string s = "\x1b[2J\x1b[H\x1b#6\x1b[1;33;44m Secure Ostrane \x1b[m\r\n";
  s += Lines("l" + std::string(38, 'q') + "k") + "\r\n";
  for (int fg = 0; fg < 8; ++fg) {
    s += Lines("x") + " ";
    for (int bg = 0; bg < 8; ++bg)
      s += "\x1b[3" + std::to_string(fg) + ";4" + std::to_string(bg) + "mAb\x1b[m ";
    s += std::string(13, ' ') + Lines("x") + "\r\n";
  }
  const std::string third(12, 'q');
  s += Lines("t" + third + "w" + third + "w" + third + "u") + "\r\n";
  s += Lines("x") + " \x1b[1mbold\x1b[m \x1b[4munder\x1b[m " + Lines("x") +
       " \x1b[7mreverse\x1b[m    " + Lines("x") + " \x1b[5mblink\x1b[m      " + Lines("x") + "\r\n";
  s += Lines("m" + third + "v" + third + "v" + third + "j") + "\r\n";
  s += "\x1b#3Double height\r\n\x1b#4Double height\r\n";
  return s;
}

TEST(ViewScreenTest, ColouredLineDrawnScreen) {
  CViewFixture f(12, QSize(760, 480));
  f.Feed(ColouredScreen());
  const QImage image = f.Grab();
  if (const char* path = std::getenv("OSTRANE_VIEW_SCREENSHOT"))
    image.save(QString::fromLocal8Bit(path));
  uint32_t palette[16];
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    for (int i = 0; i < 16; ++i) palette[i] = f.doc.Terminal().Settings().PaletteColour(i);
  }
  // Every "Ab" pair sits on its background colour: the top-left pixel of each cell.
  for (int fg = 0; fg < 8; ++fg) {
    for (int bg = 0; bg < 8; ++bg) {
      const QRect cell = f.Cell(2 + fg, 2 + bg * 3);
      uint16_t attribute;
      {
        std::lock_guard lock(f.doc.Terminal().Mutex());
        attribute = f.doc.Terminal().Screen().GetLine(2 + fg)->attrs[2 + bg * 3];
      }
      EXPECT_EQ(image.pixel(cell.topLeft()) & 0xFFFFFF, palette[attribute >> 12])
          << fg << "," << bg;
    }
  }
  // The box's corners and tees join: the left edge carries a line on every row it spans.
  uint32_t cyan;
  {
    std::lock_guard lock(f.doc.Terminal().Mutex());
    cyan = palette[(f.doc.Terminal().Screen().GetLine(2)->attrs[0] >> 8) & 0x0F];
  }
  const int midX = f.CellWidth() / 2;
  for (int row = 1; row <= 12; ++row)
    EXPECT_GT(CountColour(image, QRect(midX - 1, f.Cell(row, 0).top(), 3, f.CellHeight()), cyan), 0)
        << row;
}

}  // namespace
}  // namespace ostrane::test
