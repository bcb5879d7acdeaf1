// Murivane.exe itself: the tray instance and the settings instance.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "win32/ProcessHelpers.h"

using namespace mv::test;

namespace {

// Keeps the settings from asking for a tray instance or making shortcuts
// while the program is under test.
struct ProgramTest : ::testing::Test {
    void SetUp() override {
        CloseAllTrays();
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Quorvale\\Murivane\\Config");
        // No changes from the tray instance while under test.
        HKEY h = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorvale\\Murivane\\Config", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr);
        DWORD zero = 0;
        RegSetValueExA(h, "ChangeOnStartup", 0, REG_DWORD, reinterpret_cast<BYTE*>(&zero), 4);
        RegCloseKey(h);
    }
    void TearDown() override { CloseAllTrays(); }
    void SetUseTray(DWORD v) {
        HKEY h = nullptr;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Quorvale\\Murivane\\Config", 0, nullptr, 0, KEY_ALL_ACCESS,
                        nullptr, &h, nullptr);
        RegSetValueExA(h, "UseTray", 0, REG_DWORD, reinterpret_cast<BYTE*>(&v), 4);
        RegCloseKey(h);
    }
};

// Another program's window titled "Murivane" (a folder of that name open in
// the file manager), in front of every other, with a thread of its own that
// handles its messages as that program would.
struct Decoy {
    HWND hWnd = nullptr;
    HANDLE hReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    HANDLE hThread = nullptr;
    Decoy() {
        hThread = CreateThread(nullptr, 0, &Decoy::Run, this, 0, nullptr);
        WaitForSingleObject(hReady, 5000);
    }
    ~Decoy() {
        PostMessageA(hWnd, WM_CLOSE, 0, 0);
        PostThreadMessageA(GetThreadId(hThread), WM_QUIT, 0, 0);
        WaitForSingleObject(hThread, 5000);
        CloseHandle(hThread);
        CloseHandle(hReady);
    }
    static DWORD WINAPI Run(void* p) {
        Decoy& d = *static_cast<Decoy*>(p);
        // Shown without taking the focus: the settings sheet would otherwise
        // be owned by it, and the desktop's focus stay with this process.
        d.hWnd = CreateWindowExA(WS_EX_TOPMOST | WS_EX_NOACTIVATE, "STATIC", "Murivane", WS_OVERLAPPEDWINDOW, 0, 0, 200,
                                 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ShowWindow(d.hWnd, SW_SHOWNA);
        SetEvent(d.hReady);
        MSG msg;
        while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
            if (msg.message == WM_APP) SetEvent(d.hReady);
            DispatchMessageA(&msg);
        }
        return 0;
    }
    // Still there once whatever was posted to it before has been handled.
    bool StillOpen() {
        if (!IsWindow(hWnd)) return false;
        PostMessageA(hWnd, WM_APP, 0, 0);
        WaitForSingleObject(hReady, 5000);
        return IsWindow(hWnd) != FALSE;
    }
};

}  // namespace

TEST_F(ProgramTest, TrayInstanceKeepsRunningAndIsFoundByTitle) {
    Process tray("/tray");
    ASSERT_TRUE(tray.ok);
    HWND h = WaitForWindow(kTray, 10000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(FindWindowA(nullptr, "Murivane"), h);
    EXPECT_FALSE(IsWindowVisible(h));
    Sleep(1500);
    EXPECT_TRUE(tray.Running());
    PostMessageA(h, WM_CLOSE, 0, 0);
    EXPECT_TRUE(tray.WaitExit(10000));
}

TEST_F(ProgramTest, SettingsOkWithTrayRunningStartsNoSecondOne) {
    Process tray("-TRAY");
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
    Process settings("");
    HWND hSheet = WaitForWindow(kSheet, 10000);
    ASSERT_NE(hSheet, nullptr);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(settings.WaitExit(15000));
    Sleep(500);
    EXPECT_EQ(Windows(kTray).size(), 1u);
    EXPECT_TRUE(tray.Running());
}

TEST_F(ProgramTest, SettingsOkWithoutTrayStartsExactlyOne) {
    Decoy decoy;
    ASSERT_EQ(FindWindowA(nullptr, "Murivane"), decoy.hWnd);
    Process settings("/settings");
    HWND hSheet = WaitForWindow(kSheet, 10000);
    ASSERT_NE(hSheet, nullptr);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(settings.WaitExit(15000));
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
    Sleep(500);
    EXPECT_EQ(Windows(kTray).size(), 1u);
}

TEST_F(ProgramTest, SettingsCancelEndsCleanlyAndStartsNothing) {
    Process settings("");
    HWND hSheet = WaitForWindow(kSheet, 10000);
    ASSERT_NE(hSheet, nullptr);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    EXPECT_TRUE(settings.WaitExit(15000));
    DWORD code = 1;
    GetExitCodeProcess(settings.pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    Sleep(1000);
    EXPECT_TRUE(Windows(kTray).empty());
}

TEST_F(ProgramTest, SettingsOkWithUseTrayOffClosesTheTrayInstance) {
    Process tray("/tray");
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
    SetUseTray(0);
    Decoy decoy;
    ASSERT_EQ(FindWindowA(nullptr, "Murivane"), decoy.hWnd);
    Process settings("");
    HWND hSheet = WaitForWindow(kSheet, 10000);
    ASSERT_NE(hSheet, nullptr);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(settings.WaitExit(15000));
    EXPECT_TRUE(tray.WaitExit(10000));
    EXPECT_TRUE(decoy.StillOpen());
}
