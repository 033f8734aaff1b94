#include "settings/settings_limits.h"

#include <algorithm>

namespace ostrane {

namespace {

// Lines of page memory the pages of a session share.
constexpr int32_t kPageMemoryLines = 144;

// History lines a session may keep; the screen buffer caps its allocation at the same count.
constexpr int32_t kMaxSaveLines = 200000;

constexpr SettingRange kRanges[] = {
    {S::CursorType, 0, 1, "Cursor type"},
    {S::FontSize, 6, 32, "Font size"},
    {S::FontSize132, 6, 32, "Font size (132 columns)"},
    {S::PrintTo, 0, 2, "Print to"},
    {S::PrintFontSize, 4, 72, "Print font size"},
    {S::PrintPort, 0, 9, "Printer port"},
    {S::JobTimeout, 0, 3600, "Job timeout (seconds)"},
    {S::TermID, 0, 6, "Terminal ID"},
    {S::Lines, 1, kPageMemoryLines, "Lines"},
    {S::Pages, 1, 6, "Pages"},
    {S::SaveLines, 0, kMaxSaveLines, "Lines saved in history"},
    {S::MouseSupport, 0, 2, "Mouse support"},
    {S::NewLine, 0, 2, "New line"},
    {S::MarginBell, 0, 1, "Margin bell"},
    {S::WarningBell, 0, 1, "Warning bell"},
    {S::NumLock, 0, 1, "Num Lock"},
    {S::FKeys, 0, 2, "Function key mode"},
    {S::HostType, 0, 7, "Connection type"},
    {S::Port, 0, 65535, "Port"},
    {S::Speed, 0, 4000000, "Speed"},
    {S::Parity, 0, 4, "Parity"},
    {S::StopBits, 0, 2, "Stop bits"},
    {S::DataLength, 0, 8, "Data length"},
    {S::FlowControl, 0, 2, "Flow control"},
    {S::UPSS, 0, 16, "User-preferred supplemental set"},
    {S::PrimarySet, 0, 16, "Primary character set"},
    {S::SecondarySet, 0, 16, "Secondary character set"},
    {S::NRC, 0, 14, "National replacement set"},
    {S::DBCSSet, 0, 5, "Multibyte code page"},
    {S::ButtonAction, 0, 2, "Button action"},
    {S::XferInitPause, 0, 60000, "Pause before sending (ms)"},
};

int32_t ClampTo(int64_t value, const SettingRange& r) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, r.low, r.high));
}

}  // namespace

std::optional<SettingRange> RangeOf(int position) {
  for (const SettingRange& r : kRanges)
    if (r.position == position) return r;
  return std::nullopt;
}

bool ClampSettings(CSettingsSet& settings) {
  bool changed = false;
  auto put = [&](int position, int32_t value) {
    if (settings.Int(position) == value) return;
    settings.SetInt(position, value);
    changed = true;
  };
  for (const SettingRange& r : kRanges) {
    const SettingDescriptor& d = CSettingsSet::Descriptor(r.position);
    if (d.type == SettingType::kInteger) {
      put(r.position, ClampTo(settings.Int(r.position), r));
    } else if (d.type == SettingType::kArray && d.elementType == 0) {
      for (int i = 0; i < d.size; ++i) {
        const int32_t v = settings.IntElement(r.position, i);
        if (ClampTo(v, r) == v) continue;
        settings.SetIntElement(r.position, i, ClampTo(v, r));
        changed = true;
      }
    }
  }
  put(S::Columns, settings.Int(S::Columns) > 80 ? 132 : 80);
  put(S::Pages, std::min(settings.Int(S::Pages), kPageMemoryLines / settings.Int(S::Lines)));
  return changed;
}

std::string RangeMessage(int position, int64_t value) {
  const auto r = RangeOf(position);
  if (!r || (value >= r->low && value <= r->high)) return {};
  return std::string("Please enter a number from ") + std::to_string(r->low) + " to " +
         std::to_string(r->high) + " for \"" + r->label + "\".";
}

int EffectiveLayout(int32_t stored, int count) {
  return stored >= 0 && stored < count ? stored : 0;
}

}  // namespace ostrane
