// The setup program: a silent install, the installed program, an install over
// a running copy, and the silent uninstall. scripts/test-installer.sh runs
// these in a fresh Wine prefix of their own and names the setup program in
// MURIVANE_SETUP; without it they are skipped. They build on each other and
// run in file order.
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/OutputFolder.h"
#include "app/SystemFacts.h"
#include "app/win32/Shell.h"
#include "config/Registry.h"
#include "config/Settings.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/win32/Win32Environment.h"
#include "platform/win32/Win32Registry.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::test;
using namespace mv::win;

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Murivane";

std::string SetupProgram() {
    const char* s = std::getenv("MURIVANE_SETUP");
    if (!s || !*s) return {};
    std::string path(s);
    if (path[0] == '/') {  // a Unix path: Wine shows the root as drive Z:
        for (char& c : path)
            if (c == '/') c = '\\';
        path = "Z:" + path;
    }
    return path;
}

std::string Folder(int csidl) {
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

std::string InstallDir() { return Folder(CSIDL_PROGRAM_FILES) + "\\Murivane"; }
std::string PicturesFolder() { return Folder(CSIDL_MYPICTURES); }
std::string StartMenuShortcut() { return Folder(CSIDL_COMMON_PROGRAMS) + "\\Murivane.lnk"; }

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void PutFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string UninstallValue(const char* name) {
    char text[1024] = {};
    DWORD size = sizeof(text);
    if (RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return "<none>";
    return text;
}

bool KeyExists(HKEY root, const char* key) {
    HKEY h = nullptr;
    if (RegOpenKeyExA(root, key, 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

// Runs a command line to its end; returns its exit code (or -1).
int RunToEnd(const std::string& cmd, DWORD ms = 60000) {
    std::string buf = cmd;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessA(nullptr, buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return -1;
    DWORD code = static_cast<DWORD>(-1);
    if (WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return static_cast<int>(code);
}

// Starts the installed program without waiting for it.
void Start(const std::string& sArgs) {
    std::string exe = InstallDir() + "\\Murivane.exe";
    std::string cmd = "\"" + exe + "\" " + sArgs;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

// The running tray instance: its process id, and a handle that is signalled
// when it ends.
struct Tray {
    DWORD pid = 0;
    HANDLE hProcess = nullptr;
    explicit Tray(DWORD ms = 10000) {
        HWND h = WaitForWindow(kTray, ms);
        if (!h) return;
        GetWindowThreadProcessId(h, &pid);
        hProcess = OpenProcess(SYNCHRONIZE, FALSE, pid);
    }
    ~Tray() {
        if (hProcess) CloseHandle(hProcess);
    }
    bool Ended(DWORD ms) { return hProcess && WaitForSingleObject(hProcess, ms) == WAIT_OBJECT_0; }
};

struct Link {
    std::string target, args;
};

Link ReadLink(const std::string& path) {
    Link link;
    CoInitialize(nullptr);
    IShellLinkA* pLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&pLink)))) {
        IPersistFile* pFile = nullptr;
        if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
            WCHAR wide[MAX_PATH] = {};
            MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
            if (SUCCEEDED(pFile->Load(wide, STGM_READ))) {
                char target[MAX_PATH] = {}, args[MAX_PATH] = {};
                pLink->GetPath(target, MAX_PATH, nullptr, 0);
                pLink->GetArguments(args, MAX_PATH);
                link = {target, args};
            }
            pFile->Release();
        }
        pLink->Release();
    }
    CoUninitialize();
    return link;
}

// The help document as the installed program finds it: its settings' install
// folder followed by the document's name.
std::string HelpAsTheProgramFindsIt() {
    Win32Registry store;
    Profile profile(store, "Quorvale", "Murivane");
    MemoryDesktop desktop;
    Settings settings;
    settings.Load(profile, desktop);
    return HelpPath(settings.InstallFolder);
}

std::string CollectionsFile() {
    Win32Environment env;
    return OutputFile(env, "Murivane.ini");
}

struct Installer : ::testing::Test {
    std::string setup = SetupProgram();
    void SetUp() override {
        if (setup.empty()) GTEST_SKIP() << "MURIVANE_SETUP names no setup program (see scripts/test-installer.sh)";
    }
};

}  // namespace

TEST_F(Installer, SilentInstallRegistersTheProgramAndItsHelp) {
    ASSERT_EQ(RunToEnd("\"" + setup + "\" /S"), 0);
    const std::string dir = InstallDir();
    EXPECT_TRUE(Exists(dir + "\\Murivane.exe"));
    EXPECT_TRUE(Exists(dir + "\\Murivane.htm"));
    EXPECT_EQ(ReadConfigString("InstallFolder"), dir + "\\");

    Link start = ReadLink(StartMenuShortcut());
    EXPECT_EQ(lstrcmpiA(start.target.c_str(), (dir + "\\Murivane.exe").c_str()), 0) << start.target;
    EXPECT_EQ(start.args, "");  // no arguments: the settings sheet

    // The list of installed programs.
    EXPECT_EQ(UninstallValue("DisplayName"), "Murivane");
    EXPECT_EQ(UninstallValue("Publisher"), "Quorvale");
    EXPECT_EQ(UninstallValue("DisplayIcon"), dir + "\\Murivane.exe,0");
    EXPECT_EQ(UninstallValue("UninstallString"), "\"" + dir + "\\Uninstall.exe\"");
    EXPECT_EQ(UninstallValue("QuietUninstallString"), "\"" + dir + "\\Uninstall.exe\" /S");
    DWORD size = 0, cb = 4;
    RegGetValueA(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size, &cb);
    EXPECT_GT(size, 100u);  // kilobytes
    // The version shown there is the one the program reports about itself.
    std::string version = UninstallValue("DisplayVersion");
    DWORD dummy = 0, cbInfo = GetFileVersionInfoSizeA((dir + "\\Murivane.exe").c_str(), &dummy);
    std::string info(cbInfo, '\0');
    GetFileVersionInfoA((dir + "\\Murivane.exe").c_str(), 0, cbInfo, info.data());
    char* pText = nullptr;
    UINT cbText = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\StringFileInfo\\040904b0\\ProductVersion",
                               reinterpret_cast<void**>(&pText), &cbText));
    EXPECT_EQ(version, FormatProductVersion(pText));

    // The installed program runs and finds its help through InstallFolder.
    WriteConfigDword("ChangeOnStartup", 0);  // no wallpaper work while under test
    Start("/tray");
    Tray tray;
    EXPECT_NE(tray.pid, 0u);
    EXPECT_EQ(HelpAsTheProgramFindsIt(), dir + "\\Murivane.htm");
    EXPECT_TRUE(Exists(HelpAsTheProgramFindsIt()));
}

TEST_F(Installer, InstallOverARunningCopyKeepsSettingsAndCollections) {
    const std::string dir = InstallDir();
    ASSERT_TRUE(Exists(dir + "\\Murivane.exe"));
    if (!WaitForWindow(kTray, 0)) Start("/tray");
    Tray before;
    ASSERT_NE(before.pid, 0u);

    const std::string help = FileText(dir + "\\Murivane.htm");
    PutFile(dir + "\\Murivane.htm", "an older help document");
    WriteConfigDword("Minutes", 17);
    const std::string ini = CollectionsFile();
    WritePrivateProfileStringA("Holidays", "Folder0", "c:\\pictures\\holidays", ini.c_str());
    WritePrivateProfileStringA("Holidays", "FolderCount", "1", ini.c_str());
    WriteConfigString("Current", "Holidays");

    ASSERT_EQ(RunToEnd("\"" + setup + "\" /S"), 0);
    EXPECT_TRUE(before.Ended(0)) << "the running copy was not closed";
    EXPECT_EQ(FileText(dir + "\\Murivane.htm"), help);  // the files are replaced

    // The tray instance is back: a new process.
    Tray after;
    EXPECT_NE(after.pid, 0u);
    EXPECT_NE(after.pid, before.pid);

    EXPECT_EQ(ReadConfigDword("Minutes", 0), 17u);
    EXPECT_EQ(ReadConfigDword("ChangeOnStartup", 1), 0u);
    EXPECT_EQ(ReadConfigString("Current"), "Holidays");
    EXPECT_EQ(ReadConfigString("InstallFolder"), dir + "\\");
    char folder[MAX_PATH] = {};
    GetPrivateProfileStringA("Holidays", "Folder0", "", folder, MAX_PATH, ini.c_str());
    EXPECT_STREQ(folder, "c:\\pictures\\holidays");
}

TEST_F(Installer, SilentUninstallRemovesWhatItInstalledAndNothingElse) {
    const std::string dir = InstallDir();
    ASSERT_TRUE(Exists(dir + "\\Uninstall.exe"));
    if (!WaitForWindow(kTray, 0)) Start("/tray");
    Tray tray;
    ASSERT_NE(tray.pid, 0u);

    // The settings sheet confirmed with OK makes the start-up shortcut.
    Start("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    sheet.Ok();
    ASSERT_TRUE(WaitGone(sheet.hWnd, 10000));
    auto startup = FindStartupFolder();
    ASSERT_TRUE(startup.has_value());
    const std::string startupLink = StartupShortcutPath(*startup, "Murivane");
    for (int i = 0; i < 50 && !Exists(startupLink); ++i) Sleep(100);
    ASSERT_TRUE(Exists(startupLink));

    // What the user has that the setup program did not install.
    Win32Environment env;
    const std::string wallpaper = OutputFile(env, "Murivane.bmp");
    PutFile(wallpaper, "BM the current wallpaper");
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string trace = std::string(temp) + "trace.txt";
    PutFile(trace, "a trace");
    CreateDirectoryA("C:\\pictures", nullptr);
    const std::string picture = "C:\\pictures\\sunset.bmp";
    PutFile(picture, "BM a picture");
    const std::string ini = CollectionsFile();
    ASSERT_TRUE(Exists(ini));
    // The last wallpapers shown, beside the collections file wherever it is
    // kept: both places, so the per-user folder is left empty and removed.
    // So are the monitors' fractals the wallpaper is composed from.
    for (const char* name : {"Murivane History.ini", "Murivane1.bmp", "Murivane12.bmp"})
        for (const std::string& file : CandidateFiles(env, name)) {
            CreateDirectoryA(file.substr(0, file.rfind('\\')).c_str(), nullptr);
            PutFile(file, "[History]\nCount=1\n");
            ASSERT_TRUE(Exists(file)) << file;
        }
    const std::string perUser = env.AppDataFolder() + "\\Murivane";
    // A fractal the user kept, in the Pictures folder.
    const std::string keptFolder = PicturesFolder() + "\\Murivane Fractals";
    CreateDirectoryA(PicturesFolder().c_str(), nullptr);
    CreateDirectoryA(keptFolder.c_str(), nullptr);
    const std::string kept = keptFolder + "\\Fractal 12345.png";
    PutFile(kept, "a kept fractal");

    // The quiet command of the list of installed programs. The uninstaller
    // runs from a copy of itself, so wait for its last step.
    ASSERT_EQ(RunToEnd(UninstallValue("QuietUninstallString")), 0);
    for (int i = 0; i < 300 && KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey); ++i) Sleep(100);
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));

    EXPECT_TRUE(tray.Ended(5000));
    EXPECT_FALSE(Exists(dir)) << "the install folder is left";
    EXPECT_FALSE(Exists(StartMenuShortcut()));
    EXPECT_FALSE(Exists(startupLink));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, "Software\\Quorvale\\Murivane"));
    for (const std::string& file : CandidateFiles(env, "Murivane.ini")) EXPECT_FALSE(Exists(file)) << file;
    for (const char* name : {"Murivane History.ini", "Murivane1.bmp", "Murivane12.bmp"})
        for (const std::string& file : CandidateFiles(env, name)) EXPECT_FALSE(Exists(file)) << file;
    EXPECT_FALSE(Exists(perUser)) << "the per-user folder is left";

    EXPECT_EQ(FileText(wallpaper), "BM the current wallpaper");
    EXPECT_EQ(FileText(trace), "a trace");
    EXPECT_EQ(FileText(picture), "BM a picture");
    EXPECT_EQ(FileText(kept), "a kept fractal");
    DeleteFileA(kept.c_str());
    RemoveDirectoryA(keptFolder.c_str());
    DeleteFileA(wallpaper.c_str());
    DeleteFileA(trace.c_str());
}
