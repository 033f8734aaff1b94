// CScreenBuffer: the cells of every page, the history ring and the status line.
//
// Page memory is 144 logical lines; each maps through rowMap_ to a physical storage line, so
// scrolling a full-width region rotates indices instead of moving cells. History lines live in
// physical lines 144.. as a ring. Rows given to the buffer are rows of the current page; row
// `lines_` is the status line. Every range is clipped to the storage before it is used.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/emulator_limits.h"

namespace ostrane {

inline constexpr uint16_t kBlankChar = 0x0020;
inline constexpr uint16_t kDefaultAttr = 0x0700;
inline constexpr uint16_t kLineChanged = 0x8000;

// Attribute word bits.
namespace attr {
inline constexpr uint16_t kBold = 0x0001;
inline constexpr uint16_t kUnderline = 0x0002;
inline constexpr uint16_t kBlink = 0x0004;
inline constexpr uint16_t kReverse = 0x0008;
inline constexpr uint16_t kProtected = 0x0010;
inline constexpr uint16_t kGlyphMask = 0x0060;
inline constexpr uint16_t kGlyphLineDraw = 0x0020;
inline constexpr uint16_t kGlyphSoftFont = 0x0040;
inline constexpr uint16_t kGlyphWide = 0x0060;
inline constexpr uint16_t kFgMask = 0x0F00;
inline constexpr uint16_t kBgMask = 0xF000;
}  // namespace attr

struct LineView {
  int sizeCode = 0;  // line flags low byte (GetPageRow: the whole flags word)
  const uint16_t* chars = nullptr;
  const uint16_t* attrs = nullptr;
};

class CScreenBuffer {
 public:
  CScreenBuffer();

  bool Allocate(int pageLines, int historyLines, int lineWidth);
  void SetGeometry(int pages, int lines);
  void ResizeHistory(int newCapacity);
  void ClearHistory();
  void ClearAll();
  void PushToHistory(int row);
  void SaveScreenToHistory(int columns);

  void PutCell(int row, int column, uint16_t ch, uint16_t attribute);
  // Writes a run of bytes that are their own character codes (plain ASCII) on one row: the
  // printing fast path. The run is clipped to the line.
  void PutByteRun(int row, int column, const uint8_t* bytes, int count, uint16_t attribute);
  void SetLineSize(int row, int code);
  void MoveCells(int row, int rowCount, int srcFirst, int srcLast, int dstFirst, bool blankVacated);
  void MoveLines(int srcRow, int dstRow, int count, int firstCol, int lastCol, bool blankVacated);
  void EraseLines(int row, int count, int firstCol, int lastCol);
  void SelectiveErase(int row, int count, int firstCol, int lastCol);
  void XorAttributes(int top, int left, int bottom, int right, uint16_t mask);
  void SetAttributes(int top, int left, int bottom, int right, uint16_t value);
  void FillRect(int top, int left, int bottom, int right, uint16_t ch, uint16_t attribute);
  void CopyRect(int srcPage, int top, int left, int bottom, int right, int dstPage, int dstTop,
                int dstLeft);
  void SelectPage(int page);
  int CurrentPage() const { return page_; }
  int Pages() const { return pages_; }
  int Lines() const { return lines_; }

  std::optional<LineView> GetLine(int viewIndex) const;
  std::optional<LineView> GetPageRow(int row) const;
  int LineSizeAt(int viewIndex) const;
  int HistoryCount() const { return count_; }
  int HistoryCapacity() const { return capacity_; }
  bool TakeChangedRows(int& first, int& last);
  bool TakeHistoryChanged();
  bool HasBlink(int viewFirst, int count) const;
  int FindInLine(std::u16string_view text, int viewIndex, int from, int last, bool forward,
                 bool caseSensitive) const;
  std::string GetText(int firstRow, int firstCol, int lastRow, int lastCol) const;
  bool HasStorage() const { return chars_ != nullptr; }

  // Cell access for the emulator's own reads (row of the current page or the status line).
  uint16_t CharAt(int row, int column) const;
  uint16_t AttrAt(int row, int column) const;
  uint16_t LineFlags(int row) const;

 private:
  bool IsStatus(int row) const { return row == lines_; }
  bool ValidRow(int row) const { return row >= 0 && row < lines_; }
  // Physical storage line of a row of the current page (row must be valid).
  int Phys(int row) const { return rowMap_[page_ * lines_ + row]; }
  int PagePhys(int page, int row) const { return rowMap_[page * lines_ + row]; }
  uint16_t* CharsOf(int phys) { return chars_.get() + static_cast<size_t>(phys) * kLineWidth; }
  uint16_t* AttrsOf(int phys) { return attrs_.get() + static_cast<size_t>(phys) * kLineWidth; }
  const uint16_t* CharsOf(int phys) const {
    return chars_.get() + static_cast<size_t>(phys) * kLineWidth;
  }
  const uint16_t* AttrsOf(int phys) const {
    return attrs_.get() + static_cast<size_t>(phys) * kLineWidth;
  }
  void BlankCells(int phys, int first, int last);
  // Rows row..row+count-1 clipped to the page, as [first, end).
  std::pair<int, int> ClipRows(int row, int count) const;
  void MarkChanged(int row);
  int HistoryPhys(int index) const;  // index 0 = oldest

  // Cells of page memory then history. History slots are left unset until a line is pushed
  // there: only lines already pushed are ever read, and a large history costs no filling.
  std::unique_ptr<uint16_t[]> chars_;
  std::unique_ptr<uint16_t[]> attrs_;
  std::vector<uint16_t> flags_;  // per physical line
  int rowMap_[kPageMemory];
  int capacity_ = 0;  // H
  int oldest_ = kPageMemory;
  int next_ = kPageMemory;
  int count_ = 0;
  bool historyChanged_ = false;

  uint16_t statusChars_[kLineWidth];
  uint16_t statusAttrs_[kLineWidth];
  bool statusChanged_ = false;

  int pages_ = 6;
  int lines_ = 24;
  int page_ = 0;
};

}  // namespace ostrane
