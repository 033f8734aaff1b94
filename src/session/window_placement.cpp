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

std::optional<MainWindowPlacement> PlacementFromSettings(const CSettingsSet& settings) {
  if (settings.Int(S::Width) <= 0 || settings.Int(S::Height) <= 0) return std::nullopt;
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

WindowSize UsableSessionWindow(WindowSize cell, WindowSize frameExtra, WindowSize area) {
  const auto span = [](int cells, int size, int extra, int limit) {
    const int64_t want = int64_t{cells} * std::max(size, 1) + std::max(extra, 0);
    return static_cast<int>(std::min<int64_t>(want, std::max(limit, 1)));
  };
  return {span(kUsableColumns, cell.width, frameExtra.width, area.width),
          span(kUsableRows, cell.height, frameExtra.height, area.height)};
}

std::vector<WindowRect> CascadeWindows(WindowSize area, const std::vector<WindowSize>& usable,
                                       int step) {
  std::vector<WindowRect> rects;
  const int count = static_cast<int>(usable.size());
  step = std::max(step, 1);
  const int spread = step * std::max(count - 1, 0);
  for (int i = 0; i < count; ++i) {
    const WindowSize least = usable[static_cast<size_t>(i)];
    // The offsets may take what the area has beyond the usable size, and at least a quarter
    // of it, so that windows never lie exactly on top of each other.
    const int room = std::max({std::min(area.width - least.width, area.height - least.height),
                               std::min(area.width, area.height) / 4, 0});
    const int steps = room / step;
    const int offset = (i % (steps + 1)) * step;
    const int lastOffset = std::min(spread, steps * step);
    WindowRect r;
    r.x = offset;
    r.y = offset;
    r.width = std::max(area.width - lastOffset, std::min(least.width, area.width - offset));
    r.height = std::max(area.height - lastOffset, std::min(least.height, area.height - offset));
    r.width = std::max(r.width, 1);
    r.height = std::max(r.height, 1);
    rects.push_back(r);
  }
  return rects;
}

}  // namespace ostrane
