#include "emulator/screen_buffer.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cwctype>
#include <new>

namespace ostrane {
namespace {

constexpr size_t kRowBytes = sizeof(uint16_t) * kLineWidth;

int Clamp(int v, int lo, int hi) {
  return v < lo ? lo : (v > hi ? hi : v);
}

// Clips a column range to the stored line; false when nothing is left.
bool ClipColumns(int& first, int& last) {
  first = std::max(first, 0);
  last = std::min(last, kLineWidth - 1);
  return first <= last;
}

// A line of one cell value, to copy from.
constexpr std::array<uint16_t, kLineWidth> LineOf(uint16_t value) {
  std::array<uint16_t, kLineWidth> line{};
  line.fill(value);
  return line;
}
constexpr auto kBlankLine = LineOf(kBlankChar);
constexpr auto kDefaultAttrLine = LineOf(kDefaultAttr);

// Scrolling blanks a whole line for every line fed, and std::fill of 16-bit cells is a
// cell-at-a-time loop at -O2: the common values are copied from a ready line, any other goes
// four cells to a 64-bit store. `count` is at most a line.
void FillCells(uint16_t* cells, int count, uint16_t value) {
  if (count <= 0) return;
  const size_t bytes = sizeof(uint16_t) * static_cast<size_t>(count);
  if (value == kBlankChar) {
    std::memcpy(cells, kBlankLine.data(), bytes);
    return;
  }
  if (value == kDefaultAttr) {
    std::memcpy(cells, kDefaultAttrLine.data(), bytes);
    return;
  }
  const uint64_t four = value * 0x0001000100010001ull;
  int i = 0;
  for (; i + 4 <= count; i += 4) std::memcpy(cells + i, &four, sizeof four);
  for (; i < count; ++i) cells[i] = value;
}

void FillBlank(uint16_t* chars, uint16_t* attrs, int first, int last) {
  FillCells(chars + first, last - first + 1, kBlankChar);
  FillCells(attrs + first, last - first + 1, kDefaultAttr);
}

}  // namespace

CScreenBuffer::CScreenBuffer() {
  std::fill(std::begin(statusChars_), std::end(statusChars_), kBlankChar);
  std::fill(std::begin(statusAttrs_), std::end(statusAttrs_), kDefaultAttr);
  Allocate(kPageMemory, 0, kLineWidth);
}

bool CScreenBuffer::Allocate(int /*pageLines*/, int historyLines, int /*lineWidth*/) {
  // Page memory and line width are fixed; only the history capacity varies.
  int history = Clamp(historyLines, 0, kMaxHistoryLines);
  bool ok = true;
  for (;;) {
    try {
      const size_t lines = static_cast<size_t>(kPageMemory + history);
      chars_.reset(new uint16_t[lines * kLineWidth]);
      attrs_.reset(new uint16_t[lines * kLineWidth]);
      std::fill_n(chars_.get(), kPageMemory * kLineWidth, kBlankChar);
      std::fill_n(attrs_.get(), kPageMemory * kLineWidth, kDefaultAttr);
      flags_.assign(lines, 0);
      extras_.clear();
      extras_.resize(lines);
      break;
    } catch (const std::bad_alloc&) {
      // Keep a usable screen without history rather than none at all.
      if (history == 0) throw;
      history = 0;
      ok = false;
    }
  }
  capacity_ = history;
  for (int i = 0; i < kPageMemory; ++i) rowMap_[i] = i;
  oldest_ = next_ = kPageMemory;
  count_ = 0;
  historyChanged_ = false;
  return ok;
}

void CScreenBuffer::SetGeometry(int pages, int lines) {
  lines_ = Clamp(lines, 1, kPageMemory);
  pages_ = Clamp(pages, 1, kPageMemory / lines_);
  page_ = std::min(page_, pages_ - 1);
}

int CScreenBuffer::HistoryPhys(int index) const {
  return kPageMemory + (oldest_ - kPageMemory + index) % capacity_;
}

void CScreenBuffer::ResizeHistory(int newCapacity) {
  newCapacity = Clamp(newCapacity, 0, kMaxHistoryLines);
  if (newCapacity == capacity_) return;
  const int keep = std::min(count_, newCapacity);
  const size_t lines = static_cast<size_t>(kPageMemory + newCapacity);
  std::unique_ptr<uint16_t[]> chars(new uint16_t[lines * kLineWidth]);
  std::unique_ptr<uint16_t[]> attrs(new uint16_t[lines * kLineWidth]);
  std::vector<uint16_t> flags(lines, 0);
  std::vector<std::unique_ptr<CellExtra[]>> extras(lines);
  std::move(extras_.begin(), extras_.begin() + kPageMemory, extras.begin());
  std::copy_n(chars_.get(), kPageMemory * kLineWidth, chars.get());
  std::copy_n(attrs_.get(), kPageMemory * kLineWidth, attrs.get());
  std::copy_n(flags_.begin(), kPageMemory, flags.begin());
  for (int i = 0; i < keep; ++i) {
    const int src = HistoryPhys(count_ - keep + i);
    const size_t dst = static_cast<size_t>(kPageMemory + i);
    std::memcpy(&chars[dst * kLineWidth], CharsOf(src), kRowBytes);
    std::memcpy(&attrs[dst * kLineWidth], AttrsOf(src), kRowBytes);
    flags[dst] = flags_[static_cast<size_t>(src)];
    extras[dst] = std::move(extras_[static_cast<size_t>(src)]);
  }
  chars_.swap(chars);
  attrs_.swap(attrs);
  flags_.swap(flags);
  extras_.swap(extras);
  capacity_ = newCapacity;
  oldest_ = kPageMemory;
  count_ = keep;
  next_ = kPageMemory + keep;
  if (next_ == kPageMemory + capacity_) next_ = kPageMemory;
}

void CScreenBuffer::ClearHistory() {
  count_ = 0;
  oldest_ = next_ = kPageMemory;
  historyChanged_ = false;
}

void CScreenBuffer::ClearAll() {
  for (int line = 0; line < kPageMemory; ++line) {
    FillBlank(CharsOf(line), AttrsOf(line), 0, kLineWidth - 1);
    flags_[static_cast<size_t>(line)] = kLineChanged;
  }
}

void CScreenBuffer::PushToHistory(int row) {
  if (capacity_ == 0 || !ValidRow(row)) return;
  const int src = Phys(row);
  std::memcpy(CharsOf(next_), CharsOf(src), kRowBytes);
  std::memcpy(AttrsOf(next_), AttrsOf(src), kRowBytes);
  CopyExtras(src, 0, kLineWidth, next_, 0);
  flags_[static_cast<size_t>(next_)] = flags_[static_cast<size_t>(src)] & 0x00FF;
  if (++next_ == kPageMemory + capacity_) next_ = kPageMemory;
  if (count_ == capacity_) {
    if (++oldest_ == kPageMemory + capacity_) oldest_ = kPageMemory;
  } else {
    ++count_;
  }
  historyChanged_ = true;
}

void CScreenBuffer::SaveScreenToHistory(int columns) {
  columns = Clamp(columns, 0, kLineWidth);
  int last = -1;
  for (int row = 0; row < lines_; ++row) {
    const uint16_t* chars = CharsOf(Phys(row));
    if (std::any_of(chars, chars + columns, [](uint16_t c) { return c != kBlankChar; })) last = row;
  }
  for (int row = 0; row <= last; ++row) PushToHistory(row);
}

void CScreenBuffer::MarkChanged(int row) {
  if (IsStatus(row))
    statusChanged_ = true;
  else
    flags_[static_cast<size_t>(Phys(row))] |= kLineChanged;
}

void CScreenBuffer::PutExtras(int row, int column, int count, const CellExtra& extra) {
  if (!ValidRow(row) || column < 0 || column >= kLineWidth || count <= 0) return;
  count = std::min(count, kLineWidth - column);
  std::fill_n(NeedExtras(Phys(row)) + column, count, extra);
}

void CScreenBuffer::AddCombining(int row, int column, char16_t mark) {
  if (!ValidRow(row) || column < 0 || column >= kLineWidth) return;
  const int phys = Phys(row);
  uint16_t& attribute = AttrsOf(phys)[column];
  CellExtra& extra = NeedExtras(phys)[column];
  if (!(attribute & attr::kExtended)) extra = {};
  extra.combining = mark;
  attribute |= attr::kExtended;
  flags_[static_cast<size_t>(phys)] |= kLineChanged;
}

CellExtra* CScreenBuffer::NeedExtras(int phys) {
  auto& extras = extras_[static_cast<size_t>(phys)];
  if (!extras) extras = std::make_unique<CellExtra[]>(kLineWidth);
  return extras.get();
}

void CScreenBuffer::CopyExtras(int fromPhys, int first, int count, int toPhys, int to) {
  // A line without extras has no cell that refers to them.
  const CellExtra* from = ExtrasOf(fromPhys);
  if (from == nullptr || count <= 0) return;
  std::memmove(NeedExtras(toPhys) + to, from + first,
               sizeof(CellExtra) * static_cast<size_t>(count));
}

void CScreenBuffer::ExchangeAlternate() {
  if (!altChars_) {
    altChars_.reset(new uint16_t[kPageMemory * kLineWidth]);
    altAttrs_.reset(new uint16_t[kPageMemory * kLineWidth]);
    altFlags_.assign(kPageMemory, 0);
    altExtras_.resize(kPageMemory);
    ClearAlternate();
  }
  for (int r = 0; r < lines_; ++r) {
    const int phys = Phys(r);
    const size_t alt = static_cast<size_t>(r) * kLineWidth;
    std::swap_ranges(CharsOf(phys), CharsOf(phys) + kLineWidth, altChars_.get() + alt);
    std::swap_ranges(AttrsOf(phys), AttrsOf(phys) + kLineWidth, altAttrs_.get() + alt);
    std::swap(flags_[static_cast<size_t>(phys)], altFlags_[static_cast<size_t>(r)]);
    std::swap(extras_[static_cast<size_t>(phys)], altExtras_[static_cast<size_t>(r)]);
    flags_[static_cast<size_t>(phys)] |= kLineChanged;
  }
}

void CScreenBuffer::ClearAlternate() {
  if (!altChars_) return;
  std::fill_n(altChars_.get(), kPageMemory * kLineWidth, kBlankChar);
  std::fill_n(altAttrs_.get(), kPageMemory * kLineWidth, kDefaultAttr);
  std::fill(altFlags_.begin(), altFlags_.end(), 0);
}

void CScreenBuffer::SetLineSize(int row, int code) {
  if (!ValidRow(row)) return;
  if (code != 0) sizedRows_ = true;
  uint16_t& f = flags_[static_cast<size_t>(Phys(row))];
  f = static_cast<uint16_t>((f & 0xFF00) | (code & 0xFF) | kLineChanged);
}

void CScreenBuffer::MoveCells(int row, int rowCount, int srcFirst, int srcLast, int dstFirst,
                              bool blankVacated) {
  // Clip the source so that both ranges stay on the line.
  const int shift = dstFirst - srcFirst;
  int first = std::max({srcFirst, 0, -shift});
  int last = std::min({srcLast, kLineWidth - 1, kLineWidth - 1 - shift});
  if (IsStatus(row)) rowCount = 1;
  for (int r = row; r < row + rowCount; ++r) {
    uint16_t* chars;
    uint16_t* attrs;
    CellExtra* extras = nullptr;
    if (IsStatus(r)) {
      chars = statusChars_;
      attrs = statusAttrs_;
    } else if (ValidRow(r)) {
      chars = CharsOf(Phys(r));
      attrs = AttrsOf(Phys(r));
      extras = ExtrasOf(Phys(r));
    } else {
      break;
    }
    if (first <= last) {
      const size_t n = sizeof(uint16_t) * static_cast<size_t>(last - first + 1);
      std::memmove(chars + first + shift, chars + first, n);
      std::memmove(attrs + first + shift, attrs + first, n);
      if (extras)
        std::memmove(extras + first + shift, extras + first,
                     sizeof(CellExtra) * static_cast<size_t>(last - first + 1));
    }
    if (blankVacated) {
      int b0, b1;
      if (shift < 0) {
        b0 = srcLast + shift + 1;
        b1 = srcLast;
      } else {
        b0 = srcFirst;
        b1 = srcFirst + shift - 1;
      }
      if (ClipColumns(b0, b1)) {
        if (IsStatus(r))
          FillBlank(chars, attrs, b0, b1);
        else
          BlankRange(Phys(r), b0, b1);
      }
    }
    MarkChanged(r);
  }
}

void CScreenBuffer::MoveLines(int srcRow, int dstRow, int count, int firstCol, int lastCol,
                              bool blankVacated) {
  // A source or destination one past the last row is allowed when nothing is moved: deleting
  // or inserting as many lines as the region holds only blanks.
  if (srcRow < 0 || dstRow < 0 || srcRow > lines_ || dstRow > lines_ || srcRow == dstRow) return;
  if (IsStatus(srcRow) && count > 0) return;
  if (!ClipColumns(firstCol, lastCol)) return;
  count = std::min({count, lines_ - srcRow, lines_ - dstRow});
  count = std::max(count, 0);
  const bool up = dstRow < srcRow;
  const int distance = up ? srcRow - dstRow : dstRow - srcRow;
  // Rows vacated by the move, clipped to the page.
  const int vacFirst = up ? dstRow + count : srcRow;
  const int vacLast = std::min(up ? srcRow + count - 1 : dstRow - 1, lines_ - 1);
  const bool fullWidth = firstCol == 0 && lastCol == kLineWidth - 1;

  if (fullWidth && blankVacated) {
    // Rotate the row map over the block instead of moving cells.
    const int blockFirst = std::min(srcRow, dstRow);
    const int blockLast = std::max(vacLast, std::max(srcRow, dstRow) + count - 1);
    int* map = rowMap_ + page_ * lines_;
    if (up)
      std::rotate(map + blockFirst, map + blockFirst + distance, map + blockLast + 1);
    else
      std::rotate(map + blockFirst, map + blockLast + 1 - distance, map + blockLast + 1);
    for (int r = blockFirst; r <= blockLast; ++r) MarkChanged(r);
    for (int r = vacFirst; r <= vacLast; ++r) {
      const int phys = Phys(r);
      BlankRange(phys, 0, kLineWidth - 1);
      flags_[static_cast<size_t>(phys)] = kLineChanged;
    }
    return;
  }

  const size_t n = sizeof(uint16_t) * static_cast<size_t>(lastCol - firstCol + 1);
  auto copyRow = [&](int from, int to) {
    const int pf = Phys(from), pt = Phys(to);
    std::memmove(CharsOf(pt) + firstCol, CharsOf(pf) + firstCol, n);
    std::memmove(AttrsOf(pt) + firstCol, AttrsOf(pf) + firstCol, n);
    CopyExtras(pf, firstCol, lastCol - firstCol + 1, pt, firstCol);
    flags_[static_cast<size_t>(pt)] = flags_[static_cast<size_t>(pf)] | kLineChanged;
  };
  if (up) {
    for (int i = 0; i < count; ++i) copyRow(srcRow + i, dstRow + i);
  } else {
    for (int i = count - 1; i >= 0; --i) copyRow(srcRow + i, dstRow + i);
  }
  // A line scrolled in is a new line: it is blank and single size, whatever stood there.
  if (blankVacated) {
    for (int r = vacFirst; r <= vacLast; ++r) {
      const int phys = Phys(r);
      BlankRange(phys, firstCol, lastCol);
      flags_[static_cast<size_t>(phys)] = kLineChanged;
    }
  }
}

void CScreenBuffer::BlankRange(int phys, int first, int last) {
  FillCells(CharsOf(phys) + first, last - first + 1, kBlankChar);
  FillCells(AttrsOf(phys) + first, last - first + 1, eraseAttr_);
  if (eraseAttr_ & attr::kExtended)
    std::fill(NeedExtras(phys) + first, NeedExtras(phys) + last + 1, eraseExtra_);
}

void CScreenBuffer::BlankCells(int phys, int first, int last) {
  BlankRange(phys, first, last);
  flags_[static_cast<size_t>(phys)] |= kLineChanged;
}

std::pair<int, int> CScreenBuffer::ClipRows(int row, int count) const {
  const int64_t end = std::min<int64_t>(static_cast<int64_t>(row) + count, lines_);
  const int first = std::max(row, 0);
  return {first, static_cast<int>(std::max<int64_t>(end, first))};
}

void CScreenBuffer::EraseLines(int row, int count, int firstCol, int lastCol) {
  const bool whole = firstCol == -1 && lastCol == -1;
  if (whole) {
    firstCol = 0;
    lastCol = kLineWidth - 1;
  }
  if (!ClipColumns(firstCol, lastCol)) return;
  if (IsStatus(row)) {
    FillBlank(statusChars_, statusAttrs_, firstCol, lastCol);
    statusChanged_ = true;
    return;
  }
  const auto [first, end] = ClipRows(row, count);
  for (int r = first; r < end; ++r) {
    const int phys = Phys(r);
    BlankCells(phys, firstCol, lastCol);
    if (whole) flags_[static_cast<size_t>(phys)] = kLineChanged;
  }
}

void CScreenBuffer::SelectiveErase(int row, int count, int firstCol, int lastCol) {
  if (IsStatus(row) || !ClipColumns(firstCol, lastCol)) return;
  const auto [first, end] = ClipRows(row, count);
  for (int r = first; r < end; ++r) {
    const int phys = Phys(r);
    uint16_t* chars = CharsOf(phys);
    uint16_t* attrs = AttrsOf(phys);
    for (int c = firstCol; c <= lastCol; ++c) {
      if (attrs[c] & attr::kProtected) continue;
      chars[c] = kBlankChar;
      attrs[c] = kDefaultAttr;
    }
    flags_[static_cast<size_t>(phys)] |= kLineChanged;
  }
}

namespace {
// Clips a rectangle of the current page; false when it is empty.
bool ClipRect(int& top, int& left, int& bottom, int& right, int lines) {
  top = std::max(top, 0);
  bottom = std::min(bottom, lines - 1);
  return top <= bottom && ClipColumns(left, right);
}
}  // namespace

void CScreenBuffer::XorAttributes(int top, int left, int bottom, int right, uint16_t mask) {
  if (IsStatus(top) || !ClipRect(top, left, bottom, right, lines_)) return;
  for (int r = top; r <= bottom; ++r) {
    uint16_t* attrs = AttrsOf(Phys(r));
    for (int c = left; c <= right; ++c) attrs[c] ^= mask;
    MarkChanged(r);
  }
}

void CScreenBuffer::SetAttributes(int top, int left, int bottom, int right, uint16_t value) {
  if (IsStatus(top) || !ClipRect(top, left, bottom, right, lines_)) return;
  for (int r = top; r <= bottom; ++r) {
    uint16_t* attrs = AttrsOf(Phys(r));
    // The glyph class stays: it describes the character, not its rendition.
    for (int c = left; c <= right; ++c)
      attrs[c] = static_cast<uint16_t>((attrs[c] & attr::kGlyphMask) | (value & ~attr::kGlyphMask));
    MarkChanged(r);
  }
}

void CScreenBuffer::FillRect(int top, int left, int bottom, int right, uint16_t ch,
                             uint16_t attribute) {
  if (IsStatus(top) || !ClipRect(top, left, bottom, right, lines_)) return;
  for (int r = top; r <= bottom; ++r) {
    const int phys = Phys(r);
    std::fill(CharsOf(phys) + left, CharsOf(phys) + right + 1, ch);
    std::fill(AttrsOf(phys) + left, AttrsOf(phys) + right + 1, attribute);
    MarkChanged(r);
  }
}

void CScreenBuffer::CopyRect(int srcPage, int top, int left, int bottom, int right, int dstPage,
                             int dstTop, int dstLeft) {
  if (IsStatus(top) || srcPage < 0 || srcPage >= pages_ || dstPage < 0 || dstPage >= pages_) return;
  // Clip the source, shifting the destination with it, then clip against the destination.
  if (top < 0) {
    dstTop -= top;
    top = 0;
  }
  if (left < 0) {
    dstLeft -= left;
    left = 0;
  }
  if (dstTop < 0) {
    top -= dstTop;
    dstTop = 0;
  }
  if (dstLeft < 0) {
    left -= dstLeft;
    dstLeft = 0;
  }
  bottom = std::min({bottom, lines_ - 1, top + (lines_ - 1 - dstTop)});
  right = std::min({right, kLineWidth - 1, left + (kLineWidth - 1 - dstLeft)});
  if (top > bottom || left > right) return;
  const size_t n = sizeof(uint16_t) * static_cast<size_t>(right - left + 1);
  auto copyRow = [&](int r) {
    const int ps = PagePhys(srcPage, r), pd = PagePhys(dstPage, dstTop + (r - top));
    std::memmove(CharsOf(pd) + dstLeft, CharsOf(ps) + left, n);
    std::memmove(AttrsOf(pd) + dstLeft, AttrsOf(ps) + left, n);
    CopyExtras(ps, left, right - left + 1, pd, dstLeft);
    flags_[static_cast<size_t>(pd)] |= kLineChanged;
  };
  const bool backwards = srcPage == dstPage && (dstTop > top || (dstTop == top && dstLeft > left));
  if (backwards) {
    for (int r = bottom; r >= top; --r) copyRow(r);
  } else {
    for (int r = top; r <= bottom; ++r) copyRow(r);
  }
}

void CScreenBuffer::SelectPage(int page) {
  if (page < 0 || page >= pages_) return;
  page_ = page;
  for (int r = 0; r < lines_; ++r) MarkChanged(r);
}

std::optional<LineView> CScreenBuffer::GetLine(int viewIndex) const {
  if (viewIndex < 0) return std::nullopt;
  if (viewIndex < count_) {
    const int phys = HistoryPhys(viewIndex);
    return LineView{flags_[static_cast<size_t>(phys)] & 0xFF, CharsOf(phys), AttrsOf(phys),
                    ExtrasOf(phys)};
  }
  const int row = viewIndex - count_;
  if (row < lines_) {
    const int phys = Phys(row);
    return LineView{flags_[static_cast<size_t>(phys)] & 0xFF, CharsOf(phys), AttrsOf(phys),
                    ExtrasOf(phys)};
  }
  if (row == lines_) return LineView{0, statusChars_, statusAttrs_};
  return std::nullopt;
}

std::optional<LineView> CScreenBuffer::GetPageRow(int row) const {
  if (IsStatus(row)) return LineView{0, statusChars_, statusAttrs_};
  if (!ValidRow(row)) return std::nullopt;
  const int phys = Phys(row);
  return LineView{flags_[static_cast<size_t>(phys)], CharsOf(phys), AttrsOf(phys), ExtrasOf(phys)};
}

int CScreenBuffer::LineSizeAt(int viewIndex) const {
  auto line = GetLine(viewIndex);
  return line ? line->sizeCode : 0;
}

bool CScreenBuffer::TakeChangedRows(int& first, int& last) {
  first = last = -1;
  for (int r = 0; r < lines_; ++r) {
    if (flags_[static_cast<size_t>(Phys(r))] & kLineChanged) {
      if (first < 0) first = r;
      last = r;
    }
  }
  for (int r = std::max(first, 0); r <= last; ++r)
    flags_[static_cast<size_t>(Phys(r))] &= static_cast<uint16_t>(~kLineChanged);
  if (statusChanged_) {
    if (first < 0) first = lines_;
    last = lines_;
    statusChanged_ = false;
  }
  return first >= 0;
}

bool CScreenBuffer::TakeHistoryChanged() {
  const bool changed = historyChanged_;
  historyChanged_ = false;
  return changed;
}

bool CScreenBuffer::HasBlink(int viewFirst, int count) const {
  for (int i = viewFirst; i < viewFirst + count; ++i) {
    auto line = GetLine(i);
    if (!line) return false;
    if (std::any_of(line->attrs, line->attrs + kLineWidth,
                    [](uint16_t a) { return (a & attr::kBlink) != 0; }))
      return true;
  }
  return false;
}

int CScreenBuffer::FindInLine(std::u16string_view text, int viewIndex, int from, int last,
                              bool forward, bool caseSensitive) const {
  auto line = GetLine(viewIndex);
  const int length = static_cast<int>(text.size());
  if (!line || length == 0) return -1;
  from = std::max(from, 0);
  const int lastStart = std::min(last, kLineWidth - 1) - length + 1;
  auto fold = [caseSensitive](char16_t c) -> char16_t {
    return caseSensitive ? c : static_cast<char16_t>(std::towlower(c));
  };
  auto matchesAt = [&](int col) {
    for (int i = 0; i < length; ++i)
      if (fold(line->chars[col + i]) != fold(text[static_cast<size_t>(i)])) return false;
    return true;
  };
  if (forward) {
    for (int col = from; col <= lastStart; ++col)
      if (matchesAt(col)) return col;
  } else {
    for (int col = lastStart; col >= from; --col)
      if (matchesAt(col)) return col;
  }
  return -1;
}

std::string CScreenBuffer::GetText(int firstRow, int firstCol, int lastRow, int lastCol) const {
  std::string out;
  if (!ClipColumns(firstCol, lastCol)) return out;
  firstRow = std::max(firstRow, 0);
  lastRow = std::min(lastRow, lines_);
  for (int r = firstRow; r <= lastRow; ++r) {
    auto line = GetPageRow(r);
    for (int c = firstCol; c <= lastCol; ++c)
      out.push_back(static_cast<char>(line->chars[c] & 0xFF));
    if (r != lastRow) out += "\n\r";
  }
  return out;
}

uint16_t CScreenBuffer::CharAt(int row, int column) const {
  if (column < 0 || column >= kLineWidth) return kBlankChar;
  if (IsStatus(row)) return statusChars_[column];
  return ValidRow(row) ? CharsOf(Phys(row))[column] : kBlankChar;
}

uint16_t CScreenBuffer::AttrAt(int row, int column) const {
  if (column < 0 || column >= kLineWidth) return kDefaultAttr;
  if (IsStatus(row)) return statusAttrs_[column];
  return ValidRow(row) ? AttrsOf(Phys(row))[column] : kDefaultAttr;
}

const CellExtra* CScreenBuffer::ExtraAt(int row, int column) const {
  if (!ValidRow(row) || column < 0 || column >= kLineWidth) return nullptr;
  return GetPageRow(row)->ExtraAt(column);
}

uint16_t CScreenBuffer::LineFlags(int row) const {
  return ValidRow(row) ? flags_[static_cast<size_t>(Phys(row))] : 0;
}

}  // namespace ostrane
