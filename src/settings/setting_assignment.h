// "Key=Value" assignments of settings, as the headless tools take them on their command lines.
#pragma once

#include <string>
#include <string_view>

namespace ostrane {

class CSettingsSet;

// Integer entries take a decimal number; string entries take text in the control-string
// notation. Binary and array entries cannot be assigned this way. On failure `error` says why.
bool ApplySettingAssignment(CSettingsSet& settings, std::string_view assignment,
                            std::string& error);

}  // namespace ostrane
