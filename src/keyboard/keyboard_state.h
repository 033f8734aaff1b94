// The state of the modifier and lock keys at a key press, as the window system reports it.
#pragma once

#include <cstdint>

#include "keyboard/key_codes.h"

namespace ostrane {

struct KeyboardState {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool capsLock = false;  // the Caps Lock toggle
  bool numLock = false;   // the Num Lock toggle, after this key press

  // The modifier flags of a press of pcKey: a modifier counts only when another key is pressed
  // with it, never for the modifier key itself.
  uint8_t Flags(int pcKey) const {
    uint8_t flags = 0;
    if (alt && pcKey != PcKey::kAlt && pcKey != PcKey::kRightAlt) flags |= KeyMod::kAlt;
    if (ctrl && pcKey != PcKey::kCtrl && pcKey != PcKey::kRightCtrl) flags |= KeyMod::kCtrl;
    if (shift && pcKey != PcKey::kShift && pcKey != PcKey::kRightShift) flags |= KeyMod::kShift;
    if (capsLock) flags |= KeyMod::kCapsLock;
    return flags;
  }
};

}  // namespace ostrane
