// CMouseReporter: the bytes a mouse event sends to the host when the MouseSupport setting asks
// for reports (1: character-cell reports, 2: locator reports).
#pragma once

#include <string>

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

class CMouseReporter {
 public:
  // The report, or nothing for a cell outside the page, a move within the last reported cell
  // or a move in character-cell mode.
  std::string Report(int mode, MouseEvent event, MouseCell cell, const MouseGeometry& geometry,
                     MouseButtons held);

 private:
  int lastColumn_ = -1;
  int lastRow_ = -1;
};

}  // namespace ostrane
