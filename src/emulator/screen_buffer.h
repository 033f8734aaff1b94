// CScreenBuffer: the cells of every page, the history ring and the status line.
//
// Page memory is 144 logical lines; each maps through rowMap_ to a physical storage line, so
// scrolling a full-width region rotates indices instead of moving cells. History lines live in
// physical lines 144.. as a ring. Rows given to the buffer are rows of the current page; row
// `lines_` is the status line. Every range is clipped to the storage before it is used.
//
// Colours beyond the word's 16 and the styles that have no bit in it live in a side array of
// CellExtra per physical line, allocated only for a line that holds such a cell; a cell's entry
// counts only while its word has attr::kExtended, so blanking a cell never touches the array.
// The alternate screen is a second set of rows for the current page, exchanged with it.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "emulator/emulator_limits.h"
#include "emulator/link_table.h"

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
// The cell's CellExtra entry holds more colour or style.
inline constexpr uint16_t kExtended = 0x0080;
// SGR 0: every rendition off and the default colours; protection, the glyph kind and the
// extra mark stay, as they are no rendition.
inline constexpr uint16_t Reset(uint16_t word) {
  return static_cast<uint16_t>((word & (kProtected | kGlyphMask | kExtended)) | kDefaultAttr);
}
}  // namespace attr

// A colour in a CellExtra: 0 for the word's own colour, else a tag and its value.
namespace colour {
inline constexpr uint32_t kTagMask = 0xFF000000;
inline constexpr uint32_t kIndexed = 0x01000000;  // low byte: one of the 256 palette colours
inline constexpr uint32_t kRgb = 0x02000000;      // low 24 bits: 0xRRGGBB
}  // namespace colour

// Styles without a bit in the attribute word.
namespace style {
inline constexpr uint8_t kItalic = 0x01;
inline constexpr uint8_t kStrike = 0x02;
inline constexpr uint8_t kFaint = 0x04;
inline constexpr uint8_t kOverline = 0x08;
inline constexpr uint8_t kInvisible = 0x10;
}  // namespace style

struct CellExtra {
  uint32_t foreground = 0;
  uint32_t background = 0;
  uint8_t styles = 0;
  // A combining mark drawn over the cell's character (xterm type), 0 for none.
  char16_t combining = 0;
  // The hyperlink the text belongs to: a number of the buffer's link table, 0 for none.
  uint16_t link = 0;
  bool Empty() const {
    return foreground == 0 && background == 0 && styles == 0 && combining == 0 && link == 0;
  }
  friend bool operator==(const CellExtra&, const CellExtra&) = default;
};

struct LineView {
  int sizeCode = 0;  // line flags low byte (GetPageRow: the whole flags word)
  const uint16_t* chars = nullptr;
  const uint16_t* attrs = nullptr;
  // The line's extra colours and styles, or nullptr when no cell of it has any.
  const CellExtra* extras = nullptr;
  // The extra of a cell, or nullptr when it has none.
  const CellExtra* ExtraAt(int column) const {
    return extras && (attrs[column] & attr::kExtended) ? &extras[column] : nullptr;
  }
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

  // Width 2: a wide character, whose right half (the next cell) holds code 0. Kept in the header
  // with PutByteRun: they are called for every character or run of text.
  void PutCell(int row, int column, uint16_t ch, uint16_t attribute, int width = 1) {
    if (column < 0 || column >= kLineWidth) return;
    const RowCells cells = WritableRow(row);
    if (!cells.chars) return;
    cells.chars[column] = ch;
    cells.attrs[column] = attribute;
    if (width == 2 && column + 1 < kLineWidth) {
      cells.chars[column + 1] = 0;
      cells.attrs[column + 1] = attribute;
    }
  }
  // Writes a run of bytes that are their own character codes (plain ASCII) on one row: the
  // printing fast path. The run is clipped to the line.
  void PutByteRun(int row, int column, const uint8_t* bytes, int count, uint16_t attribute) {
    if (column < 0 || column >= kLineWidth || count <= 0) return;
    count = std::min(count, kLineWidth - column);
    const RowCells cells = WritableRow(row);
    if (!cells.chars) return;
    uint16_t* chars = cells.chars + column;
    uint16_t* attrs = cells.attrs + column;
    if (count <= 4 && column + 4 <= kLineWidth && kLittleEndianCells) {
      PutUpToFour(chars, attrs, bytes, count, attribute);
      return;
    }
    // Runs between short sequences are a few characters long: a plain loop beats the set-up of
    // the vectorised copies, which win on long runs.
    if (count < 16) {
      for (int i = 0; i < count; ++i) {
        chars[i] = bytes[i];
        attrs[i] = attribute;
      }
    } else {
      std::copy_n(bytes, count, chars);
      std::fill_n(attrs, count, attribute);
    }
  }

  // The extra of `count` cells written with attr::kExtended (the status line keeps none).
  void PutExtras(int row, int column, int count, const CellExtra& extra);
  // Puts a combining mark on a cell of the page (a second one replaces the first).
  void AddCombining(int row, int column, char16_t mark);
  // What erased and scrolled-in cells of the page become: blank with the default word unless set
  // here (the xterm type erases with the current background).
  void SetEraseRendition(uint16_t attribute, const CellExtra& extra) {
    eraseAttr_ = attribute;
    eraseExtra_ = extra;
  }
  // Exchanges the rows of the current page with the alternate screen's.
  void ExchangeAlternate();
  // Blanks the alternate screen's rows (not shown while the page is).
  void ClearAlternate();
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
  // The size code of a row of the page (0 for the status line). Asked for every character
  // printed, so it is answered at once until some row has ever been given a size.
  int PageRowSize(int row) const {
    if (!sizedRows_ || !ValidRow(row)) return 0;
    return flags_[static_cast<size_t>(Phys(row))] & 0xFF;
  }
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
  const CellExtra* ExtraAt(int row, int column) const;

  // The targets of the links cells hold; kept for the buffer's life, as history keeps cells.
  CLinkTable& Links() { return links_; }
  const CLinkTable& Links() const { return links_; }

 private:
  // One to four cells of a run as one 64-bit word each for characters and attributes, merged
  // with the cells after the run, which keep what they hold: no branch depends on the length,
  // which between short sequences varies at random and would mispredict a loop's end about
  // once a run. Every byte read is within the run; every cell touched is within the line.
  static void PutUpToFour(uint16_t* chars, uint16_t* attrs, const uint8_t* bytes, int count,
                          uint16_t attribute) {
    const int last = count - 1;
    const uint64_t text = uint64_t{bytes[0]} | uint64_t{bytes[std::min(1, last)]} << 16 |
                          uint64_t{bytes[std::min(2, last)]} << 32 | uint64_t{bytes[last]} << 48;
    // The cells after the run: shifted in two steps, so that four cells leave none.
    const uint64_t keep = (~uint64_t{0} << (16 * count - 1)) << 1;
    uint64_t oldChars, oldAttrs;
    std::memcpy(&oldChars, chars, sizeof oldChars);
    std::memcpy(&oldAttrs, attrs, sizeof oldAttrs);
    const uint64_t newChars = (text & ~keep) | (oldChars & keep);
    const uint64_t newAttrs = (attribute * 0x0001000100010001ull & ~keep) | (oldAttrs & keep);
    std::memcpy(chars, &newChars, sizeof newChars);
    std::memcpy(attrs, &newAttrs, sizeof newAttrs);
  }
  static constexpr bool kLittleEndianCells = std::endian::native == std::endian::little;
  struct RowCells {
    uint16_t* chars;
    uint16_t* attrs;
  };
  // The cells of a page row or of the status line, marked changed; none for any other row.
  RowCells WritableRow(int row) {
    if (ValidRow(row)) {
      const int phys = Phys(row);
      flags_[static_cast<size_t>(phys)] |= kLineChanged;
      return {CharsOf(phys), AttrsOf(phys)};
    }
    if (IsStatus(row)) {
      statusChanged_ = true;
      return {statusChars_, statusAttrs_};
    }
    return {nullptr, nullptr};
  }
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
  // Blanks columns first..last of a stored line with the erase rendition.
  void BlankRange(int phys, int first, int last);
  CellExtra* ExtrasOf(int phys) { return extras_[static_cast<size_t>(phys)].get(); }
  const CellExtra* ExtrasOf(int phys) const { return extras_[static_cast<size_t>(phys)].get(); }
  CellExtra* NeedExtras(int phys);
  // Copies the extras of columns [first, first+count) of one line to another line's `to`.
  void CopyExtras(int fromPhys, int first, int count, int toPhys, int to);
  // Rows row..row+count-1 clipped to the page, as [first, end).
  std::pair<int, int> ClipRows(int row, int count) const;
  void MarkChanged(int row);
  int HistoryPhys(int index) const;  // index 0 = oldest

  // Cells of page memory then history. History slots are left unset until a line is pushed
  // there: only lines already pushed are ever read, and a large history costs no filling.
  std::unique_ptr<uint16_t[]> chars_;
  std::unique_ptr<uint16_t[]> attrs_;
  // Set once any row gets a size code; every size code comes from SetLineSize.
  bool sizedRows_ = false;
  std::vector<uint16_t> flags_;                       // per physical line
  std::vector<std::unique_ptr<CellExtra[]>> extras_;  // per physical line, mostly nullptr
  uint16_t eraseAttr_ = kDefaultAttr;
  CellExtra eraseExtra_;
  // The alternate screen: rows 0.. of the page not shown (cells, flags and extras).
  std::unique_ptr<uint16_t[]> altChars_;
  std::unique_ptr<uint16_t[]> altAttrs_;
  std::vector<uint16_t> altFlags_;
  std::vector<std::unique_ptr<CellExtra[]>> altExtras_;
  CLinkTable links_;
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
