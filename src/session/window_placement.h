// The main window's placement as session files keep it (settings group 0x0C), and the
// interface through which the desktop program reports it before a session file is written.
#pragma once

#include <optional>
#include <vector>

namespace ostrane {

class CSettingsSet;

struct MainWindowPlacement {
  // The normal (restored) rectangle, edges included.
  int left = 0;
  int top = 0;
  int right = -1;
  int bottom = -1;
  bool maximized = false;
  bool toolBar = false;
  bool statusBar = false;
  bool buttonBar = false;
  bool chatLine = false;

  bool operator==(const MainWindowPlacement&) const = default;
};

class IMainWindowPlacement {
 public:
  virtual ~IMainWindowPlacement() = default;
  // The main window's placement now; nullopt while there is no main window.
  virtual std::optional<MainWindowPlacement> CurrentPlacement() = 0;
};

// The one main window of the process; nullptr (the default) when there is none.
void SetMainWindowPlacementSource(IMainWindowPlacement* source);
IMainWindowPlacement* MainWindowPlacementSource();

// Writes the placement into XPos, YPos, Width, Height, Maximized and the bar switches.
void StorePlacement(CSettingsSet& settings, const MainWindowPlacement& placement);
// The placement a session file carries, for the main window to take back; nullopt when the file
// stores none (a Width or Height of 0, as in a file written without a main window).
std::optional<MainWindowPlacement> PlacementFromSettings(const CSettingsSet& settings);

// Session windows inside the main window's area.
struct WindowSize {
  int width = 0;
  int height = 0;
  bool operator==(const WindowSize&) const = default;
};
struct WindowRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const WindowRect&) const = default;
};

// A session window shows at least this many cells when the area allows it.
inline constexpr int kUsableColumns = 80;
inline constexpr int kUsableRows = 24;

// The smallest usable size of a session window: 80 x 24 cells plus the frame's own space
// (border, title, scroll bar), but never more than the area.
WindowSize UsableSessionWindow(WindowSize cell, WindowSize frameExtra, WindowSize area);

// Window > Cascade: window i is offset by i steps down and right, and all have the area's size
// less the offsets, but at least their usable size where the area allows. The offsets use the
// room beyond the usable size, and at least a quarter of the area, so that windows in an area
// smaller than usable still step; a window whose offset would leave no room starts again from
// the corner.
std::vector<WindowRect> CascadeWindows(WindowSize area, const std::vector<WindowSize>& usable,
                                       int step);

}  // namespace ostrane
