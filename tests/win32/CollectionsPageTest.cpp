// The Collections page and its dialogs driven through their controls in a
// settings instance, with the collections file, the registry and the screen
// checked afterwards; and the drive search on a real tree with real
// attributes.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "image/Drive.h"
#include "image/TestPictures.h"
#include "platform/win32/Win32DirectoryLister.h"
#include "resource.h"
#include "shell/History.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv;
using namespace mv::test;
using Strings = std::vector<std::string>;

namespace {

std::string IniPath() {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\Murivane.ini";
}

void WriteIni(const std::string& s) { std::ofstream(IniPath(), std::ios::binary | std::ios::trunc) << s; }

std::string IniValue(const char* sSection, const char* sKey) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(sSection, sKey, "<none>", buffer, sizeof(buffer), IniPath().c_str());
    return buffer;
}

Strings IniSections() {
    std::vector<char> buffer(16384, '\0');
    DWORD n = GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(buffer.size()), IniPath().c_str());
    Strings names;
    for (DWORD i = 0; i < n;) {
        std::string s(&buffer[i]);
        if (s.empty()) break;
        names.push_back(s);
        i += static_cast<DWORD>(s.size()) + 1;
    }
    return names;
}

// Item texts of a list box or combo box of the settings instance.
Strings Items(HWND hCtl, bool bCombo) {
    Strings items;
    int n = static_cast<int>(SendMessageA(hCtl, bCombo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        // The folder list is subclassed as a Unicode window: ask in its form.
        wchar_t text[1024] = {};
        SendMessageW(hCtl, bCombo ? CB_GETLBTEXT : LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        char narrow[1024] = {};
        WideCharToMultiByte(CP_ACP, 0, text, -1, narrow, sizeof(narrow), nullptr, nullptr);
        items.push_back(narrow);
    }
    return items;
}
Strings Folders(HWND hPage) { return Items(GetDlgItem(hPage, IDC_COLL_FOLDERS), false); }
Strings Collections(HWND hPage) { return Items(GetDlgItem(hPage, IDC_COLL_COMBO), true); }

std::string SelectedCollection(HWND hPage) {
    HWND h = GetDlgItem(hPage, IDC_COLL_COMBO);
    int i = static_cast<int>(SendMessageA(h, CB_GETCURSEL, 0, 0));
    Strings all = Collections(hPage);
    return i >= 0 && i < static_cast<int>(all.size()) ? all[static_cast<size_t>(i)] : "<none>";
}

// Chooses an entry as the opened list would: the page reloads when it closes.
void ChooseCollection(HWND hPage, int index) {
    HWND h = GetDlgItem(hPage, IDC_COLL_COMBO);
    SendMessageA(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(hPage, WM_COMMAND, MAKEWPARAM(IDC_COLL_COMBO, CBN_CLOSEUP), reinterpret_cast<LPARAM>(h));
}

// Presses a button that opens a message box and returns its text.
std::string BoxAfterClick(Sheet& sheet, HWND hPage, int id) {
    Click(hPage, id);
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
    if (!hBox) return "<no box>";
    std::string s = WindowText(hBox) + ": " + BoxText(hBox);
    DismissBox(hBox);
    return s;
}

// New... with a name typed; the message shown, if any.
std::string NewCollection(Sheet& sheet, HWND hPage, const char* sName) {
    Click(hPage, IDC_COLL_NEW);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000);
    if (!hDlg || WindowText(hDlg) != "New") return "<no New dialog>";
    SetText(hDlg, IDC_NEW_NAME, sName);
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    WaitGone(hDlg, 5000);
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 500);
    if (!hBox) return "";
    std::string s = BoxText(hBox);
    DismissBox(hBox);
    return s;
}

// Add... with the shell's folder browser pointed at a path.
bool AddFolder(Process& process, Sheet& sheet, HWND hPage, const std::string& sPath) {
    Click(hPage, IDC_COLL_ADD);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 10000);
    if (!hDlg) return false;
    void* remote = VirtualAllocEx(process.pi.hProcess, nullptr, sPath.size() + 1, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process.pi.hProcess, remote, sPath.c_str(), sPath.size() + 1, nullptr);
    SendMessageA(hDlg, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(remote));
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    bool bGone = WaitGone(hDlg, 5000);
    VirtualFreeEx(process.pi.hProcess, remote, 0, MEM_RELEASE);
    return bGone;
}

// Search... for the drives whose roots are given.
bool StartSearch(Sheet& sheet, HWND hPage, const Strings& roots) {
    Click(hPage, IDC_COLL_SEARCH);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000);
    if (!hDlg || WindowText(hDlg) != "Search") return false;
    HWND hList = GetDlgItem(hDlg, IDC_SEARCH_DRIVES);
    SendMessageA(hList, LB_SETSEL, FALSE, -1);
    for (const std::string& r : roots) {
        LRESULT i = SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(r.c_str()));
        if (i < 0) return false;
        SendMessageA(hList, LB_SETSEL, TRUE, i);
    }
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    return WaitGone(hDlg, 5000);
}

bool WaitSearchIdle(HWND hPage, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        if (GetText(hPage, IDC_COLL_SEARCH) == "&Search...") return true;
        Sleep(50);
    }
    return false;
}

void MakeDir(const std::string& s) { CreateDirectoryA(s.c_str(), nullptr); }
void Touch(const std::string& s) { std::ofstream(s) << "not really a picture"; }

void RemoveTree(const std::string& sDir) {
    WIN32_FIND_DATAA fd;
    HANDLE h = FindFirstFileA((sDir + "\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::string n = fd.cFileName;
            if (n == "." || n == "..") continue;
            std::string p = sDir + "\\" + n;
            SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(p);
            else DeleteFileA(p.c_str());
        } while (FindNextFileA(h, &fd));
        FindClose(h);
    }
    SetFileAttributesA(sDir.c_str(), FILE_ATTRIBUTE_NORMAL);
    RemoveDirectoryA(sDir.c_str());
}

// c:\mvtree: a tree with the cases of the search.
const char kTree[] = "c:\\mvtree";
const char kRootPicture[] = "c:\\mvtree-root-picture.jpg";

void MakeTree() {
    RemoveTree(kTree);
    MakeDir(kTree);
    MakeDir("c:\\mvtree\\pics");
    Touch("c:\\mvtree\\pics\\a.JPG");
    MakeDir("c:\\mvtree\\pics\\deeper");
    Touch("c:\\mvtree\\pics\\deeper\\b.png");
    MakeDir("c:\\mvtree\\hidden");
    Touch("c:\\mvtree\\hidden\\h.jpg");
    MakeDir("c:\\mvtree\\hidden\\inside");
    Touch("c:\\mvtree\\hidden\\inside\\i.bmp");
    SetFileAttributesA("c:\\mvtree\\hidden", FILE_ATTRIBUTE_HIDDEN);
    MakeDir("c:\\mvtree\\system");
    Touch("c:\\mvtree\\system\\s.jpeg");
    SetFileAttributesA("c:\\mvtree\\system", FILE_ATTRIBUTE_SYSTEM);
    MakeDir("c:\\mvtree\\gifs");
    Touch("c:\\mvtree\\gifs\\g.gif");
    MakeDir("c:\\mvtree\\jpe");
    Touch("c:\\mvtree\\jpe\\old.jpe");
    MakeDir("c:\\mvtree\\.dot");
    Touch("c:\\mvtree\\.dot\\d.jpg");
    Touch(kRootPicture);
}

struct CollectionsPage : ::testing::Test {
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();
        DeleteFileA(IniPath().c_str());
    }
    void TearDown() override {
        CloseAllTrays();
        DeleteFileA(IniPath().c_str());
        DeleteFileA(ExeBeside("explorer.exe").c_str());  // planted by a test that stopped half way
    }
};

}  // namespace

TEST_F(CollectionsPage, NewAndDeleteFollowTheirRules) {
    WriteIni("[Default]\r\nFolderCount=0\r\n[Beta]\r\nFolder0=c:\\b\r\nFolderCount=1\r\n[Zeta]\r\nFolderCount=0\r\n");
    WriteConfigString("Current", "ZETA");
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
        EXPECT_EQ(Collections(hPage), (Strings{"Beta", "Default", "Zeta"}));
        EXPECT_EQ(SelectedCollection(hPage), "Zeta");

        EXPECT_EQ(NewCollection(sheet, hPage, "default"), "This name is already used: default\n");
        // The file's section names lose the blanks at either end: so do names typed.
        EXPECT_EQ(NewCollection(sheet, hPage, " beta\t "), "This name is already used: beta\n");
        EXPECT_EQ(Collections(hPage).size(), 3u);

        // Deleting the last entry makes the new last one current at once.
        Click(hPage, IDC_COLL_DELETE);
        for (int i = 0; i < 100 && Collections(hPage).size() == 3; ++i) Sleep(50);
        EXPECT_EQ(SelectedCollection(hPage), "Default");
        EXPECT_EQ(ReadConfigString("Current"), "Default");
        EXPECT_EQ(IniSections(), (Strings{"Default", "Beta"}));

        EXPECT_EQ(BoxAfterClick(sheet, hPage, IDC_COLL_DELETE),
                  "Error: 'Default' is the only collection that cannot be deleted.\n");

        // A new collection is selected and reaches the file when stored.
        ChooseCollection(hPage, 0);
        EXPECT_EQ(Folders(hPage), (Strings{"c:\\b"}));
        EXPECT_EQ(NewCollection(sheet, hPage, "Holiday Pictures"), "");
        EXPECT_EQ(SelectedCollection(hPage), "Holiday Pictures");
        EXPECT_TRUE(Folders(hPage).empty());
        sheet.Cancel();
        EXPECT_TRUE(settings.WaitExit(10000));
    }
    EXPECT_EQ(IniSections(), (Strings{"Default", "Beta"}));
    EXPECT_EQ(ReadConfigString("Current"), "Default");

    // Only the exact name "Default" is protected.
    WriteIni("[default]\r\nFolderCount=0\r\n");
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    EXPECT_EQ(SelectedCollection(hPage), "default");
    Click(hPage, IDC_COLL_DELETE);
    for (int i = 0; i < 100 && IniSections().size() == 1; ++i) Sleep(50);
    EXPECT_TRUE(IniSections().empty());
    EXPECT_EQ(Collections(hPage), (Strings{"Default"}));
    EXPECT_EQ(NewCollection(sheet, hPage, " Trip "), "");
    EXPECT_EQ(SelectedCollection(hPage), "Trip");
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(10000));
    EXPECT_EQ(IniSections(), (Strings{"Default", "Trip"}));
    EXPECT_EQ(ReadConfigString("Current"), "Trip");
}

// An OK that cannot save the collections file (another process holds the
// lock every save takes, past the wait) says so, keeps the sheet open with
// the edit, and the next OK writes it.
TEST_F(CollectionsPage, AnOkThatCannotSaveSaysSoAndKeepsTheEdit) {
    WriteIni("[Default]\r\nFolder0=c:\\keep\r\nFolderCount=1\r\nCycle=1\r\n");
    std::string sLock = "Local\\Murivane save ";
    for (char c : IniPath()) sLock += c == '\\' ? '/' : (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    HANDLE hLock = CreateMutexA(nullptr, TRUE, sLock.c_str());
    ASSERT_NE(hLock, nullptr);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    SendDlgItemMessageA(hPage, IDC_COLL_CYCLE, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageA(hPage, IDC_COLL_RANDOM, BM_SETCHECK, BST_CHECKED, 0);
    sheet.Ok();
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 20000);
    ReleaseMutex(hLock);
    CloseHandle(hLock);
    ASSERT_NE(hBox, nullptr);
    EXPECT_EQ(WindowText(hBox), "Murivane");
    EXPECT_NE(BoxText(hBox).find("could not be saved"), std::string::npos) << BoxText(hBox);
    EXPECT_EQ(IniValue("Default", "Cycle"), "1");
    ASSERT_TRUE(DismissBox(hBox));
    EXPECT_FALSE(settings.WaitExit(1000)) << "the sheet closed without saving";
    EXPECT_TRUE(IsWindow(sheet.hWnd) && IsWindowVisible(sheet.hWnd));
    EXPECT_TRUE(Checked(hPage, IDC_COLL_RANDOM));
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(15000));
    EXPECT_EQ(IniValue("Default", "Cycle"), "0");
    EXPECT_EQ(IniValue("Default", "Folder0"), "c:\\keep");
}

TEST_F(CollectionsPage, FoldersByHandStoredOnOkOnly) {
    MakeDir("c:\\mvpics");
    MakeDir("c:\\mvpics\\More & More");
    WriteIni("[Default]\r\nFolder0=c:\\keep\r\nFolderCount=1\r\nNextToUse=5\r\n");
    const std::string sBefore = [] {
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }();
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
        ASSERT_TRUE(AddFolder(settings, sheet, hPage, "C:\\mvpics"));
        ASSERT_TRUE(AddFolder(settings, sheet, hPage, "C:\\mvpics"));  // already listed: not added again
        EXPECT_EQ(Folders(hPage), (Strings{"c:\\keep", "c:\\mvpics"}));
        ClickNow(hPage, IDC_COLL_REMOVE_ALL);
        EXPECT_TRUE(Folders(hPage).empty());
        sheet.Cancel();
        EXPECT_TRUE(settings.WaitExit(10000));
    }
    {
        // Closed again at once: a reader holding the file would keep the
        // save below from replacing it.
        std::ifstream in(IniPath(), std::ios::binary);
        std::stringstream after;
        after << in.rdbuf();
        EXPECT_EQ(after.str(), sBefore);  // Cancel stores nothing of the edited collection
    }

    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    ASSERT_TRUE(AddFolder(settings, sheet, hPage, "C:\\mvpics\\More & More"));
    ASSERT_TRUE(AddFolder(settings, sheet, hPage, "C:\\mvpics"));
    // Remove the selected entry; the selection moves to the one now there.
    SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_SETCURSEL, 0, 0);
    ClickNow(hPage, IDC_COLL_REMOVE);
    EXPECT_EQ(Folders(hPage), (Strings{"c:\\mvpics", "c:\\mvpics\\More & More"}));
    EXPECT_EQ(SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_GETCURSEL, 0, 0), 0);
    ClickNow(hPage, IDC_COLL_CYCLE);
    SendDlgItemMessageA(hPage, IDC_COLL_FRACTAL, TBM_SETPOS, TRUE, 30);
    // Preview without a selection only hints in the status line.
    SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ClickNow(hPage, IDC_COLL_PREVIEW);
    EXPECT_EQ(GetText(hPage, IDC_COLL_STATUS), "Please select a folder from the above list");
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(10000));
    EXPECT_EQ(IniValue("Default", "FolderCount"), "2");
    // The collection keeps the order the folders were added in.
    EXPECT_EQ(IniValue("Default", "Folder0"), "c:\\mvpics\\More & More");
    EXPECT_EQ(IniValue("Default", "Folder1"), "c:\\mvpics");
    EXPECT_EQ(IniValue("Default", "Cycle"), "1");
    EXPECT_EQ(IniValue("Default", "NextToUse"), "0");
    EXPECT_EQ(IniValue("Default", "FractalProb"), "30");
    EXPECT_EQ(ReadConfigString("Current"), "Default");
    RemoveDirectoryA("c:\\mvpics\\More & More");
    RemoveDirectoryA("c:\\mvpics");
}

TEST_F(CollectionsPage, DriveSearchOnARealTreeWithAttributes) {
    MakeTree();
    // The search itself, through the Windows lister.
    Win32DirectoryLister lister;
    Strings found;
    qvDrive(lister, kTree).Search("*.jpg *.jpeg *.bmp *.png", found, false, true, false, nullptr, nullptr);
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (Strings{"c:\\mvtree\\pics", "c:\\mvtree\\pics\\deeper", "c:\\mvtree\\system"}));

    // The page's search of drive c: adds the root ("c:\") and the tree's
    // folders, after the folder already listed.
    WriteIni("[Default]\r\nFolder0=C:\\MVTREE\\PICS\r\nFolderCount=1\r\n");
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    ASSERT_TRUE(StartSearch(sheet, hPage, {"c:\\"}));
    ASSERT_TRUE(WaitSearchIdle(hPage, 120000));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(hPage, IDC_COLL_ADD)));
    Strings listed = Folders(hPage);
    auto has = [&](const char* s) { return std::find(listed.begin(), listed.end(), s) != listed.end(); };
    EXPECT_TRUE(has("c:\\"));
    EXPECT_TRUE(has("C:\\MVTREE\\PICS"));
    EXPECT_FALSE(has("c:\\mvtree\\pics"));
    EXPECT_TRUE(has("c:\\mvtree\\pics\\deeper"));
    EXPECT_TRUE(has("c:\\mvtree\\system"));
    EXPECT_FALSE(has("c:\\mvtree\\hidden") || has("c:\\mvtree\\hidden\\inside"));
    // GIF and JPE files are pictures the program reads, with or without Active Desktop.
    EXPECT_TRUE(has("c:\\mvtree\\gifs"));
    EXPECT_TRUE(has("c:\\mvtree\\jpe"));
    EXPECT_FALSE(has("c:\\mvtree\\.dot"));
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(10000));
    EXPECT_EQ(IniValue("Default", "FolderCount"), std::to_string(listed.size()));
    RemoveTree(kTree);
    DeleteFileA(kRootPicture);
}

TEST_F(CollectionsPage, SearchStartedAndStoppedFiftyTimes) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> delay(0, 400);
    // The whole Unix file system behind z: keeps a search busy; c: is short
    // enough to end now and then before the stop.
    const Strings drives[] = {{"c:\\"}, {"z:\\"}, {"c:\\", "z:\\"}};
    int iteration = 0;
    for (int round = 0; round < 5; ++round) {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
        for (int i = 0; i < 10; ++i, ++iteration) {
            SCOPED_TRACE(iteration);
            ASSERT_TRUE(StartSearch(sheet, hPage, drives[iteration % 3]));
            Sleep(static_cast<DWORD>(delay(random)));
            if (i == 9) {
                // OK or Cancel in the middle of a search closes the sheet.
                if (round % 2) sheet.Ok(); else sheet.Cancel();
                ASSERT_TRUE(settings.WaitExit(15000)) << settings.WindowsShown();
                break;
            }
            if (GetText(hPage, IDC_COLL_SEARCH) == "Stop") {
                // A search that ended just before the click opens the drive
                // dialog again, and the click is answered once that closes.
                DWORD_PTR result = 0;
                if (!SendMessageTimeoutA(GetDlgItem(hPage, IDC_COLL_SEARCH), BM_CLICK, 0, 0, SMTO_NORMAL, 3000,
                                         &result)) {
                    if (HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000)) {
                        PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
                        ASSERT_TRUE(WaitGone(hDlg, 5000));
                    }
                }
                ASSERT_TRUE(WaitSearchIdle(hPage, 10000));
            } else {
                ASSERT_TRUE(WaitSearchIdle(hPage, 10000));
            }
            size_t n = Folders(hPage).size();
            Sleep(300);
            EXPECT_EQ(Folders(hPage).size(), n);  // nothing arrives after the stop
            EXPECT_FALSE(IsWindowVisible(GetDlgItem(hPage, IDC_COLL_STATUS)));
        }
    }
}

namespace {

// A string of another process's memory.
std::string RemoteString(HANDLE h, const UNICODE_STRING& s) {
    std::wstring w(s.Length / 2, L'\0');
    SIZE_T got = 0;
    if (w.empty() || !ReadProcessMemory(h, s.Buffer, &w[0], s.Length, &got) || got != s.Length) return std::string();
    std::string out;
    for (wchar_t c : w) out += c < 128 ? static_cast<char>(c) : '?';
    return out;
}

// A process named sExe whose command line holds sNeedle: its image path and
// command line as it was started (read from its own parameter block), and a
// handle to end it with. Null when there is none.
HANDLE FindStartedProcess(const char* sExe, const std::string& sNeedle, std::string& sImage, std::string& sCommand) {
    using Query = LONG(WINAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    const auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess")));
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (!query || hSnap == INVALID_HANDLE_VALUE) return nullptr;
    HANDLE hFound = nullptr;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(hSnap, &entry); more && !hFound; more = Process32Next(hSnap, &entry)) {
        if (lstrcmpiA(entry.szExeFile, sExe) != 0) continue;
        HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_TERMINATE, FALSE,
                               entry.th32ProcessID);
        if (!h) continue;
        PROCESS_BASIC_INFORMATION basic = {};
        PEB peb = {};
        RTL_USER_PROCESS_PARAMETERS params = {};
        SIZE_T got = 0;
        if (query(h, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
            ReadProcessMemory(h, basic.PebBaseAddress, &peb, sizeof(peb), &got) &&
            ReadProcessMemory(h, peb.ProcessParameters, &params, sizeof(params), &got)) {
            sImage = RemoteString(h, params.ImagePathName);
            sCommand = RemoteString(h, params.CommandLine);
            if (sCommand.find(sNeedle) != std::string::npos) hFound = h;
        }
        if (h != hFound) CloseHandle(h);
    }
    CloseHandle(hSnap);
    return hFound;
}

}  // namespace

TEST_F(CollectionsPage, PreviewSuggestsAndMakesTheWallpaper) {
    const std::string dir = "c:\\mvpreview";
    RemoveTree(dir);
    MakeDir(dir);
    Pixels px;
    px.width = 200;
    px.height = 150;
    px.data.assign(200 * 150 * 3, 0);
    for (size_t i = 0; i < px.data.size(); i += 3) px.data[i] = 230;  // red
    BmpLayout bmp;
    bmp.width = 200;
    bmp.height = 150;
    bmp.bits = BmpRows24(px);
    ASSERT_TRUE(WriteBytes(dir + "\\small.Bmp", MakeBmp(bmp)));
    ASSERT_TRUE(WriteBytes(dir + "\\big.JPG", EncodeJpeg(Pixels::Pattern(900, 700), 90)));
    ASSERT_TRUE(WriteBytes(dir + "\\broken.jpg", {0xFF, 0xD8, 0xFF, 0x00, 1, 2, 3}));
    Touch(dir + "\\anim.gif");
    WriteConfigDword("TilePercentage", 2);
    WriteConfigDword("StretchPercentage", 70);
    WriteConfigDword("CreateSeamless", 0);
    WriteConfigDword("ShowDate", 0);
    WriteIni("[Default]\r\nFolder0=" + dir + "\r\nFolderCount=1\r\n");
    // The tray runs meanwhile, and learns of the picture made the wallpaper.
    const std::string sHistory = WindowsFile("Murivane History.ini");
    DeleteFileA(sHistory.c_str());
    Process tray("/tray");
    HWND hTray = WaitForWindow(kTray, 10000);
    ASSERT_NE(hTray, nullptr);
    // A program named like the shell's beside Murivane.exe must never be
    // the one started to show the picture in its folder.
    const std::string sPlanted = ExeBeside("explorer.exe");
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    const std::string sPlantedRan = std::string(temp) + "murivane-browser.txt";
    DeleteFileA(sPlantedRan.c_str());
    ASSERT_TRUE(CopyFileA(ExeBeside("murivane_fakebrowser.exe").c_str(), sPlanted.c_str(), FALSE));

    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_SETCURSEL, 0, 0);
    Click(hPage, IDC_COLL_PREVIEW);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000);
    ASSERT_NE(hDlg, nullptr);
    EXPECT_EQ(WindowText(hDlg), "Preview");
    HWND hList = GetDlgItem(hDlg, IDC_PREVIEW_LIST);
    // GIF files are listed too; one that cannot be decoded says so.
    EXPECT_EQ(Items(hList, false), (Strings{"anim.gif", "big.JPG", "broken.jpg", "small.Bmp"}));
    auto select = [&](int i) {
        SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(i), 0);
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hList));
        return GetText(hDlg, IDC_PREVIEW_STATUS);
    };
    const int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    auto pct = [&](int w, int h) { return static_cast<int>(float(w) * float(h) / (float(cx) * float(cy)) * 100.0f); };
    EXPECT_EQ(select(0), "Sorry, GIF previews are not available.");
    EXPECT_EQ(select(1), "Size 900x700, " + std::to_string(pct(900, 700)) + "% of screen");
    EXPECT_TRUE(Checked(hDlg, pct(900, 700) > 70 ? IDC_PREVIEW_STRETCHED : IDC_PREVIEW_CENTERED));
    EXPECT_EQ(select(2), "Could not load the image. Perhaps it is 256 color format, rather than 24-bit.");
    EXPECT_EQ(select(3), "Size 200x150, " + std::to_string(pct(200, 150)) + "% of screen");
    EXPECT_TRUE(Checked(hDlg, IDC_PREVIEW_CENTERED));
    EXPECT_FALSE(Checked(hDlg, IDC_PREVIEW_TILED));

    // Forced to tile (Wine's desktop does not stretch), the small red
    // picture covers the screen, not just its middle.
    SendDlgItemMessageA(hDlg, IDC_PREVIEW_CENTERED, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageA(hDlg, IDC_PREVIEW_TILED, BM_SETCHECK, BST_CHECKED, 0);
    SendDlgItemMessageA(hDlg, IDC_PREVIEW_MAKE, BM_CLICK, 0, 0);
    EXPECT_EQ(ReadConfigString("LastImageShown"), dir + "\\small.Bmp");
    bool bShown = false;
    Color seen = 0;
    for (int attempt = 0; attempt < 20 && !bShown; ++attempt) {
        Sleep(250);
        // A slow desktop gets one nudge to repaint from the values already set.
        if (attempt == 8) RedrawWindow(GetDesktopWindow(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        Image shot = TakeScreenshot();
        ASSERT_TRUE(shot.IsValid());
        seen = shot.Pixel(40, 300);  // left of the sheet, where a centred picture would not reach
        bShown = Near(seen, MakeRGB(230, 0, 0), 12);
    }
    EXPECT_TRUE(bShown) << std::hex << seen;
    SendDlgItemMessageA(hDlg, IDC_PREVIEW_CLOSE, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitGone(hDlg, 5000));
    // The page writes its line once the dialog's loop has returned, a moment
    // after the dialog is gone.
    const std::string sStatus = "Last image shown: " + dir + "\\small.Bmp";
    EXPECT_TRUE(WaitFor([&] { return GetText(hPage, IDC_COLL_STATUS) == sStatus; }, 5000))
        << GetText(hPage, IDC_COLL_STATUS);

    // The tray's history shows the picture, tiled as it was forced.
    mv::History history;
    const std::string sText = FileBytes(sHistory);
    ASSERT_TRUE(history.Parse(sText)) << sText;
    ASSERT_EQ(history.entries().size(), 1u);
    EXPECT_EQ(history.position(), 0u);
    EXPECT_EQ(history.entries()[0].pictures, Strings{dir + "\\small.Bmp"});
    EXPECT_TRUE(history.entries()[0].forced.bForcePosition && history.entries()[0].forced.bDoTiling);
    EXPECT_FALSE(history.entries()[0].forced.bDoStretching || history.entries()[0].forced.bDoTileSeamless);
    // "Show Picture in Folder" selects it, in the shell of the Windows folder.
    PostMessageA(hTray, WM_COMMAND, ID_SHOW_PICTURE_IN_FOLDER, 0);
    std::string sImage, sCommand;
    HANDLE hExplorer = nullptr;
    WaitFor([&] { return (hExplorer = FindStartedProcess("explorer.exe", "/select,", sImage, sCommand)) != nullptr; },
            15000);
    EXPECT_NE(hExplorer, nullptr) << "the planted program ran: " << FileBytes(sPlantedRan);
    if (hExplorer) {
        EXPECT_EQ(AsciiLower(sImage), AsciiLower(WindowsFile("explorer.exe")));
        EXPECT_NE(sCommand.find("/select,\"" + dir + "\\small.Bmp\""), std::string::npos) << sCommand;
        TerminateProcess(hExplorer, 0);
        CloseHandle(hExplorer);
    }
    EXPECT_EQ(GetFileAttributesA(sPlantedRan.c_str()), INVALID_FILE_ATTRIBUTES) << FileBytes(sPlantedRan);
    DeleteFileA(sPlanted.c_str());
    // "Never Show This Picture Again" takes this picture out of the collection.
    SendMessageA(hTray, WM_COMMAND, ID_NEVER_SHOW_PICTURE, 0);
    EXPECT_EQ(AsciiLower(IniValue("Default", "Exclude0")), AsciiLower(dir + "\\small.Bmp"));
    EXPECT_TRUE(tray.Running());

    sheet.Cancel();
    EXPECT_TRUE(settings.WaitExit(10000));
    CloseAllTrays();
    DeleteFileA(sHistory.c_str());
    RemoveTree(dir);
}

namespace {

std::wstring Wide(const std::string& s) {
    int n = MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, nullptr, 0);
    std::wstring w(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.c_str(), -1, &w[0], n);
    w.resize(wcslen(w.c_str()));
    return w;
}

// Item texts as the control holds them, in UTF-16.
std::vector<std::wstring> WideItems(HWND hCtl) {
    std::vector<std::wstring> items;
    int n = static_cast<int>(SendMessageW(hCtl, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t text[1024] = {};
        SendMessageW(hCtl, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

std::wstring IniValueW(const wchar_t* sSection, const wchar_t* sKey) {
    wchar_t buffer[1024] = {};
    GetPrivateProfileStringW(sSection, sKey, L"<none>", buffer, 1024, Wide(IniPath()).c_str());
    return buffer;
}

// Add... as AddFolder, with the folder given in UTF-16.
bool AddFolderW(Process& process, Sheet& sheet, HWND hPage, const std::wstring& sPath) {
    Click(hPage, IDC_COLL_ADD);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 10000);
    if (!hDlg) return false;
    const SIZE_T bytes = (sPath.size() + 1) * sizeof(wchar_t);
    void* remote = VirtualAllocEx(process.pi.hProcess, nullptr, bytes, MEM_COMMIT, PAGE_READWRITE);
    WriteProcessMemory(process.pi.hProcess, remote, sPath.c_str(), bytes, nullptr);
    // A request that comes while the browser still fills its tree can be
    // lost: it is repeated.
    for (int i = 0; i < 3; ++i) {
        if (i) Sleep(250);
        SendMessageW(hDlg, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(remote));
    }
    PostMessageW(hDlg, WM_COMMAND, IDOK, 0);
    bool bGone = WaitGone(hDlg, 5000);
    VirtualFreeEx(process.pi.hProcess, remote, 0, MEM_RELEASE);
    return bGone;
}

bool WriteBytesW(const std::wstring& sPath, const std::vector<uint8_t>& bytes) {
    HANDLE h = CreateFileW(sPath.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool bOk = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(h);
    return bOk;
}

}  // namespace

// Folders named in Cyrillic and Japanese: Remove takes the folder out of the
// collection too, and Preview lists the pictures of the folder selected.
TEST_F(CollectionsPage, FoldersNamedOutsideAsciiRemovedAndPreviewed) {
    const std::wstring sRoot = L"c:\\mvintl";
    const std::wstring sCyrillic = sRoot + L"\\\x041A\x0430\x0440\x0442\x0438\x043D\x043A\x0438";  // Картинки
    const std::wstring sJapanese = sRoot + L"\\\x65C5\x884C\x306E\x5199\x771F";  // 旅行の写真
    CreateDirectoryW(sRoot.c_str(), nullptr);
    CreateDirectoryW(sCyrillic.c_str(), nullptr);
    CreateDirectoryW(sJapanese.c_str(), nullptr);
    ASSERT_TRUE(WriteBytesW(sJapanese + L"\\beach.jpg", EncodeJpeg(Pixels::Pattern(64, 48), 90)));
    ASSERT_TRUE(WriteBytesW(sJapanese + L"\\\x5C71.jpg", EncodeJpeg(Pixels::Pattern(80, 60), 90)));  // 山.jpg
    WriteIni("[Default]\r\nFolderCount=0\r\n");

    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    HWND hList = GetDlgItem(hPage, IDC_COLL_FOLDERS);
    ASSERT_TRUE(AddFolderW(settings, sheet, hPage, sCyrillic));
    ASSERT_TRUE(AddFolderW(settings, sheet, hPage, sJapanese));
    std::vector<std::wstring> listed = WideItems(hList);
    ASSERT_EQ(listed.size(), 2u);
    auto at = [&](const std::wstring& s) {
        return static_cast<int>(std::find(listed.begin(), listed.end(), s) - listed.begin());
    };
    std::string sListed;
    for (const std::wstring& w : listed) {
        char narrow[1024] = {};
        WideCharToMultiByte(CP_UTF8, 0, w.c_str(), -1, narrow, sizeof(narrow), nullptr, nullptr);
        sListed += std::string(narrow) + "\n";
    }
    ASSERT_LT(at(sCyrillic), 2) << sListed;
    ASSERT_LT(at(sJapanese), 2) << sListed;

    // Preview of the Japanese folder lists both pictures, and shows the one
    // with a Japanese name.
    SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(at(sJapanese)), 0);
    Click(hPage, IDC_COLL_PREVIEW);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000);
    ASSERT_NE(hDlg, nullptr);
    HWND hPictures = GetDlgItem(hDlg, IDC_PREVIEW_LIST);
    std::vector<std::wstring> pictures = WideItems(hPictures);
    EXPECT_EQ(pictures, (std::vector<std::wstring>{L"beach.jpg", L"\x5C71.jpg"}));
    if (pictures.size() == 2) {
        SendMessageA(hPictures, LB_SETCURSEL, 1, 0);
        SendMessageA(hDlg, WM_COMMAND, MAKEWPARAM(IDC_PREVIEW_LIST, LBN_SELCHANGE), reinterpret_cast<LPARAM>(hPictures));
        EXPECT_EQ(GetText(hDlg, IDC_PREVIEW_STATUS).rfind("Size 80x60, ", 0), 0u) << GetText(hDlg, IDC_PREVIEW_STATUS);
    }
    SendDlgItemMessageA(hDlg, IDC_PREVIEW_CLOSE, BM_CLICK, 0, 0);
    ASSERT_TRUE(WaitGone(hDlg, 5000));

    // Remove the Cyrillic one; after OK only the Japanese one is stored.
    SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(at(sCyrillic)), 0);
    ClickNow(hPage, IDC_COLL_REMOVE);
    EXPECT_EQ(WideItems(hList), (std::vector<std::wstring>{sJapanese}));
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(10000));
    EXPECT_EQ(IniValueW(L"Default", L"FolderCount"), L"1");
    EXPECT_EQ(IniValueW(L"Default", L"Folder0"), sJapanese);

    DeleteFileW((sJapanese + L"\\beach.jpg").c_str());
    DeleteFileW((sJapanese + L"\\\x5C71.jpg").c_str());
    RemoveDirectoryW(sJapanese.c_str());
    RemoveDirectoryW(sCyrillic.c_str());
    RemoveDirectoryW(sRoot.c_str());
}

// A collection chosen on the closed combo box (a letter typed) is loaded at
// once: its folders are the ones shown and edited, and OK makes it current.
TEST_F(CollectionsPage, CollectionChosenOnTheClosedComboIsTheOneEdited) {
    WriteIni("[Alpha]\r\nFolder0=c:\\a\r\nFolderCount=1\r\n[Default]\r\nFolder0=c:\\d\r\nFolderCount=1\r\n"
             "[Zeta]\r\nFolder0=c:\\z\r\nFolder1=c:\\zz\r\nFolderCount=2\r\n");
    WriteConfigString("Current", "Alpha");
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    HWND hCombo = GetDlgItem(hPage, IDC_COLL_COMBO);
    EXPECT_EQ(SelectedCollection(hPage), "Alpha");
    EXPECT_EQ(Folders(hPage), (Strings{"c:\\a"}));

    PostMessageA(hCombo, WM_CHAR, 'z', 0);
    EXPECT_TRUE(WaitFor([&] { return SelectedCollection(hPage) == "Zeta"; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Folders(hPage) == Strings{"c:\\z", "c:\\zz"}; }, 2000))
        << Folders(hPage).size();
    // Edit the collection shown: its first folder goes.
    SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_SETCURSEL, 0, 0);
    ClickNow(hPage, IDC_COLL_REMOVE);

    // Then on to "Default" the same way, and back to "Zeta": the edit stays.
    PostMessageA(hCombo, WM_CHAR, 'd', 0);
    EXPECT_TRUE(WaitFor([&] { return SelectedCollection(hPage) == "Default"; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Folders(hPage) == Strings{"c:\\d"}; }, 2000));
    PostMessageA(hCombo, WM_CHAR, 'z', 0);
    EXPECT_TRUE(WaitFor([&] { return SelectedCollection(hPage) == "Zeta"; }, 5000));
    EXPECT_TRUE(WaitFor([&] { return Folders(hPage) == Strings{"c:\\zz"}; }, 2000));
    sheet.Ok();
    EXPECT_TRUE(settings.WaitExit(10000));
    EXPECT_EQ(ReadConfigString("Current"), "Zeta");
    EXPECT_EQ(IniValue("Zeta", "FolderCount"), "1");
    EXPECT_EQ(IniValue("Zeta", "Folder0"), "c:\\zz");
    EXPECT_EQ(IniValue("Alpha", "FolderCount"), "1");
    EXPECT_EQ(IniValue("Alpha", "Folder0"), "c:\\a");
    EXPECT_EQ(IniValue("Default", "Folder0"), "c:\\d");
}

namespace {

std::vector<DWORD> ThreadsOf(DWORD pid) {
    std::vector<DWORD> ids;
    HANDLE hSnap = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (hSnap == INVALID_HANDLE_VALUE) return ids;
    THREADENTRY32 te = {};
    te.dwSize = sizeof(te);
    for (BOOL b = Thread32First(hSnap, &te); b; b = Thread32Next(hSnap, &te))
        if (te.th32OwnerProcessID == pid) ids.push_back(te.th32ThreadID);
    CloseHandle(hSnap);
    return ids;
}

// Search... of drive c:, and the worker thread that it starts, caught while it
// runs (null when none was seen: it ended first).
HANDLE StartSearchCatchingWorker(Sheet& sheet, HWND hPage, DWORD pid) {
    Click(hPage, IDC_COLL_SEARCH);
    HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 5000);
    if (!hDlg || WindowText(hDlg) != "Search") return nullptr;
    const std::vector<DWORD> before = ThreadsOf(pid);
    HWND hList = GetDlgItem(hDlg, IDC_SEARCH_DRIVES);
    SendMessageA(hList, LB_SETSEL, FALSE, -1);
    SendMessageA(hList, LB_SETSEL, TRUE, SendMessageA(hList, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                                      reinterpret_cast<LPARAM>("c:\\")));
    PostMessageA(hDlg, WM_COMMAND, IDOK, 0);
    for (DWORD start = GetTickCount(); GetTickCount() - start < 5000;) {
        for (DWORD id : ThreadsOf(pid)) {
            if (std::find(before.begin(), before.end(), id) != before.end()) continue;
            if (HANDLE h = OpenThread(SYNCHRONIZE, FALSE, id)) return h;
        }
        if (!IsWindow(hDlg) && GetText(hPage, IDC_COLL_SEARCH) == "&Search...") return nullptr;  // over already
    }
    return nullptr;
}

}  // namespace

// The search of a drive ends while the page is busy, so its note waits in the
// queue; Stop, or OK, is handled before that note. The drive's folders are
// still added (and stored on OK).
TEST_F(CollectionsPage, FoldersOfAFinishedDriveKeptWhenStopOrOkComesFirst) {
    MakeTree();
    for (bool bOk : {false, true}) {
        SCOPED_TRACE(bOk ? "OK" : "Stop");
        // The search may end, and its end be handled, in a moment the page's
        // thread runs between two stops: Stop then opens the drive dialog, as
        // it does for a user. Such a run shows nothing and is done again.
        bool bShown = false;
        for (int run = 0; run < 3 && !bShown; ++run) {
            WriteIni("[Default]\r\nFolderCount=0\r\n");
            Process settings("");
            Sheet sheet;
            ASSERT_TRUE(sheet.Open());
            HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
            // A search too quick to be caught is started again.
            HANDLE hWorker = nullptr;
            for (int attempt = 0; attempt < 5 && !hWorker; ++attempt) {
                hWorker = StartSearchCatchingWorker(sheet, hPage, settings.pi.dwProcessId);
                if (hWorker) break;
                ASSERT_TRUE(WaitSearchIdle(hPage, 10000));
                ClickNow(hPage, IDC_COLL_REMOVE_ALL);
            }
            ASSERT_NE(hWorker, nullptr);
            // The page's thread waits while the worker goes through the drive and
            // posts its notes; then the stop is sent, which comes before them.
            // Stopped at a random point, the page's thread may hold a lock the
            // worker needs next (the job's, the heap's): then it runs a moment
            // and is stopped again.
            DWORD ended = WAIT_TIMEOUT;
            for (int round = 0; round < 60 && ended == WAIT_TIMEOUT; ++round) {
                WaitForInputIdle(settings.pi.hProcess, 1000);
                ASSERT_NE(SuspendThread(settings.pi.hThread), static_cast<DWORD>(-1));
                ended = WaitForSingleObject(hWorker, 2000);
                if (ended == WAIT_TIMEOUT) {
                    ResumeThread(settings.pi.hThread);
                    Sleep(20);
                }
            }
            CloseHandle(hWorker);
            if (bOk)
                SendNotifyMessageA(sheet.hWnd, PSM_PRESSBUTTON, PSBTN_OK, 0);
            else
                SendNotifyMessageA(hPage, WM_COMMAND, MAKEWPARAM(IDC_COLL_SEARCH, BN_CLICKED),
                                   reinterpret_cast<LPARAM>(GetDlgItem(hPage, IDC_COLL_SEARCH)));
            ResumeThread(settings.pi.hThread);
            ASSERT_NE(ended, WAIT_TIMEOUT);
            if (bOk) {
                bShown = true;
                ASSERT_TRUE(settings.WaitExit(15000)) << settings.WindowsShown();
                EXPECT_NE(IniValue("Default", "FolderCount"), "0");
                Strings stored;
                for (int i = 0; i < 200; ++i) {
                    std::string s = IniValue("Default", ("Folder" + std::to_string(i)).c_str());
                    if (s == "<none>") break;
                    stored.push_back(s);
                }
                EXPECT_NE(std::find(stored.begin(), stored.end(), "c:\\mvtree\\pics"), stored.end());
                EXPECT_NE(std::find(stored.begin(), stored.end(), "c:\\mvtree\\system"), stored.end());
                break;
            }
            if (HWND hDlg = WaitForOwnedDialog(sheet.hWnd, 2000)) {
                PostMessageA(hDlg, WM_COMMAND, IDCANCEL, 0);
                ASSERT_TRUE(WaitGone(hDlg, 5000));
            } else {
                bShown = true;
                ASSERT_TRUE(WaitSearchIdle(hPage, 10000));
                Strings listed = Folders(hPage);
                EXPECT_NE(std::find(listed.begin(), listed.end(), "c:\\mvtree\\pics"), listed.end());
                EXPECT_NE(std::find(listed.begin(), listed.end(), "c:\\mvtree\\system"), listed.end());
                // Nothing comes twice when the queued notes arrive after all.
                Sleep(200);
                Strings again = Folders(hPage);
                std::sort(again.begin(), again.end());
                EXPECT_EQ(std::adjacent_find(again.begin(), again.end()), again.end());
                EXPECT_EQ(again.size(), listed.size());
            }
            sheet.Cancel();
            EXPECT_TRUE(settings.WaitExit(10000)) << settings.WindowsShown();
        }
        EXPECT_TRUE(bShown) << "the search ended before every stop";
    }
    RemoveTree(kTree);
    DeleteFileA(kRootPicture);
}
