#include <gtest/gtest.h>

#include <filesystem>

#include "config/Registry.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/TempDir.h"
#include "wallpaper/Apply.h"

using namespace mv;

namespace {
struct FakeActiveDesktop : ActiveDesktop {
    std::vector<std::string> calls;
    int style = -1;
    void SetWallpaper(const std::string& s) override { calls.push_back("SetWallpaper " + s); }
    void SetWallpaperOptions(int s) override {
        style = s;
        calls.push_back("SetWallpaperOptions");
    }
    void ApplyChanges(unsigned f) override { calls.push_back("ApplyChanges " + std::to_string(f)); }
};

std::string Raw(MemoryRegistry& store, const char* key, const char* name) {
    RegData d;
    if (store.Query(RootKey::CurrentUser, key, name, 4096, d) != kRegOk) return "<none>";
    EXPECT_EQ(d.type, kRegSz);
    EXPECT_FALSE(d.bytes.empty());
    EXPECT_EQ(d.bytes.back(), 0) << "desktop strings keep their terminating zero";
    return std::string(d.bytes.begin(), d.bytes.end() - 1);
}
}  // namespace

TEST(Apply, ClassicRouteWritesTheDesktopValues) {
    MemoryRegistry store;
    MemoryDesktop desktop;
    ApplyWallpaper(store, desktop, nullptr, false, "C:\\Windows\\Murivane.bmp", 1, 0);
    EXPECT_EQ(Raw(store, kDesktopKey, "Wallpaper"), "C:\\Windows\\Murivane.bmp");
    EXPECT_EQ(Raw(store, kDesktopKey, "TileWallpaper"), "1");
    EXPECT_EQ(Raw(store, kDesktopKey, "WallpaperStyle"), "0");
    ASSERT_EQ(desktop.wallpapers.size(), 1u);
    ApplyWallpaper(store, desktop, nullptr, false, "C:\\x.bmp", 0, 2);
    EXPECT_EQ(Raw(store, kDesktopKey, "TileWallpaper"), "0");
    EXPECT_EQ(Raw(store, kDesktopKey, "WallpaperStyle"), "2");
}

TEST(Apply, ActiveDesktopRouteSkipsTheClassicValues) {
    MemoryRegistry store;
    MemoryDesktop desktop;
    FakeActiveDesktop ad;
    ApplyWallpaper(store, desktop, &ad, true, "C:\\p\\a.gif", 1, 0);
    EXPECT_EQ(Raw(store, kDesktopKey, "Wallpaper"), "C:\\p\\a.gif");
    EXPECT_EQ(Raw(store, kDesktopKey, "TileWallpaper"), "<none>");
    EXPECT_EQ(ad.style, kWpStyleTile);
    EXPECT_EQ(ad.calls, (std::vector<std::string>{"SetWallpaper C:\\p\\a.gif", "SetWallpaperOptions", "ApplyChanges 13"}));
    EXPECT_TRUE(desktop.wallpapers.empty());
    EXPECT_EQ(ActiveDesktopStyleFor(0, 2), kWpStyleStretch);
    EXPECT_EQ(ActiveDesktopStyleFor(0, 0), kWpStyleCenter);
    EXPECT_EQ(ActiveDesktopStyleFor(1, 2), kWpStyleTile);
    // An object without Active Desktop in use: the classic route.
    FakeActiveDesktop unused;
    ApplyWallpaper(store, desktop, &unused, false, "C:\\b.bmp", 0, 0);
    EXPECT_TRUE(unused.calls.empty());
    EXPECT_EQ(Raw(store, kDesktopKey, "TileWallpaper"), "0");
}

TEST(Apply, BackgroundColourOnlyWhenItChanges) {
    MemoryRegistry store;
    MemoryDesktop desktop;
    desktop.background = 0x001E140A;
    ApplyBackgroundColor(store, desktop, 0x001E140A);
    EXPECT_EQ(desktop.backgroundSets, 0);
    EXPECT_EQ(Raw(store, kColorsKey, "Background"), "<none>");
    ApplyBackgroundColor(store, desktop, 0xFF000000 | MakeRGB(10, 20, 31));
    EXPECT_EQ(desktop.backgroundSets, 1);
    EXPECT_EQ(desktop.background, MakeRGB(10, 20, 31));
    EXPECT_EQ(Raw(store, kColorsKey, "Background"), "10 20 31");
}

TEST(Apply, WallpaperFileIsReplacedWholeOrNotAtAll) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    const std::string target = dir.Path() + "\\Murivane.bmp";
    Image img = Image::Create24(1024, 768);
    ASSERT_TRUE(WriteWallpaperFile(env, img, target));
    std::vector<uint8_t> bytes = dir.ReadFile("Murivane.bmp");
    ASSERT_EQ(bytes.size(), 2359350u);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(bytes[10], 54);
    EXPECT_EQ(bytes[2] | (bytes[3] << 8) | (bytes[4] << 16) | (bytes[5] << 24), 2359350);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);  // no temporary file left
    EXPECT_NE(UniqueTempPath(target), UniqueTempPath(target));
    // An invalid picture leaves the previous file alone.
    EXPECT_FALSE(WriteWallpaperFile(env, Image(), target));
    EXPECT_EQ(dir.ReadFile("Murivane.bmp").size(), 2359350u);
    // An unwritable place fails and leaves nothing behind.
    EXPECT_FALSE(WriteWallpaperFile(env, img, dir.Path() + "\\missing\\Murivane.bmp"));
}
