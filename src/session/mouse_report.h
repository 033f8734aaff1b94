// CMouseReporter: the bytes a mouse event sends to the host when the MouseSupport setting asks
// for reports (1: character-cell reports, 2: locator reports), or when the host asked for xterm
// mouse reports itself.
#pragma once

#include <string>

#include "emulator/terminal.h"

namespace ostrane {

enum class MouseEvent { kMove, kLeftDown, kLeftUp, kRightDown, kRightUp };

struct MouseCell {
  int column = 0;
  int line = 0;  // view line index; the report row is line minus the history count
};

struct MouseGeometry {
  int historyCount = 0;
  int lines = 24;
  int columns = 80;
};

struct MouseButtons {
  bool left = false;
  bool right = false;
};

enum class HostMouseAction { kPress, kRelease, kMove, kWheelUp, kWheelDown };

struct HostMouseEvent {
  HostMouseAction action = HostMouseAction::kPress;
  int button = 0;       // press and release: 0 left, 1 middle, 2 right
  int heldButton = -1;  // move: the button held, -1 for none
  bool shift = false;
  bool alt = false;
  bool control = false;
};

class CMouseReporter {
 public:
  // The report, or nothing for a cell outside the page, a move within the last reported cell
  // or a move in character-cell mode.
  std::string Report(int mode, MouseEvent event, MouseCell cell, const MouseGeometry& geometry,
                     MouseButtons held);
  // The report of an event under the tracking and encoding the host chose; nothing when that
  // tracking leaves it out, or for a cell outside the page.
  std::string HostReport(HostMouse mode, const HostMouseEvent& event, MouseCell cell,
                         const MouseGeometry& geometry);

 private:
  int lastColumn_ = -1;
  int lastRow_ = -1;
};

}  // namespace ostrane
