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
