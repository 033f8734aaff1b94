#include "ui/key_translation.h"

#include <algorithm>
#include <iterator>

namespace ostrane {

namespace {

struct KeyCode {
  int qtKey;
  int virtualKey;
  bool extended;
};

// Keys outside the keypad. The editing and cursor blocks are extended keys.
constexpr KeyCode kMainKeys[] = {
    {Qt::Key_Backspace, 8, false},
    {Qt::Key_Tab, 9, false},
    {Qt::Key_Backtab, 9, false},
    {Qt::Key_Return, 13, false},
    {Qt::Key_Enter, 13, true},
    {Qt::Key_Shift, 16, false},
    {Qt::Key_Control, 17, false},
    {Qt::Key_Alt, 18, false},
    {Qt::Key_AltGr, 18, true},
    {Qt::Key_Pause, 19, false},
    {Qt::Key_CapsLock, 20, false},
    {Qt::Key_Escape, 27, false},
    {Qt::Key_Space, 32, false},
    {Qt::Key_PageUp, 33, true},
    {Qt::Key_PageDown, 34, true},
    {Qt::Key_End, 35, true},
    {Qt::Key_Home, 36, true},
    {Qt::Key_Left, 37, true},
    {Qt::Key_Up, 38, true},
    {Qt::Key_Right, 39, true},
    {Qt::Key_Down, 40, true},
    {Qt::Key_Insert, 45, true},
    {Qt::Key_Delete, 46, true},
    {Qt::Key_NumLock, 144, true},
    {Qt::Key_ScrollLock, 145, false},
    // Punctuation keys of the US layout, shifted or not.
    {Qt::Key_Semicolon, 186, false},
    {Qt::Key_Colon, 186, false},
    {Qt::Key_Equal, 187, false},
    {Qt::Key_Plus, 187, false},
    {Qt::Key_Comma, 188, false},
    {Qt::Key_Less, 188, false},
    {Qt::Key_Minus, 189, false},
    {Qt::Key_Underscore, 189, false},
    {Qt::Key_Period, 190, false},
    {Qt::Key_Greater, 190, false},
    {Qt::Key_Slash, 191, false},
    {Qt::Key_Question, 191, false},
    {Qt::Key_QuoteLeft, 192, false},
    {Qt::Key_AsciiTilde, 192, false},
    {Qt::Key_BracketLeft, 219, false},
    {Qt::Key_BraceLeft, 219, false},
    {Qt::Key_Backslash, 220, false},
    {Qt::Key_Bar, 220, false},
    {Qt::Key_BracketRight, 221, false},
    {Qt::Key_BraceRight, 221, false},
    {Qt::Key_Apostrophe, 222, false},
    {Qt::Key_QuoteDbl, 222, false},
    // Shifted digits.
    {Qt::Key_Exclam, '1', false},
    {Qt::Key_At, '2', false},
    {Qt::Key_NumberSign, '3', false},
    {Qt::Key_Dollar, '4', false},
    {Qt::Key_Percent, '5', false},
    {Qt::Key_AsciiCircum, '6', false},
    {Qt::Key_Ampersand, '7', false},
    {Qt::Key_Asterisk, '8', false},
    {Qt::Key_ParenLeft, '9', false},
    {Qt::Key_ParenRight, '0', false},
};

// Keypad keys: digits with Num Lock on, the editing functions with it off (not extended, which
// keeps them apart from the editing block), the operators, Enter.
constexpr KeyCode kKeypadKeys[] = {
    {Qt::Key_Insert, 45, false},   {Qt::Key_End, 35, false},       {Qt::Key_Down, 40, false},
    {Qt::Key_PageDown, 34, false}, {Qt::Key_Left, 37, false},      {Qt::Key_Clear, 12, false},
    {Qt::Key_Right, 39, false},    {Qt::Key_Home, 36, false},      {Qt::Key_Up, 38, false},
    {Qt::Key_PageUp, 33, false},   {Qt::Key_Delete, 46, false},    {Qt::Key_Period, 110, false},
    {Qt::Key_Comma, 110, false},   {Qt::Key_Asterisk, 106, false}, {Qt::Key_Plus, 107, false},
    {Qt::Key_Minus, 109, false},   {Qt::Key_Slash, 111, true},     {Qt::Key_Enter, 13, true},
    {Qt::Key_Return, 13, true},    {Qt::Key_NumLock, 144, true},
};

// X keysyms of the right-hand modifiers.
constexpr quint32 kShiftR = 0xFFE2;
constexpr quint32 kControlR = 0xFFE4;
constexpr quint32 kAltR = 0xFFEA;
constexpr quint32 kIsoLevel3Shift = 0xFE03;

// X state mask bits of the lock keys.
constexpr quint32 kLockMask = 0x02;
constexpr quint32 kNumLockMask = 0x10;

constexpr int kVkNumpad0 = 96;
constexpr int kVkF1 = 112;
constexpr int kFunctionKeys = 24;

const KeyCode* Find(const KeyCode* first, const KeyCode* last, int qtKey) {
  const KeyCode* it =
      std::find_if(first, last, [qtKey](const KeyCode& k) { return k.qtKey == qtKey; });
  return it == last ? nullptr : it;
}

}  // namespace

PlatformKey TranslateKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeKey) {
  if (modifiers & Qt::KeypadModifier) {
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) return {kVkNumpad0 + (qtKey - Qt::Key_0), false};
    if (const KeyCode* k = Find(std::begin(kKeypadKeys), std::end(kKeypadKeys), qtKey))
      return {k->virtualKey, k->extended};
  }
  if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
    return {qtKey, false};  // the virtual keys of letters and digits are their capitals
  if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys)
    return {kVkF1 + (qtKey - Qt::Key_F1), false};
  const KeyCode* k = Find(std::begin(kMainKeys), std::end(kMainKeys), qtKey);
  if (k == nullptr) return {};
  PlatformKey key{k->virtualKey, k->extended};
  // The right-hand Shift, Ctrl and Alt (and AltGr) are the extended ones.
  if (nativeKey == kShiftR || nativeKey == kControlR || nativeKey == kAltR ||
      nativeKey == kIsoLevel3Shift)
    key.extended = true;
  return key;
}

KeyboardState TranslateKeyboardState(const QKeyEvent& event) {
  KeyboardState state;
  const Qt::KeyboardModifiers m = event.modifiers();
  state.shift = (m & Qt::ShiftModifier) != 0;
  state.ctrl = (m & Qt::ControlModifier) != 0;
  state.alt = (m & Qt::AltModifier) != 0;
  const quint32 native = event.nativeModifiers();
  state.capsLock = (native & kLockMask) != 0;
  state.numLock = (native & kNumLockMask) != 0;
  // The state mask is the one before this press: a press of a lock key toggles it.
  if (event.type() == QEvent::KeyPress && event.key() == Qt::Key_CapsLock)
    state.capsLock = !state.capsLock;
  if (event.type() == QEvent::KeyPress && event.key() == Qt::Key_NumLock)
    state.numLock = !state.numLock;
  // A keypad digit is only ever seen with Num Lock on.
  if ((m & Qt::KeypadModifier) && event.key() >= Qt::Key_0 && event.key() <= Qt::Key_9)
    state.numLock = true;
  return state;
}

}  // namespace ostrane
