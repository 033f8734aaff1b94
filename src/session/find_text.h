// Find and Find Next over the history and screen lines of a view.
#pragma once

#include <optional>
#include <string>

namespace ostrane {

class CScreenBuffer;
class CSelection;

struct FindParams {
  std::u16string text;
  bool up = false;
  bool caseSensitive = false;
  bool wholeWord = false;
};

struct FindMatch {
  int row = 0;
  int column = 0;
  int length = 0;
};

struct FindArea {
  int topLine = 0;    // first displayed line: where a downward search without selection starts
  int belowLine = 0;  // the line after the displayed ones: where an upward search starts
  int lineCount = 0;  // lines of the view (history, page, status line)
  int columns = 80;
};

// The next match after (down) or before (up) the selection, or from the displayed lines when
// nothing is selected.
std::optional<FindMatch> FindText(const CScreenBuffer& screen, const FindParams& params,
                                  const CSelection& selection, const FindArea& area);

}  // namespace ostrane
