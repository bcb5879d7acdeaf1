// A picture file handed to the change pipeline becomes the desktop wallpaper
// through Wine's real registry, file system and SystemParametersInfo.
#include <windows.h>

#include <cstdio>
#include <vector>

#include <gtest/gtest.h>

#include "app/OutputFolder.h"
#include "config/Settings.h"
#include "platform/win32/Win32Desktop.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"

using namespace mv;

namespace {
std::string TempPath(const char* sName) {
    char dir[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, dir);
    return std::string(dir) + sName;
}

std::string DesktopValue(const char* sName) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", sName, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buffer;
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
