#include "settings/setting_assignment.h"

#include <charconv>

#include "settings/control_string.h"
#include "settings/settings_set.h"

namespace ostrane {

bool ApplySettingAssignment(CSettingsSet& settings, std::string_view assignment,
                            std::string& error) {
  const size_t eq = assignment.find('=');
  if (eq == std::string_view::npos) {
    error = "expected Key=Value: " + std::string(assignment);
    return false;
  }
  const std::string_view key = assignment.substr(0, eq);
  const std::string_view value = assignment.substr(eq + 1);
  const int pos = CSettingsSet::FindKey(key);
  if (pos < 0) {
    error = "unknown setting: " + std::string(key);
    return false;
  }
  switch (CSettingsSet::Descriptor(pos).type) {
    case SettingType::kInteger: {
      int32_t n = 0;
      const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (ec != std::errc() || end != value.data() + value.size() || value.empty()) {
        error = "not a number for " + std::string(key) + ": " + std::string(value);
        return false;
      }
      settings.SetInt(pos, n);
      return true;
    }
    case SettingType::kString: {
      std::string bytes;
      if (!ParseControlString(value, bytes)) {
        error = "Invalid format in sequence.";
        return false;
      }
      settings.SetStr(pos, bytes);
      return true;
    }
    case SettingType::kBinary:
    case SettingType::kArray:
      break;
  }
  error = "setting cannot be assigned from the command line: " + std::string(key);
  return false;
}

}  // namespace ostrane
