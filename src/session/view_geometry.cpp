#include "session/view_geometry.h"

#include <algorithm>

#include "settings/settings_set.h"

namespace ostrane {

namespace {

// Characters smaller than this many pixels cannot be read at all.
constexpr int kMinFitCellHeight = 4;
constexpr int kMinFitPoints = 1;

int CeilDiv(int a, int b) {
  return (a + b - 1) / b;
}

}  // namespace

ScrollLayout ComputeScrollLayout(const ScrollLayoutInput& in) {
  ScrollLayout out;
  const int cellW = std::max(in.cellWidth, 1);
  const int cellH = std::max(in.cellHeight, 1);
  const int needW = in.columns * cellW;
  const int needH = in.rows * cellH;
  int w = in.clientWidth;
  int h = in.clientHeight;
  bool vertical = in.allowVertical && (in.historyCount > 0 || needH > h);
  if (vertical) w -= in.barWidth;
  bool horizontal = in.allowHorizontal && needW > w;
  if (horizontal) {
    h -= in.barHeight;
    if (!vertical && in.allowVertical && needH > h) {
      vertical = true;
      w -= in.barWidth;
    }
  }
  out.vertical = vertical;
  out.horizontal = horizontal;
  if (vertical) out.verticalMax = in.historyCount + (needH > h ? CeilDiv(needH - h, cellH) : 0);
  if (horizontal) out.horizontalMax = CeilDiv(needW - w, cellW);
  out.clientWidth = std::max(w, 0);
  out.clientHeight = std::max(h, 0);
  return out;
}

FontSetChoice ChooseFontSet(const CSettingsSet& settings) {
  if (settings.Int(S::Columns) == 132 && settings.Int(S::FontUse80) == 0)
    return {S::FontName132, S::FontSize132, S::FontBold132};
  return {S::FontName, S::FontSize, S::FontBold};
}

int FitFontPoints(int clientWidth, int clientHeight, int rows, int columns, int dpiY,
                  const std::function<CellSize(int)>& cellAt) {
  if (dpiY <= 0) return kMinFitPoints;
  const int floor = std::max(kMinFitPoints, CeilDiv(kMinFitCellHeight * 72, dpiY));
  if (rows <= 0 || columns <= 0) return floor;
  // A cell is at least as high as the font's pixel size, so no size above this one fits.
  for (int points = clientHeight / rows * 72 / dpiY; points > floor; --points) {
    const CellSize cell = cellAt(points);
    if (cell.width * columns <= clientWidth && cell.height * rows <= clientHeight) return points;
  }
  return floor;
}

}  // namespace ostrane
