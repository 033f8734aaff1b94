// Key events of the window system turned into the platform key codes, extended-key flag and
// modifier state that the terminal's key map works with.
#pragma once

#include <QKeyEvent>

#include "keyboard/keyboard_state.h"

namespace ostrane {

struct PlatformKey {
  int virtualKey = 0;  // 0: a key the key map has no code for
  bool extended = false;
};

// qtKey and modifiers as in QKeyEvent; nativeKey is the X keysym when the platform gives one
// (0 otherwise), which tells the right-hand modifiers from the left ones.
PlatformKey TranslateKey(int qtKey, Qt::KeyboardModifiers modifiers, quint32 nativeKey);
// Shift, Ctrl, Alt and the lock toggles at a key press. nativeModifiers is the X state mask when
// the platform gives one.
KeyboardState TranslateKeyboardState(const QKeyEvent& event);

}  // namespace ostrane
