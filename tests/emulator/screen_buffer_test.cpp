#include "emulator/screen_buffer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>

namespace ostrane {
namespace {

// Writes text at the start of a row, one character per cell.
void Write(CScreenBuffer& b, int row, const std::string& text, uint16_t attribute = kDefaultAttr) {
  for (size_t i = 0; i < text.size(); ++i)
    b.PutCell(row, static_cast<int>(i), static_cast<uint8_t>(text[i]), attribute);
}

std::string Row(const CScreenBuffer& b, int row, int width = 10) {
  std::string s;
  for (int c = 0; c < width; ++c) s += static_cast<char>(b.CharAt(row, c));
  return s;
}

std::string ViewLine(const CScreenBuffer& b, int index, int width = 10) {
  auto line = b.GetLine(index);
  if (!line) return "<none>";
  std::string s;
  for (int c = 0; c < width; ++c) s += static_cast<char>(line->chars[c]);
  return s;
}

class ScreenBufferTest : public testing::Test {
 protected:
  void SetUp() override {
    buffer.Allocate(kPageMemory, 3, kLineWidth);
    buffer.SetGeometry(6, 24);
  }
  CScreenBuffer buffer;
};

TEST_F(ScreenBufferTest, HistoryIsARingThatLosesItsOldestLine) {
  for (int i = 0; i < 4; ++i) {
    Write(buffer, 0, "line" + std::to_string(i));
    buffer.PushToHistory(0);
  }
  EXPECT_EQ(buffer.HistoryCount(), 3);
  EXPECT_EQ(ViewLine(buffer, 0, 5), "line1");
  EXPECT_EQ(ViewLine(buffer, 2, 5), "line3");
  EXPECT_TRUE(buffer.TakeHistoryChanged());
  EXPECT_FALSE(buffer.TakeHistoryChanged());
}

TEST_F(ScreenBufferTest, NoHistoryCapacityKeepsNothing) {
  buffer.Allocate(kPageMemory, 0, kLineWidth);
  Write(buffer, 0, "x");
  buffer.PushToHistory(0);
  buffer.SaveScreenToHistory(80);
  EXPECT_EQ(buffer.HistoryCount(), 0);
}

TEST_F(ScreenBufferTest, ResizeKeepsTheNewestLinesInOrder) {
  for (int i = 0; i < 3; ++i) {
    Write(buffer, 0, "h" + std::to_string(i));
    buffer.PushToHistory(0);
  }
  Write(buffer, 5, "page");
  buffer.ResizeHistory(2);
  ASSERT_EQ(buffer.HistoryCount(), 2);
  EXPECT_EQ(ViewLine(buffer, 0, 2), "h1");
  EXPECT_EQ(ViewLine(buffer, 1, 2), "h2");
  EXPECT_EQ(Row(buffer, 5, 4), "page");
  // The ring goes on correctly after the resize.
  Write(buffer, 0, "h3");
  buffer.PushToHistory(0);
  EXPECT_EQ(ViewLine(buffer, 0, 2), "h2");
  EXPECT_EQ(ViewLine(buffer, 1, 2), "h3");
  buffer.ResizeHistory(10);
  EXPECT_EQ(buffer.HistoryCount(), 2);
  EXPECT_EQ(ViewLine(buffer, 1, 2), "h3");
}

TEST_F(ScreenBufferTest, ViewIndexCoversHistoryPageAndStatusLine) {
  Write(buffer, 0, "old");
  buffer.PushToHistory(0);
  Write(buffer, 0, "top");
  buffer.PutCell(24, 0, 'S', kDefaultAttr);
  EXPECT_EQ(ViewLine(buffer, 0, 3), "old");
  EXPECT_EQ(ViewLine(buffer, 1, 3), "top");
  EXPECT_EQ(ViewLine(buffer, 1 + 24, 1), "S");
  EXPECT_FALSE(buffer.GetLine(1 + 24 + 1));
  EXPECT_FALSE(buffer.GetLine(-1));
}

TEST_F(ScreenBufferTest, WholeLineEraseResetsSizeButColumnEraseKeepsIt) {
  buffer.SetLineSize(3, 1);
  buffer.SetLineSize(4, 1);
  buffer.EraseLines(3, 1, -1, -1);
  buffer.EraseLines(4, 1, 0, 5);
  EXPECT_EQ(buffer.LineFlags(3) & 0xFF, 0);
  EXPECT_EQ(buffer.LineFlags(4) & 0xFF, 1);
}

TEST_F(ScreenBufferTest, SelectiveEraseLeavesProtectedCells) {
  Write(buffer, 2, "ab", kDefaultAttr | attr::kProtected | attr::kBold);
  buffer.PutCell(2, 2, 'c', kDefaultAttr | attr::kBold);
  buffer.SelectiveErase(2, 1, 0, 131);
  EXPECT_EQ(Row(buffer, 2, 3), "ab ");
  EXPECT_EQ(buffer.AttrAt(2, 0), kDefaultAttr | attr::kProtected | attr::kBold);
  EXPECT_EQ(buffer.AttrAt(2, 2), kDefaultAttr);
}

TEST_F(ScreenBufferTest, GetTextJoinsRowsWithLfCrAndKeepsLowBytes) {
  Write(buffer, 0, "ab");
  Write(buffer, 1, "cd");
  buffer.PutCell(1, 2, 0x2500, kDefaultAttr);
  EXPECT_EQ(buffer.GetText(0, 0, 1, 2), std::string("ab \n\rcd\0", 8));
}

TEST_F(ScreenBufferTest, ChangedRowsAreTakenOnce) {
  int first, last;
  buffer.TakeChangedRows(first, last);
  buffer.PutCell(24, 3, 'x', kDefaultAttr);
  ASSERT_TRUE(buffer.TakeChangedRows(first, last));
  EXPECT_EQ(first, 24);
  EXPECT_EQ(last, 24);
  buffer.PutCell(7, 0, 'x', kDefaultAttr);
  buffer.PutCell(3, 0, 'x', kDefaultAttr);
  ASSERT_TRUE(buffer.TakeChangedRows(first, last));
  EXPECT_EQ(first, 3);
  EXPECT_EQ(last, 7);
  EXPECT_FALSE(buffer.TakeChangedRows(first, last));
  EXPECT_EQ(first, -1);
}

// The row-rotation path (whole-width moves) and the cell-copy path must give the same page.
TEST_F(ScreenBufferTest, RotatedAndCopiedLineMovesAgree) {
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    CScreenBuffer a, b;
    for (CScreenBuffer* x : {&a, &b}) x->SetGeometry(6, 24);
    for (int r = 0; r < 24; ++r) {
      const std::string text = "r" + std::to_string(r) + "x" + std::to_string(round);
      Write(a, r, text);
      Write(b, r, text);
      const int size = (r % 5 == 0) ? 1 : 0;
      a.SetLineSize(r, size);
      b.SetLineSize(r, size);
    }
    const int src = static_cast<int>(rng() % 24), dst = static_cast<int>(rng() % 24);
    const int count = static_cast<int>(rng() % 30) - 3;
    a.MoveLines(src, dst, count, 0, kLineWidth - 1, true);  // rotates
    b.MoveLines(src, dst, count, 0, kLineWidth - 2, true);  // copies cells
    for (int r = 0; r < 24; ++r) {
      ASSERT_EQ(Row(a, r, 12), Row(b, r, 12))
          << "src " << src << " dst " << dst << " count " << count << " row " << r;
      ASSERT_EQ(a.LineFlags(r) & 0xFF, b.LineFlags(r) & 0xFF) << "row " << r;
    }
  }
}

// Short runs are written a word at a time and merged with the cells after them: every length at
// every column near the line's end writes exactly its cells, and the neighbours keep theirs.
TEST_F(ScreenBufferTest, ByteRunsWriteExactlyTheirCellsAtEveryLengthAndColumn) {
  const uint8_t text[] = "ABCDEFGHIJKLMNOPQRST";
  // Every bit set somewhere in the cells around, so a mask one bit off shows.
  const uint16_t aroundChar = 0xFFFF, around = 0xF7FF, attribute = 0x0A05;
  for (int column :
       {0, 1, 7, kLineWidth - 6, kLineWidth - 5, kLineWidth - 4, kLineWidth - 3, kLineWidth - 1}) {
    for (int count = 1; count <= 20; ++count) {
      for (int c = 0; c < kLineWidth; ++c) buffer.PutCell(2, c, aroundChar, around);
      buffer.PutByteRun(2, column, text, count, attribute);
      const int written = std::min(count, kLineWidth - column);
      for (int c = 0; c < kLineWidth; ++c) {
        const bool inside = c >= column && c < column + written;
        ASSERT_EQ(buffer.CharAt(2, c), inside ? text[c - column] : aroundChar)
            << "column " << column << " count " << count << " cell " << c;
        ASSERT_EQ(buffer.AttrAt(2, c), inside ? attribute : around)
            << "column " << column << " count " << count << " cell " << c;
      }
    }
  }
}

TEST_F(ScreenBufferTest, OutOfRangeRequestsAreClipped) {
  buffer.MoveCells(0, 1000, -50, 100000, 7, true);
  buffer.MoveLines(3, 200, 1 << 30, -9, 1 << 20, true);
  buffer.EraseLines(-5, 1 << 30, -3, 500);
  buffer.SelectiveErase(20, 100, 0, 9999);
  buffer.FillRect(-3, -3, 1000, 1000, 'z', kDefaultAttr);
  buffer.CopyRect(0, -10, -10, 500, 500, 5, 20, 130);
  buffer.CopyRect(0, 0, 0, 23, 131, 0, 1, 1);
  buffer.XorAttributes(0, 0, 999, 999, 1);
  buffer.PutCell(-1, 5, 'x', 0);
  buffer.PutCell(5, 132, 'x', 0);
  buffer.SelectPage(99);
  EXPECT_EQ(buffer.CurrentPage(), 0);
  EXPECT_EQ(buffer.CharAt(23, 131), 'z');
}

TEST_F(ScreenBufferTest, CopyRectHandlesOverlapBothWays) {
  Write(buffer, 0, "abcdef");
  buffer.CopyRect(0, 0, 0, 0, 3, 0, 0, 2);
  EXPECT_EQ(Row(buffer, 0, 6), "ababcd");
  buffer.CopyRect(0, 0, 2, 0, 5, 0, 0, 0);
  EXPECT_EQ(Row(buffer, 0, 6), "abcdcd");
}

TEST_F(ScreenBufferTest, FindInLineSearchesBothWaysAndFoldsCase) {
  Write(buffer, 0, "abcABCabc");
  EXPECT_EQ(buffer.FindInLine(u"abc", 0, 1, 131, true, true), 6);
  EXPECT_EQ(buffer.FindInLine(u"abc", 0, 1, 131, true, false), 3);
  EXPECT_EQ(buffer.FindInLine(u"abc", 0, 0, 8, false, true), 6);
  EXPECT_EQ(buffer.FindInLine(u"abc", 0, 0, 7, false, true), 0);
  EXPECT_EQ(buffer.FindInLine(u"zzz", 0, 0, 131, true, true), -1);
}

}  // namespace
}  // namespace ostrane
