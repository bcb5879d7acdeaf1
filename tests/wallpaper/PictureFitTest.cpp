#include <gtest/gtest.h>

#include <cstdlib>

#include "image/Resample.h"
#include "wallpaper/Compose.h"
#include "wallpaper/PictureFit.h"
#include "support/SolidImage.h"

using namespace mv;

namespace {
// Black and white squares of `cell` pixels over the rectangle r.
void Checker(Image& img, const Rect& r, int cell) {
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            img.SetPixel(x, y, ((x - r.left) / cell + (y - r.top) / cell) % 2 ? kWhite : kBlack);
}
Rect CropFor(const Image& img, Size area) {
    return PlaceFittedByInterest(img, Size{img.Width(), img.Height()}, area, PictureFit::Fill).crop;
}
}  // namespace

TEST(PictureFit, StoredValueAndShapeRules) {
    EXPECT_EQ(PictureFitFromValue(0), PictureFit::Stretch);
    EXPECT_EQ(PictureFitFromValue(3), PictureFit::FitBlurred);
    EXPECT_EQ(PictureFitFromValue(5), PictureFit::Automatic);
    EXPECT_EQ(PictureFitFromValue(0xFFFFFFFFu), PictureFit::Automatic);
    // 1 %: 1010 / 1000 is within, 1011 / 1000 is not, on either axis; on a
    // 16:9 area 1939 / 1920 = 1.0099 is within, 1940 / 1920 = 1.0104 is not.
    const Size square{1000, 1000}, wide{1920, 1080};
    for (PictureFit m : {PictureFit::Fill, PictureFit::Fit, PictureFit::FitBlurred, PictureFit::Automatic}) {
        EXPECT_EQ(ResolvePictureFit({1010, 1000}, square, m), PictureFit::Stretch);
        EXPECT_EQ(ResolvePictureFit({1000, 1010}, square, m), PictureFit::Stretch);
        EXPECT_EQ(ResolvePictureFit({1939, 1080}, wide, m), PictureFit::Stretch);
        EXPECT_NE(ResolvePictureFit({1011, 1000}, square, m), PictureFit::Stretch);
        EXPECT_NE(ResolvePictureFit({1000, 1011}, square, m), PictureFit::Stretch);
        EXPECT_NE(ResolvePictureFit({1940, 1080}, wide, m), PictureFit::Stretch);
    }
    // 30 %: filling 1000 x 701 into a square cuts 29.9 %, 1000 x 700 exactly
    // 30 %, 1000 x 699 30.1 %; 1427 x 1000 cuts 29.92 %, 1429 x 1000 30.02 %.
    EXPECT_EQ(ResolvePictureFit({1000, 701}, square, PictureFit::Automatic), PictureFit::Fill);
    EXPECT_EQ(ResolvePictureFit({1000, 700}, square, PictureFit::Automatic), PictureFit::Fill);
    EXPECT_EQ(ResolvePictureFit({1000, 699}, square, PictureFit::Automatic), PictureFit::FitBlurred);
    EXPECT_EQ(ResolvePictureFit({1427, 1000}, square, PictureFit::Automatic), PictureFit::Fill);
    EXPECT_EQ(ResolvePictureFit({1429, 1000}, square, PictureFit::Automatic), PictureFit::FitBlurred);
    // A 3:2 photo on 16:9 loses 15.6 % (fills); a 3:4 portrait 57.8 % (fits).
    EXPECT_EQ(ResolvePictureFit({6000, 4000}, wide, PictureFit::Automatic), PictureFit::Fill);
    EXPECT_EQ(ResolvePictureFit({3024, 4032}, wide, PictureFit::Automatic), PictureFit::FitBlurred);
    EXPECT_EQ(ResolvePictureFit({0, 10}, wide, PictureFit::Fill), PictureFit::Stretch);
}

TEST(PictureFit, ScaledAndDecodeSizes) {
    const Size screen{1920, 1080};
    auto eq = [](Size a, int cx, int cy) { return a.cx == cx && a.cy == cy; };
    EXPECT_TRUE(eq(CoverSize({6000, 4000}, screen), 1920, 1280));
    EXPECT_TRUE(eq(FitInsideSize({6000, 4000}, screen), 1620, 1080));
    EXPECT_TRUE(eq(FitInsideSize({3024, 4032}, screen), 810, 1080));
    EXPECT_TRUE(eq(DecodeSizeForFit({6000, 4000}, screen, PictureFit::Stretch), 1920, 1080));
    EXPECT_TRUE(eq(DecodeSizeForFit({6000, 4000}, screen, PictureFit::Automatic), 1920, 1280));
    EXPECT_TRUE(eq(DecodeSizeForFit({6000, 4000}, screen, PictureFit::Fit), 1620, 1080));
    EXPECT_TRUE(eq(DecodeSizeForFit({3024, 4032}, screen, PictureFit::Automatic), 810, 1080));
    EXPECT_TRUE(eq(DecodeSizeForFit({800, 600}, screen, PictureFit::Fill), 800, 600));     // never enlarged
    EXPECT_TRUE(eq(DecodeSizeForFit({1000, 700}, screen, PictureFit::Stretch), 1000, 700));  // as before
    EXPECT_TRUE(eq(DecodeSizeForFit({2000, 700}, screen, PictureFit::Stretch), 1920, 1080));
}

TEST(PictureFit, CropFollowsTheSubjectNearEachEdge) {
    // 2000 x 1000 into 1600 x 1000 cuts 400 columns; the middle crop is
    // [200, 1800), so a subject within 200 pixels of an edge is lost there.
    const Color grey = MakeRGB(150, 150, 150);
    for (int left : {40, 1800}) {
        Image img = Solid(2000, 1000, grey);
        Checker(img, Rect{left, 420, left + 160, 580}, 20);
        const Rect c = CropFor(img, {1600, 1000});
        EXPECT_EQ(c.Width(), 1600);
        EXPECT_LE(c.left, left) << left;
        EXPECT_GE(c.right, left + 160) << left;
    }
    for (int top : {30, 1810}) {
        Image img = Solid(1000, 2000, grey);
        Checker(img, Rect{420, top, 580, top + 160}, 20);
        const Rect c = CropFor(img, {1000, 1600});
        EXPECT_EQ(c.Height(), 1600);
        EXPECT_LE(c.top, top) << top;
        EXPECT_GE(c.bottom, top + 160) << top;
    }
    // Through the whole composition, from a picture decoded at the cover size:
    // the subject near the right edge shows as black and white on the screen.
    Image img = Solid(2000, 1000, grey);
    Checker(img, Rect{1820, 400, 1980, 560}, 40);
    const Size dec = DecodeSizeForFit({2000, 1000}, {800, 500}, PictureFit::Fill);
    Image out = ComposeFittedDecoded(Resample24(img, dec.cx, dec.cy), {2000, 1000}, {800, 500}, PictureFit::Fill, 0);
    ASSERT_EQ(out.Width(), 800);
    ASSERT_EQ(out.Height(), 500);
    int dark = 0;
    // Decoded at 1000 x 500, the subject is x 910..990, y 200..280: on row 230
    // two black squares of 20 pixels; the middle crop [100, 900) has none.
    for (int x = 0; x < 800; ++x) dark += RedOf(out.Pixel(x, 230)) < 40;
    EXPECT_GE(dark, 36);
}

TEST(PictureFit, EvenPicturesAreCroppedInTheMiddle) {
    Image flat = Solid(1200, 600, MakeRGB(128, 128, 128));
    for (int y = 0; y < 600; ++y) {  // faint marks on the middle crop's first and last columns
        flat.SetPixel(100, y, MakeRGB(130, 130, 130));
        flat.SetPixel(1099, y, MakeRGB(126, 126, 126));
    }
    Image out = ComposeFitted(flat, {1000, 600}, PictureFit::Fill, 0);
    ASSERT_TRUE(out.IsValid());
    EXPECT_EQ(RedOf(out.Pixel(0, 300)), 130);
    EXPECT_EQ(RedOf(out.Pixel(999, 300)), 126);
    // Evenly textured: a checkerboard, and grain.
    Image checker = Image::Create24(2000, 1000);
    Checker(checker, Rect{0, 0, 2000, 1000}, 32);
    EXPECT_EQ(CropFor(checker, {1600, 1000}).left, 200);
    Image grain = Image::Create24(1000, 3001);
    uint32_t s = 1;
    for (int y = 0; y < 3001; ++y)
        for (int x = 0; x < 1000; ++x) {
            s = s * 1103515245u + 12345u;
            grain.SetPixel(x, y, MakeRGB(s >> 24, s >> 16, s >> 8));
        }
    EXPECT_EQ(CropFor(grain, {1000, 1000}).top, 1000);
}

// Colour alone is no subject: a flat deep-blue sky over plain ground is cut
// in the middle, and a detailed subject low under it stays whole; a smooth
// skin-toned patch near an edge is one.
TEST(PictureFit, FlatColourIsNoSubjectButSkinIs) {
    auto sky = [](bool bHouse) {
        Image img = Solid(3000, 2000, MakeRGB(110, 100, 90));  // plain ground
        for (int y = 0; y < 900; ++y)
            for (int x = 0; x < 3000; ++x) img.SetPixel(x, y, MakeRGB(20, 60, 220));
        if (bHouse) Checker(img, Rect{1200, 1250, 1800, 1800}, 25);
        return img;
    };
    // Filling 1920 x 1080 keeps 3000 x 1688 of it: the middle crop starts at (2000 - 1688) / 2 = 156.
    EXPECT_EQ(CropFor(sky(false), {1920, 1080}).top, 156);
    const Rect c = CropFor(sky(true), {1920, 1080});
    EXPECT_EQ(c.Height(), 1688);
    EXPECT_GE(c.bottom, 1800);
    Image gradient = Image::Create24(3000, 2000);
    for (int y = 0; y < 2000; ++y)
        for (int x = 0; x < 3000; ++x) gradient.SetPixel(x, y, MakeRGB(10, 40, 120 + y / 20));
    EXPECT_EQ(CropFor(gradient, {1920, 1080}).top, 156);
    // A skin-toned disc with a soft edge near the left of a grey picture.
    Image face = Solid(2000, 1000, MakeRGB(128, 128, 128));
    for (int y = 0; y < 1000; ++y)
        for (int x = 0; x < 400; ++x) {
            const int d2 = (x - 130) * (x - 130) + (y - 500) * (y - 500);
            if (d2 < 110 * 110) face.SetPixel(x, y, MakeRGB(200, 140, 110));
        }
    const Rect f = CropFor(face, {1600, 1000});
    EXPECT_LE(f.left, 20);
}

TEST(PictureFit, CropNeverLeavesThePicture) {
    const Size pictures[] = {{10001, 97}, {97, 10001}, {1, 1}, {3, 2000}, {2000, 3}, {1023, 767}, {641, 1281}};
    const Size areas[] = {{1920, 1080}, {1080, 1920}, {1366, 768}, {7, 5}};
    for (Size p : pictures) {
        Image img = Solid(p.cx, p.cy, MakeRGB(90, 90, 90));
        Checker(img, Rect{p.cx - std::min(p.cx, 40), p.cy - std::min(p.cy, 40), p.cx, p.cy}, 4);  // far corner
        for (Size a : areas) {
            const Rect c = CropFor(img, a);
            EXPECT_TRUE(c.left >= 0 && c.top >= 0 && c.right <= p.cx && c.bottom <= p.cy && !c.IsEmpty())
                << p.cx << "x" << p.cy << " on " << a.cx << "x" << a.cy;
            if (a.cx > 1000) continue;
            Image out = ComposeFitted(img, a, PictureFit::Fill, 0);
            EXPECT_TRUE(out.IsValid() && out.Width() == a.cx && out.Height() == a.cy);
        }
    }
    EXPECT_FALSE(ComposeFitted(Image(), {100, 100}, PictureFit::Fill, 0).IsValid());
    EXPECT_FALSE(ComposeFitted(Solid(10, 10, 0), {0, 100}, PictureFit::Fit, 0).IsValid());
}

TEST(PictureFit, FitKeepsACircleRoundAndWhole) {
    // A black disc of diameter 500 on a white 600 x 900 portrait. On 1024 x 768
    // the picture becomes 512 x 768 at x = 256, the disc 426.7 pixels across.
    Image img = Solid(600, 900, kWhite);
    for (int y = 0; y < 900; ++y)
        for (int x = 0; x < 600; ++x)
            if ((x - 300) * (x - 300) + (y - 450) * (y - 450) <= 250 * 250) img.SetPixel(x, y, kBlack);
    const Color bg = MakeRGB(255, 0, 255);
    for (PictureFit m : {PictureFit::Fit, PictureFit::FitBlurred, PictureFit::Automatic}) {
        Image out = ComposeFitted(img, {1024, 768}, m, bg);
        ASSERT_TRUE(out.IsValid());
        int x0 = 1024, x1 = -1, y0 = 768, y1 = -1;
        for (int y = 0; y < 768; ++y)
            for (int x = 256; x < 768; ++x)
                if (RedOf(out.Pixel(x, y)) < 128) x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
        EXPECT_NEAR(x1 - x0 + 1, 427, 2);
        EXPECT_NEAR(y1 - y0 + 1, 427, 2);
        EXPECT_NEAR((x0 + x1) / 2, 512, 1);
        EXPECT_EQ(out.Pixel(256, 0), kWhite);  // the picture's corners are shown
        EXPECT_EQ(out.Pixel(767, 767), kWhite);
        if (m == PictureFit::Fit) {
            EXPECT_EQ(out.Pixel(255, 0), bg);
            EXPECT_EQ(out.Pixel(768, 767), bg);
        }
    }
}

TEST(PictureFit, BlurredBackdropIsSoftDarkAndNotTheBackground) {
    Image img = Image::Create24(600, 900);
    Checker(img, Rect{0, 0, 600, 900}, 30);
    const Color bg = MakeRGB(255, 0, 255);
    Image out = ComposeFitted(img, {1024, 768}, PictureFit::FitBlurred, bg);
    ASSERT_TRUE(out.IsValid());
    int64_t sum = 0;
    int worst = 0, count = 0;
    for (int y = 0; y < 768; ++y)
        for (int side : {0, 768})
            for (int x = side; x < side + 256; ++x) {
                const Color c = out.Pixel(x, y);
                ASSERT_NE(c, bg);
                if (x + 1 < side + 256) worst = std::max(worst, std::abs(RedOf(c) - RedOf(out.Pixel(x + 1, y))));
                if (y + 1 < 768) worst = std::max(worst, std::abs(RedOf(c) - RedOf(out.Pixel(x, y + 1))));
                sum += RedOf(c);
                ++count;
            }
    EXPECT_LE(worst, 2);  // the picture's own edges jump by 255
    // Half black, half white, darkened to 80 %: about 102.
    EXPECT_NEAR(static_cast<double>(sum) / count, 102.0, 12.0);
}

TEST(PictureFit, StretchAndMatchingShapesAreTodaysStretch) {
    Image img = Image::Create24(1939, 1080);
    Checker(img, Rect{0, 0, 1939, 1080}, 7);
    const Image today = ComposeCentredOrStretched(img, true, {1920, 1080}, 0);
    for (PictureFit m : {PictureFit::Stretch, PictureFit::Fill, PictureFit::FitBlurred, PictureFit::Automatic})
        EXPECT_TRUE(ComposeFitted(img, {1920, 1080}, m, 0).Block() == today.Block());
    Image portrait = Image::Create24(300, 400);
    Checker(portrait, Rect{0, 0, 300, 400}, 9);
    EXPECT_TRUE(ComposeFitted(portrait, {640, 480}, PictureFit::Stretch, 0).Block() ==
                ComposeCentredOrStretched(portrait, true, {640, 480}, 0).Block());
}
