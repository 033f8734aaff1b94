#include "session/selection.h"

#include <algorithm>

#include "emulator/screen_buffer.h"

namespace ostrane {

void CSelection::SetStream(int startRow, int startColumn, int endRow, int endColumn) {
  startRow_ = startRow;
  startCol_ = startColumn;
  endRow_ = endRow;
  endCol_ = endColumn;
  block_ = false;
  if (startRow_ < 0 || endRow_ < startRow_ || (startRow_ == endRow_ && endCol_ < startCol_))
    Clear();
}

void CSelection::BeginDrag(int row, int column, bool block) {
  anchorRow_ = curRow_ = std::max(row, 0);
  anchorCol_ = curCol_ = std::max(column, 0);
  block_ = block;
  dragging_ = true;
  Clear();
}

bool CSelection::DragTo(int row, int column) {
  row = std::max(row, 0);
  column = std::max(column, 0);
  if (row == curRow_ && column == curCol_) return false;
  curRow_ = row;
  curCol_ = column;
  Recompute();
  return true;
}

void CSelection::Recompute() {
  if (block_) {
    startRow_ = std::min(anchorRow_, curRow_);
    endRow_ = std::max(anchorRow_, curRow_);
    startCol_ = std::min(anchorCol_, curCol_);
    endCol_ = std::max(anchorCol_, curCol_);
    return;
  }
  // The cell under the later point is not part of the selection.
  const bool anchorFirst = anchorRow_ < curRow_ || (anchorRow_ == curRow_ && anchorCol_ <= curCol_);
  const int r1 = anchorFirst ? anchorRow_ : curRow_;
  const int c1 = anchorFirst ? anchorCol_ : curCol_;
  const int r2 = anchorFirst ? curRow_ : anchorRow_;
  const int c2 = anchorFirst ? curCol_ : anchorCol_;
  startRow_ = r1;
  startCol_ = c1;
  endRow_ = r2;
  endCol_ = c2 - 1;
  if (startRow_ == endRow_ && endCol_ < startCol_) Clear();
}

SelectionSpan CSelection::ColumnsOnRow(int row, int columns) const {
  if (!Active() || row < startRow_ || row > endRow_) return {};
  SelectionSpan span{0, columns - 1};
  if (block_) {
    span = {startCol_, endCol_};
  } else {
    if (row == startRow_) span.first = startCol_;
    if (row == endRow_) span.last = endCol_;
  }
  span.first = std::max(span.first, 0);
  span.last = std::min(span.last, columns - 1);
  return span;
}

std::u16string CSelection::Text(const CScreenBuffer& screen, int columns, bool copySpace) const {
  std::u16string out;
  if (!Active()) return out;
  columns = std::clamp(columns, 1, kLineWidth);
  bool firstRow = true;
  for (int row = startRow_; row <= endRow_; ++row) {
    const auto line = screen.GetLine(row);
    if (!line) break;
    const SelectionSpan span = ColumnsOnRow(row, columns);
    if (span.last < span.first) continue;
    int last = span.last;
    if (!block_ && !copySpace) {
      int lastUsed = columns - 1;
      while (lastUsed >= 0 && line->chars[lastUsed] == kBlankChar) --lastUsed;
      last = std::min(last, lastUsed);
    }
    if (!firstRow) out += u"\r\n";
    firstRow = false;
    for (int c = span.first; c <= last; ++c)
      if (line->chars[c] != 0) out.push_back(static_cast<char16_t>(line->chars[c]));
  }
  return out;
}

}  // namespace ostrane
