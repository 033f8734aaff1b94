// The arithmetic of a terminal window: which scroll bars it needs and their ranges, and the font
// size that fits a window.
#pragma once

#include <functional>

namespace ostrane {

class CSettingsSet;

struct ScrollLayoutInput {
  int clientWidth = 0;  // with the space of shown scroll bars added back
  int clientHeight = 0;
  int cellWidth = 1;
  int cellHeight = 1;
  int columns = 80;
  int rows = 24;  // page lines plus the status line
  int historyCount = 0;
  int barWidth = 0;   // of a vertical bar
  int barHeight = 0;  // of a horizontal bar
  bool allowVertical = true;
  bool allowHorizontal = true;

  bool operator==(const ScrollLayoutInput&) const = default;
};

struct ScrollLayout {
  bool vertical = false;
  int verticalMax = 0;
  bool horizontal = false;
  int horizontalMax = 0;
  int clientWidth = 0;  // what is left for the cells
  int clientHeight = 0;
};

ScrollLayout ComputeScrollLayout(const ScrollLayoutInput& in);

// The font set a session uses: the 132-column set only at 132 columns with FontUse80 off.
struct FontSetChoice {
  int name;  // settings positions
  int size;
  int bold;
};
FontSetChoice ChooseFontSet(const CSettingsSet& settings);

// Larger Font / Smaller Font keep the size within these points.
inline constexpr int kMinFontPoints = 6;
inline constexpr int kMaxFontPoints = 32;

// The measured cell of the session's font at a point size.
struct CellSize {
  int width = 1;
  int height = 1;
};

// The largest point size at which the whole page fits both the width and the height (the
// smaller of the two fits wins), measured with cellAt(points), so that 132 columns in a narrow
// window need no scroll bar. It never goes below the size whose characters are 4 pixels high,
// where text cannot be read at all; only a page that needs smaller text gets scroll bars.
int FitFontPoints(int clientWidth, int clientHeight, int rows, int columns, int dpiY,
                  const std::function<CellSize(int)>& cellAt);

}  // namespace ostrane
