// Modes, renditions, pages, the status line, printing requests, saved cursor, replies to the
// host and the application of settings changes.
#include <algorithm>
#include <cstdio>
#include <utility>

#include "emulator/vt420_emulator.h"
#include "settings/product_version.h"

namespace ostrane {
namespace {

// One row per mode: the setting it writes (or -1 for the emulator's own state) and the values
// that set and reset give.
// What else a mode change needs: the views or the keyboard told.
enum class ModeEffect : uint8_t { kNone, kRepaint, kCursor, kNumLock };
struct ModeRow {
  int number;
  bool isPrivate;
  const char* mnemonic;
  int setting;
  int whenSet;
  int whenReset;
  ModeEffect effect;
};
constexpr int kOwnState = -1;
constexpr ModeRow kModes[] = {
    {4, false, "IRM", kOwnState, 1, 0, ModeEffect::kNone},
    {12, false, "SRM", S::LocalEcho, 0, 1, ModeEffect::kNone},
    {20, false, "LNM", S::NewLine, 1, 0, ModeEffect::kNone},
    {1, true, "DECCKM", S::CursorKeys, 0, 1, ModeEffect::kNone},
    {3, true, "DECCOLM", kOwnState, 132, 80, ModeEffect::kNone},
    {5, true, "DECSCNM", S::DarkScreen, 0, 1, ModeEffect::kRepaint},
    {6, true, "DECOM", kOwnState, 1, 0, ModeEffect::kNone},
    {7, true, "DECAWM", S::AutoWrap, 1, 0, ModeEffect::kNone},
    {25, true, "DECTCEM", S::CursorVisible, 1, 0, ModeEffect::kCursor},
    {66, true, "DECNKM", S::NumericKeypad, 0, 1, ModeEffect::kNumLock},
    {67, true, "DECBKM", S::BackArrow, 0, 1, ModeEffect::kNone},
};

// Primary device attributes by TermID.
constexpr const char* kPrimaryAttributes[] = {
    "\x1b[?64;1;2;6;7;8;9;15;18;19;21c",
    "\x1b[?63;1;2;6;7;8;9c",
    "\x1b[?62;1;2;6;7;8;9c",
    "\x1b[?6c",
    "\x1b[?1;0c",
    "\x1b[?1;2c",
};
constexpr const char kSecondaryAttributes[] = "\x1b[>41;1;0c";
// The xterm type reports as a VT420-class xterm: ANSI colour (22) added to the VT420 list.
constexpr const char kXtermPrimaryAttributes[] = "\x1b[?64;1;2;6;9;15;16;17;18;21;22;28c";

}  // namespace

void CVT420Emulator::SetModes(const CControlParams& params, bool set, bool isPrivate) {
  CSettingsChange change;
  for (int i = 0; i < params.Count(); ++i) {
    const int number = params.Param(i, 0);
    const auto row = std::find_if(std::begin(kModes), std::end(kModes), [&](const ModeRow& m) {
      return m.number == number && m.isPrivate == isPrivate;
    });
    if (row == std::end(kModes)) {
      if (xterm_ && isPrivate) SetXtermMode(number, set);
      continue;
    }
    const int value = set ? row->whenSet : row->whenReset;
    change.repaint |= row->effect == ModeEffect::kRepaint;
    change.cursor |= row->effect == ModeEffect::kCursor;
    change.numLock |= row->effect == ModeEffect::kNumLock;
    if (row->setting != kOwnState) {
      settings_.SetInt(row->setting, value);
    } else if (number == 4) {
      insertMode_ = value != 0;
    } else if (number == 3) {
      ChangePageSize(-1, value);
    } else if (number == 6) {
      originMode_ = value != 0;
      Home();
    }
  }
  if (change.Any()) ApplyChanges(change);
}

void CVT420Emulator::SetKeypadMode(int numeric) {
  settings_.SetInt(S::NumericKeypad, numeric);
  CSettingsChange change;
  change.numLock = true;
  ApplyChanges(change);
}

void CVT420Emulator::SelectGraphicRendition(const CControlParams& params,
                                            std::optional<uint64_t> text) {
  const uint16_t before = attr_;
  if (xterm_)
    XtermRendition(params);
  else
    attr_ = ApplyRendition(attr_, params, 0);
  if (text && !((before | attr_) & attr::kExtended))
    renditions_.Remember(RenditionKey(*text), before, attr_);
}

void CVT420Emulator::SelectCharacterProtection(int n) {
  if (n == 1)
    attr_ |= attr::kProtected;
  else
    attr_ &= static_cast<uint16_t>(~attr::kProtected);
}

void CVT420Emulator::SetTabStop() {
  if (cursorCol_ >= 0 && cursorCol_ < kLineWidth) settings_.Binary(S::TabList)[cursorCol_] = 1;
}

void CVT420Emulator::TabClear(int n) {
  uint8_t* stops = settings_.Binary(S::TabList);
  if (n == 0 && cursorCol_ < kLineWidth)
    stops[cursorCol_] = 0;
  else if (n == 3)
    std::fill(stops, stops + kLineWidth, 0);
}

void CVT420Emulator::SetTopBottomMargins(const CControlParams& params) {
  int top = params.Param(0, 1);
  int bottom = params.Param(1, screen_.Lines());
  if (!params.Omitted(0) && !params.Omitted(1) && top == 0 && bottom == 0) {
    top = 1;
    bottom = screen_.Lines();
  }
  SetMargins(top - 1, bottom - 1, 0, Columns() - 1);
}

void CVT420Emulator::SetLeftRightMargins(const CControlParams& params) {
  const int left = params.Param(0, 0);
  const int right = params.Param(1, Columns());
  SetMargins(-1, -1, left - 1, right - 1);
}

void CVT420Emulator::SelectPageAbsolute(int page, bool homeCursor) {
  if (page >= 1 && page <= screen_.Pages()) screen_.SelectPage(page - 1);
  if (homeCursor) SetCursor(0, 0);
}

void CVT420Emulator::PageRelative(int64_t delta, bool homeCursor) {
  const int64_t page = screen_.CurrentPage() + 1 + delta;
  SelectPageAbsolute(page >= 1 && page <= kPageMemory ? static_cast<int>(page) : 0, homeCursor);
}

void CVT420Emulator::SelectStatusLineType(int n) {
  const int wanted = n == 2 ? 1 : 0;
  if (settings_.Int(S::StatusLine) == wanted) return;
  settings_.SetInt(S::StatusLine, wanted);
  if (wanted) {
    screen_.EraseLines(screen_.Lines(), 1, -1, -1);
    statusColumn_ = 0;
  } else if (statusActive_) {
    SelectStatusDisplay(0);
  }
  CSettingsChange change;
  change.layout = true;
  ApplyChanges(change);
}

void CVT420Emulator::SelectStatusDisplay(int n) {
  if (n == 1) {
    if (settings_.Int(S::StatusLine) != 1 || statusActive_) return;
    mainRow_ = cursorRow_;
    mainColumn_ = cursorCol_;
    statusActive_ = true;
    cursorRow_ = screen_.Lines();
    cursorCol_ = statusColumn_;
    wrapPending_ = false;
  } else if (statusActive_) {
    statusColumn_ = cursorCol_;
    statusActive_ = false;
    cursorRow_ = std::min(mainRow_, screen_.Lines() - 1);
    cursorCol_ = mainColumn_;
    wrapPending_ = false;
  }
}

// n is negative for the DEC private forms (CSI ? n i).
void CVT420Emulator::MediaCopy(int n) {
  switch (n) {
    case 0:
      if (events_) events_->PrintPageRows(0, screen_.Lines() - 1);
      break;
    case 5:
      if (printMode_ == PrintMode::kNone && events_ && events_->PrinterControllerOn()) {
        printMode_ = PrintMode::kPrinterController;
        diversion_ = Diversion::kPrinterController;
        printerFilter_.Start();
        parser_.Suspend();
      }
      break;
    case -5:
      if (printMode_ == PrintMode::kNone && events_ && events_->AutoPrintOn())
        printMode_ = PrintMode::kAutoPrint;
      break;
    case -4:
      if (printMode_ == PrintMode::kAutoPrint) {
        if (events_) events_->AutoPrintOff();
        printMode_ = PrintMode::kNone;
      }
      break;
    case -1:
      if (events_ && !statusActive_) events_->PrintPageRows(cursorRow_, cursorRow_);
      break;
    default:
      break;
  }
}

void CVT420Emulator::SaveCursor() {
  saved_.row = cursorRow_;
  saved_.column = cursorCol_;
  saved_.cursorVisible = settings_.Int(S::CursorVisible);
  saved_.cursorType = settings_.Int(S::CursorType);
  saved_.attribute = attr_;
  saved_.extra = extra_;
  saved_.charsets.RestoreFrom(charsets_.SavedCopy());
}

void CVT420Emulator::RestoreCursor() {
  SetCursor(saved_.row, saved_.column);
  settings_.SetInt(S::CursorVisible, saved_.cursorVisible);
  settings_.SetInt(S::CursorType, saved_.cursorType);
  charsets_.RestoreFrom(saved_.charsets);
  attr_ = saved_.attribute;
  extra_ = saved_.extra;
  CSettingsChange change;
  change.cursor = true;
  ApplyChanges(change);
}

void CVT420Emulator::SendPrimaryDeviceAttributes() {
  const int id = settings_.Int(S::TermID);
  if (id >= 0 && id < static_cast<int>(std::size(kPrimaryAttributes)))
    Reply(kPrimaryAttributes[id]);
  else if (id == kXtermTermId)
    Reply(kXtermPrimaryAttributes);
}

void CVT420Emulator::SendSecondaryDeviceAttributes() {
  Reply(kSecondaryAttributes);
}

// The unit ID report (DECRPTUI) names the product and its version.
void CVT420Emulator::SendUnitId() {
  std::string report = "\x1bP!|PELLWORTH SOFTWARE Secure Ostrane ";
  report += kProductVersion;
  report += "\x1b\\";
  Reply(report);
}

void CVT420Emulator::DeviceStatusReport(int n) {
  if (n != 6) return;
  char report[32];
  const int written =
      std::snprintf(report, sizeof report, "\x1b[%d;%dR", cursorRow_ + 1, cursorCol_ + 1);
  Reply(std::string_view(report, static_cast<size_t>(written)));
}

void CVT420Emulator::AnswerBack() {
  Reply(settings_.Str(S::AnswerBack));
}

void CVT420Emulator::ApplyChanges(CSettingsChange& change) {
  UpdateTerminalType();
  CSettingsChange forViews;
  if (change.historySize) {
    screen_.ResizeHistory(settings_.Int(S::SaveLines));
    change.layout = change.repaint = true;
    change.historySize = false;
  }
  if (change.historyCleared) {
    screen_.ClearHistory();
    change.layout = change.repaint = true;
    change.historyCleared = false;
  }
  if (change.pageGeometry) {
    change.clearScreen = true;
    screen_.SetGeometry(settings_.Int(S::Pages), settings_.Int(S::Lines));
    if (settings_.Int(S::SetHostSize) && events_) events_->HostSizeChanged();
    change.pageGeometry = false;
  }
  if (change.clearScreen) {
    screen_.ClearAll();
    change.repaint = change.cursor = true;
    change.clearScreen = false;
  }
  forViews.font = std::exchange(change.font, false);
  forViews.layout = std::exchange(change.layout, false);
  forViews.repaint = std::exchange(change.repaint, false);
  forViews.cursor = std::exchange(change.cursor, false);
  forViews.title = change.title;
  forViews.buttons = change.buttons;
  if (change.margins) {
    SetMargins(0, screen_.Lines() - 1, 0, Columns() - 1);
    change.margins = false;
  }
  if (change.printModeOff) {
    if (printMode_ == PrintMode::kAutoPrint && events_) events_->AutoPrintOff();
    if (printMode_ == PrintMode::kPrinterController) {
      if (events_) events_->PrinterControllerOff();
      EnterGround();
    }
    printMode_ = PrintMode::kNone;
    change.printModeOff = false;
  }
  if (change.printModeOn) {
    if (printMode_ == PrintMode::kNone && events_ && events_->AutoPrintOn())
      printMode_ = PrintMode::kAutoPrint;
    change.printModeOn = false;
  }
  if (change.numLock) {
    if (settings_.Int(S::NumLock) && events_)
      events_->SyncNumLock(settings_.Int(S::NumericKeypad) != 0);
    change.numLock = false;
  }
  if (change.connectionSettings) {
    if (events_) events_->ConnectionSettingsChanged();
    change.connectionSettings = false;
  }
  if (forViews.Any()) {
    for (ITerminalView* view : views_) {
      view->ViewSettingsChanged(forViews);
      if (forViews.layout) view->CursorMoved();
    }
  }
}

}  // namespace ostrane
