#include "settings/settings_table.h"

namespace ostrane {
namespace {

// Four lines, each ended by CR LF.
constexpr const char* kDefaultLoginScript =
    "term.Wait(\"name:|NAME:|login:|LOGIN:\");\r\n"
    "term.Send(term.UserID+\"<CR>\");\r\n"
    "term.Wait(\"word:|WORD:\");\r\n"
    "term.Send(term.Password+\"<CR>\");\r\n";

// A stop at every eighth column from column 8; none at column 0.
constexpr auto MakeDefaultTabList() {
  struct Block {
    uint8_t b[132];
  } t{};
  for (int c = 8; c < 132; c += 8) t.b[c] = 1;
  return t;
}
constexpr auto kTabListBlock = MakeDefaultTabList();
constexpr const uint8_t* kDefaultTabList = kTabListBlock.b;

// 16 colours: red, green, blue, 0.
constexpr uint8_t kDefaultPalette[64] = {
    0,   0,   0,   0, 128, 0, 0,   0, 0, 128, 0,   0, 0,   0,   128, 0,
    128, 128, 0,   0, 128, 0, 128, 0, 0, 128, 128, 0, 192, 192, 192, 0,
    128, 128, 128, 0, 255, 0, 0,   0, 0, 255, 0,   0, 0,   0,   255, 0,
    255, 255, 0,   0, 255, 0, 255, 0, 0, 255, 255, 0, 255, 255, 255, 0,
};

}  // namespace

// Setup files and scripts name settings by these ids and keys; the count is part of the format.
static_assert(kSettingCount == 107);

const SettingDescriptor kSettingsTable[kSettingCount] = {
#define OSTRANE_SETTING_ROW(position, id, key, type, size, elementType, defaultInt, defaultText, \
                            defaultBlock)                                                        \
  {id, key, SettingType::type, size, elementType, defaultInt, defaultText, defaultBlock},
    OSTRANE_SETTINGS(OSTRANE_SETTING_ROW)
#undef OSTRANE_SETTING_ROW
};

}  // namespace ostrane
