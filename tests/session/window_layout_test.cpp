#include <gtest/gtest.h>

#include "session/session_titles.h"
#include "session/window_placement.h"
#include "settings/settings_set.h"

namespace ostrane {
namespace {

TEST(WindowPlacement, ZeroWidthOrHeightMeansNoStoredPlacement) {
  CSettingsSet s;
  EXPECT_FALSE(PlacementFromSettings(s));
  s.SetInt(S::Width, 800);
  EXPECT_FALSE(PlacementFromSettings(s));
  s.SetInt(S::Height, 600);
  const auto p = PlacementFromSettings(s);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->right - p->left + 1, 800);
  s.SetInt(S::Width, -5);
  EXPECT_FALSE(PlacementFromSettings(s));
}

TEST(WindowPlacement, UsableSessionWindowIsEightyByTwentyFourCellsWithinTheArea) {
  // 8 x 16 pixel cells and 20 x 40 pixels of frame.
  EXPECT_EQ(UsableSessionWindow({8, 16}, {20, 40}, {2000, 2000}), (WindowSize{660, 424}));
  EXPECT_EQ(UsableSessionWindow({8, 16}, {20, 40}, {500, 300}), (WindowSize{500, 300}));
  // Nonsense from a broken font still gives a positive size.
  EXPECT_EQ(UsableSessionWindow({0, -3}, {-1, 0}, {0, 0}), (WindowSize{1, 1}));
}

TEST(WindowPlacement, CascadeKeepsEveryWindowUsable) {
  // Two sessions in a 1000 x 700 area: each the area less one step, offset by one step.
  auto r = CascadeWindows({1000, 700}, {{660, 424}, {660, 424}}, 30);
  ASSERT_EQ(r.size(), 2u);
  EXPECT_EQ(r[0], (WindowRect{0, 0, 970, 670}));
  EXPECT_EQ(r[1], (WindowRect{30, 30, 970, 670}));

  // Ten sessions: the area less nine steps would be 730 x 430, still above the usable size.
  r = CascadeWindows({1000, 700}, std::vector<WindowSize>(10, {660, 424}), 30);
  EXPECT_EQ(r[9], (WindowRect{270, 270, 730, 430}));

  // Twenty: the offsets start again from the corner when the next one would leave less than
  // the usable size (276 pixels of height room: 9 steps).
  r = CascadeWindows({1000, 700}, std::vector<WindowSize>(20, {660, 424}), 30);
  for (const WindowRect& w : r) {
    EXPECT_GE(w.width, 660);
    EXPECT_GE(w.height, 424);
    EXPECT_LE(w.x + w.width, 1000);
    EXPECT_LE(w.y + w.height, 700);
  }
  EXPECT_EQ(r[9].y, 270);
  EXPECT_EQ(r[10].y, 0);

  // An area smaller than a usable window (the default main window with 80 x 24 cells): the
  // windows still step down and right, within the area.
  r = CascadeWindows({400, 300}, {{660, 424}, {660, 424}}, 30);
  EXPECT_EQ(r[0].x, 0);
  EXPECT_EQ(r[1], (WindowRect{30, 30, 370, 270}));
  r = CascadeWindows({400, 300}, std::vector<WindowSize>(5, {660, 424}), 30);
  for (size_t i = 1; i < r.size(); ++i) {
    EXPECT_NE(r[i].x, r[i - 1].x);
    EXPECT_LE(r[i].x + r[i].width, 400);
    EXPECT_LE(r[i].y + r[i].height, 300);
  }
  EXPECT_TRUE(CascadeWindows({400, 300}, {}, 30).empty());
}

TEST(SessionTitles, OnlyRepeatedTitlesAreNumberedInOrder) {
  EXPECT_EQ(DistinctTitles({"alpha", "beta", "alpha", "alpha"}),
            (std::vector<std::string>{"alpha:1", "beta", "alpha:2", "alpha:3"}));
  EXPECT_EQ(DistinctTitles({"alpha"}), (std::vector<std::string>{"alpha"}));
  EXPECT_TRUE(DistinctTitles({}).empty());
}

}  // namespace
}  // namespace ostrane
