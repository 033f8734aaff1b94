#include "keyboard/key_map.h"

#include <gtest/gtest.h>

#include "keyboard/key_codes.h"

namespace ostrane {
namespace {

constexpr uint8_t kShift = KeyMod::kShift;
constexpr uint8_t kCtrl = KeyMod::kCtrl;

TEST(KeyMapTest, DefaultMapPutsPcKeysOnVtKeys) {
  const CKeyMap map;
  EXPECT_EQ(map.Lookup(PcKey::kBackspace, 0).action, VtKey::kBackArrow);
  EXPECT_EQ(map.Lookup(PcKey::kNumpadEnter, 0).action, VtKey::kEnter);
  EXPECT_EQ(map.Lookup(PcKey::kNumLock, 0).action, VtKey::kPF1);
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 11, 0).action, 12);
  EXPECT_EQ(map.Lookup(PcKey::kAdd, kCtrl).action, 105);
  EXPECT_EQ(map.Lookup(PcKey::kF1, kShift).action, 11);
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 9, kShift).action, 20);
  // Unmapped: the typewriter block, Shift+F11, and any modified key without an entry.
  EXPECT_EQ(map.Lookup('A', 0).action, KeyAction::kNone);
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 10, kShift).action, KeyAction::kNone);
  EXPECT_EQ(map.Lookup(PcKey::kUp, KeyMod::kAlt).action, KeyAction::kNone);
  // Caps Lock takes no part in lookups.
  EXPECT_EQ(map.Lookup(PcKey::kF1, kShift | KeyMod::kCapsLock).action, 11);
}

TEST(KeyMapTest, BuiltInMenuEntriesOnlyWhereTheKeyIsFree) {
  CKeyMap map;
  const KeyLookup up = map.Lookup(PcKey::kPageUp, kCtrl);
  EXPECT_EQ(up.action, KeyAction::kMenu);
  EXPECT_EQ(up.text, "View: Scroll Page Up");
  EXPECT_EQ(map.Lookup(PcKey::kNumpad0 + 1, kCtrl).text, "View: Scroll to Bottom");
  // F1 is VT F1, so its Hold Screen entry is never added...
  EXPECT_EQ(map.Lookup(PcKey::kF1, 0).action, VtKey::kF1);
  // ...unless the key is free when the entries are added again, as after reading a file.
  map.Remove(PcKey::kF1, 0);
  map.Set(PcKey::kPageUp, kCtrl, KeyAction::kSendString, "x");
  map.AddBuiltInEntries();
  EXPECT_EQ(map.Lookup(PcKey::kF1, 0).text, "Window: Hold Screen");
  EXPECT_EQ(map.Lookup(PcKey::kPageUp, kCtrl).text, "x");
  const size_t count = map.Entries().size();
  map.AddBuiltInEntries();
  EXPECT_EQ(map.Entries().size(), count);
}

TEST(KeyMapTest, SetRemoveAndTheDirectTable) {
  CKeyMap map;
  map.Set('A', 0, 35);
  EXPECT_EQ(map.Direct()['A' - 1], 35);
  EXPECT_EQ(map.Lookup('A', 0).action, 35);

  // A string on an unmodified key: the direct table says "look in the list".
  map.Set('B', 0, KeyAction::kSendString, "\x1b[B");
  EXPECT_EQ(map.Direct()['B' - 1], KeyAction::kSendString);
  EXPECT_EQ(map.Lookup('B', 0).text, "\x1b[B");
  // Back to a VT key: the entry goes, the direct value is the action.
  map.Set('B', 0, 36);
  EXPECT_EQ(map.Lookup('B', 0).text, "");
  EXPECT_EQ(map.Lookup('B', 0).action, 36);

  // One entry per combination: setting again replaces it.
  const size_t before = map.Entries().size();
  map.Set('C', kShift | kCtrl, KeyAction::kScriptText, "one");
  map.Set('C', kShift | kCtrl, KeyAction::kRunScriptFile, "two.oss");
  EXPECT_EQ(map.Entries().size(), before + 1);
  EXPECT_EQ(map.Lookup('C', kShift | kCtrl).action, KeyAction::kRunScriptFile);
  // A VT key carries no string even when one is given.
  map.Set('C', kShift, 40, "ignored");
  EXPECT_EQ(map.Lookup('C', kShift).text, "");

  map.Remove('C', kShift | kCtrl);
  EXPECT_FALSE(map.IsMapped('C', kShift | kCtrl));
  EXPECT_TRUE(map.IsMapped('C', kShift));
  map.Set('C', kShift, KeyAction::kNone);
  EXPECT_FALSE(map.IsMapped('C', kShift));

  // A direct marker with no entry behind it is still that action, with nothing to send.
  map.Direct()['D' - 1] = KeyAction::kSendString;
  EXPECT_EQ(map.Lookup('D', 0).action, KeyAction::kSendString);
  EXPECT_EQ(map.Lookup('D', 0).text, "");
}

TEST(KeyMapTest, KeysOutsideTheTableAreIgnored) {
  CKeyMap map;
  const CKeyMap original;
  map.Set(0, 0, 1);
  map.Set(256, 0, 1);
  map.Set(-5, kShift, KeyAction::kSendString, "x");
  map.Remove(0, 0);
  EXPECT_EQ(map, original);
  EXPECT_EQ(map.Lookup(0, 0).action, KeyAction::kNone);
  EXPECT_EQ(map.Lookup(256, 0).action, KeyAction::kNone);
  EXPECT_EQ(map.Lookup(255, 0).action, KeyAction::kNone);
}

TEST(KeyMapTest, CopyAndCompare) {
  CKeyMap a;
  CKeyMap b = a;
  EXPECT_EQ(a, b);
  b.Set(PcKey::kF1, kCtrl, KeyAction::kSendString, "x");
  EXPECT_NE(a, b);
  a = b;
  EXPECT_EQ(a, b);
  a.Set(PcKey::kF1, kCtrl, KeyAction::kSendString, "y");
  EXPECT_NE(a, b);
  b.Direct()[0] = 1;
  a = b;
  EXPECT_EQ(a, b);
}

TEST(KeyMapTest, TemplatesStartFromTheDefault) {
  ASSERT_EQ(CKeyMap::TemplateCount(), 5u);
  EXPECT_EQ(CKeyMap::TemplateName(0), "VT420/320/220 Keyboard");
  EXPECT_EQ(CKeyMap::TemplateName(1), "SCO Console Keyboard");
  EXPECT_EQ(CKeyMap::TemplateName(2), "Linux Console Keyboard");
  EXPECT_EQ(CKeyMap::TemplateName(3), "AT386 Keyboard");
  EXPECT_EQ(CKeyMap::TemplateName(4), "Wyse 60 Keyboard");
  EXPECT_EQ(CKeyMap::TemplateName(5), "");

  CKeyMap map;
  map.Set('Q', kCtrl, KeyAction::kSendString, "user");
  ASSERT_TRUE(map.ApplyTemplate(0));
  EXPECT_EQ(map, CKeyMap());
  ASSERT_TRUE(map.ApplyTemplate(1));
  EXPECT_FALSE(map.IsMapped(PcKey::kNumLock, 0));
  EXPECT_FALSE(map.IsMapped(PcKey::kAdd, kCtrl));
  EXPECT_EQ(map.Lookup(PcKey::kDelete, 0).text, "\b");
  // Keys the template does not name keep their default action.
  EXPECT_EQ(map.Lookup(PcKey::kUp, 0).action, VtKey::kUp);
  EXPECT_FALSE(map.ApplyTemplate(5));
}

TEST(KeyMapTest, HostDefinedKeysLandOnShiftAndCtrlShiftFunctionKeys) {
  CKeyMap map;
  map.ApplyUserDefinedKeys("11/41;21/4243;24/44;34/45");
  EXPECT_EQ(map.Lookup(PcKey::kF1, kShift).text, "A");       // F1
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 9, kShift).text, "BC");  // F10
  // F12 on Shift+F12 and on Ctrl+Shift+F2.
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 11, kShift).text, "D");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 1, kShift | kCtrl).text, "D");
  // F20 only on Ctrl+Shift+F10.
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 9, kShift | kCtrl).text, "E");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 9, kShift).text, "BC");
  EXPECT_EQ(map.Lookup(PcKey::kF1, kShift).action, KeyAction::kSendString);
}

TEST(KeyMapTest, HostDefinedKeysSkipWhatIsNotADefinition) {
  CKeyMap map;
  const CKeyMap original;
  // Numbers naming no function key, numbers outside 11..34, a missing slash or number, a
  // number with other characters, an overlong number: all ignored.
  map.ApplyUserDefinedKeys("16/41;22/41;27/41;30/41;10/41;35/41;4294967307/41;/41;17;1x7/41;;");
  EXPECT_EQ(map, original);
  // Non-hex characters are skipped, a lone last digit dropped; an empty string is a mapping.
  map.ApplyUserDefinedKeys("17/4 1zz4;18/");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 5, kShift).text, "A");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 6, kShift).action, KeyAction::kSendString);
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 6, kShift).text, "");
  // Earlier definitions stay; a new one for the same key replaces only that key.
  map.ApplyUserDefinedKeys("17/42");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 5, kShift).text, "B");
  EXPECT_EQ(map.Lookup(PcKey::kF1 + 6, kShift).action, KeyAction::kSendString);
}

TEST(KeyCodesTest, NormalisationSeparatesKeypadAndEditingBlock) {
  struct Case {
    int virtualKey;
    bool extended;
    int pcKey;
  };
  const Case cases[] = {
      // Num Lock off: the keypad arrives as editing codes without the extended flag.
      {38, false, 104},
      {33, false, 105},
      {45, false, 96},
      {46, false, 110},
      {12, false, 101},
      // The separate block carries the extended flag.
      {38, true, 38},
      {33, true, 33},
      {45, true, 45},
      {46, true, 46},
      {36, true, 36},
      // Num Lock on: keypad digits keep their codes.
      {96, false, 96},
      {105, false, 105},
      {110, false, 110},
      {13, false, 13},
      {13, true, 43},
      {16, true, 161},
      {17, true, 163},
      {18, true, 165},
      {16, false, 16},
      {8, false, 8},
      {27, false, 27},
      {32, false, 32},
      // Unnamed low codes vanish; others pass.
      {1, false, 0},
      {44, false, 0},
      {47, true, 0},
      {65, true, 65},
      {112, false, 112},
      {300, false, 300}};
  for (const Case& c : cases)
    EXPECT_EQ(NormalizePcKey(c.virtualKey, c.extended), c.pcKey)
        << c.virtualKey << (c.extended ? " extended" : "");
}

TEST(KeyCodesTest, NamesAndMappableCombinations) {
  EXPECT_EQ(VtKeyName(1), "F1");
  EXPECT_EQ(VtKeyName(15), "Help");
  EXPECT_EQ(VtKeyName(35), "A");
  EXPECT_EQ(VtKeyName(70), "Space");
  EXPECT_EQ(VtKeyName(108), "Enter");
  EXPECT_EQ(VtKeyName(0), "");
  EXPECT_EQ(VtKeyName(109), "");
  EXPECT_EQ(PcKeyName(43), "Numpad Enter");
  EXPECT_EQ(PcKeyName(192), "`");
  EXPECT_EQ(PcKeyName(1), "");
  EXPECT_EQ(FindVtKey("Numpad ,"), 106);
  EXPECT_EQ(FindPcKey("Page Down"), 34);
  EXPECT_TRUE(IsPcKeyMappable(19, 0));
  EXPECT_FALSE(IsPcKeyMappable(19, KeyMod::kCtrl));
  EXPECT_FALSE(IsPcKeyMappable(20, 0));
  EXPECT_FALSE(IsPcKeyMappable(44, 0));
  EXPECT_TRUE(IsPcKeyMappable(65, KeyMod::kAlt | KeyMod::kCtrl | KeyMod::kShift));
  EXPECT_FALSE(IsPcKeyMappable(7, 0));
}

}  // namespace
}  // namespace ostrane
