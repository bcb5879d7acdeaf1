// Murivane.exe itself: the tray instance and the settings instance.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string ExeBeside(const char* sName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1) + sName;
}

struct Process {
    PROCESS_INFORMATION pi = {};
    bool ok = false;
    explicit Process(const std::string& sArgs) {
        std::string exe = ExeBeside("Murivane.exe");
        std::string cmd = "\"" + exe + "\" " + sArgs;
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        ok = CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    }
    ~Process() {
        if (!ok) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    bool Running() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
};

struct Found {
    std::vector<HWND> windows;
    const char* sClass;
};

BOOL CALLBACK Collect(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    char cls[64] = {}, title[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    GetWindowTextA(h, title, sizeof(title));
    if (std::string(cls) == f->sClass && std::string(title) == "Murivane") f->windows.push_back(h);
    return TRUE;
}

std::vector<HWND> Windows(const char* sClass) {
    Found f{{}, sClass};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

HWND WaitForWindow(const char* sClass, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        auto w = Windows(sClass);
        if (!w.empty()) return w[0];
        Sleep(100);
    }
    return nullptr;
}

bool WaitUntilNone(const char* sClass, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (Windows(sClass).empty()) return true;
        Sleep(100);
    }
    return false;
}

const char kTray[] = "MurivaneFrame";
const char kSheet[] = "#32770";

void CloseAllTrays() {
    for (HWND h : Windows(kTray)) PostMessageA(h, WM_CLOSE, 0, 0);
    WaitUntilNone(kTray, 5000);
}

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
