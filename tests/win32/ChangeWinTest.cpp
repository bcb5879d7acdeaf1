// A picture file handed to the change pipeline becomes the desktop wallpaper
// through Wine's real registry, file system and SystemParametersInfo.
#include <windows.h>

#include <cstdio>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/OutputFolder.h"
#include "config/Settings.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "win32/ProcessHelpers.h"

using namespace mv;
using mv::test::DesktopValue;

namespace {
std::string TempPath(const char* sName) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + sName;
}

struct Change : ::testing::Test {
    Win32Registry registry;
    Win32Environment env;
    Win32Desktop desktop;
    Profile profile{registry, "Quorvale", "MurivaneChangeTest"};
    Settings settings;
    void TearDown() override {
        registry.DeleteKey(RootKey::CurrentUser, "Software\\Quorvale\\MurivaneChangeTest\\Config");
        registry.DeleteKey(RootKey::CurrentUser, "Software\\Quorvale\\MurivaneChangeTest");
    }
    void Run(const std::string& sPath, const std::string& sExt) {
        DefaultChangeSteps steps(settings, registry, desktop, env, nullptr, [] { return false; });
        BackgroundChanger changer(ChangeContext{settings, profile, desktop, env, steps, [] { return false; }, nullptr});
        changer.ChangeBackground(sPath, sExt, 0, false, false, false, false);
    }
};
}  // namespace

TEST_F(Change, BmpBecomesTheWallpaperFile) {
    // A 700 x 500 red picture: centred; with the date on it is composed at screen size.
    Image pic = Image::Create24(700, 500);
    for (int y = 0; y < 500; ++y)
        for (int x = 0; x < 700; ++x) pic.SetPixel(x, y, MakeRGB(200, 30, 30));
    std::string src = TempPath("murivane-change-test.bmp");
    ASSERT_TRUE(pic.Save(src));

    settings.ShowDate = false;
    Run(src, "BMP");
    std::string out = OutputFile(env, kWallpaperFileName);
    EXPECT_EQ(DesktopValue("Wallpaper"), out);
    EXPECT_EQ(DesktopValue("TileWallpaper"), "0");
    EXPECT_EQ(DesktopValue("WallpaperStyle"), "0");
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 14u + 40u + 2100u * 500u);
    char wallpaper[MAX_PATH] = {};
    SystemParametersInfoA(SPI_GETDESKWALLPAPER, MAX_PATH, wallpaper, 0);
    EXPECT_STREQ(wallpaper, out.c_str());
    EXPECT_EQ(profile.GetString("Config", "LastImageShown", ""), src);

    // The same picture with the date: screen-sized.
    settings.ShowDate = true;
    Run(src, "bmp");
    ASSERT_TRUE(GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data));
    Size screen = desktop.ScreenSize();
    EXPECT_EQ(data.nFileSizeLow, 54u + Image::BytesPerRow(screen.cx, 24) * static_cast<uint32_t>(screen.cy));

    // A viewer holding the wallpaper file open for a moment (sharing even
    // its deletion, and still a file Windows will not replace while open):
    // the change waits for it and then replaces the file.
    HANDLE hViewer = CreateFileA(out.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hViewer, INVALID_HANDLE_VALUE);
    std::thread closer([hViewer] {
        Sleep(300);
        CloseHandle(hViewer);
    });
    settings.ShowDate = false;
    Run(src, "bmp");
    closer.join();
    ASSERT_TRUE(GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(data.nFileSizeLow, 14u + 40u + 2100u * 500u) << "the wallpaper was not replaced after the viewer let go";
    DeleteFileA(src.c_str());
}

TEST_F(Change, BrokenPictureLeavesTheDesktopAlone) {
    std::string src = TempPath("murivane-broken.jpg");
    FILE* f = std::fopen(src.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("this is not a picture", f);
    std::fclose(f);
    RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", REG_SZ, "C:\\before.bmp", 14);
    Run(src, "jpg");
    EXPECT_EQ(DesktopValue("Wallpaper"), "C:\\before.bmp");
    EXPECT_EQ(profile.GetString("Config", "LastImageShown", ""), src);
    DeleteFileA(src.c_str());
}

#include "image/TestPictures.h"
#include "win32/Screenshot.h"

namespace {
// A picture of one colour with a darker frame, in the given format.
bool WritePicture(const std::string& sPath, const std::string& sExt, int w, int h, Color c) {
    mv::test::Pixels px;
    px.width = w;
    px.height = h;
    px.channels = 3;
    px.data.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            bool frame = x < 8 || y < 8 || x >= w - 8 || y >= h - 8;
            uint8_t* p = &px.data[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(frame ? RedOf(c) / 2 : RedOf(c));
            p[1] = static_cast<uint8_t>(frame ? GreenOf(c) / 2 : GreenOf(c));
            p[2] = static_cast<uint8_t>(frame ? BlueOf(c) / 2 : BlueOf(c));
        }
    std::vector<uint8_t> bytes;
    if (sExt == "jpg")
        bytes = mv::test::EncodeJpeg(px, 95);
    else if (sExt == "png")
        bytes = mv::test::EncodePng(px, 2);
    else {
        mv::test::BmpLayout layout;
        layout.width = w;
        layout.height = h;
        layout.bits = mv::test::BmpRows24(px);
        bytes = mv::test::MakeBmp(layout);
    }
    return mv::test::WriteBytes(sPath, bytes);
}
}  // namespace

TEST_F(Change, JpegPngAndBmpEachBecomeTheWallpaperOnScreen) {
    struct Case {
        const char* ext;
        Color colour;
    } cases[] = {{"jpg", MakeRGB(220, 40, 40)}, {"png", MakeRGB(40, 200, 60)}, {"bmp", MakeRGB(50, 60, 230)}};
    settings.BackgroundColor = MakeRGB(250, 240, 10);
    settings.ShowDate = false;
    settings.ChooseIconColor = false;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.ext);
        std::string src = TempPath((std::string("murivane-screen-test.") + c.ext).c_str());
        ASSERT_TRUE(WritePicture(src, c.ext, 700, 500, c.colour));  // 44.5 %: centred
        Run(src, c.ext);
        std::string out = OutputFile(env, kWallpaperFileName);
        EXPECT_EQ(DesktopValue("Wallpaper"), out);
        EXPECT_EQ(DesktopValue("TileWallpaper"), "0");
        EXPECT_EQ(DesktopValue("WallpaperStyle"), "0");
        WIN32_FILE_ATTRIBUTE_DATA data = {};
        ASSERT_TRUE(GetFileAttributesExA(out.c_str(), GetFileExInfoStandard, &data));
        EXPECT_EQ(data.nFileSizeLow, 54u + 2100u * 500u);  // case 4: the picture itself, 24-bit

        // The desktop shows the picture in the middle, centred, not stretched.
        Color middle = 0, corner = 0;
        bool bShown = false;
        for (int attempt = 0; attempt < 20 && !bShown; ++attempt) {
            Sleep(250);
            // A slow desktop gets one nudge to repaint; the values it paints from are already set.
            if (attempt == 8) RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
            Image shot = test::TakeScreenshot();
            ASSERT_TRUE(shot.IsValid());
            middle = shot.Pixel(512, 384);
            corner = shot.Pixel(60, 60);
            // Wine's desktop keeps painting the colour it started with until it
            // restarts, so the corner only has to be free of the picture; the
            // system colour itself is checked below.
            bShown = test::Near(middle, c.colour, 6) && !test::Near(corner, c.colour, 40);
        }
        EXPECT_TRUE(bShown) << std::hex << "middle " << middle << " corner " << corner;
        EXPECT_EQ(GetSysColor(COLOR_BACKGROUND), settings.BackgroundColor);
        DeleteFileA(src.c_str());
    }
}
