#include "session/mouse_report.h"

#include <cstdio>

namespace ostrane {

namespace {

struct EventCodes {
  MouseEvent event;
  char cellByte;    // character-cell report (mode 1); 0: not reported
  int locatorCode;  // locator report (mode 2)
};

constexpr EventCodes kEventCodes[] = {
    {MouseEvent::kMove, 0, 1},       {MouseEvent::kLeftDown, 0x23, 2},
    {MouseEvent::kLeftUp, 0x20, 3},  {MouseEvent::kRightDown, 0x21, 6},
    {MouseEvent::kRightUp, 0x20, 7},
};

constexpr int kCellOffset = 33;  // column and row are sent as 0-based + 33

}  // namespace

std::string CMouseReporter::Report(int mode, MouseEvent event, MouseCell cell,
                                   const MouseGeometry& geometry, MouseButtons held) {
  const int row = cell.line - geometry.historyCount;
  if (mode == 0 || row < 0 || row >= geometry.lines || cell.column < 0 ||
      cell.column >= geometry.columns)
    return {};
  if (event == MouseEvent::kMove) {
    if (cell.column == lastColumn_ && row == lastRow_) return {};
    lastColumn_ = cell.column;
    lastRow_ = row;
  }
  const EventCodes& codes = kEventCodes[static_cast<int>(event)];
  if (mode == 1) {
    if (codes.cellByte == 0) return {};
    return {'\x1b',
            '[',
            'M',
            codes.cellByte,
            static_cast<char>(cell.column + kCellOffset),
            static_cast<char>(row + kCellOffset)};
  }
  if (mode != 2) return {};
  const int buttons = (held.left ? 4 : 0) + (held.right ? 1 : 0);
  char text[48];
  const int n = std::snprintf(text, sizeof text, "\x1b[%d;%d;%d;%d&w", codes.locatorCode, buttons,
                              row + 1, cell.column + 1);
  return std::string(text, static_cast<size_t>(n));
}

}  // namespace ostrane
