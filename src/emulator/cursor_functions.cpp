// Cursor primitives, character output, line feed and new-line handling, tabs, margins, page size
// and the two resets.
#include <algorithm>

#include "emulator/glyph_class.h"
#include "emulator/vt420_emulator.h"
#include "platform/code_page.h"

namespace ostrane {
namespace {

struct PageSize {
  int lines;
  int pages;
};
constexpr PageSize kPageSizes[] = {{24, 6}, {25, 5}, {36, 4}, {48, 3}, {72, 2}, {144, 1}};

}  // namespace

int CVT420Emulator::Columns() const {
  return std::clamp(settings_.Int(S::Columns), 1, kLineWidth);
}

// The last column of a double-width or double-height row.
int CVT420Emulator::HalfRowLast() const {
  return std::max(Columns() / 2, 1) - 1;
}

void CVT420Emulator::SetCursor(int row, int column) {
  wrapPending_ = false;
  if (row >= 0 && !statusActive_) cursorRow_ = std::min(row, screen_.Lines() - 1);
  if (column >= 0) cursorCol_ = std::min(column, kLineWidth - 1);
  // Moving onto a double-size row past the half it holds stops at its last position.
  if (screen_.PageRowSize(cursorRow_)) cursorCol_ = std::min(cursorCol_, HalfRowLast());
}

void CVT420Emulator::SetCursorLineSize(int code) {
  screen_.SetLineSize(cursorRow_, code);
  if (screen_.PageRowSize(cursorRow_) && cursorCol_ > HalfRowLast()) SetCursor(-1, cursorCol_);
}

void CVT420Emulator::MoveTo(int row, int column) {
  // Bounded first so that the margin arithmetic cannot overflow.
  row = std::clamp(row, 1, kPageMemory + 1);
  column = std::clamp(column, 1, kLineWidth + 1);
  if (!originMode_) {
    row = std::min(row, screen_.Lines());
    column = std::min(column, Columns());
  } else {
    row = std::min(top_ + row, bottom_ + 1);
    column = std::min(left_ + column, right_ + 1);
  }
  SetCursor(row - 1, column - 1);
}

void CVT420Emulator::Home() {
  MoveTo(1, 1);
}

void CVT420Emulator::CursorUp(int n, bool scroll) {
  const int limit = cursorRow_ >= top_ ? top_ : 0;
  const int64_t target = static_cast<int64_t>(cursorRow_) - n;
  if (target < limit) {
    // Outside the left/right margins the region does not scroll: the cursor stays.
    if (scroll && cursorRow_ >= top_ && InsideColumnMargins())
      ScrollDown(static_cast<int>(std::min<int64_t>(limit - target, kPageMemory)));
    SetCursor(limit, -1);
  } else {
    SetCursor(static_cast<int>(target), -1);
  }
}

void CVT420Emulator::CursorDown(int n, bool scroll, bool toHistory) {
  const int limit = cursorRow_ <= bottom_ ? bottom_ : screen_.Lines() - 1;
  const int64_t target = static_cast<int64_t>(cursorRow_) + n;
  if (target > limit) {
    if (scroll && cursorRow_ <= bottom_ && InsideColumnMargins())
      ScrollUp(static_cast<int>(std::min<int64_t>(target - limit, kPageMemory)), toHistory);
    SetCursor(limit, -1);
  } else {
    SetCursor(static_cast<int>(target), -1);
  }
}

void CVT420Emulator::CursorLeft(int n) {
  const int limit = cursorCol_ >= left_ ? left_ : 0;
  SetCursor(-1, static_cast<int>(std::max<int64_t>(static_cast<int64_t>(cursorCol_) - n, limit)));
}

void CVT420Emulator::CursorRight(int n) {
  const int limit = LastColumn();
  SetCursor(-1, static_cast<int>(std::min<int64_t>(static_cast<int64_t>(cursorCol_) + n, limit)));
}

// Columns passed to line moves: a region as wide as the screen moves whole stored lines, so the
// buffer can rotate rows instead of copying cells.
void CVT420Emulator::RegionColumns(int& first, int& last) const {
  first = left_;
  last = right_;
  if (left_ == 0 && right_ >= Columns() - 1) last = kLineWidth - 1;
}

void CVT420Emulator::ScrollUp(int n, bool toHistory) {
  PrepareErase();
  n = std::min(n, bottom_ - top_ + 1);
  if (n <= 0) return;
  if (toHistory && !altScreen_ && settings_.Int(S::History))
    for (int r = top_; r < top_ + n; ++r) screen_.PushToHistory(r);
  int first, last;
  RegionColumns(first, last);
  screen_.MoveLines(top_ + n, top_, bottom_ - top_ - n + 1, first, last, true);
}

void CVT420Emulator::ScrollDown(int n) {
  PrepareErase();
  n = std::min(n, bottom_ - top_ + 1);
  if (n <= 0) return;
  int first, last;
  RegionColumns(first, last);
  screen_.MoveLines(top_, top_ + n, bottom_ - top_ - n + 1, first, last, true);
}

void CVT420Emulator::CarriageReturn() {
  SetCursor(-1, left_);
}

void CVT420Emulator::LineFeed(bool viaCR, uint8_t code) {
  if (printMode_ == PrintMode::kAutoPrint && events_) events_->AutoPrintLine(cursorRow_);
  CursorDown(1, true, true);
  if (!viaCR && settings_.Int(S::NewLine) != 0) CarriageReturn();
  if (capture_ && !statusActive_ && !settings_.Int(S::CaptureDebug))
    CaptureWrite(code == 0x0C ? "\f" : "\n");
}

void CVT420Emulator::ReceivedCarriageReturn() {
  if (settings_.Int(S::NewLine) == 2) settings_.SetInt(S::NewLine, 0);
  if (settings_.Int(S::LFForCR)) LineFeed(true, 0x0A);
  CarriageReturn();
}

void CVT420Emulator::HorizontalTab() {
  if (cursorCol_ > 130) return;
  const uint8_t* stops = settings_.Binary(S::TabList);
  int next = cursorCol_ + 1;
  while (next < kLineWidth - 1 && !stops[next]) ++next;
  next = std::min(next, LastColumn());
  if (next <= cursorCol_) return;
  if (capture_ && !statusActive_ && !settings_.Int(S::CaptureDebug))
    CaptureWrite(std::string(static_cast<size_t>(next - cursorCol_), ' '));
  SetCursor(-1, next);
}

void CVT420Emulator::SetMargins(int top, int bottom, int left, int right) {
  const int lastRow = screen_.Lines() - 1;
  const int lastCol = Columns() - 1;
  if (top < 0) top = top_;
  if (bottom < 0) bottom = bottom_;
  if (left < 0) left = left_;
  if (right < 0) right = right_;
  top = std::min(top, lastRow);
  bottom = std::min(bottom, lastRow);
  left = std::min(left, lastCol);
  right = std::min(right, lastCol);
  if (bottom >= top) {
    top_ = top;
    bottom_ = bottom;
  }
  if (right >= left) {
    left_ = left;
    right_ = right;
  }
  Home();
}

void CVT420Emulator::ChangePageSize(int lines, int columns) {
  if (lines < 0) lines = settings_.Int(S::Lines);
  if (columns < 0) columns = settings_.Int(S::Columns);
  if (lines == settings_.Int(S::Lines) && columns == settings_.Int(S::Columns)) return;
  if (columns != 80 && columns != 132) return;
  const auto size = std::find_if(std::begin(kPageSizes), std::end(kPageSizes),
                                 [lines](const PageSize& s) { return s.lines == lines; });
  if (size == std::end(kPageSizes)) return;
  settings_.SetInt(S::Pages, size->pages);
  settings_.SetInt(S::Lines, lines);
  settings_.SetInt(S::Columns, columns);
  screen_.SetGeometry(size->pages, lines);
  SetMargins(0, lines - 1, 0, columns - 1);
  SetCursor(0, 0);
  screen_.ClearAll();
  CSettingsChange change;
  change.pageGeometry = true;
  change.layout = true;
  ApplyChanges(change);
}

void CVT420Emulator::OutputChar(char16_t code) {
  if (code == 0) return;
  const GlyphClass cls = ClassifyGlyph(code, settings_.Int(S::DBCS) != 0);
  code = cls.code;
  const uint16_t glyph = cls.glyph;
  const int width = cls.width;
  if (xterm_ && !statusActive_ && IsCombiningMark(code)) {
    // The mark joins the character before the cursor (the cursor itself after a full row).
    int column = wrapPending_ ? cursorCol_ : cursorCol_ - 1;
    // The right half of a wide character holds no character: the mark goes on its left half.
    if (column > 0 && screen_.CharAt(cursorRow_, column) == 0) --column;
    if (column >= 0) screen_.AddCombining(cursorRow_, column, code);
    return;
  }
  if (wrapPending_ && settings_.Int(S::AutoWrap)) {
    CursorDown(1, true, true);
    CarriageReturn();
  }
  if (capture_ && !statusActive_ && !settings_.Int(S::CaptureDebug)) {
    std::string bytes = platform::EncodeChar(platform::SystemCodePage(), code);
    CaptureWrite(bytes.empty() ? std::string("?") : bytes);
  }
  // A wide character that does not fit before the margin wraps first, or with AutoWrap off
  // takes the last two cells; half of one is never left past the margin.
  int edge = LastColumn();
  if (width == 2 && cursorCol_ >= edge) {
    if (settings_.Int(S::AutoWrap) && !statusActive_) {
      CursorDown(1, true, true);
      CarriageReturn();
      edge = LastColumn();
    }
    // A row with a single column left holds no wide character.
    if (edge < 1) return;
    cursorCol_ = std::min(cursorCol_, edge - 1);
  }
  // A cursor left past the half of a row that became double size after it got there.
  if (cursorCol_ > edge) cursorCol_ = edge;
  const int row = cursorRow_;
  const int col = cursorCol_;
  if (insertMode_) {
    screen_.MoveCells(row, 1, col, Columns() - 1 - width, col + width, false);
  }
  const uint16_t cellAttr = static_cast<uint16_t>(attr_ | glyph);
  screen_.PutCell(row, col, code, cellAttr, width);
  if (cellAttr & attr::kExtended) screen_.PutExtras(row, col, width, extra_);
  lastChar_ = code;
  // Left of the margin the cursor advances; on the margin, or past it, a wrap is pending.
  const int last = col + width - 1;
  if (last < edge && col <= right_) {
    cursorCol_ = last + 1;
    wrapPending_ = false;
  } else {
    cursorCol_ = last;
    wrapPending_ = true;
  }
}

void CVT420Emulator::ClearDisplay() {
  screen_.ClearAll();
  SetCursor(0, 0);
}

void CVT420Emulator::SoftReset() {
  // The xterm type's DECSTR leaves the screen and the cursor where they are.
  const bool keepScreen = xterm_;
  const int row = cursorRow_, column = cursorCol_;
  SelectStatusLineType(1);
  if (!keepScreen) EraseInDisplay(2);
  settings_.SetInt(S::AutoWrap, 0);
  settings_.SetInt(S::CursorKeys, 1);
  insertMode_ = false;
  settings_.SetInt(S::NumericKeypad, 1);
  originMode_ = false;
  Home();
  settings_.SetInt(S::CursorVisible, 1);
  charsets_.Reset();
  SetCursor(0, 0);
  attr_ = kDefaultAttr;
  extra_ = {};
  UpdateEraseRendition();
  SetMargins(0, screen_.Lines() - 1, 0, Columns() - 1);
  if (keepScreen) SetCursor(row, column);
  EnterGround();
  CSettingsChange change;
  change.cursor = true;
  ApplyChanges(change);
}

void CVT420Emulator::Reset() {
  screen_.Allocate(kPageMemory, settings_.Int(S::SaveLines), kLineWidth);
  screen_.SetGeometry(settings_.Int(S::Pages), settings_.Int(S::Lines));
  screen_.SelectPage(0);
  charsets_.Reset();
  altScreen_ = false;
  screen_.ClearAlternate();
  UpdateTerminalType();
  // An xterm starts with automatic margins on; its terminal description relies on them.
  if (xterm_) settings_.SetInt(S::AutoWrap, 1);
  EnterGround();
  wrapPending_ = false;
  attr_ = kDefaultAttr;
  extra_ = {};
  bracketedPaste_ = false;
  hostMouse_ = {};
  focusEvents_ = false;
  hostPalette_ = {};
  UpdateEraseRendition();
  otherSaved_.row = otherSaved_.column = 0;
  otherSaved_.attribute = kDefaultAttr;
  otherSaved_.extra = {};
  otherSaved_.charsets.Reset();
  insertMode_ = false;
  if (printMode_ == PrintMode::kAutoPrint && events_) events_->AutoPrintOff();
  if (printMode_ == PrintMode::kPrinterController && events_) events_->PrinterControllerOff();
  printMode_ = PrintMode::kNone;
  saved_.row = 0;
  saved_.column = 0;
  saved_.cursorVisible = 1;
  saved_.cursorType = 0;
  saved_.attribute = kDefaultAttr;
  saved_.extra = {};
  saved_.charsets.Reset();
  rectangleExtent_ = true;
  originMode_ = false;
  top_ = 0;
  bottom_ = screen_.Lines() - 1;
  left_ = 0;
  right_ = Columns() - 1;
  statusActive_ = false;
  statusColumn_ = 0;
  // The cursor keeps its position, clipped to the new page.
  cursorRow_ = std::min(cursorRow_, screen_.Lines() - 1);
  cursorCol_ = std::min(cursorCol_, Columns() - 1);
  if (settings_.Int(S::NumLock) && events_) events_->SyncNumLock(settings_.Int(S::NumericKeypad));
}

}  // namespace ostrane
