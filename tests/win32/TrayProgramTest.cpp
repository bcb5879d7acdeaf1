// The tray instance end to end: collection, change on start-up, tray
// commands, fractal, exit, a pause while the session is locked; the tray's
// menus as the program carries them.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/Image.h"
#include "platform/FileOps.h"
#include "resource.h"
#include "shell/win32/TrayMenuStates.h"
#include "wallpaper/BackgroundChanger.h"
#include "win32/ProcessHelpers.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

std::string ReadString(HKEY root, const char* key, const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS) return "<none>";
    return buffer;
}

DWORD ReadDword(const char* name, DWORD fallback) {
    DWORD v = 0, size = 4;
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return fallback;
    return v;
}

void WriteDword(const char* name, DWORD v) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, name, REG_DWORD, &v, 4);
}

// Pixels of the notification area (the right end of the taskbar) that are not
// the taskbar's own colour: our icon's.
int TrayIconPixels() {
    HWND hTaskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!hTaskbar) return -1;
    RECT r;
    GetWindowRect(hTaskbar, &r);
    mv::Image shot = TakeScreenshot();
    if (!shot.IsValid()) return -1;
    mv::Color base = shot.Pixel(r.right - 60, (r.top + r.bottom) / 2);
    int count = 0;
    for (int y = r.top + 2; y < r.bottom - 2 && y < shot.Height(); ++y)
        for (int x = r.right - 40; x < r.right && x < shot.Width(); ++x)
            if (!Near(shot.Pixel(x, y), base, 24)) ++count;
    return count;
}

BOOL CALLBACK CollectTip(HWND h, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "tooltips_class32" && IsWindowVisible(h)) {
        char text[256] = {};
        SendMessageA(h, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
        if (text[0]) *reinterpret_cast<std::string*>(lp) = text;
    }
    return TRUE;
}

// Rests the mouse on the notification area and reads the tool tip shown.
std::string TrayToolTip(int nudge) {
    HWND hTaskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (!hTaskbar) return std::string();
    RECT r;
    GetWindowRect(hTaskbar, &r);
    SetCursorPos(r.right - 12 - (nudge & 1), (r.top + r.bottom) / 2);
    Sleep(600);
    std::string tip;
    EnumWindows(CollectTip, reinterpret_cast<LPARAM>(&tip));
    return tip;
}

struct TrayProgram : ::testing::Test {
    std::string folder;
    void SetUp() override {
        CloseAllTrays();
        RegDeleteKeyA(HKEY_CURRENT_USER, kConfigKey);
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
        DeleteFileA(WindowsFile("Murivane.bmp").c_str());
        RegDeleteKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper");
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "murivane-tray-pictures";
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override {
        CloseAllTrays();
        DeleteFileA((folder + "\\blue.bmp").c_str());
        RemoveDirectoryA(folder.c_str());
        DeleteFileA(WindowsFile("Murivane.ini").c_str());
    }
    // One collection "Default" with one folder holding one picture.
    void MakeCollection(int fractalProb) {
        mv::Image pic = mv::Image::Create24(64, 48);
        for (int y = 0; y < 48; ++y)
            for (int x = 0; x < 64; ++x) pic.SetPixel(x, y, 0x00C08020);
        ASSERT_TRUE(pic.Save(folder + "\\blue.bmp"));
        std::string ini = WindowsFile("Murivane.ini");
        WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), ini.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "Cycle", "1", ini.c_str());
        WritePrivateProfileStringA("Default", "NextToUse", "0", ini.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", std::to_string(fractalProb).c_str(), ini.c_str());
    }
    std::string LastImage() { return ReadString(HKEY_CURRENT_USER, kConfigKey, "LastImageShown"); }
};

}  // namespace

TEST_F(TrayProgram, ChangesOnStartupFromTheCollectionAndOnCommand) {
    MakeCollection(0);
    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    // The start-up change, one second after start (the picture is recorded
    // before the desktop is told).
    ASSERT_TRUE(WaitFor(
        [&] {
            return LastImage() != "<none>" &&
                   ReadString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper") != "<none>";
        },
        10000));
    std::string expected = folder + "\\blue.bmp";
    for (char& c : expected) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(LastImage(), expected);  // folder paths are lower-cased when the list is built
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper"), WindowsFile("Murivane.bmp"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "TileWallpaper"), "1");  // 64x48 is tiled
    // The icon is in the notification area.
    EXPECT_TRUE(WaitFor([] { return TrayIconPixels() > 20; }, 5000)) << TrayIconPixels();

    // "TaskbarCreated" (a restarted shell) brings the icon back, and it keeps working.
    PostMessageA(h, RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_TRUE(WaitFor([] { return TrayIconPixels() > 20; }, 5000)) << TrayIconPixels();

    // A left click on the tray icon performs the first menu item: Change Wallpaper.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kConfigKey, "LastImageShown");
    Sleep(400);
    SendMessageA(h, WM_USER, 128, WM_LBUTTONUP);
    EXPECT_TRUE(WaitFor([&] { return LastImage() != "<none>"; }, 5000));

    // Disable, then the Change Wallpaper command still works.
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kConfigKey, "LastImageShown");
    SendMessageA(h, WM_COMMAND, 32772, 0);
    SendMessageA(h, WM_COMMAND, 32779, 0);
    EXPECT_NE(LastImage(), "<none>");
    SendMessageA(h, WM_COMMAND, 32776, 0);  // enable again

    // Exit: AutoStart saved as 0, the process ends.
    SendMessageA(h, WM_COMMAND, 32775, 0);
    EXPECT_TRUE(tray.WaitExit(10000));
    EXPECT_EQ(ReadDword("AutoStart", 99), 0u);
    // ... and its icon is gone.
#ifdef _WIN64
    // Under the 64-bit Wine the notification area still shows the 64-bit
    // build's icon after it ended, with this program as it was before as
    // well; the shipped 32-bit program is checked where it can run.
    if (!WaitFor([] { return TrayIconPixels() == 0; }, 5000))
        GTEST_SKIP() << "the 64-bit Wine's notification area keeps the icon of the ended 64-bit build";
#else
    EXPECT_TRUE(WaitFor([] { return TrayIconPixels() == 0; }, 5000)) << TrayIconPixels();
#endif
}

TEST_F(TrayProgram, EmptyCollectionMakesAFractalWallpaper) {
    Process tray("/tray");
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
    // While it renders, the tool tip tells the progress (a fast render may be
    // over before the first look: then the fractal is already the wallpaper).
    std::string progress;
    bool bApplied = false;
    for (int i = 0; i < 40 && !bApplied && progress.rfind("Creating fractal", 0) != 0; ++i) {
        progress = TrayToolTip(i);
        bApplied = LastImage() == WindowsFile("Murivane.bmp");
    }
    EXPECT_TRUE(progress.rfind("Creating fractal", 0) == 0 || bApplied) << progress;
    // The worker renders a screen-sized picture; timer 2 applies it within 5 s of completion.
    // The pipeline records the picture before it applies it: wait for both.
    ASSERT_TRUE(WaitFor(
        [&] {
            return LastImage() == WindowsFile("Murivane.bmp") &&
                   ReadString(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper") == WindowsFile("Murivane.bmp");
        },
        90000));
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ASSERT_TRUE(GetFileAttributesExA(WindowsFile("Murivane.bmp").c_str(), GetFileExInfoStandard, &data));
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(data.nFileSizeLow, 54u + mv::Image::BytesPerRow(cx, 24) * static_cast<uint32_t>(cy));
    EXPECT_TRUE(tray.Running());
}

TEST_F(TrayProgram, ExitAfterChangeClosesTheTrayInstance) {
    MakeCollection(0);
    WriteDword("ExitAfterChange", 1);
    Process tray("/tray");
    EXPECT_TRUE(tray.WaitExit(15000));
    EXPECT_NE(LastImage(), "<none>");
}

TEST_F(TrayProgram, QuietHoursHoldTheStartupChange) {
    MakeCollection(0);
    WriteDword("DontChange", 1);
    // From = to: every time is quiet. The AM/PM defaults differ (PM from,
    // AM to), so both are set, or the span would be 3 PM to 3 AM only.
    WriteDword("HoursFrom", 3);
    WriteDword("HoursTo", 3);
    WriteDword("AMPMFrom", 0);
    WriteDword("AMPMTo", 0);
    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    Sleep(3000);
    EXPECT_EQ(LastImage(), "<none>");
    // A forced change ignores the quiet hours.
    SendMessageA(h, WM_COMMAND, 32779, 0);
    EXPECT_NE(LastImage(), "<none>");
}

TEST_F(TrayProgram, ALockedSessionHoldsTheScheduledChangeUntilItIsUnlocked) {
    MakeCollection(0);
    WriteDword("Minutes", 1);
    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    DWORD session = 0;
    ProcessIdToSessionId(GetCurrentProcessId(), &session);
    PostMessageA(h, WM_WTSSESSION_CHANGE, WTS_SESSION_LOCK, static_cast<LPARAM>(session));
    // The start-up change comes due while locked (on a slow start, the next
    // one a minute later), and the tool tip says why nothing happens.
    const std::string paused = "Murivane: paused while the computer is locked";
    std::string tip;
    for (int i = 0; i < 140 && tip != paused; ++i) tip = TrayToolTip(i);
    ASSERT_EQ(tip, paused);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kConfigKey, "LastImageShown");
    // Unlocked: the held change happens at once, and the tip is the usual one.
    PostMessageA(h, WM_WTSSESSION_CHANGE, WTS_SESSION_UNLOCK, static_cast<LPARAM>(session));
    EXPECT_TRUE(WaitFor([&] { return LastImage() != "<none>"; }, 10000));
    for (int i = 0; i < 20 && tip != "Murivane"; ++i) tip = TrayToolTip(i);
    EXPECT_EQ(tip, "Murivane");
}

namespace {

// Files left beside the program's files by a save that failed half way:
// any of the temporary names its saves use.
int TempFilesIn(const std::string& sFolder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((sFolder + "\\*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return 0;
    int n = 0;
    do n += mv::IsLeftTemporaryName(fd.cFileName) ? 1 : 0;
    while (FindNextFileA(h, &fd));
    FindClose(h);
    return n;
}

void PutFile(const std::string& sPath, const std::string& sBytes) {
    HANDLE h = CreateFileA(sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD put = 0;
    WriteFile(h, sBytes.data(), static_cast<DWORD>(sBytes.size()), &put, nullptr);
    CloseHandle(h);
}

void SolidBmp(const std::string& sPath, mv::Color c) {
    mv::Image pic = mv::Image::Create24(64, 48);
    for (int y = 0; y < 48; ++y)
        for (int x = 0; x < 64; ++x) pic.SetPixel(x, y, c);
    pic.Save(sPath);
}

// The pictures, the collection and the checks the disk-fault tests share.
struct DiskFaults {
    std::string folder;
    const char* names[4] = {"a.bmp", "b.bmp", "c.bmp", "d.bmp"};
    explicit DiskFaults(std::string sFolder) : folder(std::move(sFolder)) {
        const mv::Color colours[] = {0x000000C0, 0x0000C000, 0x00C00000, 0x0000C0C0};
        for (int i = 0; i < 4; ++i) SolidBmp(folder + "\\" + names[i], colours[i]);
    }
    // Whatever fails, nothing read-only and none of these pictures is left
    // for the next tests.
    ~DiskFaults() {
        SetFileAttributesA(WindowsFile("Murivane.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(WindowsFile("Murivane History.ini").c_str());
        for (const char* name : names) DeleteFileA((folder + "\\" + name).c_str());
    }
    std::string picture(int i) const { return AsciiLower(folder + "\\" + names[i]); }
    void writeCollection(const std::string& sFile, bool bWithGoneFolder) const {
        WritePrivateProfileStringA("Default", "Folder0", folder.c_str(), sFile.c_str());
        WritePrivateProfileStringA("Default", "Folder1", (folder + "\\gone").c_str(), sFile.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", bWithGoneFolder ? "2" : "1", sFile.c_str());
        WritePrivateProfileStringA("Default", "Cycle", "1", sFile.c_str());
        WritePrivateProfileStringA("Default", "NextToUse", "0", sFile.c_str());
        WritePrivateProfileStringA("Default", "FractalProb", "0", sFile.c_str());
        WritePrivateProfileStringA("Other", "Folder0", "c:\\kept", sFile.c_str());
    }
    static testing::AssertionResult tipIs(const std::string& sWanted) {
        std::string tip;
        for (int i = 0; i < 20 && tip != sWanted; ++i) tip = TrayToolTip(i);
        return tip == sWanted ? testing::AssertionSuccess() : testing::AssertionFailure() << "tip: " << tip;
    }
};

}  // namespace

// What the disk can do to a change, through the real tray: a picture held
// open without sharing, one deleted after the list was made, a wallpaper
// that cannot be replaced, a read-only collections file, a folder that is
// gone. Each time the program lives on, the wallpaper shown before stays
// whole, the tool tip says what failed, the next change works, and the
// collections file keeps what it held. Temporary files a save that ended
// half way left are gone at the next start; the user's files are not.
TEST_F(TrayProgram, DiskFailuresLeaveTheWallpaperWholeAndSayWhatFailed) {
    DiskFaults disk(folder);
    auto picture = [&](int i) { return disk.picture(i); };
    auto tipIs = [](const std::string& sWanted) { return DiskFaults::tipIs(sWanted); };
    const std::string sIni = WindowsFile("Murivane.ini");
    const std::string sWallpaper = WindowsFile("Murivane.bmp");
    auto change = [&](HWND h, int expected) {
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        return WaitFor([&] { return LastImage() == picture(expected); }, 10000);
    };
    // What a copy that ended half way through its saves leaves, and files
    // of the user's with names like them.
    const std::vector<std::string> left = {WindowsFile("mvs3f2a.tmp"), WindowsFile("MVS7.TMP"),
                                           WindowsFile("Murivane.bmp.0123456789abcdef-2.tmp")};
    const std::vector<std::string> users = {WindowsFile("mvsnotes.tmp"), WindowsFile("notes.tmp"),
                                            WindowsFile("Murivane.bmp.backup.tmp")};
    for (const std::string& s : left) PutFile(s, "half a save");
    for (const std::string& s : users) PutFile(s, "the user's");
    disk.writeCollection(sIni, false);
    {
        Process tray("/tray");
        HWND h = WaitForWindow(kTray, 10000);
        ASSERT_NE(h, nullptr);
        ASSERT_TRUE(WaitFor([&] { return LastImage() == picture(0); }, 10000));
        ASSERT_TRUE(WaitFor([&] { return !FileBytes(sWallpaper).empty(); }, 5000));
        for (const std::string& s : left) EXPECT_EQ(GetFileAttributesA(s.c_str()), INVALID_FILE_ATTRIBUTES) << s;
        for (const std::string& s : users) EXPECT_EQ(FileBytes(s), "the user's") << s;

        // A read-only collections file: the change is made, and the file
        // keeps every byte (the walk's position is not saved).
        const std::string sIniBytes = FileBytes(sIni);
        SetFileAttributesA(sIni.c_str(), FILE_ATTRIBUTE_READONLY);
        std::string sShown = FileBytes(sWallpaper);
        ASSERT_TRUE(change(h, 1));
        EXPECT_TRUE(WaitFor([&] { return FileBytes(sWallpaper) != sShown; }, 5000));
        EXPECT_TRUE(FileBytes(sIni) == sIniBytes);
        SetFileAttributesA(sIni.c_str(), FILE_ATTRIBUTE_NORMAL);
        sShown = FileBytes(sWallpaper);
        ASSERT_FALSE(sShown.empty());

        // A picture another program holds open without sharing.
        HANDLE hHeld = CreateFileA((folder + "\\c.bmp").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hHeld, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(change(h, 2));
        EXPECT_TRUE(tipIs(mv::ReadFailureText(picture(2))));
        EXPECT_TRUE(FileBytes(sWallpaper) == sShown);
        CloseHandle(hHeld);

        // A picture deleted since the list was made.
        DeleteFileA((folder + "\\d.bmp").c_str());
        ASSERT_TRUE(change(h, 3));
        EXPECT_TRUE(tipIs(mv::ReadFailureText(picture(3))));
        EXPECT_TRUE(FileBytes(sWallpaper) == sShown);

        // A wallpaper file that cannot be replaced: another program holds it
        // open. (Wine lets root replace a read-only file, and write in a
        // read-only folder, so this is how the write fails here.)
        HANDLE hShown = CreateFileA(sWallpaper.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                    OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(hShown, INVALID_HANDLE_VALUE);
        ASSERT_TRUE(change(h, 0));
        EXPECT_TRUE(tipIs(mv::WriteFailureText(sWallpaper)));
        CloseHandle(hShown);
        EXPECT_TRUE(FileBytes(sWallpaper) == sShown);
        EXPECT_EQ(TempFilesIn(WindowsFile("")), 0);

        // The schedule goes on: the next change works, and the tip is the usual one.
        ASSERT_TRUE(change(h, 1));
        EXPECT_TRUE(tipIs("Murivane"));
        EXPECT_TRUE(tray.Running());

        // A folder of the collection that is gone is said once the list is made again.
        WritePrivateProfileStringA("Default", "Folder1", (folder + "\\gone").c_str(), sIni.c_str());
        WritePrivateProfileStringA("Default", "FolderCount", "2", sIni.c_str());
        SendMessageA(h, WM_COMMAND, ID_REFRESH_IMAGES, 0);
        const std::string sGone = mv::MissingFolderText(AsciiLower(folder + "\\gone"));
        EXPECT_TRUE(tipIs(sGone));
        // The pictures of the other folder still show, and the tip keeps saying it.
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kConfigKey, "LastImageShown");
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        EXPECT_TRUE(WaitFor([&] { return AsciiLower(LastImage()).rfind(AsciiLower(folder) + "\\", 0) == 0; }, 10000)) << LastImage();
        EXPECT_TRUE(tipIs(sGone));
        EXPECT_TRUE(tray.Running());
    }
    CloseAllTrays();
    EXPECT_EQ(GetPrivateProfileIntA("Other", "FolderCount", -1, sIni.c_str()), -1);
    char kept[64] = {};
    GetPrivateProfileStringA("Other", "Folder0", "", kept, sizeof kept, sIni.c_str());
    EXPECT_STREQ(kept, "c:\\kept");

    for (const std::string& s : users) DeleteFileA(s.c_str());
}

// A full disk: the program's files on a small drive (its folder in the
// user's application data, where it lives when the collections file is
// there), filled up after the first wallpaper. The wallpaper shown and the
// collections file keep every byte, the tip says what failed, and no
// temporary file is left.
TEST_F(TrayProgram, AFullDiskLeavesTheWallpaperWholeAndSaysSo) {
    const char* sDrive = std::getenv("MURIVANE_SMALL_DRIVE");
    if (!sDrive || !*sDrive) GTEST_SKIP() << "no small drive could be mounted on this machine (MURIVANE_SMALL_DRIVE unset)";
    DiskFaults disk(folder);
    auto picture = [&](int i) { return disk.picture(i); };
    auto tipIs = [](const std::string& sWanted) { return DiskFaults::tipIs(sWanted); };
    auto writeCollection = [&](const std::string& sFile, bool bWithGoneFolder) { disk.writeCollection(sFile, bWithGoneFolder); };
    const std::string sIni = WindowsFile("Murivane.ini");
    const std::string sWallpaper = WindowsFile("Murivane.bmp");
    auto change = [&](HWND h, int expected) {
        SendMessageA(h, WM_COMMAND, ID_CHANGE_WALLPAPER, 0);
        return WaitFor([&] { return LastImage() == picture(expected); }, 10000);
    };
    const char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
    // The user's application data on the small drive, put back whatever fails
    // (with the path the shell noted from it).
    struct AppDataOn {
        const char* sKey;
        char saved[1024] = {};
        DWORD savedSize = sizeof saved, savedType = 0;
        bool bSaved = false;
        AppDataOn(const char* key, const std::string& sFolder) : sKey(key) {
            bSaved = RegGetValueA(HKEY_CURRENT_USER, sKey, "AppData", RRF_RT_ANY | RRF_NOEXPAND, &savedType, saved,
                                  &savedSize) == ERROR_SUCCESS;
            RegSetKeyValueA(HKEY_CURRENT_USER, sKey, "AppData", REG_SZ, sFolder.c_str(),
                            static_cast<DWORD>(sFolder.size() + 1));
        }
        ~AppDataOn() {
            CloseAllTrays();
            if (bSaved)
                RegSetKeyValueA(HKEY_CURRENT_USER, sKey, "AppData", savedType, saved, savedSize);
            else
                RegDeleteKeyValueA(HKEY_CURRENT_USER, sKey, "AppData");
            char path[MAX_PATH] = {};
            SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path);  // the shell notes it again
        }
    };
    const std::string sAppData = std::string(sDrive) + "\\AppData";
    // The desktop is given back its wallpaper on C: when the test ends.
    struct WallpaperBack {
        std::string sPath;
        ~WallpaperBack() {
            RegSetKeyValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "Wallpaper", REG_SZ, sPath.c_str(),
                            static_cast<DWORD>(sPath.size() + 1));
        }
    } wallpaperBack{sWallpaper};
    AppDataOn appData(kShellFolders, sAppData);
    const std::string sOwn = sAppData + "\\Murivane";
    CreateDirectoryA(sAppData.c_str(), nullptr);
    CreateDirectoryA(sOwn.c_str(), nullptr);
    DeleteFileA(sIni.c_str());
    DeleteFileA(sWallpaper.c_str());
    const std::string sSmallIni = sOwn + "\\Murivane.ini";
    const std::string sSmallWallpaper = sOwn + "\\Murivane.bmp";
    const std::string sFiller = std::string(sDrive) + "\\filler";
    writeCollection(sSmallIni, false);
    {
        Process tray("/tray");
        HWND h = WaitForWindow(kTray, 10000);
        ASSERT_NE(h, nullptr);
        EXPECT_TRUE(WaitFor([&] { return LastImage() == picture(0) && !FileBytes(sSmallWallpaper).empty(); }, 10000));
        const std::string sShown = FileBytes(sSmallWallpaper);
        const std::string sIniBytes = FileBytes(sSmallIni);
        // Fill the drive to the last byte.
        HANDLE hFill = CreateFileA(sFiller.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(hFill, INVALID_HANDLE_VALUE);
        std::string block(65536, 'x');
        DWORD n = 0;
        for (size_t size = block.size(); size > 0;)
            if (!WriteFile(hFill, block.data(), static_cast<DWORD>(size), &n, nullptr) || n < size) size /= 2;
        CloseHandle(hFill);
        ASSERT_TRUE(change(h, 1));
        EXPECT_TRUE(tipIs(mv::WriteFailureText(sSmallWallpaper)));
        EXPECT_TRUE(FileBytes(sSmallWallpaper) == sShown);
        EXPECT_TRUE(FileBytes(sSmallIni) == sIniBytes);
        EXPECT_EQ(TempFilesIn(sOwn), 0);
        // Room again: the schedule goes on.
        DeleteFileA(sFiller.c_str());
        ASSERT_TRUE(change(h, 2));
        EXPECT_TRUE(WaitFor([&] { return FileBytes(sSmallWallpaper) != sShown; }, 5000));
        EXPECT_TRUE(tray.Running());
        std::printf("full disk: the wallpaper kept its %u bytes on %s\n", static_cast<unsigned>(sShown.size()), sDrive);
    }
    CloseAllTrays();
    for (const std::string& s : {sSmallIni, sSmallWallpaper, sOwn + "\\Murivane History.ini", sFiller})
        DeleteFileA(s.c_str());
    RemoveDirectoryA(sOwn.c_str());
    RemoveDirectoryA(sAppData.c_str());
}

namespace {

// An item of a menu as the user sees it: its command, its text, greyed or
// not; a separator is {0, ""}.
struct ShownItem {
    UINT id;
    std::string text;
    bool bGrayed = false;
    bool operator==(const ShownItem& o) const { return id == o.id && text == o.text && bGrayed == o.bGrayed; }
};

void PrintTo(const ShownItem& item, std::ostream* os) {
    *os << "{" << item.id << ", \"" << item.text << "\"" << (item.bGrayed ? ", greyed" : "") << "}";
}

std::vector<ShownItem> ItemsOf(HMENU hPopup) {
    std::vector<ShownItem> items;
    const int count = GetMenuItemCount(hPopup);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info = {};
        info.cbSize = sizeof(info);
        info.fMask = MIIM_FTYPE | MIIM_ID | MIIM_STATE | MIIM_STRING;
        info.dwTypeData = text;
        info.cch = sizeof(text);
        if (!GetMenuItemInfoA(hPopup, static_cast<UINT>(i), TRUE, &info)) {
            items.push_back({0, "<unreadable>"});
            continue;
        }
        if (info.fType & MFT_SEPARATOR)
            items.push_back({0, ""});
        else
            items.push_back({info.wID, text, (info.fState & MFS_GRAYED) != 0});
    }
    return items;
}

// The tray menus of the program itself, read from Murivane.exe's resources.
struct ProgramMenus {
    HMODULE hModule = LoadLibraryExA(ExeBeside("Murivane.exe").c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ~ProgramMenus() {
        if (hModule) FreeLibrary(hModule);
    }
    // The menu of a tray state, its popup's title checked; null when missing.
    HMENU Load(int state) {
        HMENU hMenu = LoadMenuA(hModule, MAKEINTRESOURCEA(state));
        if (!hMenu) return nullptr;
        char title[64] = {};
        GetMenuStringA(hMenu, 0, title, sizeof(title), MF_BYPOSITION);
        EXPECT_STREQ(title, "&Murivane") << state;
        return hMenu;
    }
};

}  // namespace

// The tray's four menus as the program carries them, and the commands on the
// wallpaper showing greyed as the tray greys them before it shows a menu.
TEST(TrayMenus, TheProgramsMenusAndTheirGreying) {
    ProgramMenus menus;
    ASSERT_NE(menus.hModule, nullptr) << ExeBeside("Murivane.exe");
    const ShownItem sep{0, ""};
    const std::vector<ShownItem> wallpaperGroup = {{32790, "&Previous Wallpaper"},
                                                   {32791, "&Keep This Fractal"},
                                                   {32792, "&Show Picture in Folder"},
                                                   {32793, "&Never Show This Picture Again"}};
    std::vector<ShownItem> waiting = {{32779, "&Change Wallpaper"}, {32773, "&Murivane Settings..."},
                                      {32781, "Re&fresh Image List"}, sep,
                                      {32774, "Display &Properties..."}, {32772, "&Disable Murivane"}, sep};
    std::vector<ShownItem> disabled = {{32779, "&Change Wallpaper"}, {32773, "&Murivane Settings..."}, sep,
                                       {32774, "Display &Properties..."}, {32776, "&Enable Murivane"}, sep};
    for (auto* list : {&waiting, &disabled}) {
        list->insert(list->end(), wallpaperGroup.begin(), wallpaperGroup.end());
        list->insert(list->end(), {sep, {32775, "E&xit Murivane"}});
    }
    const std::vector<ShownItem> changing = {{32782, "Changing...please wait", true}, {32775, "E&xit Murivane"}};
    const std::vector<ShownItem> fractal = {{32780, "Stop &Fractal Calculation"}, sep, {32775, "E&xit Murivane"}};
    const struct {
        int state;
        const std::vector<ShownItem>& items;
    } all[] = {{128, waiting}, {129, disabled}, {130, changing}, {131, fractal}};
    for (const auto& m : all) {
        HMENU hMenu = menus.Load(m.state);
        ASSERT_NE(hMenu, nullptr) << m.state;
        EXPECT_EQ(ItemsOf(GetSubMenu(hMenu, 0)), m.items) << "state " << m.state;
        DestroyMenu(hMenu);
    }

    // What can be done with the wallpaper showing, in three states of it.
    struct Case {
        const char* what;
        mv::WallpaperCommands commands;
        std::vector<UINT> greyed;
    } cases[] = {
        // A picture, with earlier wallpapers to go back to.
        {"picture shown", {true, false, true, true}, {32791}},
        // A fractal, after a picture: it can be kept; it has no folder.
        {"fractal shown", {true, true, false, false}, {32792, 32793}},
        // The first wallpaper since the history began: nothing to go back to.
        {"no history", {false, false, true, true}, {32790, 32791}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const auto& m : {all[0], all[1]}) {
            HMENU hMenu = menus.Load(m.state);
            ASSERT_NE(hMenu, nullptr);
            HMENU hPopup = GetSubMenu(hMenu, 0);
            mv::win::GreyWallpaperCommands(hPopup, c.commands);
            std::vector<ShownItem> expected = m.items;
            for (ShownItem& item : expected)
                for (UINT id : c.greyed) item.bGrayed = item.bGrayed || item.id == id;
            EXPECT_EQ(ItemsOf(hPopup), expected) << "state " << m.state;
            DestroyMenu(hMenu);
        }
        // The menus without those commands are left as they are.
        for (const auto& m : {all[2], all[3]}) {
            HMENU hMenu = menus.Load(m.state);
            ASSERT_NE(hMenu, nullptr);
            mv::win::GreyWallpaperCommands(GetSubMenu(hMenu, 0), c.commands);
            EXPECT_EQ(ItemsOf(GetSubMenu(hMenu, 0)), m.items) << "state " << m.state;
            DestroyMenu(hMenu);
        }
    }
}

namespace {
// Presses a key with modifiers as the keyboard would: downs, then ups.
void PressKeys(std::vector<WORD> keys) {
    std::vector<INPUT> in;
    for (WORD k : keys) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = k;
        in.push_back(i);
    }
    for (auto it = keys.rbegin(); it != keys.rend(); ++it) {
        INPUT i = {};
        i.type = INPUT_KEYBOARD;
        i.ki.wVk = *it;
        i.ki.dwFlags = KEYEVENTF_KEYUP;
        in.push_back(i);
    }
    SendInput(static_cast<UINT>(in.size()), in.data(), sizeof(INPUT));
}
}  // namespace

// Hot keys set on their page: stored on OK as the hot-key control gives them,
// pressed anywhere they change the wallpaper; a key another program holds is
// named by the page's OK and by the tray's tool tip.
TEST_F(TrayProgram, HotKeysSetOnTheirPageChangeTheWallpaperAndATakenOneIsNamed) {
    MakeCollection(0);
    // Another program holds Ctrl+Alt+P (RegisterHotKey on no window: this thread's).
    ASSERT_TRUE(RegisterHotKey(nullptr, 77, MOD_CONTROL | MOD_ALT, 'P'));
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kHotKeysTab));
        ASSERT_NE(hPage, nullptr);
        EXPECT_EQ(GetText(hPage, IDC_HOTKEY_NEXT_LABEL), "&Next wallpaper:");
        EXPECT_NE(TipOf(sheet.hWnd, GetDlgItem(hPage, IDC_HOTKEY_NEXT)), "");
        // As a user's key presses leave the controls: Ctrl+Alt+N and Ctrl+Alt+P.
        SendDlgItemMessageA(hPage, IDC_HOTKEY_NEXT, HKM_SETHOTKEY, MAKEWORD('N', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
        SendDlgItemMessageA(hPage, IDC_HOTKEY_PREVIOUS, HKM_SETHOTKEY, MAKEWORD('P', HOTKEYF_CONTROL | HOTKEYF_ALT), 0);
        EXPECT_EQ(ReadDword("HotKeyNext", 99), 99u);  // nothing before OK
        PostMessageA(GetDlgItem(sheet.hWnd, IDOK), BM_CLICK, 0, 0);
        HWND hBox = WaitForOwnedDialog(sheet.hWnd, 10000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_NE(BoxText(hBox).find("Ctrl+Alt+P"), std::string::npos) << BoxText(hBox);
        EXPECT_EQ(BoxText(hBox).find("Ctrl+Alt+N"), std::string::npos) << BoxText(hBox);
        PostMessageA(hBox, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(settings.WaitExit(15000));
    }
    // HOTKEYF_CONTROL 0x02 | HOTKEYF_ALT 0x04 in the high byte, the key in the low one.
    EXPECT_EQ(ReadDword("HotKeyNext", 99), 0x064Eu);
    EXPECT_EQ(ReadDword("HotKeyPrevious", 99), 0x0650u);  // stored all the same
    CloseAllTrays();  // the one the sheet's OK started

    WriteDword("ChangeOnStartup", 0);
    Process tray("/tray");
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    std::string tip;
    for (int i = 0; i < 40 && tip.find("Ctrl+Alt+P") == std::string::npos; ++i) tip = TrayToolTip(i);
    EXPECT_EQ(tip, "Murivane: Ctrl+Alt+P is used by another program");
    ASSERT_EQ(LastImage(), "<none>");
    PressKeys({VK_CONTROL, VK_MENU, 'N'});
    EXPECT_TRUE(WaitFor([&] { return LastImage() != "<none>"; }, 10000)) << "the hot key changed nothing";
    UnregisterHotKey(nullptr, 77);
}
