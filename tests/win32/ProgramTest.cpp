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
    Process settings("");
    HWND hSheet = WaitForWindow(kSheet, 10000);
    ASSERT_NE(hSheet, nullptr);
    PostMessageA(hSheet, PSM_PRESSBUTTON, PSBTN_OK, 0);
    EXPECT_TRUE(settings.WaitExit(15000));
    EXPECT_TRUE(tray.WaitExit(10000));
}
