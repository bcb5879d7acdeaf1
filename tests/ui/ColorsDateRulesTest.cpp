#include <cmath>

#include <gtest/gtest.h>

#include "ui/ColorsDateRules.h"

using namespace mv;

TEST(ColorsRules, TipsFollowTheDisplayDepthAndPositionsAreTruncated) {
    // 256 colours or fewer: the note and each colour's own tip.
    for (int bits : {1, 4, 8}) {
        HueTips t = HueTipsForDepth(bits);
        EXPECT_TRUE(t.bShowNote);
        EXPECT_STREQ(t.tips[0], "Slide to the right to use more of this color");
        EXPECT_STREQ(t.tips[1], "Actually orange");
        EXPECT_STREQ(t.tips[11], "Slightly bluish red");
    }
    for (int bits : {15, 16, 24, 32}) {
        HueTips t = HueTipsForDepth(bits);
        EXPECT_FALSE(t.bShowNote);
        for (const char* s : t.tips) EXPECT_STREQ(s, "Slide to the right to use more of this color");
    }
    EXPECT_EQ(SliderPosition(37.9f), 37);
    EXPECT_EQ(SliderPosition(-3.0f), 0);
    EXPECT_EQ(SliderPosition(250.0f), 100);
    EXPECT_EQ(SliderPosition(std::nanf("")), 0);
    EXPECT_EQ(kHueSampleColors[1], MakeRGB(255, 132, 1));
}

TEST(DateRules, SampleHeightAndPosition) {
    EXPECT_EQ(DateSampleFontHeight(96), -19);
    EXPECT_EQ(DateSampleFontHeight(144), -28);
    Settings s;
    s.Position = 3;
    StoreDate(DateValues{true, true, false, 20}, {false, false, false, false, false}, s);
    EXPECT_EQ(s.Position, 3u);  // none checked: kept
    EXPECT_TRUE(s.ShowDate && s.Bold && !s.Italics);
    EXPECT_EQ(s.FontSize, 20u);
    StoreDate(DateValues{}, {false, false, false, false, true}, s);
    EXPECT_EQ(s.Position, 4u);
}
