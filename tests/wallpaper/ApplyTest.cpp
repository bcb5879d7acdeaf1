#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "config/Registry.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "platform/portable/PosixFileOps.h"
#include "shell/KeptFractals.h"
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

namespace {
// The system's steps, each one noted; the disk fills up at the chosen write.
struct NotedDisk : FileOps {
    PosixFileOps& real = PosixFileOps::Instance();
    std::vector<std::string> steps;
    int fullAtWrite = -1, writes = 0;
    Handle CreateTemp(const std::string& p, std::string& t) override {
        steps.push_back("create");
        return real.CreateTemp(p, t);
    }
    bool Write(Handle h, const char* d, size_t n) override {
        if (steps.back() != "write") steps.push_back("write");
        if (writes++ == fullAtWrite) {
            errno = ENOSPC;
            return false;
        }
        return real.Write(h, d, n);
    }
    bool Sync(Handle h) override {
        steps.push_back("sync");
        return real.Sync(h);
    }
    bool Close(Handle h) override {
        steps.push_back("close");
        return real.Close(h);
    }
    bool Replace(const std::string& t, const std::string& p) override {
        steps.push_back("replace");
        return real.Replace(t, p);
    }
    bool ReplaceNothing(const std::string& t, const std::string& p) override {
        steps.push_back("replace nothing");
        return real.ReplaceNothing(t, p);
    }
    void Remove(const std::string& p) override { real.Remove(p); }
    bool Locked(const std::string& p, const std::function<bool()>& fn) override { return real.Locked(p, fn); }
};
using Steps = std::vector<std::string>;
}  // namespace

// The wallpaper and a kept fractal are saved the one way every whole file
// is: written beside, flushed to the disk, closed, then put in place (a kept
// picture never over an existing file).
TEST(Apply, WallpaperAndKeptPicturesAreFlushedBeforeTheyTakeTheirPlace) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    NotedDisk disk;
    env.UseFiles(&disk);
    ASSERT_TRUE(WriteWallpaperFile(env, Image::Create24(640, 480), dir.Path() + "\\Murivane.bmp"));
    EXPECT_EQ(disk.steps, (Steps{"create", "write", "sync", "close", "replace"}));
    EXPECT_EQ(dir.ReadFile("Murivane.bmp").size(), 54u + 640u * 3u * 480u);

    FractalRecipe recipe;
    recipe.paletteSeed = 3;
    recipe.fractalSeed = 4;
    recipe.size = Size{16, 12};
    recipe.weights = {60, 25, 60, 25, 15, 15, 20, 30, 30, 20, 15, 20};
    const std::string sKept = dir.Path() + "/" + kKeptFractalsFolder;
    std::filesystem::create_directory(sKept);
    std::ofstream(sKept + "/Fractal 3-4.png") << "the user's own";
    disk.steps.clear();
    const std::vector<std::string> saved = KeepFractals(env, dir.Path(), {recipe});
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved.front(), dir.Path() + "\\" + kKeptFractalsFolder + "\\Fractal 3-4 (2).png");
    EXPECT_EQ(disk.steps, (Steps{"create", "write", "sync", "close", "replace nothing", "replace nothing"}));
    std::ifstream own(sKept + "/Fractal 3-4.png");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(own), {}), "the user's own");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sKept), {}), 2);
}

// The disk full at each write of the wallpaper in turn: the shown file stays
// whole, the write says it failed, and no temporary file is left.
TEST(Apply, ADiskFullAtAnyWriteKeepsTheShownWallpaper) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    const std::string target = dir.Path() + "\\Murivane.bmp";
    Image shown = Image::Create24(64, 48);
    shown.SetPixel(0, 0, MakeRGB(1, 2, 3));
    ASSERT_TRUE(WriteWallpaperFile(env, shown, target));
    const std::vector<uint8_t> before = dir.ReadFile("Murivane.bmp");
    const Image next = Image::Create24(1024, 768);  // several pieces
    int fullAt = 0;
    for (;; ++fullAt) {
        SCOPED_TRACE(testing::Message() << "disk full at write " << fullAt);
        NotedDisk disk;
        disk.fullAtWrite = fullAt;
        env.UseFiles(&disk);
        const bool bWritten = WriteWallpaperFile(env, next, target);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 1);
        if (disk.writes <= fullAt) {
            EXPECT_TRUE(bWritten);
            break;
        }
        EXPECT_FALSE(bWritten);
        ASSERT_TRUE(dir.ReadFile("Murivane.bmp") == before);
    }
    // 14 + 40 + 1024 * 768 * 3 bytes in 64 KiB pieces, the header first.
    EXPECT_EQ(fullAt, 1 + (40 + 1024 * 768 * 3 + 65535) / 65536);
    EXPECT_EQ(dir.ReadFile("Murivane.bmp").size(), 54u + 1024u * 768u * 3u);
}
