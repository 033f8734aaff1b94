#include "keyboard/vt_key_encoder.h"

#include <iterator>

#include "keyboard/key_codes.h"
#include "settings/settings_set.h"

namespace ostrane {

namespace {

constexpr char kEsc = '\x1b';

// Typewriter keys 21..70: the unshifted and the shifted character; 0 where there is none.
struct TypewriterKey {
  char plain;
  char shifted;
};

constexpr TypewriterKey kTypewriterKeys[] = {
    {'`', '~'}, {'1', '!'},  {'2', '@'},  {'3', '#'}, {'4', '$'}, {'5', '%'}, {'6', '^'},
    {'7', '&'}, {'8', '*'},  {'9', '('},  {'0', ')'}, {'-', '_'}, {'=', '+'}, {'\t', 0},
    {'a', 'A'}, {'b', 'B'},  {'c', 'C'},  {'d', 'D'}, {'e', 'E'}, {'f', 'F'}, {'g', 'G'},
    {'h', 'H'}, {'i', 'I'},  {'j', 'J'},  {'k', 'K'}, {'l', 'L'}, {'m', 'M'}, {'n', 'N'},
    {'o', 'O'}, {'p', 'P'},  {'q', 'Q'},  {'r', 'R'}, {'s', 'S'}, {'t', 'T'}, {'u', 'U'},
    {'v', 'V'}, {'w', 'W'},  {'x', 'X'},  {'y', 'Y'}, {'z', 'Z'}, {'[', '{'}, {']', '}'},
    {';', ':'}, {'\'', '"'}, {'\\', '|'}, {'<', '>'}, {',', '<'}, {'.', '>'}, {'/', '?'},
    {' ', 0},
};
static_assert(std::size(kTypewriterKeys) == VtKey::kSpace - VtKey::kFirstTypewriter + 1);

// The parameters of CSI n ~ for F6..F20.
constexpr int kFunctionKeyParams[] = {17, 18, 19, 20, 21, 23, 24, 25, 26, 28, 29, 31, 32, 33, 34};
static_assert(std::size(kFunctionKeyParams) == VtKey::kF20 - VtKey::kF6 + 1);

// F1..F5 with FKeys 0: the local functions; F4 has none.
constexpr std::optional<KeyCommand> kLocalFunctions[] = {
    KeyCommand::kHoldScreen, KeyCommand::kPrintPage, KeyCommand::kSettings, std::nullopt,
    KeyCommand::kBreak};

// Up, Left, Down, Right.
constexpr char kCursorFinals[] = {'A', 'D', 'B', 'C'};
// Keypad 0..9, Subtract, comma, Decimal: numeric characters and application finals.
constexpr char kKeypadNumeric[] = "0123456789-,.";
constexpr char kKeypadApplication[] = "pqrstuvwxymln";

constexpr int kFKeysLocal = 0;
constexpr int kFKeysSend = 1;

std::string Csi(std::string_view body) {
  return std::string{kEsc, '['} + std::string(body);
}

std::string Ss3(char final) {
  return {kEsc, 'O', final};
}

std::string NewLineBytes(const CSettingsSet& settings) {
  // NewLine 2 (auto detect) counts as on until the host's first CR turns it to 0.
  return settings.Int(S::NewLine) != 0 ? "\r\n" : "\r";
}

std::string Typewriter(int vtKey, uint8_t modifiers) {
  const TypewriterKey& k = kTypewriterKeys[vtKey - VtKey::kFirstTypewriter];
  const uint8_t held = modifiers & KeyMod::kLookupMask;
  const bool letter = vtKey >= VtKey::kA && vtKey <= VtKey::kZ;
  if (held == KeyMod::kCtrl)
    return letter ? std::string(1, static_cast<char>(vtKey - 34)) : std::string();
  if (held != 0 && held != KeyMod::kShift) return {};
  bool shifted = held == KeyMod::kShift;
  if (letter && (modifiers & KeyMod::kCapsLock) != 0) shifted = !shifted;
  const char c = shifted ? k.shifted : k.plain;
  return c != 0 ? std::string(1, c) : std::string();
}

}  // namespace

VtKeyOutput EncodeVtKey(int vtKey, uint8_t modifiers, const CSettingsSet& settings) {
  VtKeyOutput out;
  const bool numericKeypad = settings.Int(S::NumericKeypad) != 0;
  if (vtKey >= VtKey::kF1 && vtKey <= VtKey::kF5) {
    const int mode = settings.IntElement(S::FKeys, vtKey - VtKey::kF1);
    if (mode == kFKeysSend)
      out.bytes = Csi(std::to_string(10 + vtKey) + "~");
    else if (mode == kFKeysLocal)
      out.command = kLocalFunctions[vtKey - VtKey::kF1];
  } else if (vtKey >= VtKey::kF6 && vtKey <= VtKey::kF20) {
    out.bytes = Csi(std::to_string(kFunctionKeyParams[vtKey - VtKey::kF6]) + "~");
  } else if (vtKey >= VtKey::kFirstTypewriter && vtKey <= VtKey::kSpace) {
    out.bytes = Typewriter(vtKey, modifiers);
  } else if (vtKey == VtKey::kBackArrow) {
    out.bytes = settings.Int(S::BackArrow) != 0 ? "\x7f" : "\b";
  } else if (vtKey == VtKey::kReturn) {
    out.bytes = NewLineBytes(settings);
  } else if (vtKey >= VtKey::kFind && vtKey <= VtKey::kNext) {
    out.bytes = Csi(std::to_string(vtKey - VtKey::kFind + 1) + "~");
  } else if (vtKey >= VtKey::kUp && vtKey <= VtKey::kRight) {
    const char final = kCursorFinals[vtKey - VtKey::kUp];
    out.bytes = settings.Int(S::CursorKeys) != 0 ? Csi(std::string(1, final)) : Ss3(final);
  } else if (vtKey >= VtKey::kPF1 && vtKey <= VtKey::kPF4) {
    out.bytes = Ss3(static_cast<char>('P' + vtKey - VtKey::kPF1));
  } else if (vtKey >= VtKey::kNumpad0 && vtKey <= VtKey::kDecimal) {
    const size_t i = static_cast<size_t>(vtKey - VtKey::kNumpad0);
    out.bytes = numericKeypad ? std::string(1, kKeypadNumeric[i]) : Ss3(kKeypadApplication[i]);
  } else if (vtKey == VtKey::kEnter) {
    out.bytes = numericKeypad ? NewLineBytes(settings) : Ss3('M');
  }
  return out;
}

std::string ConvertControls(std::string_view bytes, bool eightBit) {
  std::string out;
  out.reserve(bytes.size() + 4);
  for (size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<uint8_t>(bytes[i]);
    if (!eightBit && b >= 0x80 && b <= 0x9F) {
      out += kEsc;
      out += static_cast<char>(b - 0x40);
    } else if (eightBit && b == 0x1B && i + 1 < bytes.size() &&
               static_cast<uint8_t>(bytes[i + 1]) >= 0x40 &&
               static_cast<uint8_t>(bytes[i + 1]) <= 0x5F) {
      out += static_cast<char>(static_cast<uint8_t>(bytes[++i]) + 0x40);
    } else {
      out += static_cast<char>(b);
    }
  }
  return out;
}

}  // namespace ostrane
