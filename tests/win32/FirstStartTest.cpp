// The first start, end to end: with no settings and an empty "Default"
// collection, the user's pictures folder becomes the collection's folder when
// it holds pictures, whichever instance starts first, and the tray shows the
// welcome balloon once, the first time it starts.
#include <windows.h>

#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "app/Random.h"
#include "image/Image.h"
#include "resource.h"
#include "win32/ProcessHelpers.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

std::string IniValue(const char* section, const char* key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof(buffer), WindowsFile("Murivane.ini").c_str());
    return buffer;
}

BOOL CALLBACK FindBalloon(HWND h, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "tooltips_class32" && IsWindowVisible(h)) {
        std::string text = WindowText(h);
        if (text.find("notification area") != std::string::npos) *reinterpret_cast<std::string*>(lp) = text;
    }
    return TRUE;
}

// The welcome was shown: remembered, and its balloon over the notification area.
void ExpectWelcomeShown() {
    EXPECT_TRUE(WaitFor([] { return ReadConfigDword("WelcomeShown", 99) == 1; }, 5000));
    std::string balloon;
    EXPECT_TRUE(WaitFor(
        [&] {
            EnumWindows(FindBalloon, reinterpret_cast<LPARAM>(&balloon));
            return !balloon.empty();
        },
        5000));
    EXPECT_NE(balloon.find("Right-click"), std::string::npos) << balloon;
}

// The user's pictures folder is moved to a folder of the test's own: the
// prefix's own one may be the host's home.
struct FirstStart : ::testing::Test {
    std::string folder;
    std::string savedPictures;
    bool bHadPictures = false;

    void SetUp() override {
        CloseAllTrays();
        RegDeleteKeyA(HKEY_CURRENT_USER, kConfigKey);
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
        DeleteFileA(WindowsFile("Murivane History.ini").c_str());
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "murivane-my-pictures";
        CreateDirectoryA(folder.c_str(), nullptr);
        char old[MAX_PATH] = {};
        DWORD size = sizeof(old);
        bHadPictures = RegGetValueA(HKEY_CURRENT_USER, kShellFolders, "My Pictures", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ |
                                    RRF_NOEXPAND, nullptr, old, &size) == ERROR_SUCCESS;
        savedPictures = old;
        RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "My Pictures", REG_EXPAND_SZ, folder.c_str(),
                        static_cast<DWORD>(folder.size() + 1));
    }
    void TearDown() override {
        CloseAllTrays();
        if (bHadPictures)
            RegSetKeyValueA(HKEY_CURRENT_USER, kShellFolders, "My Pictures", REG_EXPAND_SZ, savedPictures.c_str(),
                            static_cast<DWORD>(savedPictures.size() + 1));
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kShellFolders, "My Pictures");
        DeleteFileA((folder + "\\holiday.bmp").c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
    }
};

}  // namespace

TEST_F(FirstStart, PicturesFolderJoinsTheEmptyDefaultCollectionAndTheWelcomeShowsOnce) {
    mv::Image pic = mv::Image::Create24(64, 48);
    ASSERT_TRUE(pic.Save(folder + "\\holiday.bmp"));
    // Installed as the setup program installs it: only the install folder is set.
    const char* sInstall = "C:\\Program Files\\Murivane\\";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, "InstallFolder", REG_SZ, sInstall,
                              static_cast<DWORD>(strlen(sInstall) + 1)),
              ERROR_SUCCESS);
    {
        // A new collection makes a fractal one change in two: the generator
        // is seeded so that the first change is a picture.
        int32_t seed = 1;
        while (mv::Random(seed).uniform() <= 0.5) ++seed;
        Process tray("/tray /r" + std::to_string(seed));
        ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
        ASSERT_TRUE(WaitFor([] { return IniValue("Default", "FolderCount") == "1"; }, 10000));
        EXPECT_EQ(IniValue("Default", "Folder0"), folder);
        // The first change on start-up already shows the user's picture.
        std::string expected = AsciiLower(folder + "\\holiday.bmp");
        EXPECT_TRUE(WaitFor([&] { return ReadConfigString("LastImageShown") == expected; }, 10000))
            << ReadConfigString("LastImageShown");
        // The balloon reached the shell, which shows it over the notification area.
        ExpectWelcomeShown();
        CloseAllTrays();
    }
    {
        // Settings are there now: an emptied collection stays empty, and the
        // welcome is not shown again.
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
        WriteConfigDword("ChangeOnStartup", 0);
        Process tray("/tray");
        HWND h = WaitForWindow(kTray, 10000);
        ASSERT_NE(h, nullptr);
        // Answered once the window's creation, and so the start, is over.
        DWORD_PTR result = 0;
        ASSERT_NE(SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_NORMAL, 10000, &result), 0);
        EXPECT_EQ(IniValue("Default", "FolderCount"), "<none>");
        EXPECT_EQ(ReadConfigDword("WelcomeShown", 99), 1u);
    }
}

// Installed, the program's first start is the settings sheet (the setup
// program's "Start Murivane", the Start-menu shortcut): the sheet shows the
// pictures folder already in "Default", and its OK starts the tray, whose
// first start shows the welcome.
TEST_F(FirstStart, TheSheetStartedFirstShowsThePicturesFolderAndLeavesTheWelcomeToTheTray) {
    mv::Image pic = mv::Image::Create24(64, 48);
    ASSERT_TRUE(pic.Save(folder + "\\holiday.bmp"));
    const char* sInstall = "C:\\Program Files\\Murivane\\";
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, "InstallFolder", REG_SZ, sInstall,
                              static_cast<DWORD>(strlen(sInstall) + 1)),
              ERROR_SUCCESS);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    HWND hList = GetDlgItem(hPage, IDC_COLL_FOLDERS);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(hList, LB_GETCOUNT, 0, 0) == 1; }, 5000))
        << SendMessageA(hList, LB_GETCOUNT, 0, 0) << " folders shown";
    wchar_t text[MAX_PATH] = {};
    SendMessageW(hList, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(text));
    char shown[MAX_PATH] = {};
    WideCharToMultiByte(CP_ACP, 0, text, -1, shown, sizeof(shown), nullptr, nullptr);
    EXPECT_EQ(AsciiLower(shown), AsciiLower(folder));
    // The sheet shows no balloon: the welcome waits for the tray.
    EXPECT_EQ(ReadConfigDword("WelcomeShown", 99), 0u);
    // The Options page is not visited, so its OK leaves this alone: the tray
    // does no wallpaper work while under test.
    WriteConfigDword("ChangeOnStartup", 0);

    sheet.Ok();
    ASSERT_TRUE(settings.WaitExit(15000)) << settings.WindowsShown();
    EXPECT_EQ(IniValue("Default", "FolderCount"), "1");
    EXPECT_EQ(IniValue("Default", "Folder0"), folder);
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr) << "OK starts the tray";
    ExpectWelcomeShown();
}
