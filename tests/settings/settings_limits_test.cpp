#include "settings/settings_limits.h"

#include <gtest/gtest.h>

#include <climits>

namespace ostrane {
namespace {

// A range that excluded a default would rewrite every fresh session on its first save.
TEST(SettingsLimits, EveryDefaultLiesInsideItsRange) {
  CSettingsSet settings;
  EXPECT_FALSE(ClampSettings(settings));
  for (int p = 0; p < kSettingCount; ++p) {
    const auto r = RangeOf(p);
    if (!r || CSettingsSet::Descriptor(p).type != SettingType::kInteger) continue;
    EXPECT_GE(settings.Int(p), r->low) << CSettingsSet::Descriptor(p).key;
    EXPECT_LE(settings.Int(p), r->high) << CSettingsSet::Descriptor(p).key;
  }
}

TEST(SettingsLimits, ExtremeValuesAreClampedIncludingArrayElements) {
  CSettingsSet settings;
  settings.SetInt(S::SaveLines, INT_MAX);
  settings.SetInt(S::FontSize, -5);
  settings.SetInt(S::JobTimeout, -4);
  settings.SetInt(S::XferInitPause, INT_MIN);
  settings.SetInt(S::Speed, INT_MAX);
  settings.SetInt(S::TermID, 99);
  settings.SetInt(S::PrimarySet, -1);
  settings.SetIntElement(S::FKeys, 3, 7);
  EXPECT_TRUE(ClampSettings(settings));
  EXPECT_EQ(settings.Int(S::SaveLines), 200000);
  EXPECT_EQ(settings.Int(S::FontSize), 6);
  EXPECT_EQ(settings.Int(S::JobTimeout), 0);  // 0 closes a job at once
  EXPECT_EQ(settings.Int(S::XferInitPause), 0);
  EXPECT_EQ(settings.Int(S::Speed), 4000000);
  EXPECT_EQ(settings.Int(S::TermID), 6);
  EXPECT_EQ(settings.Int(S::PrimarySet), 0);
  EXPECT_EQ(settings.IntElement(S::FKeys, 3), 2);
}

// A saved local shell of the xterm type reads back as itself, not as a VT100 over SSH.
TEST(SettingsLimits, XtermTypeAndLocalShellAreInRange) {
  CSettingsSet settings;
  settings.SetInt(S::TermID, 6);
  settings.SetInt(S::HostType, 7);
  EXPECT_FALSE(ClampSettings(settings));
  EXPECT_EQ(settings.Int(S::TermID), 6);
  EXPECT_EQ(settings.Int(S::HostType), 7);
}

TEST(SettingsLimits, PageArrangementIsMadeToFitThePageMemory) {
  CSettingsSet settings;
  settings.SetInt(S::Columns, 100);
  settings.SetInt(S::Lines, 72);
  settings.SetInt(S::Pages, 6);
  ClampSettings(settings);
  EXPECT_EQ(settings.Int(S::Columns), 132);
  EXPECT_EQ(settings.Int(S::Pages), 2);
  settings.SetInt(S::Columns, -132);
  settings.SetInt(S::Lines, 0);
  ClampSettings(settings);
  EXPECT_EQ(settings.Int(S::Columns), 80);
  EXPECT_EQ(settings.Int(S::Lines), 1);
}

TEST(SettingsLimits, DialogMessageNamesTheRangeOnlyForOutsideValues) {
  EXPECT_EQ(RangeMessage(S::SaveLines, 800), "");
  EXPECT_EQ(RangeMessage(S::SaveLines, 200001),
            "Please enter a number from 0 to 200000 for \"Lines saved in history\".");
  EXPECT_NE(RangeMessage(S::FontSize, 5000000000LL), "");
  EXPECT_EQ(RangeMessage(S::HostName, -1), "");
}

TEST(SettingsLimits, LayoutOutsideTheTableSelectsTheBuiltInOne) {
  EXPECT_EQ(EffectiveLayout(0, 1), 0);
  EXPECT_EQ(EffectiveLayout(2, 3), 2);
  EXPECT_EQ(EffectiveLayout(3, 3), 0);
  EXPECT_EQ(EffectiveLayout(-1, 3), 0);
  EXPECT_EQ(EffectiveLayout(INT_MIN, 1), 0);
}

}  // namespace
}  // namespace ostrane
