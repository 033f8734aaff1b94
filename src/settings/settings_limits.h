// The ranges integer settings may take. Files and scripts can carry any 32-bit value; a value
// outside its range would index past a list or size a buffer from nonsense, so values read
// from files are clamped into range and values typed in the settings dialog are refused.
#pragma once

#include <optional>
#include <string>

#include "settings/settings_set.h"

namespace ostrane {

struct SettingRange {
  int position;
  int32_t low;
  int32_t high;
  const char* label;  // how the settings dialog names the value in its message
};

// The range of an integer setting (or of each element of an integer array); nullopt for a
// setting whose every value means something.
std::optional<SettingRange> RangeOf(int position);
// Moves every ranged value into its range; true when something was changed. Page arrangement
// is made consistent too: Columns is 80 or 132, and Pages x Lines fits the page memory.
bool ClampSettings(CSettingsSet& settings);
// The message the settings dialog shows for a typed value outside its range; empty when the
// value is fine.
std::string RangeMessage(int position, int64_t value);
// KBLayout as an index into count layouts: anything out of range selects layout 0 (U.S. 101).
int EffectiveLayout(int32_t stored, int count);

}  // namespace ostrane
