#include <gtest/gtest.h>

#include "ui/PreviewRules.h"
#include "wallpaper/BackgroundChanger.h"

using namespace mv;

TEST(PreviewRules, ShareLayoutExtensionAndFit) {
    EXPECT_EQ(ScreenSharePercent(640, 480, 800, 600), 64);
    EXPECT_EQ(ScreenSharePercent(1, 1, 0, 600), -1);
    // Strict thresholds; tiling wins over stretching.
    EXPECT_EQ(SuggestedLayout(40, 40, 90, false), PreviewLayout::Centered);
    EXPECT_EQ(SuggestedLayout(39, 40, 90, true), PreviewLayout::TiledSeamlessly);
    EXPECT_EQ(SuggestedLayout(95, 100, 90, false), PreviewLayout::Tiled);
    EXPECT_EQ(SuggestedLayout(90, 40, 90, false), PreviewLayout::Centered);
    EXPECT_EQ(SuggestedLayout(91, 40, 90, false), PreviewLayout::Stretched);
    // A file without extension goes to the JPEG decoder.
    EXPECT_EQ(PreviewExtension("c:\\pics\\noext"), "");
    EXPECT_EQ(DecoderForExtension(PreviewExtension("c:\\pics\\noext")), DecoderKind::Jpeg);
    EXPECT_EQ(DecoderForExtension(PreviewExtension("a.Bmp")), DecoderKind::Bmp);
    int w = 0, h = 0;
    FitPreview(100, 50, 300, 200, w, h);  // never enlarged
    EXPECT_EQ(w * 1000 + h, 100050);
    FitPreview(1000, 500, 300, 200, w, h);  // wide: width first
    EXPECT_EQ(w * 1000 + h, 300150);
    FitPreview(1000, 900, 300, 200, w, h);  // the shorter side then limits
    EXPECT_EQ(w * 1000 + h, 222200);
    FitPreview(500, 1000, 300, 200, w, h);  // tall: height first
    EXPECT_EQ(w * 1000 + h, 100200);
    FitPreview(30000, 1, 300, 200, w, h);  // a thin panorama keeps a line
    EXPECT_EQ(w * 1000 + h, 300001);
    FitPreview(1, 30000, 300, 200, w, h);
    EXPECT_EQ(w * 1000 + h, 1200);
}

// The preview shows a stretched picture as the wallpaper places it. A
// 600 x 800 portrait on 1024 x 768 would lose 44 % of itself to a fill
// (0.75 / 1.333 = 0.5625 of it kept), so automatic fits it over a blurred
// copy; a 4:3 picture on a 16:10 screen keeps 83 % and is filled.
TEST(PreviewRules, StretchedPicturesShowAsTheyWillBePlaced) {
    EXPECT_EQ(PreviewFit(600, 800, 1024, 768, true, 4), PictureFit::FitBlurred);
    EXPECT_EQ(PreviewFit(1200, 900, 1440, 900, true, 4), PictureFit::Fill);
    EXPECT_EQ(PreviewFit(600, 800, 1024, 768, true, 99), PictureFit::FitBlurred);  // out of range: automatic
    EXPECT_EQ(PreviewFit(600, 800, 1024, 768, true, 2), PictureFit::Fit);
    EXPECT_EQ(PreviewFit(600, 800, 1024, 768, true, 0), PictureFit::Stretch);
    EXPECT_EQ(PreviewFit(600, 800, 1024, 768, false, 3), PictureFit::Stretch);  // centred or tiled: as always
    EXPECT_EQ(PreviewFit(1030, 768, 1024, 768, true, 1), PictureFit::Stretch);  // shape within 1 %
}
