#include "session/find_text.h"

#include <algorithm>
#include <cwctype>

#include "emulator/screen_buffer.h"
#include "session/selection.h"

namespace ostrane {

namespace {

bool IsWordChar(uint16_t c) {
  return c == '_' || std::iswalnum(static_cast<wint_t>(c)) != 0;
}

bool IsWholeWord(const CScreenBuffer& screen, int row, int column, int length, int columns) {
  const auto line = screen.GetLine(row);
  if (!line) return false;
  if (column > 0 && IsWordChar(line->chars[column - 1])) return false;
  const int after = column + length;
  return after >= columns || !IsWordChar(line->chars[after]);
}

// A match wholly within first..last of one line.
int FindInRow(const CScreenBuffer& screen, const FindParams& p, int row, int first, int last,
              int columns) {
  const int length = static_cast<int>(p.text.size());
  while (first <= last) {
    const int col = screen.FindInLine(p.text, row, first, last, !p.up, p.caseSensitive);
    if (col < 0) return -1;
    if (!p.wholeWord || IsWholeWord(screen, row, col, length, columns)) return col;
    if (p.up)
      last = col + length - 2;
    else
      first = col + 1;
  }
  return -1;
}

}  // namespace

std::optional<FindMatch> FindText(const CScreenBuffer& screen, const FindParams& params,
                                  const CSelection& selection, const FindArea& area) {
  if (params.text.empty() || area.lineCount <= 0) return std::nullopt;
  const int columns = std::clamp(area.columns, 1, kLineWidth);
  const int length = static_cast<int>(params.text.size());
  if (!params.up) {
    int row = selection.Active() ? selection.EndRow() : area.topLine;
    int first = selection.Active() ? selection.EndColumn() + 1 : 0;
    for (row = std::max(row, 0); row < area.lineCount; ++row, first = 0) {
      const int col = FindInRow(screen, params, row, first, columns - 1, columns);
      if (col >= 0) return FindMatch{row, col, length};
    }
  } else {
    int row = selection.Active() ? selection.StartRow() : area.belowLine;
    int last = selection.Active() ? selection.StartColumn() - 1 : columns - 1;
    if (row >= area.lineCount) {
      row = area.lineCount - 1;
      last = columns - 1;
    }
    for (; row >= 0; --row, last = columns - 1) {
      const int col = FindInRow(screen, params, row, 0, last, columns);
      if (col >= 0) return FindMatch{row, col, length};
    }
  }
  return std::nullopt;
}

}  // namespace ostrane
