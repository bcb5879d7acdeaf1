#include <gtest/gtest.h>

#include <cmath>

#include "Patterns/ColorHSL.h"
#include "app/Random.h"

using namespace mv;

TEST(Color, PackingWrapsEachChannel) {
    EXPECT_EQ(RedOf(MakeRGB(300, 0, 0)), 44);
    EXPECT_EQ(MakeRGB(10, 20, 30), 0x001E140Au);
    EXPECT_EQ(MakeRGB(-1, 0, 0), 0x0000FFu);
}

TEST(ColorHSL, Conversions) {
    ColorHSL red(MakeRGB(255, 0, 0));
    EXPECT_FLOAT_EQ(red.GetH(), 0.0f);
    EXPECT_FLOAT_EQ(red.GetS(), 1.0f);
    EXPECT_FLOAT_EQ(red.GetL(), 0.5f);
    EXPECT_EQ(red.ToRGB(), MakeRGB(255, 0, 0));
    ColorHSL grey(MakeRGB(128, 128, 128));
    EXPECT_EQ(grey.GetS(), 0.0f);
    EXPECT_EQ(grey.GetH(), 0.0f);
    EXPECT_EQ(grey.ToRGB(), MakeRGB(128, 128, 128));
    EXPECT_FLOAT_EQ(ColorHSL(MakeRGB(0, 0, 255)).GetH(), 2.0f / 3.0f);
    EXPECT_EQ(ColorHSL(0.0f, 1.0f, 1.0f).ToRGB(), MakeRGB(255, 255, 255));
    EXPECT_GT(ColorHSL(MakeRGB(128, 128, 128)).GetL(), 0.5f);
    EXPECT_LT(ColorHSL(MakeRGB(127, 127, 127)).GetL(), 0.5f);
    // Lightness outside 0..1 wraps each channel modulo 256; a lightness no
    // channel can hold gives 0 instead of an undefined conversion.
    EXPECT_EQ(ColorHSL(0.0f, 0.0f, 1.5f).ToRGB(), MakeRGB(382, 382, 382));
    EXPECT_EQ(ColorHSL(0.0f, 0.0f, -0.1f).ToRGB(), MakeRGB(-25, -25, -25));
    EXPECT_EQ(ColorHSL(0.0f, 0.0f, 1e12f).ToRGB(), 0u);
    EXPECT_EQ(ColorHSL(0.0f, 0.0f, std::nanf("")).ToRGB(), 0u);
    // Round trips. (Cyan and magenta come back with one channel at 254: their
    // hue lands a hair below a sector edge in single precision.)
    for (Color c : {MakeRGB(0, 255, 0), MakeRGB(0, 0, 255), MakeRGB(255, 255, 0), MakeRGB(255, 255, 255),
                    MakeRGB(0, 0, 0)})
        EXPECT_EQ(ColorHSL(c).ToRGB(), c) << std::hex << c;
    // Any colour comes back within one step per channel (the way back truncates).
    for (int r = 0; r < 256; r += 15)
        for (int g = 0; g < 256; g += 17)
            for (int b = 0; b < 256; b += 51) {
                Color back = ColorHSL(MakeRGB(r, g, b)).ToRGB();
                ASSERT_NEAR(RedOf(back), r, 1) << r << "," << g << "," << b;
                ASSERT_NEAR(GreenOf(back), g, 1) << r << "," << g << "," << b;
                ASSERT_NEAR(BlueOf(back), b, 1) << r << "," << g << "," << b;
            }
    EXPECT_FLOAT_EQ(ColorHSL(MakeRGB(255, 255, 0)).GetH(), 1.0f / 6.0f);  // red and green both largest
    // Magenta has a negative h before the wrap.
    EXPECT_NEAR(ColorHSL(MakeRGB(255, 0, 128)).GetH(), 1.0f - 128.0f / 255.0f / 6.0f, 1e-6);
}

TEST(ColorChoiceTable, WeightsDecideTheDraws) {
    ColorChoiceTable t;
    Random r(11);
    float only2[12] = {0, 0, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    t.Build(only2);
    for (int i = 0; i < 500; ++i) ASSERT_EQ(t.Draw(r), 2);
    float zero[12] = {};
    t.Build(zero);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(t.Draw(r), 11);
    float even[12];
    for (float& w : even) w = 50;
    t.Build(even);
    int counts[12] = {};
    for (int i = 0; i < 24000; ++i) counts[t.Draw(r)]++;
    for (int k = 0; k < 12; ++k) EXPECT_NEAR(counts[k], 2000, 250) << k;
    EXPECT_EQ(t.Entry(11), 1.0f);
    // One uniform() per draw.
    Random a(5), b(5);
    t.Draw(a);
    b.next();
    EXPECT_EQ(a.next(), b.next());
}
