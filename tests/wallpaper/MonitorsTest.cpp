// Several monitors: where each monitor's part of the one bitmap lies in both
// arrangements the shell offers, and a whole change through the real steps.
#include <gtest/gtest.h>

#include "app/OutputFolder.h"
#include "image/ImageBMP.h"
#include "image/TestPictures.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/AllocationGate.h"
#include "support/TempDir.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/Compose.h"
#include "wallpaper/DefaultChangeSteps.h"

using namespace mv;

namespace {

Monitor MakeMonitor(int left, int top, int w, int h, bool bPrimary = false, int taskbar = 0) {
    Monitor m;
    m.rect = {left, top, left + w, top + h};
    m.work = {left, top, left + w, top + h - taskbar};
    m.bPrimary = bPrimary;
    return m;
}

// A landscape primary, a portrait monitor on its right and a larger
// landscape one on its left at negative x (a tenth of 1920x1080,
// 1080x1920 and 2560x1440), with a gap under the primary.
MonitorLayout ThreeMonitors() {
    MonitorLayout l;
    l.monitors = {MakeMonitor(0, 0, 192, 108, true, 8), MakeMonitor(192, 0, 108, 192), MakeMonitor(-256, 0, 256, 144)};
    return l;
}

// A primary with a monitor above it that reaches left of the primary's
// origin, and one right of it lower down.
MonitorLayout MonitorsAboveAndAcross() {
    MonitorLayout l;
    l.monitors = {MakeMonitor(-40, -96, 128, 96), MakeMonitor(0, 0, 102, 76, true), MakeMonitor(102, 30, 60, 80)};
    return l;
}

Color Encode(int vx, int vy) { return static_cast<Color>(((vx + 2048) & 0xFFF) | (((vy + 2048) & 0xFFF) << 12)); }

// Where each monitor's part lies in the bitmap, worked out by hand from the
// shell's documented layouts. Spanned, the bitmap covers the bounding
// rectangle (here exactly its size, so unscaled): a point shows the bitmap's
// pixel at its offset from the rectangle's top-left. Tiled, the bitmap's
// top-left lies on the primary monitor's top-left (0, 0) and repeats in
// every direction: a point left of or above it shows the bitmap's right or
// bottom end.
struct Part {
    Rect screen;  // a piece of a monitor, in virtual-screen coordinates
    Point pixel;  // the bitmap pixel shown at its top-left corner
};

struct HandLayout {
    MonitorLayout layout;
    std::vector<Part> span, tiled;
};

std::vector<HandLayout> HandWorkedLayouts() {
    // Bounds (-256, 0) - (300, 192): a 556 x 192 bitmap. Tiled, the left
    // monitor's x -256..-1 are 300..555 of the bitmap.
    HandLayout three{ThreeMonitors(),
                     {{{0, 0, 192, 108}, {256, 0}}, {{192, 0, 300, 192}, {448, 0}}, {{-256, 0, 0, 144}, {0, 0}}},
                     {{{0, 0, 192, 108}, {0, 0}}, {{192, 0, 300, 192}, {192, 0}}, {{-256, 0, 0, 144}, {300, 0}}}};
    // Bounds (-40, -96) - (162, 110): a 202 x 206 bitmap. Tiled, the monitor
    // above shows rows 110..205 (its y -96..-1), and columns 162..201 left of
    // x 0 but 0..87 right of it: two pieces.
    HandLayout above{MonitorsAboveAndAcross(),
                     {{{-40, -96, 88, 0}, {0, 0}}, {{0, 0, 102, 76}, {40, 96}}, {{102, 30, 162, 110}, {142, 126}}},
                     {{{-40, -96, 0, 0}, {162, 110}},
                      {{0, -96, 88, 0}, {0, 110}},
                      {{0, 0, 102, 76}, {0, 0}},
                      {{102, 30, 162, 110}, {102, 30}}}};
    return {three, above};
}

}  // namespace

TEST(MonitorLayoutTest, BothArrangementsShowEachMonitorItsOwnPart) {
    for (const HandLayout& hand : HandWorkedLayouts()) {
        const MonitorLayout& layout = hand.layout;
        const Rect b = layout.Bounds();
        const Point origin{layout.Primary().rect.left, layout.Primary().rect.top};
        ASSERT_EQ(origin, (Point{0, 0}));
        for (WallpaperArrangement arrangement : {WallpaperArrangement::Span, WallpaperArrangement::TiledFromPrimary}) {
            // Each canvas pixel holds its own virtual-screen point.
            Image canvas = Image::Create24(b.Width(), b.Height());
            for (int y = 0; y < b.Height(); ++y)
                for (int x = 0; x < b.Width(); ++x) canvas.SetPixel(x, y, Encode(x + b.left, y + b.top));
            const Image original = canvas;
            ArrangeForShell(canvas, b, origin, arrangement);
            const std::vector<Part>& parts = arrangement == WallpaperArrangement::Span ? hand.span : hand.tiled;
            int wrong = 0, area = 0;
            for (const Part& part : parts)
                for (int vy = part.screen.top; vy < part.screen.bottom; ++vy)
                    for (int vx = part.screen.left; vx < part.screen.right; ++vx, ++area)
                        if (canvas.Pixel(part.pixel.x + vx - part.screen.left, part.pixel.y + vy - part.screen.top) !=
                            Encode(vx, vy))
                            ++wrong;
            int monitorArea = 0;
            for (const Monitor& m : layout.monitors) monitorArea += m.rect.Width() * m.rect.Height();
            EXPECT_EQ(area, monitorArea);  // the parts cover every monitor
            EXPECT_EQ(wrong, 0) << static_cast<int>(arrangement);
            UnarrangeForShell(canvas, b, origin, arrangement);
            EXPECT_EQ(canvas.Block(), original.Block());
        }
    }
    EXPECT_EQ(ArrangementFor(6, 1), WallpaperArrangement::TiledFromPrimary);
    EXPECT_EQ(ArrangementFor(6, 2), WallpaperArrangement::Span);
    EXPECT_EQ(ArrangementFor(10, 0), WallpaperArrangement::Span);
}

namespace {

struct MonitorChange : ::testing::Test {
    test::TempDir dir;
    MemoryRegistry store;
    Profile profile{store, "Quorvale", "Murivane"};
    MemoryDesktop desktop;
    PortableEnvironment env{dir.Path()};
    Settings settings;
    std::unique_ptr<DefaultChangeSteps> steps;

    MonitorChange() {
        settings.BackgroundColor = 0x00404040;
        settings.ChooseIconColor = true;
        settings.CreateSeamless = false;
        desktop.screen = {192, 108};
        desktop.monitors = ThreeMonitors();
        steps = std::make_unique<DefaultChangeSteps>(settings, store, desktop, env, nullptr, [] { return false; });
    }
    std::string Picture(const std::string& name, int w, int h, Color c) {
        test::Pixels px;
        px.width = w, px.height = h;
        for (int i = 0; i < w * h; ++i) px.data.insert(px.data.end(), {uint8_t(RedOf(c)), uint8_t(GreenOf(c)), uint8_t(BlueOf(c))});
        std::vector<uint8_t> bytes;
        if (name.size() > 4 && name.substr(name.size() - 4) == ".png") bytes = test::EncodePng(px, 2);
        else if (name.size() > 4 && name.substr(name.size() - 4) == ".jpg") bytes = test::EncodeJpeg(px, 95);
        else {
            test::BmpLayout bmp;
            bmp.width = w, bmp.height = h, bmp.bits = test::BmpRows24(px);
            bytes = test::MakeBmp(bmp);
        }
        const std::string path = dir.File(name);
        EXPECT_TRUE(test::WriteBytes(path, bytes));
        return path;
    }
    void Change(const std::vector<MonitorPicture>& pictures, WallpaperArrangement arrangement, bool bAcross = false) {
        BackgroundChanger changer(
            ChangeContext{settings, profile, desktop, env, *steps, [] { return false; }, nullptr});
        changer.ChangeBackgroundMonitors(desktop.monitors, bAcross, pictures, arrangement);
    }
    Image Written() { return ImageBMP(dir.Path() + "\\Murivane.bmp"); }
    std::string Desktop(const char* name) {
        RegData d;
        if (store.Query(RootKey::CurrentUser, "Control Panel\\Desktop", name, 1024, d) != 0 || d.bytes.empty())
            return "<none>";
        return std::string(d.bytes.begin(), d.bytes.end() - 1);
    }
    // The colour Windows shows at a virtual-screen point of the three
    // monitors, worked out by hand: the bitmap is their bounding rectangle,
    // 556 x 192 from (-256, 0). Spanned it covers the rectangle unscaled, so
    // (vx, vy) shows the bitmap's (vx + 256, vy); tiled, its top-left lies on
    // the primary's (0, 0) and it repeats every 556 pixels, so the monitor
    // left of the primary shows the bitmap's columns 300..555.
    Color Shown(const Image& bmp, int vx, int vy, WallpaperArrangement arrangement) {
        EXPECT_EQ(bmp.Width(), 556);
        EXPECT_EQ(bmp.Height(), 192);
        const int bx = arrangement == WallpaperArrangement::Span ? vx + 256 : (vx < 0 ? vx + 556 : vx);
        return bmp.Pixel(bx, vy);
    }
};

bool Near(Color a, Color b, int tolerance = 6) {
    return std::abs(int(RedOf(a)) - int(RedOf(b))) <= tolerance && std::abs(int(GreenOf(a)) - int(GreenOf(b))) <= tolerance &&
           std::abs(int(BlueOf(a)) - int(BlueOf(b))) <= tolerance;
}

}  // namespace

TEST_F(MonitorChange, EachMonitorShowsItsOwnPictureAndKeepsItWhenAnotherChanges) {
    const Color red = 0x000000E0, green = 0x0000C000, blue = 0x00E00000, yellow = 0x0000E0E0;
    const std::vector<MonitorPicture> pictures = {
        {Picture("wide.jpg", 400, 225, green), "jpg", 0},   // larger than the primary: stretched
        {Picture("tall.png", 90, 160, red), "png", 0},      // 69% of the portrait monitor: stretched
        {Picture("tile.bmp", 16, 16, blue), "bmp", 0}};     // small: tiled over the left monitor
    for (WallpaperArrangement arrangement : {WallpaperArrangement::Span, WallpaperArrangement::TiledFromPrimary}) {
        SCOPED_TRACE(static_cast<int>(arrangement));
        Change(pictures, arrangement);
        Image bmp = Written();
        ASSERT_TRUE(bmp.IsValid());
        EXPECT_EQ(bmp.Width(), 556);
        EXPECT_EQ(bmp.Height(), 192);
        for (int vy : {0, 50, 107}) {
            EXPECT_TRUE(Near(Shown(bmp, 0, vy, arrangement), green));
            EXPECT_TRUE(Near(Shown(bmp, 191, vy, arrangement), green));
            EXPECT_TRUE(Near(Shown(bmp, -256, vy, arrangement), blue));
            EXPECT_TRUE(Near(Shown(bmp, -1, vy, arrangement), blue));
        }
        for (int vy : {0, 100, 191}) EXPECT_TRUE(Near(Shown(bmp, 250, vy, arrangement), red));
        // Under the primary no monitor shows anything: the background colour.
        EXPECT_EQ(Shown(bmp, 100, 150, arrangement), settings.BackgroundColor);
        const bool bSpan = arrangement == WallpaperArrangement::Span;
        EXPECT_EQ(Desktop("WallpaperStyle"), bSpan ? "22" : "0");
        EXPECT_EQ(Desktop("TileWallpaper"), bSpan ? "0" : "1");
        EXPECT_EQ(Desktop("Wallpaper"), dir.Path() + "\\Murivane.bmp");

        // A new picture for the portrait monitor alone: the others keep theirs.
        Change({MonitorPicture(), {Picture("tall2.png", 90, 160, yellow), "png", 0}, MonitorPicture()}, arrangement);
        bmp = Written();
        EXPECT_TRUE(Near(Shown(bmp, 250, 100, arrangement), yellow));
        EXPECT_TRUE(Near(Shown(bmp, 100, 50, arrangement), green));
        EXPECT_TRUE(Near(Shown(bmp, -100, 50, arrangement), blue));
    }
    // One picture across all of them covers the gaps too.
    Change({{Picture("across.jpg", 556, 192, green), "jpg", 0}}, WallpaperArrangement::Span, true);
    Image bmp = Written();
    EXPECT_TRUE(Near(Shown(bmp, 100, 150, WallpaperArrangement::Span), green));
    EXPECT_TRUE(Near(Shown(bmp, -256, 0, WallpaperArrangement::Span), green));
    // A picture that cannot be read anywhere changes nothing.
    const auto before = dir.ReadFile("Murivane.bmp");
    Change({{dir.File("missing.jpg"), "jpg", 0}}, WallpaperArrangement::Span, true);
    EXPECT_EQ(dir.ReadFile("Murivane.bmp"), before);
}

// A primary monitor that keeps its picture while another monitor changes
// keeps its date (stamped once, never over itself) and its captions' colour.
TEST_F(MonitorChange, APrimaryThatKeepsItsPictureIsNotStampedAgain) {
    struct Stamps : DateStamper, IconCaptions {
        int stamps = 0;
        std::vector<Color> captions;
        void StampDate(Image& screen, Color) override {
            screen.SetPixel(stamps++, 0, 0x000000FF);  // one more mark each time
        }
        void ApplyIconTextColor(Color c) override { captions.push_back(c); }
    } seen;
    settings.ShowDate = true;
    settings.IconTextColor = 0x00FFFFFF;
    steps = std::make_unique<DefaultChangeSteps>(settings, store, desktop, env, nullptr, [] { return false; }, &seen,
                                                 &seen);
    const Color light = 0x00F0F0F0;
    Change({{Picture("light.bmp", 192, 108, light), "bmp", 0}, {Picture("a.bmp", 108, 192, 0x00C00000), "bmp", 0},
            MonitorPicture()},
           WallpaperArrangement::Span);
    ASSERT_EQ(seen.stamps, 1);
    ASSERT_EQ(seen.captions.size(), 1u);
    EXPECT_NE(seen.captions[0], settings.IconTextColor);  // chosen for the light picture
    const auto before = Written();

    // The portrait monitor alone, and then a primary picture that cannot be read.
    for (const std::string& sPrimary : {std::string(), dir.File("missing.jpg")}) {
        Change({{sPrimary, "jpg", 0}, {Picture("b.bmp", 108, 192, 0x000000C0), "bmp", 0}, MonitorPicture()},
               WallpaperArrangement::Span);
        EXPECT_EQ(seen.stamps, 1);
        EXPECT_EQ(seen.captions.size(), 1u);
        Image bmp = Written();
        for (int x : {0, 1, 100})
            for (int y : {0, 50})
                EXPECT_EQ(Shown(bmp, x, y, WallpaperArrangement::Span),
                          Shown(before, x, y, WallpaperArrangement::Span));
    }
}

// A wide desktop (three monitors side by side, a tenth of 3840x2160 each)
// holds one bitmap of the whole desktop at a time: one picture across is
// composed into the bitmap itself, each monitor's own picture is copied into
// its part. A bitmap that cannot be made changes nothing and says why.
TEST_F(MonitorChange, AWideDesktopHoldsOneBitmapAtATime) {
    desktop.monitors.monitors = {MakeMonitor(0, 0, 384, 216, true), MakeMonitor(384, 0, 384, 216),
                                 MakeMonitor(768, 0, 384, 216)};
    settings.ShowDate = true;
    const size_t kBitmap = 1152 * 216 * 3;  // rows of 3456 bytes, already a multiple of 4
    const size_t kMonitor = 384 * 216 * 3;
    const Color green = 0x0000C000, red = 0x000000E0;
    const std::vector<MonitorPicture> each = {{Picture("a.jpg", 120, 80, green), "jpg", 0},
                                              {Picture("b.jpg", 120, 80, red), "jpg", 0},
                                              {Picture("c.jpg", 120, 80, green), "jpg", 0}};
    for (bool bAcross : {true, false}) {
        SCOPED_TRACE(bAcross ? "across" : "each monitor");
        size_t peak = 0;
        {
            test::MeasureAllocations measure;
            Change(each, WallpaperArrangement::Span, bAcross);
            peak = measure.Peak();
        }
        const Image bmp = Written();
        ASSERT_TRUE(bmp.IsValid());
        EXPECT_EQ(bmp.ImageSize(), kBitmap);
        // The monitors start at the primary's (0, 0): spanned, the desktop's
        // (500, 100), on the second monitor, is the bitmap's (500, 100).
        EXPECT_TRUE(Near(bmp.Pixel(500, 100), bAcross ? green : red));
        // The bitmap, and at most one monitor's part (its own picture, or
        // the primary's part that gets the date) and the small picture besides.
        EXPECT_LE(peak, kBitmap + kMonitor + (100u << 10)) << peak;
    }

    const std::vector<uint8_t> before = dir.ReadFile("Murivane.bmp");
    for (bool bAcross : {true, false}) {
        SCOPED_TRACE(bAcross ? "across" : "each monitor");
        BackgroundChanger changer(ChangeContext{settings, profile, desktop, env, *steps, [] { return false; }, nullptr});
        {
            test::RefuseLargeAllocations gate(kBitmap - 1);
            changer.ChangeBackgroundMonitors(desktop.monitors, bAcross, each, WallpaperArrangement::Span);
        }
        EXPECT_EQ(changer.LastFailure().rfind("Murivane: not enough memory to show ", 0), 0u) << changer.LastFailure();
        EXPECT_EQ(dir.ReadFile("Murivane.bmp"), before);
    }
}

TEST(MonitorTaskbar, TheWorkAreaTellsWhereTheTaskbarIs) {
    Monitor m = MakeMonitor(-1920, 0, 1920, 1080, false, 40);
    TaskbarInfo t = TaskbarOfMonitor(m);
    EXPECT_EQ(t.edge, kEdgeBottom);
    EXPECT_EQ(t.top, 1040);
    EXPECT_EQ(t.bottom, 1080);
    EXPECT_EQ(t.right, 1920);
    m.work = {-1920 + 60, 0, 0, 1080};
    t = TaskbarOfMonitor(m);
    EXPECT_EQ(t.edge, kEdgeLeft);
    EXPECT_EQ(t.right, 60);
    EXPECT_EQ(TaskbarOfMonitor(MakeMonitor(0, 0, 100, 100)).right, 0);
}

// A picture whose shape differs from its area's keeps its shape there, each
// monitor's area and the area across all monitors alike. Worked out by hand:
// a 108 x 192 portrait on the 192 x 108 primary fitted whole is 61 x 108
// (108 x 108 / 192 = 60.75), columns 65..125; a 400 x 400 square across the
// 556 x 192 rectangle is 192 x 192 at columns 182..373 of the bitmap, the
// virtual screen's x -74..117.
TEST_F(MonitorChange, StretchedPicturesKeepTheirShapeOnEachMonitorAndAcross) {
    const Color red = 0x000000E0;
    settings.PictureFit = 2;  // fit, on the background colour
    const std::string tall = Picture("tall.png", 108, 192, red);
    Change({{tall, "png", 0}, MonitorPicture(), MonitorPicture()}, WallpaperArrangement::Span);
    Image bmp = Written();
    ASSERT_TRUE(bmp.IsValid());
    for (int vx : {0, 63, 127, 191}) EXPECT_EQ(Shown(bmp, vx, 50, WallpaperArrangement::Span), settings.BackgroundColor) << vx;
    for (int vx : {66, 96, 124}) EXPECT_TRUE(Near(Shown(bmp, vx, 50, WallpaperArrangement::Span), red)) << vx;
    for (int vy : {0, 107}) EXPECT_TRUE(Near(Shown(bmp, 96, vy, WallpaperArrangement::Span), red)) << vy;

    const std::string square = Picture("square.png", 400, 400, red);
    Change({{square, "png", 0}}, WallpaperArrangement::Span, true);
    bmp = Written();
    for (int vx : {-256, -76, 119, 299}) EXPECT_EQ(Shown(bmp, vx, 100, WallpaperArrangement::Span), settings.BackgroundColor) << vx;
    for (int vx : {-72, 0, 115}) EXPECT_TRUE(Near(Shown(bmp, vx, 100, WallpaperArrangement::Span), red)) << vx;

    // Automatic: cutting the square to 556 x 192 would lose two thirds of it,
    // so it is fitted over a blurred, darkened copy of itself: the sides are
    // a darker red, not the background colour.
    settings.PictureFit = 4;
    Change({{square, "png", 0}}, WallpaperArrangement::Span, true);
    bmp = Written();
    for (int vx : {-256, 299}) {
        const Color side = Shown(bmp, vx, 100, WallpaperArrangement::Span);
        EXPECT_NE(side, settings.BackgroundColor) << vx;
        EXPECT_GT(RedOf(side), 0x60) << vx;
        EXPECT_LT(RedOf(side), 0xE0) << vx;
        EXPECT_LT(GreenOf(side) + BlueOf(side), 20) << vx;
    }
    EXPECT_TRUE(Near(Shown(bmp, 0, 100, WallpaperArrangement::Span), red));
}
