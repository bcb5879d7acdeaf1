#include <gtest/gtest.h>

#include "wallpaper/Layout.h"

using namespace mv;

TEST(Layout, PercentageRuleIsStrict) {
    const uint64_t screen = 1024ull * 768;
    ForcedLayout none;
    auto d = DecideLayout(none, false, 256ull * 256, screen, 40, 60);
    EXPECT_TRUE(d.bTiling);
    EXPECT_EQ(d.iTileFlag, 1);
    d = DecideLayout(none, false, 640ull * 480, screen, 40, 60);  // 39.06 %
    EXPECT_TRUE(d.bTiling);
    d = DecideLayout(none, false, 800ull * 600, screen, 40, 60);  // 61.04 %
    EXPECT_FALSE(d.bTiling);
    EXPECT_TRUE(d.bStretch);
    EXPECT_EQ(d.iStyle, 2);
    d = DecideLayout(none, false, 700ull * 500, screen, 40, 60);  // 44.5 %
    EXPECT_FALSE(d.bTiling);
    EXPECT_FALSE(d.bStretch);
    // Exactly on the thresholds: neither.
    d = DecideLayout(none, false, 40, 100, 40, 60);
    EXPECT_FALSE(d.bTiling);
    d = DecideLayout(none, false, 60, 100, 40, 60);
    EXPECT_FALSE(d.bStretch);
    // Tile above stretch: both flags.
    d = DecideLayout(none, false, 50, 100, 80, 20);
    EXPECT_TRUE(d.bTiling);
    EXPECT_TRUE(d.bStretch);
    // No screen: nothing at all, even forced.
    d = DecideLayout(ForcedLayout{true, true, true, true}, false, 50, 0, 80, 20);
    EXPECT_FALSE(d.bTiling || d.bStretch || d.iTileFlag || d.iStyle);
}

TEST(Layout, FitTileSize) {
    EXPECT_EQ(FitTileSize(1024, 300, 0), 300);
    EXPECT_EQ(FitTileSize(1024, 300, 1), 341);
    EXPECT_EQ(FitTileSize(768, 200, 1), 192);
    EXPECT_EQ(FitTileSize(1024, 256, 2), 256);
    EXPECT_EQ(FitTileSize(1024, 300, 2), 300);
    EXPECT_EQ(FitTileSize(1024, 1000, 2), 1024);  // 1.024 is within 0.125
    EXPECT_EQ(FitTileSize(1024, 330, 7), 341);    // any other value behaves as 2: 3.10
    // A tile more than twice the screen: the count rounds to 0 and the tile is kept.
    EXPECT_EQ(FitTileSize(1024, 2100, 1), 2100);
    EXPECT_EQ(FitTileSize(1024, 2100, 2), 2100);
    EXPECT_EQ(FitTileSize(1024, 0, 1), 0);
}
