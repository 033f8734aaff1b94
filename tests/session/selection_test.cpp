// Selection, copy text, find, paste encoding and mouse reports over a real terminal object.
#include "session/selection.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <string_view>

#include "emulator/vt420_emulator.h"
#include "session/clipboard_text.h"
#include "session/find_text.h"
#include "session/mouse_report.h"

namespace ostrane {
namespace {

class SelectionTest : public testing::Test {
 protected:
  void Feed(std::string_view bytes) {
    terminal_.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  std::u16string Copy(const CSelection& s, bool copySpace = false) {
    return s.Text(terminal_.Screen(), 80, copySpace);
  }
  CVT420Emulator terminal_;
};

TEST_F(SelectionTest, DragSelectsUpToTheCellBeforeTheLaterPoint) {
  CSelection s;
  s.BeginDrag(2, 10, false);
  EXPECT_FALSE(s.DragTo(2, 10));  // no movement: nothing selected
  EXPECT_FALSE(s.Active());
  EXPECT_TRUE(s.DragTo(2, 11));
  ASSERT_TRUE(s.Active());
  EXPECT_EQ(s.StartColumn(), 10);
  EXPECT_EQ(s.EndColumn(), 10);
  // Backwards from (5, 10) to (3, 2): (3, 2) to (5, 9).
  s.BeginDrag(5, 10, false);
  s.DragTo(3, 2);
  EXPECT_EQ(s.StartRow(), 3);
  EXPECT_EQ(s.StartColumn(), 2);
  EXPECT_EQ(s.EndRow(), 5);
  EXPECT_EQ(s.EndColumn(), 9);
  // Coordinates left of or above the window count as 0.
  s.DragTo(-4, -7);
  EXPECT_EQ(s.StartRow(), 0);
  EXPECT_EQ(s.StartColumn(), 0);
}

TEST_F(SelectionTest, RowSpansOfStreamAndBlockSelections) {
  CSelection s;
  s.BeginDrag(1, 70, false);
  s.DragTo(3, 5);
  EXPECT_EQ(s.ColumnsOnRow(0, 80).last, -1);
  EXPECT_EQ(s.ColumnsOnRow(1, 80).first, 70);
  EXPECT_EQ(s.ColumnsOnRow(1, 80).last, 79);
  EXPECT_EQ(s.ColumnsOnRow(2, 80).first, 0);
  EXPECT_EQ(s.ColumnsOnRow(2, 80).last, 79);
  EXPECT_EQ(s.ColumnsOnRow(3, 80).last, 4);
  s.BeginDrag(3, 100, true);
  s.DragTo(1, 5);
  for (int row = 1; row <= 3; ++row) {
    EXPECT_EQ(s.ColumnsOnRow(row, 80).first, 5);
    EXPECT_EQ(s.ColumnsOnRow(row, 80).last, 79);  // limited to the columns
  }
  EXPECT_EQ(s.ColumnsOnRow(4, 80).last, -1);
}

TEST_F(SelectionTest, CopyDropsTrailingBlanksUnlessCopySpaceOrBlock) {
  Feed("first line  \r\nsecond\r\n\r\nfourth line");
  CSelection stream;
  stream.SetStream(0, 6, 3, 5);
  EXPECT_EQ(Copy(stream), u"line\r\nsecond\r\n\r\nfourth");
  const std::u16string spaced = Copy(stream, true);
  EXPECT_EQ(spaced.substr(0, 76), u"line" + std::u16string(70, u' ') + u"\r\n");
  EXPECT_EQ(spaced.size(), 74u + 2 + 80 + 2 + 80 + 2 + 6);
  CSelection block;
  block.BeginDrag(0, 0, true);
  block.DragTo(1, 7);
  EXPECT_EQ(Copy(block), u"first li\r\nsecond  ");
  // Whole lines, no line end after the last.
  CSelection all;
  all.SelectAll(4, 80);
  EXPECT_EQ(Copy(all), u"first line\r\nsecond\r\n\r\nfourth line");
}

TEST_F(SelectionTest, CopySkipsRightHalvesOfWideCharactersAndStopsAtMissingLines) {
  terminal_.Settings().SetInt(S::DBCS, 1);
  Feed(
      "a\xe4\xb8\x80"
      "b");  // a, U+4E00 over two cells, b
  CSelection s;
  s.SetStream(0, 0, 0, 3);
  EXPECT_EQ(Copy(s), u"a\u4E00b");
  CSelection beyond;
  beyond.SetStream(23, 0, 400, 5);
  EXPECT_EQ(Copy(beyond).find(u"\r\n\r\n\r\n"), std::u16string::npos);
}

TEST_F(SelectionTest, FindDownAndUpFromTheSelection) {
  Feed("one Two\r\nthree two\r\ntwo");
  FindParams p;
  p.text = u"two";
  FindArea area{0, 24, 24, 80};
  CSelection none;
  auto m = FindText(terminal_.Screen(), p, none, area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->row, 0);  // case ignored
  EXPECT_EQ(m->column, 4);
  CSelection sel;
  sel.SetStream(m->row, m->column, m->row, m->column + 2);
  m = FindText(terminal_.Screen(), p, sel, area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->row, 1);
  EXPECT_EQ(m->column, 6);
  // Case sensitive: "Two" is skipped.
  p.caseSensitive = true;
  m = FindText(terminal_.Screen(), p, CSelection(), area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->row, 1);
  // Upwards from the selection on row 1 column 6: matches must end before column 6.
  p.caseSensitive = false;
  p.up = true;
  sel.SetStream(1, 6, 1, 8);
  m = FindText(terminal_.Screen(), p, sel, area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->row, 0);
  EXPECT_EQ(m->column, 4);
  // Upwards without a selection starts below the window: the last match on the page.
  m = FindText(terminal_.Screen(), p, CSelection(), area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->row, 2);
  EXPECT_EQ(m->column, 0);
  p.text = u"absent";
  EXPECT_FALSE(FindText(terminal_.Screen(), p, CSelection(), area));
}

TEST_F(SelectionTest, FindWholeWordSkipsPartsOfWords) {
  Feed("twofold two");
  FindParams p;
  p.text = u"two";
  p.wholeWord = true;
  FindArea area{0, 24, 24, 80};
  auto m = FindText(terminal_.Screen(), p, CSelection(), area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->column, 8);
  p.up = true;
  m = FindText(terminal_.Screen(), p, CSelection(), area);
  ASSERT_TRUE(m);
  EXPECT_EQ(m->column, 8);
}

// CR LF, a lone LF (what Linux programs copy) and a lone CR are each one line end: CR, or CR LF
// with NewLine on. Blank lines stay.
TEST_F(SelectionTest, PasteSendsEachKindOfLineEndAsOne) {
  terminal_.Settings().SetInt(S::NewLine, 0);
  EXPECT_EQ(EncodePaste(terminal_, u"a\r\nb"), "a\rb");
  EXPECT_EQ(EncodePaste(terminal_, u"a\nb\n\nc\rd\r"), "a\rb\r\rc\rd\r");
  terminal_.Settings().SetInt(S::NewLine, 1);
  EXPECT_EQ(EncodePaste(terminal_, u"a\r\nb"), "a\r\nb");
  EXPECT_EQ(EncodePaste(terminal_, u"a\nb\r\r\nc"), "a\r\nb\r\n\r\nc");
  // A large LF-only paste keeps every line.
  std::u16string big;
  for (int i = 0; i < 12228; ++i) big += u"line of text\n";
  terminal_.Settings().SetInt(S::NewLine, 0);
  const std::string sent = EncodePaste(terminal_, big);
  EXPECT_EQ(std::count(sent.begin(), sent.end(), '\r'), 12228);
  EXPECT_EQ(sent.find('\n'), std::string::npos);
}

// With bracketed paste asked for (xterm type), the text is bracketed and carries no ESC that
// could end the bracket early; the VT types never bracket.
TEST_F(SelectionTest, BracketedPasteWrapsTheTextAndDropsEscapes) {
  auto feed = [this](const std::string& bytes) {
    terminal_.ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  };
  feed("\x1b[?2004h");
  EXPECT_EQ(EncodePaste(terminal_, u"ls"), "ls");
  terminal_.Settings().SetInt(S::TermID, 6);
  terminal_.Reset();
  feed("\x1b[?2004h");
  EXPECT_EQ(EncodePaste(terminal_, u"a\x1b[201~rm"), "\x1b[200~a[201~rm\x1b[201~");
  feed("\x1b[?2004l");
  EXPECT_EQ(EncodePaste(terminal_, u"ls"), "ls");
}

// xterm reports: which events each tracking mode sends, and the three encodings.
TEST(MouseReportTest, HostTrackingModesAndEncodings) {
  const MouseGeometry g{10, 24, 132};
  const HostMouseEvent press{HostMouseAction::kPress, 0};
  const HostMouseEvent release{HostMouseAction::kRelease, 2};
  HostMouseEvent drag{HostMouseAction::kMove};
  drag.heldButton = 0;
  const HostMouseEvent hover{HostMouseAction::kMove};
  const HostMouseEvent wheel{HostMouseAction::kWheelDown};
  {
    CMouseReporter r;
    const HostMouse x10{MouseTracking::kPress, MouseEncoding::kBytes};
    EXPECT_EQ(r.HostReport(x10, press, {0, 10}, g), "\x1b[M\x20\x21\x21");
    EXPECT_EQ(r.HostReport(x10, release, {0, 10}, g), "");
    EXPECT_EQ(r.HostReport(x10, wheel, {0, 10}, g), "");
    EXPECT_EQ(r.HostReport({}, press, {0, 10}, g), "");  // tracking off
  }
  {
    CMouseReporter r;
    const HostMouse normal{MouseTracking::kPressRelease, MouseEncoding::kBytes};
    HostMouseEvent ctrl = press;
    ctrl.control = true;
    EXPECT_EQ(r.HostReport(normal, ctrl, {1, 11}, g), "\x1b[M\x30\x22\x22");
    EXPECT_EQ(r.HostReport(normal, release, {1, 11}, g), "\x1b[M\x23\x22\x22");
    EXPECT_EQ(r.HostReport(normal, wheel, {1, 11}, g), "\x1b[M\x61\x22\x22");
    EXPECT_EQ(r.HostReport(normal, drag, {2, 11}, g), "");
    EXPECT_EQ(r.HostReport(normal, press, {0, 9}, g), "");  // a history line is not on the page
  }
  {
    CMouseReporter r;
    const HostMouse button{MouseTracking::kButtonMotion, MouseEncoding::kSgr};
    EXPECT_EQ(r.HostReport(button, drag, {4, 12}, g), "\x1b[<32;5;3M");
    EXPECT_EQ(r.HostReport(button, drag, {4, 12}, g), "");   // same cell
    EXPECT_EQ(r.HostReport(button, hover, {5, 12}, g), "");  // no button held
    EXPECT_EQ(r.HostReport(button, release, {131, 33}, g), "\x1b[<2;132;24m");
  }
  {
    CMouseReporter r;
    const HostMouse any{MouseTracking::kAnyMotion, MouseEncoding::kUtf8};
    EXPECT_EQ(r.HostReport(any, hover, {6, 12}, g), "\x1b[M\x43\x27\x23");
    // Column 131 is 164 after the offset: two UTF-8 bytes.
    EXPECT_EQ(r.HostReport(any, press, {131, 10}, g), "\x1b[M\x20\xC2\xA4\x21");
  }
}

TEST(MouseReportTest, CharacterCellReports) {
  CMouseReporter r;
  const MouseGeometry g{10, 24, 80};  // ten history lines above the page
  EXPECT_EQ(r.Report(1, MouseEvent::kLeftDown, {0, 10}, g, {true, false}), "\x1b[M\x23\x21\x21");
  EXPECT_EQ(r.Report(1, MouseEvent::kLeftUp, {0, 10}, g, {}), "\x1b[M\x20\x21\x21");
  EXPECT_EQ(r.Report(1, MouseEvent::kRightDown, {79, 33}, g, {false, true}),
            std::string("\x1b[M\x21") + char(79 + 33) + char(23 + 33));
  EXPECT_EQ(r.Report(1, MouseEvent::kRightUp, {4, 12}, g, {}), "\x1b[M\x20\x25\x23");
  EXPECT_EQ(r.Report(1, MouseEvent::kMove, {4, 12}, g, {}), "");
  // History, below the page, beyond the columns, and mode 0: nothing.
  EXPECT_EQ(r.Report(1, MouseEvent::kLeftDown, {0, 9}, g, {}), "");
  EXPECT_EQ(r.Report(1, MouseEvent::kLeftDown, {0, 34}, g, {}), "");
  EXPECT_EQ(r.Report(1, MouseEvent::kLeftDown, {80, 10}, g, {}), "");
  EXPECT_EQ(r.Report(0, MouseEvent::kLeftDown, {0, 10}, g, {}), "");
}

TEST(MouseReportTest, LocatorReportsAndRepeatedMoves) {
  CMouseReporter r;
  const MouseGeometry g{0, 24, 80};
  EXPECT_EQ(r.Report(2, MouseEvent::kLeftDown, {4, 2}, g, {true, false}), "\x1b[2;4;3;5&w");
  EXPECT_EQ(r.Report(2, MouseEvent::kMove, {5, 2}, g, {true, true}), "\x1b[1;5;3;6&w");
  EXPECT_EQ(r.Report(2, MouseEvent::kMove, {5, 2}, g, {true, true}), "");  // same cell
  EXPECT_EQ(r.Report(2, MouseEvent::kMove, {5, 3}, g, {}), "\x1b[1;0;4;6&w");
  EXPECT_EQ(r.Report(2, MouseEvent::kLeftUp, {5, 3}, g, {}), "\x1b[3;0;4;6&w");
  EXPECT_EQ(r.Report(2, MouseEvent::kRightDown, {0, 0}, g, {false, true}), "\x1b[6;1;1;1&w");
  EXPECT_EQ(r.Report(2, MouseEvent::kRightUp, {0, 0}, g, {}), "\x1b[7;0;1;1&w");
}

}  // namespace
}  // namespace ostrane
