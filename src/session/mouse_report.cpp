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

std::string CMouseReporter::HostReport(HostMouse mode, const HostMouseEvent& e, MouseCell cell,
                                       const MouseGeometry& geometry) {
  const int row = cell.line - geometry.historyCount;
  const int column = cell.column;
  if (mode.tracking == MouseTracking::kOff || row < 0 || row >= geometry.lines || column < 0 ||
      column >= geometry.columns)
    return {};
  const bool pressOnly = mode.tracking == MouseTracking::kPress;
  const bool sgr = mode.encoding == MouseEncoding::kSgr;
  int code = 0;
  switch (e.action) {
    case HostMouseAction::kPress:
      code = e.button;
      break;
    case HostMouseAction::kRelease:
      if (pressOnly) return {};
      // Only the SGR form says which button was released.
      code = sgr ? e.button : 3;
      break;
    case HostMouseAction::kWheelUp:
    case HostMouseAction::kWheelDown:
      if (pressOnly) return {};
      code = e.action == HostMouseAction::kWheelUp ? 64 : 65;
      break;
    case HostMouseAction::kMove:
      if (mode.tracking == MouseTracking::kAnyMotion ||
          (mode.tracking == MouseTracking::kButtonMotion && e.heldButton >= 0)) {
        if (column == lastColumn_ && row == lastRow_) return {};
        code = 32 + (e.heldButton < 0 ? 3 : e.heldButton);
        break;
      }
      return {};
  }
  lastColumn_ = column;
  lastRow_ = row;
  if (!pressOnly) code += (e.shift ? 4 : 0) + (e.alt ? 8 : 0) + (e.control ? 16 : 0);
  if (sgr) {
    char text[48];
    const int n = std::snprintf(text, sizeof text, "\x1b[<%d;%d;%d%c", code, column + 1, row + 1,
                                e.action == HostMouseAction::kRelease ? 'm' : 'M');
    return std::string(text, static_cast<size_t>(n));
  }
  std::string out = "\x1b[M";
  out += static_cast<char>(32 + code);
  for (const int value : {column + kCellOffset, row + kCellOffset}) {
    // Positions past 127 take two UTF-8 bytes in the 1005 form; the page is never wider than
    // 132 columns, so the plain form always fits in a byte.
    if (mode.encoding == MouseEncoding::kUtf8 && value >= 0x80) {
      out += static_cast<char>(0xC0 | (value >> 6));
      out += static_cast<char>(0x80 | (value & 0x3F));
    } else {
      out += static_cast<char>(value);
    }
  }
  return out;
}

}  // namespace ostrane
