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

// Largest point size from the one whose cell height fills the height (at least 12 pixels)
// downwards whose cell width fits the width; 5 when none above 5 fits.
// cellWidthAt(points) measures the font at that size.
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

int FitFontPoints(int clientWidth, int clientHeight, int rows, int columns, int dpiY,
                  const std::function<int(int)>& cellWidthAt);

}  // namespace ostrane
