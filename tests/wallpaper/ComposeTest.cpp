#include <gtest/gtest.h>

#include "image/Resample.h"
#include "wallpaper/Compose.h"
#include "support/SolidImage.h"

using namespace mv;

namespace {
// A picture whose every pixel has its own colour: red = x, green = y, blue = x ^ y.
Image Gradient(int w, int h) {
    Image img = Image::Create24(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) img.SetPixel(x, y, MakeRGB(x, y, (x * 7 + y * 13) & 0xFF));
    return img;
}
int Channel(Color c, int k) { return k == 0 ? RedOf(c) : k == 1 ? GreenOf(c) : BlueOf(c); }
}  // namespace

TEST(Seamless, BordersAndWeights) {
    Image src = Gradient(100, 100);
    Image tile = MakeSeamlessTile(src);
    ASSERT_EQ(tile.Width(), 80);
    ASSERT_EQ(tile.Height(), 80);
    // Left band, middle rows: an even mix with the right strip.
    for (int k = 0; k < 3; ++k) {
        int a = Channel(src.Pixel(10, 50), k), b = Channel(src.Pixel(90, 50), k);
        EXPECT_EQ(Channel(tile.Pixel(0, 40), k), static_cast<int>(a * 0.5f + b * 0.5f)) << k;
        // Right band: x = 0.9, so 0.55 of A and 0.45 of the left partner.
        int a2 = Channel(src.Pixel(89, 50), k), b2 = Channel(src.Pixel(9, 50), k);
        EXPECT_EQ(Channel(tile.Pixel(79, 40), k), static_cast<int>(a2 * 0.55f + b2 * 0.45f)) << k;
        // Corner: 0.333 of each of three.
        int c0 = Channel(src.Pixel(10, 10), k), c1 = Channel(src.Pixel(90, 10), k), c2 = Channel(src.Pixel(10, 90), k);
        EXPECT_EQ(Channel(tile.Pixel(0, 0), k), static_cast<int>(c0 * 0.333f + c1 * 0.333f + c2 * 0.333f)) << k;
    }
    // The interior is the source's inner rectangle exactly.
    for (int y = 10; y < 70; ++y)
        for (int x = 10; x < 70; ++x) ASSERT_EQ(tile.Pixel(x, y), src.Pixel(x + 10, y + 10)) << x << "," << y;
    EXPECT_FLOAT_EQ(Bilerp(0, 1, 2, 3, 0.5f, 0.5f), 1.5f);
}

TEST(Seamless, OppositeEdgesMatchWhenTiled) {
    // A left-to-right ramp has a hard seam when tiled; the seamless tile's
    // first and last columns must be close.
    Image src = Image::Create24(200, 50);
    for (int y = 0; y < 50; ++y)
        for (int x = 0; x < 200; ++x) src.SetPixel(x, y, MakeRGB(x, x, x));
    Image tile = MakeSeamlessTile(src);
    int first = RedOf(tile.Pixel(0, 25)), last = RedOf(tile.Pixel(tile.Width() - 1, 25));
    EXPECT_LE(std::abs(first - last), 4);
    EXPECT_GT(std::abs(RedOf(src.Pixel(20, 25)) - RedOf(src.Pixel(179, 25))), 100);
}

TEST(Seamless, NarrowAndTinyPictures) {
    Image narrow = Gradient(9, 40);  // BW = 0: no left or right band
    Image tile = MakeSeamlessTile(narrow);
    ASSERT_EQ(tile.Width(), 9);
    ASSERT_EQ(tile.Height(), 32);
    Image one = MakeSeamlessTile(Gradient(1, 1));
    ASSERT_TRUE(one.IsValid());
    EXPECT_EQ(one.Pixel(0, 0), Gradient(1, 1).Pixel(0, 0));
    EXPECT_FALSE(MakeSeamlessTile(Image()).IsValid());
}

TEST(Compose, CentredOnBackgroundAndCutWhenLarger) {
    Image pic = Solid(100, 50, MakeRGB(255, 0, 0));
    Image out = ComposeCentredOrStretched(pic, false, {1024, 768}, MakeRGB(1, 2, 3));
    ASSERT_EQ(out.Width(), 1024);
    EXPECT_EQ(out.Pixel(0, 0), MakeRGB(1, 2, 3));
    EXPECT_EQ(out.Pixel(462, 359), MakeRGB(255, 0, 0));
    EXPECT_EQ(out.Pixel(461, 359), MakeRGB(1, 2, 3));
    EXPECT_EQ(out.Pixel(561, 408), MakeRGB(255, 0, 0));
    EXPECT_EQ(out.Pixel(562, 408), MakeRGB(1, 2, 3));
    // 1100 x 800 on 1024 x 768 lies at (-38, -16).
    Image big = Gradient(1100, 800);
    Image cut = ComposeCentredOrStretched(big, false, {1024, 768}, 0);
    EXPECT_EQ(cut.Pixel(0, 0), big.Pixel(38, 16));
    EXPECT_EQ(cut.Pixel(1023, 767), big.Pixel(1061, 783));
}

TEST(Compose, TiledRowsWithAndWithoutSmartTiling) {
    Image tile = Gradient(300, 200);
    Image plain = ComposeTiledScreen(tile, {1024, 768}, 0);
    ASSERT_EQ(plain.Width(), 1024);
    EXPECT_EQ(plain.Pixel(0, 0), tile.Pixel(0, 0));
    EXPECT_EQ(plain.Pixel(300, 200), tile.Pixel(0, 0));
    EXPECT_EQ(plain.Pixel(1023, 767), tile.Pixel(1023 - 900, 767 - 600));
    // Always: 341 x 192 tiles, so a new tile starts at x = 341 and y = 192.
    Image smart = ComposeTiledScreen(Solid(300, 200, MakeRGB(9, 9, 9)), {1024, 768}, 1);
    EXPECT_EQ(smart.Pixel(1023, 767), MakeRGB(9, 9, 9));
    Image marks = Solid(300, 200, 0);
    marks.SetPixel(0, 0, MakeRGB(255, 255, 255));
    Image smartMarks = ComposeTiledScreen(marks, {1024, 768}, 1);
    EXPECT_GT(RedOf(smartMarks.Pixel(341, 192)), 0);
    EXPECT_EQ(RedOf(smartMarks.Pixel(300, 200)), 0);
}

TEST(Resample, ShrinkAveragesAndGrowInterpolates) {
    // A 1-pixel checkerboard shrunk to half is mid grey, not black or speckled.
    Image board = Image::Create24(64, 64);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) board.SetPixel(x, y, ((x + y) & 1) ? 0xFFFFFF : 0);
    Image half = Resample24(board, 32, 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) ASSERT_NEAR(RedOf(half.Pixel(x, y)), 128, 1);
    // Enlarging a two-pixel ramp gives values in between, never outside.
    Image two = Image::Create24(2, 1);
    two.SetPixel(0, 0, 0);
    two.SetPixel(1, 0, MakeRGB(200, 200, 200));
    Image wide = Resample24(two, 8, 1);
    int prev = -1;
    for (int x = 0; x < 8; ++x) {
        int v = RedOf(wide.Pixel(x, 0));
        EXPECT_GE(v, prev);
        EXPECT_LE(v, 200);
        prev = v;
    }
    EXPECT_EQ(RedOf(wide.Pixel(0, 0)), 0);
    EXPECT_EQ(RedOf(wide.Pixel(7, 0)), 200);
    // A solid picture stays solid at any size; the stretch fills the screen.
    Image s = ComposeCentredOrStretched(Solid(7, 5, MakeRGB(10, 200, 30)), true, {1024, 768}, 0);
    ASSERT_EQ(s.Width(), 1024);
    EXPECT_EQ(s.Pixel(0, 0), MakeRGB(10, 200, 30));
    EXPECT_EQ(s.Pixel(1023, 767), MakeRGB(10, 200, 30));
    EXPECT_EQ(s.Pixel(512, 300), MakeRGB(10, 200, 30));
}
