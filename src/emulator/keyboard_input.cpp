// Key presses and typed characters of the VT420 terminal object: the key map decides what a
// PC key does; VT keys are encoded for the current modes and sent with 7-bit or 8-bit controls.
#include <algorithm>

#include "emulator/vt420_emulator.h"
#include "keyboard/vt_key_encoder.h"

namespace ostrane {

namespace {

// The window system counts repeats in 16 bits; anything else is not a real repeat count.
constexpr int kMaxKeyRepeat = 0xFFFF;

// Columns before the right margin at which a typed character rings the margin bell.
constexpr int kMarginBellDistance = 7;

}  // namespace

void CVT420Emulator::KeyDown(int virtualKey, int repeat, bool extended,
                             const KeyboardState& state) {
  const int key = NormalizePcKey(virtualKey, extended);
  charPending_ = false;
  if (key < 0 || key > PcKey::kLast) return;
  const uint8_t flags = state.Flags(key);
  const int count = std::clamp(repeat, 1, kMaxKeyRepeat);
  for (int i = 0; i < count; ++i) HandleKey(key, flags, state.numLock);
}

void CVT420Emulator::KeyUp(int /*virtualKey*/) {}

void CVT420Emulator::HandleKey(int pcKey, uint8_t flags, bool numLockOn) {
  // With the NumLock setting, a plain Num Lock switches the keypad mode instead of being PF1.
  if (pcKey == PcKey::kNumLock && flags == 0 && settings_.Int(S::NumLock) != 0) {
    settings_.SetInt(S::NumericKeypad, numLockOn ? 1 : 0);
    return;
  }
  const KeyLookup action = keyMap_.Lookup(pcKey, flags);
  std::string output;
  switch (action.action) {
    case KeyAction::kNone:
      charPending_ = true;
      return;
    case KeyAction::kSendString:
      output = action.text;
      break;
    case KeyAction::kMenu:
      if (events_) events_->RunKeyCommand(KeyCommand::kMenu, action.text);
      return;
    case KeyAction::kScriptText:
      if (events_) events_->RunKeyCommand(KeyCommand::kScriptText, action.text);
      return;
    case KeyAction::kRunScriptFile:
      if (events_) events_->RunKeyCommand(KeyCommand::kScriptFile, action.text);
      return;
    default:
      if (action.action <= VtKey::kCount) {
        VtKeyOutput vt = EncodeVtKey(action.action, flags, settings_);
        if (vt.command && events_) events_->RunKeyCommand(*vt.command, {});
        output = std::move(vt.bytes);
      }
      break;
  }
  if (output.empty()) return;
  SendKeyboardOutput(ConvertControls(output, settings_.Int(S::EightBitChars) != 0));
}

void CVT420Emulator::KeyChar(char16_t ch) {
  if (!charPending_) return;
  const std::string bytes = EncodeChar(ch);
  if (!bytes.empty()) SendKeyboardOutput(bytes);
}

void CVT420Emulator::SendKeyboardOutput(const std::string& bytes) {
  if (events_ == nullptr) return;
  events_->SendKeys(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  const auto b = static_cast<uint8_t>(bytes[0]);
  if (bytes.size() == 1 && b >= 0x20 && b != 0x7F && settings_.Int(S::MarginBell) != 0 &&
      cursorCol_ + kMarginBellDistance == right_)
    events_->MarginBell();
}

}  // namespace ostrane
