// Window-system key events to platform key codes: keypad against the editing block, right-hand
// modifiers, lock states; and on through the key map's normalisation.
#include <gtest/gtest.h>

#include "keyboard/key_codes.h"
#include "ui/key_translation.h"
#include "ui/view_test_support.h"

namespace ostrane {
namespace {

int PcKeyOf(int qtKey, Qt::KeyboardModifiers modifiers = Qt::NoModifier, quint32 native = 0) {
  const PlatformKey key = TranslateKey(qtKey, modifiers, native);
  return NormalizePcKey(key.virtualKey, key.extended);
}

TEST(KeyTranslationTest, KeypadAndEditingBlockStayApart) {
  EXPECT_EQ(PcKeyOf(Qt::Key_Home), PcKey::kHome);
  EXPECT_EQ(PcKeyOf(Qt::Key_Home, Qt::KeypadModifier), PcKey::kNumpad0 + 7);
  EXPECT_EQ(PcKeyOf(Qt::Key_7, Qt::KeypadModifier), PcKey::kNumpad0 + 7);
  EXPECT_EQ(PcKeyOf(Qt::Key_7), '7');
  EXPECT_EQ(PcKeyOf(Qt::Key_Up), PcKey::kUp);
  EXPECT_EQ(PcKeyOf(Qt::Key_Up, Qt::KeypadModifier), PcKey::kNumpad0 + 8);
  EXPECT_EQ(PcKeyOf(Qt::Key_Delete), PcKey::kDelete);
  EXPECT_EQ(PcKeyOf(Qt::Key_Delete, Qt::KeypadModifier), PcKey::kDecimal);
  EXPECT_EQ(PcKeyOf(Qt::Key_Clear, Qt::KeypadModifier), PcKey::kNumpad0 + 5);
  EXPECT_EQ(PcKeyOf(Qt::Key_Enter, Qt::KeypadModifier), PcKey::kNumpadEnter);
  EXPECT_EQ(PcKeyOf(Qt::Key_Return), PcKey::kEnter);
  EXPECT_EQ(PcKeyOf(Qt::Key_Minus, Qt::KeypadModifier), PcKey::kSubtract);
  EXPECT_EQ(PcKeyOf(Qt::Key_Minus), 189);
  EXPECT_EQ(PcKeyOf(Qt::Key_Slash, Qt::KeypadModifier), PcKey::kDivide);
  EXPECT_EQ(PcKeyOf(Qt::Key_NumLock), PcKey::kNumLock);
}

TEST(KeyTranslationTest, LettersFunctionKeysAndShiftedSymbols) {
  EXPECT_EQ(PcKeyOf(Qt::Key_A), 'A');
  EXPECT_EQ(PcKeyOf(Qt::Key_F1), PcKey::kF1);
  EXPECT_EQ(PcKeyOf(Qt::Key_F12), PcKey::kF1 + 11);
  EXPECT_EQ(PcKeyOf(Qt::Key_Exclam, Qt::ShiftModifier), '1');
  EXPECT_EQ(PcKeyOf(Qt::Key_BraceLeft, Qt::ShiftModifier), 219);
  EXPECT_EQ(PcKeyOf(Qt::Key_Backtab, Qt::ShiftModifier), PcKey::kTab);
  EXPECT_EQ(PcKeyOf(Qt::Key_Escape), PcKey::kEsc);
  EXPECT_EQ(TranslateKey(Qt::Key_Meta, Qt::NoModifier, 0).virtualKey, 0);
}

TEST(KeyTranslationTest, RightHandModifiersByTheirKeysyms) {
  EXPECT_EQ(PcKeyOf(Qt::Key_Shift, Qt::ShiftModifier, 0xFFE1), PcKey::kShift);
  EXPECT_EQ(PcKeyOf(Qt::Key_Shift, Qt::ShiftModifier, 0xFFE2), PcKey::kRightShift);
  EXPECT_EQ(PcKeyOf(Qt::Key_Control, Qt::ControlModifier, 0xFFE3), PcKey::kCtrl);
  EXPECT_EQ(PcKeyOf(Qt::Key_Control, Qt::ControlModifier, 0xFFE4), PcKey::kRightCtrl);
  EXPECT_EQ(PcKeyOf(Qt::Key_Alt, Qt::AltModifier, 0xFFE9), PcKey::kAlt);
  EXPECT_EQ(PcKeyOf(Qt::Key_Alt, Qt::AltModifier, 0xFFEA), PcKey::kRightAlt);
  EXPECT_EQ(PcKeyOf(Qt::Key_AltGr), PcKey::kRightAlt);
}

TEST(KeyTranslationTest, ModifierAndLockStates) {
  test::EnsureApplication();  // key events belong to the application's keyboard device
  // X state mask: Lock 0x02, Mod2 (Num Lock) 0x10.
  QKeyEvent shifted(QEvent::KeyPress, Qt::Key_A, Qt::ShiftModifier | Qt::ControlModifier, 0, 0,
                    0x02 | 0x10, QStringLiteral("A"));
  KeyboardState state = TranslateKeyboardState(shifted);
  EXPECT_TRUE(state.shift);
  EXPECT_TRUE(state.ctrl);
  EXPECT_FALSE(state.alt);
  EXPECT_TRUE(state.capsLock);
  EXPECT_TRUE(state.numLock);
  EXPECT_EQ(state.Flags(PcKeyOf(Qt::Key_A)), KeyMod::kShift | KeyMod::kCtrl | KeyMod::kCapsLock);
  // The press of a lock key reports the toggle after it.
  QKeyEvent numLock(QEvent::KeyPress, Qt::Key_NumLock, Qt::NoModifier, 0, 0, 0x10);
  EXPECT_FALSE(TranslateKeyboardState(numLock).numLock);
  QKeyEvent capsLock(QEvent::KeyPress, Qt::Key_CapsLock, Qt::NoModifier, 0, 0, 0);
  EXPECT_TRUE(TranslateKeyboardState(capsLock).capsLock);
  // A keypad digit comes only with Num Lock on, whatever the platform's state says.
  QKeyEvent digit(QEvent::KeyPress, Qt::Key_5, Qt::KeypadModifier, 0, 0, 0, QStringLiteral("5"));
  EXPECT_TRUE(TranslateKeyboardState(digit).numLock);
}

}  // namespace
}  // namespace ostrane
