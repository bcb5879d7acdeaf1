#include <gtest/gtest.h>

#include <cmath>

#include "Patterns/ColorHSL.h"
#include "Patterns/Palette.h"
#include "app/Random.h"

using namespace mv;

namespace {

ColorChoiceTable EvenTable() {
    float w[12];
    for (float& x : w) x = 50;
    ColorChoiceTable t;
    t.Build(w);
    return t;
}

Palette Make(int seed, int brightness, const ColorChoiceTable& table) {
    Random r(seed);
    return BuildPalette(r, brightness, table);
}

// Entry at the end of a group: the group's end colour, unaltered when the
// palette is neither dark nor light.
Color GroupEnd(const Palette& p, const Palette::Group& g) {
    return p.colors[static_cast<size_t>(g.iStart + g.iLength - 1)];
}

}  // namespace

TEST(Palette, DarkAndLightFollowBrightness) {
    ColorChoiceTable t = EvenTable();
    int dark50 = 0, light50 = 0;
    const int kRuns = 3000;
    for (int seed = 1; seed <= kRuns; ++seed) {
        EXPECT_FALSE(Make(seed, 100, t).draws.bDark);
        EXPECT_FALSE(Make(seed, 0, t).draws.bLight);
        Palette p = Make(seed, 50, t);
        dark50 += p.draws.bDark;
        light50 += p.draws.bLight;
    }
    EXPECT_NEAR(dark50, kRuns / 10, 60);
    EXPECT_NEAR(light50, kRuns / 10, 60);
    // Out-of-range brightness is clamped, not trusted.
    EXPECT_FALSE(Make(5, 250, t).draws.bDark);
    EXPECT_EQ(Make(5, 250, t).draws.iLow, 100);
    EXPECT_EQ(Make(5, -20, t).draws.iHigh, 0);
}

TEST(Palette, LightnessRangeFromBrightness) {
    struct Case { int b, low, high; } cases[] = {{0, 0, 0},   {30, 0, 30},  {39, 0, 39},  {40, 0, 90},
                                                 {49, 0, 99}, {50, 0, 100}, {51, 1, 100}, {60, 10, 100},
                                                 {61, 61, 100}, {80, 80, 100}, {100, 100, 100}};
    ColorChoiceTable t = EvenTable();
    for (const Case& c : cases) {
        Palette p = Make(9, c.b, t);
        EXPECT_EQ(p.draws.iLow, c.low) << c.b;
        EXPECT_EQ(p.draws.iHigh, c.high) << c.b;
    }
    // The random colours (the group ends) keep within the range, scaled by 0.8.
    int checked30 = 0, checked80 = 0;
    for (int seed = 1; seed <= 300; ++seed) {
        for (int b : {30, 80}) {
            Palette p = Make(seed, b, t);
            if (p.draws.bDark || p.draws.bLight) continue;
            for (const Palette::Group& g : p.draws.groupList) {
                float l = ColorHSL(GroupEnd(p, g)).GetL();
                if (b == 30) {
                    EXPECT_LE(l, 0.24f + 1e-6f) << seed;
                    ++checked30;
                } else {
                    EXPECT_GE(l, 0.64f - 2.0f / 255) << seed;
                    ++checked80;
                }
            }
            // The first group ends at the top of the range (light is off).
            EXPECT_NEAR(ColorHSL(GroupEnd(p, p.draws.groupList[0])).GetL(), b == 30 ? 0.24f : 0.8f, 2.0f / 255)
                << seed;
        }
    }
    EXPECT_GT(checked30, 1000);
    EXPECT_GT(checked80, 1000);
}

TEST(Palette, GroupsCoverThePaletteAndWrap) {
    ColorChoiceTable t = EvenTable();
    for (int seed = 1; seed <= 500; ++seed) {
        Palette p = Make(seed, 20 + seed % 60, t);
        const Palette::Draws& d = p.draws;
        ASSERT_GE(d.iMinLength, 12);
        ASSERT_LE(d.iMinLength, d.iMaxLength);
        ASSERT_LE(d.iMaxLength, 267);
        ASSERT_GE(d.iExponent, 1);
        ASSERT_LE(d.iExponent, 9);
        ASSERT_EQ(static_cast<int>(d.groupList.size()), p.groups);
        ASSERT_GE(p.groups, 1);
        int next = 0;
        for (size_t k = 0; k < d.groupList.size(); ++k) {
            const Palette::Group& g = d.groupList[k];
            EXPECT_EQ(g.iStart, next) << seed;  // each group starts on the previous one's last entry
            bool bLast = k + 1 == d.groupList.size();
            if (!bLast) { EXPECT_GE(g.iLength, d.iMinLength) << seed << " group " << k; }
            next = g.iStart + g.iLength - 1;
        }
        EXPECT_EQ(next, Palette::kSize - 1) << seed;
        if (!d.bDark && !d.bLight) {
            EXPECT_EQ(p.colors[0], d.firstColor) << seed;
            EXPECT_EQ(p.colors[Palette::kSize - 1], d.firstColor) << seed;
        }
        if (d.bDark && !d.bLight) { EXPECT_EQ(d.firstColor, kBlack) << seed; }
    }
}

TEST(Palette, EasingAndBulge) {
    ColorChoiceTable t = EvenTable();
    int checkedEase = 0, checkedBulge = 0;
    for (int seed = 1; seed <= 400; ++seed) {
        Palette p = Make(seed, 50, t);
        const Palette::Draws& d = p.draws;
        for (size_t k = 0; k < d.groupList.size(); ++k) {
            const Palette::Group& g = d.groupList[k];
            if (g.iLength < 5) continue;
            int groupNumber = static_cast<int>(k) + 1;
            int mid = g.iLength / 2;
            double t0 = static_cast<double>(mid) / (g.iLength - 1);
            double eased = groupNumber % 2 == d.iParity ? std::pow(t0, d.iExponent) : std::pow(t0, 1.0 / d.iExponent);
            Color c = p.colors[static_cast<size_t>(g.iStart + mid)];
            if (!d.bDark && !d.bLight) {
                // Start and end colours, the group's first and last entries
                // (the first one is intact only in the first group).
                Color start = k == 0 ? d.firstColor : GroupEnd(p, d.groupList[k - 1]);
                Color end = GroupEnd(p, g);
                int expected = static_cast<int>(RedOf(start) + eased * (RedOf(end) - RedOf(start)));
                EXPECT_NEAR(RedOf(c), expected, 1) << seed << " group " << k;
                ++checkedEase;
            } else {
                // Lightness pulled towards the bulge (0.8 mid-group, 0 at the ends).
                float bulge = static_cast<float>((0.5 - std::fabs(eased - 0.5)) * 1.6);
                float l = ColorHSL(c).GetL();
                if (d.bDark && d.bLight) { EXPECT_NEAR(l, bulge, 3.0f / 255) << seed; }
                if (d.bLight && !d.bDark) { EXPECT_GE(l, bulge - 3.0f / 255) << seed; }
                if (d.bDark && !d.bLight) { EXPECT_LE(l, bulge + 3.0f / 255) << seed; }
                ++checkedBulge;
            }
        }
    }
    EXPECT_GT(checkedEase, 500);
    EXPECT_GT(checkedBulge, 50);
}

TEST(Palette, SameSeedSamePaletteAndWeightsSteerHues) {
    ColorChoiceTable t = EvenTable();
    Palette a = Make(1234, 50, t), b = Make(1234, 50, t);
    EXPECT_EQ(a.colors, b.colors);
    EXPECT_EQ(a.groups, b.groups);
    EXPECT_NE(a.colors, Make(1235, 50, t).colors);

    // Only blue weighted: every saturated group end is within 15 degrees of blue.
    float w[12] = {0, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0};
    ColorChoiceTable blue;
    blue.Build(w);
    for (int seed = 1; seed <= 100; ++seed) {
        Palette p = Make(seed, 50, blue);
        if (p.draws.bDark || p.draws.bLight) continue;
        for (const Palette::Group& g : p.draws.groupList) {
            ColorHSL hsl(GroupEnd(p, g));
            if (hsl.GetS() < 0.2f || hsl.GetL() < 0.1f || hsl.GetL() > 0.7f) continue;  // hue poorly defined
            EXPECT_NEAR(hsl.GetH(), 8.0 / 12, 1.0 / 24 + 0.02) << seed;
        }
    }
}
