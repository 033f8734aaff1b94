#include "keyboard/key_codes.h"

#include <algorithm>
#include <iterator>

namespace ostrane {

namespace {

struct CodePair {
  int from;
  int to;
};

// Codes below 48 that keep a meaning; the editing block and the keypad share codes on the
// platform, so they start out as keypad codes and the extended flag moves them back.
constexpr CodePair kLowCodes[] = {
    {8, 8},    {9, 9},    {12, 101}, {13, 13},  {16, 16},  {17, 17}, {18, 18},
    {19, 19},  {20, 20},  {27, 27},  {32, 32},  {33, 105}, {34, 99}, {35, 97},
    {36, 103}, {37, 100}, {38, 104}, {39, 102}, {40, 98},  {45, 96}, {46, 110},
};

// The extended flag marks keypad Enter, the right modifiers and the separate editing keys.
constexpr CodePair kExtendedCodes[] = {
    {13, 43}, {16, 161}, {17, 163}, {18, 165}, {96, 45},  {97, 35},  {98, 40},
    {99, 34}, {100, 37}, {102, 39}, {103, 36}, {104, 38}, {105, 33}, {110, 46},
};

constexpr std::string_view kVtKeyNames[VtKey::kCount] = {
    "F1",
    "F2",
    "F3",
    "F4",
    "F5",
    "F6",
    "F7",
    "F8",
    "F9",
    "F10",
    "F11",
    "F12",
    "F13",
    "F14",
    "Help",
    "Do",
    "F17",
    "F18",
    "F19",
    "F20",
    "`",
    "1",
    "2",
    "3",
    "4",
    "5",
    "6",
    "7",
    "8",
    "9",
    "0",
    "-",
    "=",
    "Tab",
    "A",
    "B",
    "C",
    "D",
    "E",
    "F",
    "G",
    "H",
    "I",
    "J",
    "K",
    "L",
    "M",
    "N",
    "O",
    "P",
    "Q",
    "R",
    "S",
    "T",
    "U",
    "V",
    "W",
    "X",
    "Y",
    "Z",
    "[",
    "]",
    ";",
    "'",
    "\\",
    "<",
    ",",
    ".",
    "/",
    "Space",
    "Backspace",
    "Return",
    "Ctrl",
    "Left Shift",
    "Caps Lock",
    "Right Shift",
    "Left Compose",
    "Left Alt",
    "Right Alt",
    "Right Compose",
    "Find",
    "Insert",
    "Remove",
    "Select",
    "Prev",
    "Next",
    "Up",
    "Left",
    "Down",
    "Right",
    "PF1",
    "PF2",
    "PF3",
    "PF4",
    "Numpad 0",
    "Numpad 1",
    "Numpad 2",
    "Numpad 3",
    "Numpad 4",
    "Numpad 5",
    "Numpad 6",
    "Numpad 7",
    "Numpad 8",
    "Numpad 9",
    "Subtract",
    "Numpad ,",
    "Decimal",
    "Enter",
};

// Modifier combinations a key may be mapped with: bit m for combination m.
constexpr uint8_t kAllCombinations = 0xFF;
constexpr uint8_t kUnmodifiedOnly = 0x01;
constexpr uint8_t kNever = 0x00;

struct PcKeyInfo {
  int code;
  std::string_view name;
  uint8_t mappable;
};

constexpr PcKeyInfo kPcKeys[] = {
    {112, "F1", kAllCombinations},
    {113, "F2", kAllCombinations},
    {114, "F3", kAllCombinations},
    {115, "F4", kAllCombinations},
    {116, "F5", kAllCombinations},
    {117, "F6", kAllCombinations},
    {118, "F7", kAllCombinations},
    {119, "F8", kAllCombinations},
    {120, "F9", kAllCombinations},
    {121, "F10", kAllCombinations},
    {122, "F11", kAllCombinations},
    {123, "F12", kAllCombinations},
    {44, "Print Screen/SysRq", kNever},
    {145, "Scroll Lock", kAllCombinations},
    {19, "Pause", kUnmodifiedOnly},
    {20, "Caps Lock", kNever},
    {16, "Left Shift", kAllCombinations},
    {161, "Right Shift", kAllCombinations},
    {17, "Left Ctrl", kAllCombinations},
    {163, "Right Ctrl", kAllCombinations},
    {18, "Left Alt", kAllCombinations},
    {165, "Right Alt", kAllCombinations},
    {13, "Enter", kAllCombinations},
    {8, "Backspace", kAllCombinations},
    {27, "Esc", kAllCombinations},
    {192, "`", kAllCombinations},
    {49, "1", kAllCombinations},
    {50, "2", kAllCombinations},
    {51, "3", kAllCombinations},
    {52, "4", kAllCombinations},
    {53, "5", kAllCombinations},
    {54, "6", kAllCombinations},
    {55, "7", kAllCombinations},
    {56, "8", kAllCombinations},
    {57, "9", kAllCombinations},
    {48, "0", kAllCombinations},
    {189, "-", kAllCombinations},
    {187, "=", kAllCombinations},
    {220, "\\", kAllCombinations},
    {65, "A", kAllCombinations},
    {66, "B", kAllCombinations},
    {67, "C", kAllCombinations},
    {68, "D", kAllCombinations},
    {69, "E", kAllCombinations},
    {70, "F", kAllCombinations},
    {71, "G", kAllCombinations},
    {72, "H", kAllCombinations},
    {73, "I", kAllCombinations},
    {74, "J", kAllCombinations},
    {75, "K", kAllCombinations},
    {76, "L", kAllCombinations},
    {77, "M", kAllCombinations},
    {78, "N", kAllCombinations},
    {79, "O", kAllCombinations},
    {80, "P", kAllCombinations},
    {81, "Q", kAllCombinations},
    {82, "R", kAllCombinations},
    {83, "S", kAllCombinations},
    {84, "T", kAllCombinations},
    {85, "U", kAllCombinations},
    {86, "V", kAllCombinations},
    {87, "W", kAllCombinations},
    {88, "X", kAllCombinations},
    {89, "Y", kAllCombinations},
    {90, "Z", kAllCombinations},
    {219, "[", kAllCombinations},
    {221, "]", kAllCombinations},
    {186, ";", kAllCombinations},
    {222, "'", kAllCombinations},
    {188, ",", kAllCombinations},
    {190, ".", kAllCombinations},
    {191, "/", kAllCombinations},
    {9, "Tab", kAllCombinations},
    {32, "Space", kAllCombinations},
    {45, "Insert", kAllCombinations},
    {36, "Home", kAllCombinations},
    {33, "Page Up", kAllCombinations},
    {46, "Delete", kAllCombinations},
    {35, "End", kAllCombinations},
    {34, "Page Down", kAllCombinations},
    {38, "Up", kAllCombinations},
    {37, "Left", kAllCombinations},
    {40, "Down", kAllCombinations},
    {39, "Right", kAllCombinations},
    {144, "Num Lock", kAllCombinations},
    {111, "Divide", kAllCombinations},
    {106, "Multiply", kAllCombinations},
    {109, "Subtract", kAllCombinations},
    {96, "Numpad 0", kAllCombinations},
    {97, "Numpad 1", kAllCombinations},
    {98, "Numpad 2", kAllCombinations},
    {99, "Numpad 3", kAllCombinations},
    {100, "Numpad 4", kAllCombinations},
    {101, "Numpad 5", kAllCombinations},
    {102, "Numpad 6", kAllCombinations},
    {103, "Numpad 7", kAllCombinations},
    {104, "Numpad 8", kAllCombinations},
    {105, "Numpad 9", kAllCombinations},
    {107, "Add", kAllCombinations},
    {110, "Decimal", kAllCombinations},
    {43, "Numpad Enter", kAllCombinations},
};

const PcKeyInfo* FindPcKeyInfo(int code) {
  const auto* it = std::find_if(std::begin(kPcKeys), std::end(kPcKeys),
                                [code](const PcKeyInfo& k) { return k.code == code; });
  return it == std::end(kPcKeys) ? nullptr : it;
}

int Translate(const CodePair* first, const CodePair* last, int code, int fallback) {
  const auto* it = std::find_if(first, last, [code](const CodePair& p) { return p.from == code; });
  return it == last ? fallback : it->to;
}

}  // namespace

int NormalizePcKey(int virtualKey, bool extended) {
  int code = virtualKey;
  if (code < 48) code = Translate(std::begin(kLowCodes), std::end(kLowCodes), code, 0);
  if (extended) code = Translate(std::begin(kExtendedCodes), std::end(kExtendedCodes), code, code);
  return code;
}

std::string_view VtKeyName(int vtKey) {
  if (vtKey < 1 || vtKey > VtKey::kCount) return {};
  return kVtKeyNames[vtKey - 1];
}

std::string_view PcKeyName(int pcKey) {
  const PcKeyInfo* info = FindPcKeyInfo(pcKey);
  return info ? info->name : std::string_view();
}

bool IsPcKeyMappable(int pcKey, uint8_t modifiers) {
  const PcKeyInfo* info = FindPcKeyInfo(pcKey);
  return info != nullptr && (info->mappable >> (modifiers & KeyMod::kLookupMask) & 1) != 0;
}

int FindPcKey(std::string_view name) {
  const auto* it = std::find_if(std::begin(kPcKeys), std::end(kPcKeys),
                                [name](const PcKeyInfo& k) { return k.name == name; });
  return it == std::end(kPcKeys) ? 0 : it->code;
}

int FindVtKey(std::string_view name) {
  const auto* it = std::find(std::begin(kVtKeyNames), std::end(kVtKeyNames), name);
  return it == std::end(kVtKeyNames) ? 0 : static_cast<int>(it - std::begin(kVtKeyNames)) + 1;
}

}  // namespace ostrane
