// The codes the keyboard layer works with: PC key codes (platform virtual keys, normalised so
// that the keypad and the editing block are distinct), modifier flags, VT key codes and the key
// action codes of the key map.
#pragma once

#include <cstdint>
#include <string_view>

namespace ostrane {

// Modifier flags of a key press. Only the low three bits take part in key-map lookups.
namespace KeyMod {
inline constexpr uint8_t kAlt = 1;
inline constexpr uint8_t kCtrl = 2;
inline constexpr uint8_t kShift = 4;
inline constexpr uint8_t kCapsLock = 8;
inline constexpr uint8_t kLookupMask = kAlt | kCtrl | kShift;
}  // namespace KeyMod

// PC key codes after normalisation.
namespace PcKey {
inline constexpr int kBackspace = 8;
inline constexpr int kTab = 9;
inline constexpr int kEnter = 13;
inline constexpr int kShift = 16;
inline constexpr int kCtrl = 17;
inline constexpr int kAlt = 18;
inline constexpr int kPause = 19;
inline constexpr int kCapsLock = 20;
inline constexpr int kEsc = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPageUp = 33;
inline constexpr int kPageDown = 34;
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kNumpadEnter = 43;
inline constexpr int kInsert = 45;
inline constexpr int kDelete = 46;
inline constexpr int kNumpad0 = 96;
inline constexpr int kMultiply = 106;
inline constexpr int kAdd = 107;
inline constexpr int kSubtract = 109;
inline constexpr int kDecimal = 110;
inline constexpr int kDivide = 111;
inline constexpr int kF1 = 112;
inline constexpr int kNumLock = 144;
inline constexpr int kRightShift = 161;
inline constexpr int kRightCtrl = 163;
inline constexpr int kRightAlt = 165;
// Codes from 1 to this index the key map's direct table; larger platform codes are ignored.
inline constexpr int kLast = 255;
}  // namespace PcKey

// VT key codes 1..108.
namespace VtKey {
inline constexpr int kF1 = 1;
inline constexpr int kF5 = 5;
inline constexpr int kF6 = 6;
inline constexpr int kF20 = 20;
inline constexpr int kFirstTypewriter = 21;
inline constexpr int kTab = 34;
inline constexpr int kA = 35;
inline constexpr int kZ = 60;
inline constexpr int kSpace = 70;
inline constexpr int kBackArrow = 71;
inline constexpr int kReturn = 72;
inline constexpr int kFirstModifier = 73;  // Ctrl, Shift, Caps Lock, Compose, Alt: no output
inline constexpr int kLastModifier = 80;
inline constexpr int kFind = 81;
inline constexpr int kNext = 86;
inline constexpr int kUp = 87;
inline constexpr int kRight = 90;
inline constexpr int kPF1 = 91;
inline constexpr int kPF4 = 94;
inline constexpr int kNumpad0 = 95;
inline constexpr int kDecimal = 107;
inline constexpr int kEnter = 108;
inline constexpr int kCount = 108;
}  // namespace VtKey

// Key action codes: 0 no mapping, 1..108 a VT key, 109..239 nothing, and these.
namespace KeyAction {
inline constexpr uint8_t kNone = 0;
inline constexpr uint8_t kRunScriptFile = 252;
inline constexpr uint8_t kScriptText = 253;
inline constexpr uint8_t kMenu = 254;
inline constexpr uint8_t kSendString = 255;
// A direct-table value from here up means that the entry list holds the action.
inline constexpr uint8_t kFirstListed = 240;
}  // namespace KeyAction

// Turns a platform virtual-key code into a PC key code: the keypad digits are always 96..105
// and keypad point 110, the separate editing and cursor keys keep their own codes, keypad Enter
// is 43 and the right-hand Shift, Ctrl and Alt are 161, 163 and 165. Codes below 48 that name no
// key of the map become 0.
int NormalizePcKey(int virtualKey, bool extended);

// Names shown for the keys (the key-map page and the on-screen keyboard); empty when unnamed.
std::string_view VtKeyName(int vtKey);
std::string_view PcKeyName(int pcKey);
// Whether the PC key may be mapped with the modifier combination (Alt 1, Ctrl 2, Shift 4).
bool IsPcKeyMappable(int pcKey, uint8_t modifiers);
// The PC key named name (exact), or 0.
int FindPcKey(std::string_view name);
// The VT key named name (exact), or 0.
int FindVtKey(std::string_view name);

}  // namespace ostrane
