// The main window's placement as session files keep it (settings group 0x0C), and the
// interface through which the desktop program reports it before a session file is written.
#pragma once

#include <optional>

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
// The placement a session file carries, for the main window to take back.
MainWindowPlacement PlacementFromSettings(const CSettingsSet& settings);

}  // namespace ostrane
