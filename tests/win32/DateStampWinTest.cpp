// The date drawn with GDI on composed pictures: through the change pipeline
// onto the screen-sized wallpaper file, and straight onto pictures with
// awkward sizes and settings.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "app/OutputFolder.h"
#include "config/Settings.h"
#include "image/ImageBMP.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "wallpaper/win32/Win32DateStamper.h"
#include "support/SolidImage.h"

using namespace mv;

namespace {

// The smallest rectangle holding every pixel for which keep() is true.
struct Box {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;  // right, bottom exclusive
    int count = 0;
    bool Empty() const { return count == 0; }
};
template <class F>
Box FindPixels(const Image& img, F keep) {
    Box b;
    for (int y = 0; y < img.Height(); ++y)
        for (int x = 0; x < img.Width(); ++x)
            if (keep(img.Pixel(x, y))) {
                b.left = std::min(b.left, x);
                b.top = std::min(b.top, y);
                b.right = std::max(b.right, x + 1);
                b.bottom = std::max(b.bottom, y + 1);
                ++b.count;
            }
    return b;
}

std::tm FixedDay() {
    std::tm when = {};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_wday = 1;
    when.tm_hour = 12;
    return when;
}

struct DateStamp : ::testing::Test {
    Settings settings;
    void SetUp() override {
        settings.ShowDate = true;
        settings.FontName = "Tahoma";
        settings.FontSize = 12;
        settings.Bold = true;
        settings.Position = kDateBottomRight;
        settings.UseTransparentIcons = true;
    }
};

class NoFontStamper : public Win32DateStamper {
public:
    using Win32DateStamper::Win32DateStamper;

protected:
    HFONT CreateDateFont(int) override { return nullptr; }
};

}  // namespace

TEST_F(DateStamp, PipelineDrawsTheDateInTheChosenCornerClearOfTheTaskbar) {
    Win32Registry registry;
    Win32Environment env;
    Win32Desktop desktop;
    Profile profile{registry, "Quorvale", "MurivaneDateStampTest"};

    // A dark red picture, centred on a dark blue desktop; the captions keep
    // IconTextColor (yellow) because a centred picture is not judged.
    const Color kDesk = MakeRGB(20, 30, 90);
    const Color kYellow = MakeRGB(255, 255, 0);
    settings.BackgroundColor = kDesk;
    settings.IconTextColor = kYellow;
    Image pic = Solid(700, 500, MakeRGB(120, 20, 20));  // 45% of a 1024 x 768 screen: centred
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    std::string src = std::string(dir) + "murivane-date-test.bmp";
    ASSERT_TRUE(pic.Save(src));

    Win32DateStamper stamper(settings);
    DefaultChangeSteps steps(settings, registry, desktop, env, nullptr, [] { return false; }, &stamper);
    BackgroundChanger changer(ChangeContext{settings, profile, desktop, env, steps, [] { return false; }, nullptr});
    changer.ChangeBackground(src, "bmp", 0, false, false, false, false);
    registry.DeleteKey(RootKey::CurrentUser, "Software\\Quorvale\\MurivaneDateStampTest\\Config");
    registry.DeleteKey(RootKey::CurrentUser, "Software\\Quorvale\\MurivaneDateStampTest");
    DeleteFileA(src.c_str());
    EXPECT_EQ(changer.LastComposition(), Composition::DatedScreen);

    ImageBMP out(OutputFile(env, kWallpaperFileName));
    ASSERT_TRUE(out.IsValid());
    const Size screen = desktop.ScreenSize();
    ASSERT_EQ(out.Width(), screen.cx);
    ASSERT_EQ(out.Height(), screen.cy);
    ASSERT_TRUE(stamper.LastStamp().bDrawn);

    // The text is yellow and sits in the bottom right corner, above a bottom
    // taskbar (or left of a right one), and nowhere else.
    const Win32DateStamper::Stamp& stamp = stamper.LastStamp();
    const TaskbarInfo bar = Win32DateStamper::QueryTaskbar();
    Box text = FindPixels(out, [&](Color c) { return RedOf(c) > 200 && GreenOf(c) > 200 && BlueOf(c) < 80; });
    ASSERT_FALSE(text.Empty());
    EXPECT_GT(text.count, 100);
    EXPECT_GT(text.left, screen.cx / 2);
    EXPECT_GT(text.top, screen.cy / 2);
    EXPECT_LE(text.right, screen.cx);
    int limitBottom = screen.cy, limitRight = screen.cx;
    if (bar.edge == kEdgeBottom && bar.bottom > bar.top) limitBottom = bar.top;
    if (bar.edge == kEdgeRight && bar.right > bar.left) limitRight = bar.left;
    // The taskbar window itself, which is what covers the desktop.
    HWND hTray = FindWindowA("Shell_TrayWnd", nullptr);
    RECT tray;
    if (hTray && IsWindowVisible(hTray) && GetWindowRect(hTray, &tray)) {
        if (tray.top > screen.cy / 2) limitBottom = std::min<int>(limitBottom, tray.top);
        if (tray.left > screen.cx / 2) limitRight = std::min<int>(limitRight, tray.left);
    }
    EXPECT_LE(text.bottom, limitBottom);
    EXPECT_LE(text.right, limitRight);
    // Where the placement table says: the right end of the text's box close to
    // the right edge of the free area, the baseline above the taskbar.
    TextPoint expected = PlaceDate(kDateBottomRight, screen.cx, screen.cy, stamp.extent.cx, stamp.extent.cy, bar);
    EXPECT_EQ(stamp.point.x, expected.x);
    EXPECT_EQ(stamp.point.y, expected.y);
    EXPECT_GE(text.left, stamp.point.x);
    EXPECT_LE(text.right, stamp.point.x + stamp.extent.cx + 2);
    EXPECT_GE(text.top, stamp.point.y - stamp.extent.ascent);
    EXPECT_LE(text.bottom, stamp.point.y + stamp.extent.descent);
    // The centred picture and the desktop colour are untouched away from the text.
    EXPECT_EQ(out.Pixel(screen.cx / 2, screen.cy / 2), MakeRGB(120, 20, 20));
    EXPECT_EQ(out.Pixel(5, 5), kDesk);
    EXPECT_EQ(out.Pixel(screen.cx - 1, 0), kDesk);
    std::printf("date \"%s\" at (%d,%d), %dx%d, font height %d, taskbar edge %d (%d,%d,%d,%d)\n",
                stamp.sText.c_str(), stamp.point.x, stamp.point.y, stamp.extent.cx, stamp.extent.cy,
                stamp.iFontHeight, bar.edge, bar.left, bar.top, bar.right, bar.bottom);
}

TEST_F(DateStamp, TextAndFontFollowTheSettings) {
    // 12 points at the screen's resolution, the local long date with a space each side.
    Win32DateStamper stamper(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image img = Solid(640, 480, MakeRGB(10, 10, 10));
    stamper.StampDate(img, kWhite);
    const auto& s = stamper.LastStamp();
    ASSERT_TRUE(s.bDrawn);
    HDC hdc = GetDC(nullptr);
    int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
    ReleaseDC(nullptr, hdc);
    EXPECT_EQ(s.iFontHeight, -((12 * dpi) / 60));
    EXPECT_EQ(s.sText.front(), ' ');
    EXPECT_EQ(s.sText.back(), ' ');
    EXPECT_NE(s.sText.find("2026"), std::string::npos) << s.sText;
    EXPECT_NE(s.sText.find("December"), std::string::npos) << s.sText;
    // A character height of 19 pixels at 96 dpi gives a line of about that height.
    EXPECT_GE(s.extent.cy, -s.iFontHeight);
    EXPECT_LT(s.extent.cy, -s.iFontHeight * 2);
    // Bottom right with no taskbar: baseline at H - cy / 2.
    EXPECT_EQ(s.point.x, 640 - s.extent.cx);
    EXPECT_EQ(s.point.y, 480 - s.extent.cy / 2);
    Box white = FindPixels(img, [](Color c) { return c == kWhite; });
    ASSERT_FALSE(white.Empty());
    EXPECT_GE(white.left, s.point.x);
    EXPECT_LE(white.bottom, 480);

    // Bold text covers more pixels than regular text of the same size.
    settings.Bold = false;
    Image regular = Solid(640, 480, MakeRGB(10, 10, 10));
    stamper.StampDate(regular, kWhite);
    Box thin = FindPixels(regular, [](Color c) { return RedOf(c) > 128; });
    Box bold = FindPixels(img, [](Color c) { return RedOf(c) > 128; });
    EXPECT_GT(bold.count, thin.count);

    // Top left with the taskbar on the left: starts right of it.
    settings.Position = kDateTopLeft;
    Win32DateStamper left(settings, [] { return TaskbarInfo{kEdgeLeft, 0, 0, 60, 480}; }, FixedDay);
    Image img2 = Solid(640, 480, MakeRGB(10, 10, 10));
    left.StampDate(img2, kWhite);
    EXPECT_EQ(left.LastStamp().point.x, 60);
    EXPECT_EQ(left.LastStamp().point.y, left.LastStamp().extent.cy);
    Box b2 = FindPixels(img2, [](Color c) { return RedOf(c) > 128; });
    ASSERT_FALSE(b2.Empty());
    EXPECT_GE(b2.left, 60);
    EXPECT_LT(b2.top, left.LastStamp().extent.cy);
}

TEST_F(DateStamp, OpaqueBoxInTheBackgroundColour) {
    settings.UseTransparentIcons = false;
    settings.BackgroundColor = MakeRGB(200, 0, 0);
    settings.Position = kDateTopLeft;
    Win32DateStamper stamper(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image img = Solid(500, 120, MakeRGB(0, 90, 0));
    stamper.StampDate(img, kWhite);
    const auto& s = stamper.LastStamp();
    ASSERT_TRUE(s.bDrawn);
    // The box covers the whole text cell, including the leading space.
    Box box = FindPixels(img, [](Color c) { return c == MakeRGB(200, 0, 0); });
    ASSERT_FALSE(box.Empty());
    EXPECT_EQ(box.left, 0);
    EXPECT_EQ(box.top, s.point.y - s.extent.ascent);
    EXPECT_GE(box.right, s.extent.cx - 2);
    EXPECT_EQ(img.Pixel(1, s.point.y - 2), MakeRGB(200, 0, 0));  // the space before the words
    EXPECT_EQ(img.Pixel(499, 119), MakeRGB(0, 90, 0));
    // Transparent: the picture shows between the letters.
    settings.UseTransparentIcons = true;
    Image clear = Solid(500, 120, MakeRGB(0, 90, 0));
    stamper.StampDate(clear, kWhite);
    EXPECT_TRUE(FindPixels(clear, [](Color c) { return c == MakeRGB(200, 0, 0); }).Empty());
    EXPECT_EQ(clear.Pixel(1, s.point.y - 2), MakeRGB(0, 90, 0));
}

TEST_F(DateStamp, HandEditedSizesStayReadableAndInsideThePicture) {
    for (uint32_t size : {0u, 5000u, 0xFFFFFFFFu}) {
        for (Size pic : {Size{1024, 768}, Size{120, 40}, Size{16, 8}, Size{1, 1}}) {
            for (uint32_t pos : {0u, 1u, 2u, 3u, 4u, 7u}) {
                settings.FontSize = size;
                settings.Position = pos;
                Win32DateStamper stamper(settings, [] { return TaskbarInfo{kEdgeBottom, 0, 740, 1024, 768}; },
                                         FixedDay);
                Image img = Solid(pic.cx, pic.cy, kBlack);
                const size_t bytes = img.Block().size();
                stamper.StampDate(img, kWhite);
                ASSERT_EQ(img.Block().size(), bytes);
                const auto& s = stamper.LastStamp();
                SCOPED_TRACE(testing::Message() << size << " " << pic.cx << "x" << pic.cy << " pos " << pos);
                ASSERT_TRUE(s.bDrawn);
                EXPECT_GE(s.point.x, 0);
                if (s.extent.cx <= pic.cx) {
                    EXPECT_LE(s.point.x + s.extent.cx, pic.cx);
                }
                if (s.extent.cy <= pic.cy) {
                    EXPECT_GE(s.point.y - s.extent.ascent, 0);
                    EXPECT_LE(s.point.y + s.extent.descent, pic.cy);
                }
                if (pic.cx >= 120) {
                    // Big enough for text: the whole date fits and is drawn.
                    EXPECT_LE(s.extent.cx, pic.cx);
                    EXPECT_LE(s.extent.cy, pic.cy);
                    EXPECT_FALSE(FindPixels(img, [](Color c) { return c == kWhite; }).Empty());
                }
            }
        }
    }
    // 0 and 5000 are read as the Date page's smallest and largest sizes.
    settings.Position = kDateCentred;
    settings.FontSize = 0;
    Win32DateStamper small(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image img = Solid(1024, 768, kBlack);
    small.StampDate(img, kWhite);
    settings.FontSize = 8;
    Win32DateStamper eight(settings, [] { return TaskbarInfo{}; }, FixedDay);
    eight.StampDate(img, kWhite);
    EXPECT_EQ(small.LastStamp().iFontHeight, eight.LastStamp().iFontHeight);
    EXPECT_LT(small.LastStamp().iFontHeight, 0);
    settings.FontSize = 5000;
    Win32DateStamper large(settings, [] { return TaskbarInfo{}; }, FixedDay);
    large.StampDate(img, kWhite);
    settings.FontSize = 72;
    Win32DateStamper seventyTwo(settings, [] { return TaskbarInfo{}; }, FixedDay);
    seventyTwo.StampDate(img, kWhite);
    EXPECT_EQ(large.LastStamp().iFontHeight, seventyTwo.LastStamp().iFontHeight);
}

TEST_F(DateStamp, NothingIsDrawnWithoutAFontOrAPicture) {
    NoFontStamper stamper(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image img = Solid(320, 200, MakeRGB(1, 2, 3));
    const std::vector<uint8_t> before = img.Block();
    stamper.StampDate(img, kWhite);
    EXPECT_FALSE(stamper.LastStamp().bDrawn);
    EXPECT_EQ(img.Block(), before);

    Win32DateStamper real(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image none;
    real.StampDate(none, kWhite);
    EXPECT_FALSE(real.LastStamp().bDrawn);
    // Only 24-bit pictures are stamped.
    Image eight = Image::Create24(0, 0);
    real.StampDate(eight, kWhite);
    EXPECT_FALSE(real.LastStamp().bDrawn);
}

TEST_F(DateStamp, AFontNobodyHasStillGivesADate) {
    // The font mapper picks a stand-in for a face that is not installed.
    settings.FontName = "No Such Typeface At All, Really, Not One";
    settings.Position = kDateCentred;
    Win32DateStamper stamper(settings, [] { return TaskbarInfo{}; }, FixedDay);
    Image img = Solid(400, 100, kBlack);
    stamper.StampDate(img, kWhite);
    EXPECT_TRUE(stamper.LastStamp().bDrawn);
    EXPECT_FALSE(FindPixels(img, [](Color c) { return c == kWhite; }).Empty());
}
