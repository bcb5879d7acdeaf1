// Environment probes, the start-up shortcut, the version and help under Wine.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "app/win32/Shell.h"
#include "platform/win32/Win32Registry.h"

using namespace mv;
using namespace mv::win;

namespace {
// Waits for a message box titled sTitle, returns its text and presses OK.
std::string AnswerMessageBox(const char* sTitle) {
    for (int i = 0; i < 100; ++i) {
        HWND h = FindWindowA("#32770", sTitle);
        if (h) {
            std::string text;
            for (HWND c = GetWindow(h, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
                char cls[32] = {}, buf[1024] = {};
                GetClassNameA(c, cls, sizeof(cls));
                GetWindowTextA(c, buf, sizeof(buf));
                if (std::string(cls) == "Static" && buf[0]) text = buf;
            }
            PostMessageA(h, WM_COMMAND, IDOK, 0);
            return text;
        }
        Sleep(100);
    }
    return "<no message box>";
}
}  // namespace

TEST(ShellWin, ProductVersionFromTheVersionResource) { EXPECT_EQ(GetProductVersion(), "1.0.0.0"); }

TEST(ShellWin, ActiveDesktopProbes) {
    Win32Registry store;
    Registry reg(store);
    VersionFacts v = GetVersionFacts();
    EXPECT_EQ(v.platformId, 2u);
    // Not installed means not in use, without asking the shell.
    EXPECT_FALSE(IsUsingActiveDesktop(false));
    if (!IsWin2000(v)) {
        EXPECT_EQ(IsActiveDesktopInstalled(reg),
                  IsInstalledFlag(reg.ReadValue(RootKey::LocalMachine, kActiveDesktopKey, "IsInstalled")));
    }
}

TEST(ShellWin, StartupShortcutIsMadeAndRemoved) {
    auto folder = FindStartupFolder();
    ASSERT_TRUE(folder.has_value());
    CreateDirectoryA(folder->c_str(), nullptr);
    std::string path = StartupShortcutPath(*folder, "MurivaneTest");
    CreateStartupShortcut("MurivaneTest");
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    // Read it back through the shell-link object.
    CoInitialize(nullptr);
    IShellLinkA* pLink = nullptr;
    ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                           reinterpret_cast<void**>(&pLink))));
    IPersistFile* pFile = nullptr;
    ASSERT_TRUE(SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile))));
    WCHAR wide[MAX_PATH] = {};
    MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
    ASSERT_TRUE(SUCCEEDED(pFile->Load(wide, STGM_READ)));
    char target[MAX_PATH] = {}, args[MAX_PATH] = {}, description[MAX_PATH] = {};
    pLink->GetPath(target, MAX_PATH, nullptr, 0);
    pLink->GetArguments(args, MAX_PATH);
    pLink->GetDescription(description, MAX_PATH);
    pFile->Release();
    pLink->Release();
    CoUninitialize();
    EXPECT_EQ(lstrcmpiA(target, ExecutablePath().c_str()), 0) << target;
    EXPECT_STREQ(args, "/tray");
    EXPECT_STREQ(description, "Shortcut to Murivane.scr");
    RemoveStartupShortcut("MurivaneTest");
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
    RemoveStartupShortcut("MurivaneTest");  // a missing file is no error
}

// A StartUp folder whose path leaves no room for the shortcut's name within
// MAX_PATH: the shortcut is saved under its whole name or not at all.
TEST(ShellWin, ShortcutNameIsNeverCutShort) {
    char old[MAX_PATH * 2] = {};
    DWORD size = sizeof(old);
    const char* key = kShellFoldersNT;  // the key the program reads first
    if (RegGetValueA(HKEY_CURRENT_USER, key, "StartUp", RRF_RT_REG_SZ, nullptr, old, &size) != ERROR_SUCCESS) {
        key = kShellFolders9x;
        size = sizeof(old);
        ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key, "StartUp", RRF_RT_REG_SZ, nullptr, old, &size), ERROR_SUCCESS);
    }
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp) + "startup";
    folder += std::string(250 - folder.size(), 'x');
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    RegSetKeyValueA(HKEY_CURRENT_USER, key, "StartUp", REG_SZ, folder.c_str(), static_cast<DWORD>(folder.size() + 1));
    bool bSaved = CreateStartupShortcut("Murivane");
    RegSetKeyValueA(HKEY_CURRENT_USER, key, "StartUp", REG_SZ, old, static_cast<DWORD>(strlen(old) + 1));
    std::vector<std::string> names;
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((folder + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (fd.cFileName[0] != '.') names.push_back(fd.cFileName);
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(names, bSaved ? std::vector<std::string>{"Murivane.lnk"} : std::vector<std::string>{});
    for (const std::string& n : names) DeleteFileA((folder + "\\" + n).c_str());
    RemoveDirectoryA(folder.c_str());
}

TEST(ShellWin, HelpThatExistsIsOpenedWithoutComplaint) {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string folder = std::string(temp);  // ends with a backslash
    std::string help = folder + "Murivane.htm";
    FILE* f = std::fopen(help.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("<html><body>help</body></html>", f);
    std::fclose(f);
    std::string text;
    std::thread answer([&] { text = AnswerMessageBox("Error"); });
    ShowHelp(folder);
    answer.join();
    // Either the browser opened (no message) or the shell could not start one;
    // never the missing-file message.
    EXPECT_EQ(text.find("could not find"), std::string::npos) << text;
    DeleteFileA(help.c_str());
}

TEST(ShellWin, HelpThatIsMissingSaysSo) {
    std::string text;
    std::thread answer([&] { text = AnswerMessageBox("Error"); });
    ShowHelp("C:\\Nowhere\\");
    answer.join();
    EXPECT_EQ(text, "Sorry, could not find help file C:\\Nowhere\\Murivane.htm. It may be installed in another folder.");
}

TEST(ShellWin, RunProgramStartsAndReportsFailure) {
    HANDLE h = nullptr;
    DWORD id = 0;
    EXPECT_FALSE(RunProgram("C:\\no\\such\\program.exe", "/tray", NORMAL_PRIORITY_CLASS, &h, &id));
    EXPECT_EQ(h, nullptr);
    EXPECT_EQ(id, 0u);
    char sys[MAX_PATH] = {};
    GetSystemDirectoryA(sys, MAX_PATH);
    std::string cmd = std::string(sys) + "\\cmd.exe";
    ASSERT_TRUE(RunProgram(cmd, "/c exit 3", NORMAL_PRIORITY_CLASS, &h, &id));
    EXPECT_NE(id, 0u);
    WaitForSingleObject(h, 10000);
    DWORD code = 0;
    GetExitCodeProcess(h, &code);
    EXPECT_EQ(code, 3u);
    CloseHandle(h);
}
