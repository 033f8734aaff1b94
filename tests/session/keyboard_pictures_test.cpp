#include "session/keyboard_pictures.h"

#include <gtest/gtest.h>

#include <set>

#include "keyboard/key_codes.h"

namespace ostrane {
namespace {

bool Overlap(const KeyRect& a, const KeyRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

// A key missing from the picture cannot be typed; two keys on one spot make one unreachable.
template <class Keys>
void ExpectWholeAndApart(const Keys& keys, PictureSize size) {
  for (size_t i = 0; i < keys.size(); ++i) {
    const KeyRect& k = keys[i];
    EXPECT_GE(k.x, 0);
    EXPECT_GE(k.y, 0);
    EXPECT_LE(k.x + k.width, size.width) << int{k.code};
    EXPECT_LE(k.y + k.height, size.height) << int{k.code};
    for (size_t j = i + 1; j < keys.size(); ++j)
      EXPECT_FALSE(Overlap(k, keys[j])) << int{k.code} << " and " << int{keys[j].code};
  }
}

TEST(VtKeyboardPicture, EveryVtKeyOnceButReturnTwiceNoneOverlapping) {
  const auto keys = VtKeyboardKeys();
  ASSERT_EQ(keys.size(), 109u);
  std::multiset<int> codes;
  for (const KeyRect& k : keys) codes.insert(k.code);
  for (int code = 1; code <= VtKey::kCount; ++code)
    EXPECT_EQ(codes.count(code), code == VtKey::kReturn ? 2u : 1u) << code;
  ExpectWholeAndApart(keys, kVtKeyboardSize);
}

TEST(VtKeyboardPicture, KeysSitWhereTheyAreDrawn) {
  EXPECT_EQ(VtKeyAt(1, 1), VtKey::kF1);
  EXPECT_EQ(VtKeyAt(115, 1), VtKey::kF6);
  EXPECT_EQ(VtKeyAt(2, 71), 73);                  // Ctrl
  EXPECT_EQ(VtKeyAt(50, 80), 75);                 // Caps Lock, 31 wide
  EXPECT_EQ(VtKeyAt(460, 124), VtKey::kEnter);    // the keypad Enter is two rows high
  EXPECT_EQ(VtKeyAt(200, 110), VtKey::kSpace);    // Space, 113 wide
  EXPECT_EQ(VtKeyAt(290, 80), VtKey::kReturn);    // the foot of the L-shaped Return
  EXPECT_EQ(VtKeyAt(276, 55), VtKey::kReturn);    // and its top
  EXPECT_EQ(VtKeyAt(430, 110), VtKey::kNumpad0);  // keypad 0, 37 wide
  EXPECT_EQ(VtKeyAt(19, 5), 0);                   // the gap between F1 and F2
  EXPECT_EQ(VtKeyAt(-1, -1), 0);
}

TEST(PcKeyboardPicture, TheBuiltInLayoutHasAll101KeysWithNames) {
  ASSERT_EQ(PcLayoutCount(), 1);
  EXPECT_EQ(PcLayoutName(0), "U.S. 101 Key");
  const auto keys = PcLayoutKeys(0);
  ASSERT_EQ(keys.size(), 101u);
  std::set<int> codes;
  for (const KeyRect& k : keys) {
    EXPECT_FALSE(PcKeyName(k.code).empty()) << int{k.code};
    codes.insert(k.code);
  }
  EXPECT_EQ(codes.size(), 101u);
  ExpectWholeAndApart(keys, PcLayoutSize(0));
}

TEST(PcKeyboardPicture, PositionsHitsAndLayoutsOutOfRange) {
  EXPECT_EQ(PcKeyPosition(0, PcKey::kEsc)->x, 1);
  EXPECT_EQ(PcKeyPosition(0, PcKey::kF1)->x, 39);
  const KeyRect zero = *PcKeyPosition(0, PcKey::kNumpad0);
  EXPECT_EQ(zero.x, 361);
  EXPECT_EQ(zero.y, 108);
  EXPECT_EQ(zero.width, 37);
  EXPECT_EQ(PcKeyPosition(0, 250), std::nullopt);
  // Right and bottom edges belong to the key.
  EXPECT_EQ(PcKeyAt(0, 1 + 18, 1 + 18), PcKey::kEsc);
  EXPECT_EQ(PcKeyAt(0, 30, 10), 0);
  // A stored layout number outside the table shows the built-in layout.
  EXPECT_EQ(PcKeyAt(-5, 2, 2), PcKey::kEsc);
  EXPECT_EQ(PcKeyPosition(1000, PcKey::kF1)->x, 39);
  EXPECT_FALSE(PcKeyMappable(0, 44, 0));  // Print Screen
  EXPECT_TRUE(PcKeyMappable(0, PcKey::kF1, KeyMod::kCtrl | KeyMod::kShift));
}

TEST(VtKeyboardLatches, ShiftCtrlAndCapsFollowTheRules) {
  CVtKeyboardLatches latches;
  EXPECT_EQ(latches.Release(74), std::nullopt);  // Left Shift latches
  auto press = latches.Release(VtKey::kA);
  ASSERT_TRUE(press);
  EXPECT_EQ(press->flags, KeyMod::kShift);
  EXPECT_FALSE(latches.LeftShift());  // released after one key
  latches.Release(75);                // Caps Lock
  latches.Release(76);                // Right Shift
  press = latches.Release(VtKey::kA);
  EXPECT_EQ(press->flags, KeyMod::kShift | KeyMod::kCapsLock);
  EXPECT_TRUE(latches.CapsLock());  // Caps Lock stays
  latches.Release(73);
  EXPECT_EQ(latches.Release(VtKey::kA + 2)->flags, KeyMod::kCtrl | KeyMod::kCapsLock);
  EXPECT_FALSE(latches.Ctrl());
}

TEST(VtKeyboardLatches, OneShiftLatchClearsTheOther) {
  CVtKeyboardLatches latches;
  latches.Release(76);
  EXPECT_TRUE(latches.RightShift());
  latches.Release(74);
  EXPECT_TRUE(latches.LeftShift());
  EXPECT_FALSE(latches.RightShift());
  latches.Release(74);
  EXPECT_FALSE(latches.LeftShift());
  EXPECT_EQ(latches.Release(VtKey::kA)->flags, 0);
}

}  // namespace
}  // namespace ostrane
