#include "session/window_placement.h"

#include <algorithm>
#include <atomic>
#include <cstdint>

#include "settings/settings_set.h"

namespace ostrane {

namespace {

std::atomic<IMainWindowPlacement*> g_placementSource{nullptr};

// The far edge of a span; the values come from a file, so the sum saturates.
int FarEdge(int32_t start, int32_t length) {
  const int64_t edge = int64_t{start} + length - 1;
  return static_cast<int>(std::clamp<int64_t>(edge, INT32_MIN, INT32_MAX));
}

}  // namespace

void SetMainWindowPlacementSource(IMainWindowPlacement* source) {
  g_placementSource.store(source);
}

IMainWindowPlacement* MainWindowPlacementSource() {
  return g_placementSource.load();
}

void StorePlacement(CSettingsSet& settings, const MainWindowPlacement& p) {
  settings.SetInt(S::XPos, p.left);
  settings.SetInt(S::YPos, p.top);
  settings.SetInt(S::Width, p.right - p.left + 1);
  settings.SetInt(S::Height, p.bottom - p.top + 1);
  settings.SetInt(S::Maximized, p.maximized ? 1 : 0);
  settings.SetInt(S::ToolBar, p.toolBar ? 1 : 0);
  settings.SetInt(S::StatusBar, p.statusBar ? 1 : 0);
  settings.SetInt(S::ButtonBar, p.buttonBar ? 1 : 0);
  settings.SetInt(S::ChatLine, p.chatLine ? 1 : 0);
}

MainWindowPlacement PlacementFromSettings(const CSettingsSet& settings) {
  MainWindowPlacement p;
  p.left = settings.Int(S::XPos);
  p.top = settings.Int(S::YPos);
  p.right = FarEdge(p.left, settings.Int(S::Width));
  p.bottom = FarEdge(p.top, settings.Int(S::Height));
  p.maximized = settings.Int(S::Maximized) != 0;
  p.toolBar = settings.Int(S::ToolBar) != 0;
  p.statusBar = settings.Int(S::StatusBar) != 0;
  p.buttonBar = settings.Int(S::ButtonBar) != 0;
  p.chatLine = settings.Int(S::ChatLine) != 0;
  return p;
}

}  // namespace ostrane
