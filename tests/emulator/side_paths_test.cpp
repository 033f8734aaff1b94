// The paths beside the screen: capture (normal and debug), printer controller and auto print,
// view notifications, settings-change application and full reset.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"

namespace ostrane {
namespace {

class CStringCapture : public ICaptureSink {
 public:
  explicit CStringCapture(std::string& out) : out_(out) {}
  void Write(std::string_view bytes) override { out_ += bytes; }

 private:
  std::string& out_;
};

class CPrinterEvents : public ITerminalEvents {
 public:
  void SendToHost(const uint8_t* data, size_t length) override {
    sent.append(reinterpret_cast<const char*>(data), length);
  }
  bool AutoPrintOn() override {
    log += "[auto on]";
    return printerWorks;
  }
  void AutoPrintOff() override { log += "[auto off]"; }
  void AutoPrintLine(int row) override { log += "[line " + std::to_string(row) + "]"; }
  void PrintPageRows(int first, int last) override {
    log += "[rows " + std::to_string(first) + "-" + std::to_string(last) + "]";
  }
  bool PrinterControllerOn() override {
    log += "[pc on]";
    return printerWorks;
  }
  void PrinterControllerByte(uint8_t byte) override { printed += static_cast<char>(byte); }
  void PrinterControllerOff() override { log += "[pc off]"; }
  void HostSizeChanged() override { ++sizeChanges; }
  bool printerWorks = true;
  std::string sent, log, printed;
  int sizeChanges = 0;
};

class CRecordingView : public ITerminalView {
 public:
  void InvalidateRows(int first, int last) override {
    calls.push_back("rows " + std::to_string(first) + "-" + std::to_string(last));
  }
  void Relayout() override { calls.push_back("relayout"); }
  void CursorMoved() override { calls.push_back("cursor"); }
  void ViewSettingsChanged(const CSettingsChange& change) override {
    calls.push_back(std::string("settings") + (change.layout ? " layout" : "") +
                    (change.repaint ? " repaint" : "") + (change.cursor ? " cursor" : ""));
  }
  std::vector<std::string> calls;
};

class SidePathsTest : public testing::Test {
 protected:
  void SetUp() override {
    platform::SetSystemCodePage(1252);
    terminal = std::make_unique<CVT420Emulator>();
    terminal->SetEvents(&events);
    terminal->Reset();
  }
  void Feed(std::string_view bytes) {
    terminal->ReceiveBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  }
  void StartCapture(bool debug) {
    terminal->Settings().SetInt(S::CaptureDebug, debug ? 1 : 0);
    terminal->SetCapture(std::make_unique<CStringCapture>(captured));
  }
  std::unique_ptr<CVT420Emulator> terminal;
  CPrinterEvents events;
  std::string captured;
};

TEST_F(SidePathsTest, NormalCaptureWritesTextLineEndsAndTabBlanksOnly) {
  StartCapture(false);
  Feed("A\r\nB\x1b[2J\x1b[5;5H\tC\fD\x0b");
  EXPECT_EQ(captured, "A\nB    C\fD\n");
}

// Text printed before a capture or a setting changes takes the straight path; the next
// chunk's text must still go to the capture and through the new national set.
TEST_F(SidePathsTest, CaptureAndSettingsChangedBetweenChunksApplyToTheNextText) {
  Feed("ab");
  StartCapture(false);
  Feed("cd");
  terminal->Settings().SetInt(S::NRC, 1);  // United Kingdom: "#" is a pound sign
  Feed("#");
  EXPECT_EQ(captured, "cd\xa3");
  EXPECT_EQ(terminal->Screen().CharAt(0, 4), 0x00A3);
}

TEST_F(SidePathsTest, NormalCaptureConvertsToTheWorkstationCodePage) {
  StartCapture(false);
  Feed("\xe9");                                   // GR Latin-1: e acute
  terminal->Settings().SetInt(S::PrimarySet, 8);  // ISO Cyrillic has no e acute in 1252
  Feed("\x1b}\xb0");
  EXPECT_EQ(captured, "\xe9?");
}

TEST_F(SidePathsTest, DebugCaptureNamesEveryControlAndSkipsTheTextPath) {
  StartCapture(true);
  Feed("A\r\n\x1b[2J\x9b\x85\xe9");
  EXPECT_EQ(captured, "A<CR><LF><ESC>[2J<CSI><NEL>\xe9");
}

TEST_F(SidePathsTest, DebugCaptureAlsoSeesBytesWhileControlsAreShown) {
  terminal->Settings().SetInt(S::Interpret, 0);
  StartCapture(true);
  Feed(
      "\x1b"
      "x");
  EXPECT_EQ(captured, "<ESC>x");
}

TEST_F(SidePathsTest, StatusLineTextIsNotCaptured) {
  StartCapture(false);
  Feed("\x1b[2$~\x1b[1$}hidden\x1b[0$}shown");
  EXPECT_EQ(captured, "shown");
}

TEST_F(SidePathsTest, PrinterControllerPassesBytesUntilCsi4i) {
  Feed(
      "\x1b[5iab\x1b[4x\x1b[5i\x9b"
      "4y\x1b[4i"
      "cd");
  EXPECT_EQ(events.printed,
            "ab\x1b[4x\x9b"
            "4y");
  EXPECT_EQ(events.log, "[pc on][pc off]");
  EXPECT_EQ(terminal->GetPrintMode(), PrintMode::kNone);
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), 'c');
}

TEST_F(SidePathsTest, PrinterControllerEndsOnEightBitCsi) {
  Feed(
      "\x9b"
      "5iq\x9b"
      "4ir");
  EXPECT_EQ(events.printed, "q");
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), 'r');
}

// The parser hands the stream to the printer in the middle of a chunk and takes it back there;
// chunk boundaries anywhere in the introducer or the end sequence change nothing.
TEST_F(SidePathsTest, PrinterControllerSwitchesMidChunkAndAcrossChunks) {
  for (const char* piece : {"x\x1b[5", "iab\x1b", "q\x1b[", "4", "icd"}) Feed(piece);
  EXPECT_EQ(events.printed, "ab\x1bq");
  EXPECT_EQ(events.log, "[pc on][pc off]");
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), 'x');
  EXPECT_EQ(terminal->Screen().CharAt(0, 1), 'c');
  EXPECT_EQ(terminal->State(), ParserState::kGround);
}

TEST_F(SidePathsTest, AFailedPrinterLeavesTheModesOff) {
  events.printerWorks = false;
  Feed("\x1b[5iab\x1b[?5ixy\r\n");
  EXPECT_EQ(terminal->GetPrintMode(), PrintMode::kNone);
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), 'a');
  EXPECT_EQ(events.printed, "");
}

TEST_F(SidePathsTest, AutoPrintPrintsEachLineLeftByALineFeed) {
  Feed("\x1b[?5iab\r\ncd\n\x1b[?4i\n\x1b[0i\x1b[?1i");
  EXPECT_EQ(events.log, "[auto on][line 0][line 1][auto off][rows 0-23][rows 3-3]");
}

TEST_F(SidePathsTest, ViewsHearOnceAfterEachChunk) {
  Feed("");  // takes what the reset marked
  CRecordingView view;
  terminal->AddView(&view);
  Feed("x\r\n\ny");
  EXPECT_EQ(view.calls, (std::vector<std::string>{"rows 0-2", "cursor"}));
  view.calls.clear();
  Feed("\x1b[24H\n");  // scrolling the top line into history re-lays out
  EXPECT_EQ(view.calls, (std::vector<std::string>{"relayout", "cursor"}));
  view.calls.clear();
  Feed("\x1b[?5h");
  EXPECT_EQ(view.calls.front(), "settings repaint");
  terminal->RemoveView(&view);
}

TEST_F(SidePathsTest, ColumnSwitchAnnouncesTheNewSizeWhenAsked) {
  Feed("\x1b[?3h");
  EXPECT_EQ(events.sizeChanges, 1);
  EXPECT_EQ(terminal->Settings().Int(S::Columns), 132);
  terminal->Settings().SetInt(S::SetHostSize, 0);
  Feed("\x1b[?3l");
  EXPECT_EQ(events.sizeChanges, 1);
  EXPECT_EQ(terminal->Settings().Int(S::Columns), 80);
}

TEST_F(SidePathsTest, ApplyChangesResizesAndClearsHistory) {
  Feed("\x1b[24H");
  for (int i = 0; i < 10; ++i) Feed("line\n");
  ASSERT_EQ(terminal->Screen().HistoryCount(), 10);
  terminal->Settings().SetInt(S::SaveLines, 4);
  CSettingsChange change;
  change.historySize = true;
  terminal->ApplyChanges(change);
  EXPECT_EQ(terminal->Screen().HistoryCount(), 4);
  EXPECT_FALSE(change.historySize);
  change.historyCleared = true;
  terminal->ApplyChanges(change);
  EXPECT_EQ(terminal->Screen().HistoryCount(), 0);
}

TEST_F(SidePathsTest, FullResetKeepsTheCursorAndForgetsEverythingElse) {
  Feed("\x1b[1;31mtext\x1b[5;20r\x1b[?6h\x1b[6;10H\x1b(0\x1bP1|junk");
  terminal->Reset();
  EXPECT_EQ(terminal->CursorRow(), 9);
  EXPECT_EQ(terminal->CursorColumn(), 9);
  EXPECT_EQ(terminal->CurrentAttribute(), kDefaultAttr);
  EXPECT_EQ(terminal->TopMargin(), 0);
  EXPECT_EQ(terminal->BottomMargin(), 23);
  EXPECT_FALSE(terminal->OriginMode());
  EXPECT_EQ(terminal->State(), ParserState::kGround);
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), ' ');
  Feed("q");
  EXPECT_EQ(terminal->Screen().CharAt(9, 9), 'q');
}

TEST_F(SidePathsTest, AnOversizedDeviceControlStringIsDropped) {
  std::string huge = "\x1bP$t";
  huge.append(kMaxDeviceControlString + 10, 'x');
  huge += "\x1b\\after";
  int scripts = 0;
  struct CScripts : CPrinterEvents {
    int* count;
    void RunHostScript(std::string_view, bool) override { ++*count; }
  } scriptEvents;
  scriptEvents.count = &scripts;
  terminal->SetEvents(&scriptEvents);
  Feed(huge);
  EXPECT_EQ(scripts, 0);
  EXPECT_EQ(terminal->Screen().CharAt(0, 0), 'a');
}

}  // namespace
}  // namespace ostrane
