// The tray instance end to end: collection, change on start-up, tray
// commands, fractal, exit, a pause while the session is locked.
#include <windows.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "image/Image.h"
#include "win32/ProcessHelpers.h"
#include "win32/Screenshot.h"

using namespace mv::test;

namespace {

const char kConfigKey[] = "Software\\Quorvale\\Murivane\\Config";

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

template <typename Pred>
bool WaitFor(Pred pred, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (pred()) return true;
        Sleep(100);
    }
    return pred();
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
    EXPECT_TRUE(WaitFor([] { return TrayIconPixels() == 0; }, 5000)) << TrayIconPixels();
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
