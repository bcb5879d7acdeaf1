// The settings sheet driven through its own controls in a settings
// instance, with the registry, the collections file and the tray instance
// checked afterwards; and the horizontal list box against a real list box.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "app/win32/Shell.h"
#include "resource.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Window.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

bool FileExists(const std::string& s) { return GetFileAttributesA(s.c_str()) != INVALID_FILE_ATTRIBUTES; }

struct SettingsSheetTest : ::testing::Test {
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();
    }
    void TearDown() override { CloseAllTrays(); }
};

// Types a value, tries to leave the page, and returns the message shown.
std::string MessageOnLeaving(Sheet& sheet, HWND hPage, int id, const char* sValue) {
    SetText(hPage, id, sValue);
    sheet.Select(TabIndex(kInfoTab));
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
    if (!hBox) return "<no message>";
    std::string text = BoxText(hBox) + "caption:" + WindowText(hBox);
    DismissBox(hBox);
    return text;
}

struct ShownTip {
    DWORD pid;
    bool bShown = false;
};
BOOL CALLBACK FindShownTip(HWND h, LPARAM lp) {
    auto* p = reinterpret_cast<ShownTip*>(lp);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    DWORD pid = 0;
    GetWindowThreadProcessId(h, &pid);
    if (pid == p->pid && std::string(cls) == "tooltips_class32" && IsWindowVisible(h)) p->bShown = true;
    return TRUE;
}

// Rests the mouse on a control and tells whether a tip of its process
// appears within `ms`.
bool TipAppears(HWND hControl, DWORD ms) {
    ShownTip tip{0};
    GetWindowThreadProcessId(hControl, &tip.pid);
    RECT r;
    GetWindowRect(hControl, &r);
    SetCursorPos(5, 5);
    Sleep(50);
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        // The pointer comes to rest on the control, which hears it move (and
        // tells its tip); every move restarts the tip's delay.
        if (waited % 2000 == 0) {
            const int dx = static_cast<int>(waited / 2000 % 2);
            SetCursorPos((r.left + r.right) / 2 + dx, (r.top + r.bottom) / 2);
            PostMessageA(hControl, WM_MOUSEMOVE, 0, MAKELPARAM((r.right - r.left) / 2 + dx, (r.bottom - r.top) / 2));
        }
        tip.bShown = false;
        EnumWindows(FindShownTip, reinterpret_cast<LPARAM>(&tip));
        if (tip.bShown) break;
        Sleep(50);
    }
    SetCursorPos(5, 5);
    return tip.bShown;
}

// The fake browser's record of its command line (tests/win32/FakeBrowser.cpp).
std::string BrowserRecordPath() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "murivane-browser.txt";
}

// Makes the fake browser the program that opens http addresses, for as
// long as the object lives.
struct FakeBrowser {
    std::string sOld;
    DWORD oldType = REG_SZ;
    bool bHadOld = false;
    static constexpr const char* kKey = "http\\shell\\open\\command";
    FakeBrowser() {
        char old[1024] = {};
        DWORD size = sizeof(old);
        bHadOld = RegGetValueA(HKEY_CLASSES_ROOT, kKey, nullptr, RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                               &oldType, old, &size) == ERROR_SUCCESS;
        sOld = old;
        std::string sCommand = "\"" + ExeBeside("murivane_fakebrowser.exe") + "\" \"%1\"";
        RegSetKeyValueA(HKEY_CLASSES_ROOT, kKey, nullptr, REG_SZ, sCommand.c_str(),
                        static_cast<DWORD>(sCommand.size() + 1));
        DeleteFileA(BrowserRecordPath().c_str());
    }
    ~FakeBrowser() {
        if (bHadOld)
            RegSetKeyValueA(HKEY_CLASSES_ROOT, kKey, nullptr, oldType, sOld.c_str(), static_cast<DWORD>(sOld.size() + 1));
        else
            RegDeleteKeyValueA(HKEY_CLASSES_ROOT, kKey, nullptr);
        DeleteFileA(BrowserRecordPath().c_str());
    }
    // The command line the fake browser was started with, waited for.
    std::string Launched(DWORD ms) {
        for (DWORD waited = 0; waited <= ms; waited += 50) {
            if (FILE* f = fopen(BrowserRecordPath().c_str(), "rb")) {
                char text[4096] = {};
                size_t n = fread(text, 1, sizeof(text) - 1, f);
                fclose(f);
                if (n > 0 && text[n - 1] == '\n') return std::string(text, n - 1);
            }
            Sleep(50);
        }
        return "<not launched>";
    }
};

}  // namespace

TEST_F(SettingsSheetTest, OptionsStoredOnOkWithTheirRules) {
    WriteConfigDword("SmartTiling", 3);
    WriteConfigDword("TestForScreensaver", 1);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kOptionsTab));
    ASSERT_NE(hPage, nullptr);
    // No smart-tiling button for 3; the hidden AutoStart box is there, unseen.
    EXPECT_FALSE(Checked(hPage, IDC_OPT_SMART_NEVER) || Checked(hPage, IDC_OPT_SMART_ALWAYS) ||
                 Checked(hPage, IDC_OPT_SMART_MINIMIZE));
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(hPage, IDC_OPT_AUTOSTART)));

    // An hour of 25 is refused with the framework's message, and the page stays.
    std::string text = MessageOnLeaving(sheet, hPage, IDC_OPT_HOURS, "25");
    EXPECT_NE(text.find("Please enter an integer between 0 and 24."), std::string::npos) << text;
    EXPECT_NE(text.find("caption:Murivane"), std::string::npos) << text;
    EXPECT_EQ(sheet.CurrentIndex(), TabIndex(kOptionsTab));
    text = MessageOnLeaving(sheet, hPage, IDC_OPT_HOURS, "two");
    EXPECT_NE(text.find("Please enter an integer."), std::string::npos) << text;
    // OK does not close the sheet while the field is invalid.
    sheet.Ok();
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
    ASSERT_NE(hBox, nullptr);
    DismissBox(hBox);
    EXPECT_FALSE(settings.WaitExit(300));
    EXPECT_EQ(ReadConfigDword("Hours", 999), 999u);

    // 0 h 0 min is 1 minute; stretch below tile is raised to it.
    SetText(hPage, IDC_OPT_HOURS, "0");
    SetText(hPage, IDC_OPT_MINUTES, "0");
    SetText(hPage, IDC_OPT_TILE, "50");
    SetText(hPage, IDC_OPT_STRETCH, "30");
    SetText(hPage, IDC_OPT_HOURS_FROM, "11");
    ClickNow(hPage, IDC_OPT_SCREENSAVER);
    ClickNow(hPage, IDC_OPT_DONT_CHANGE);
    SendDlgItemMessageA(hPage, IDC_OPT_AMPM_TO, CB_SETCURSEL, 1, 0);
    ASSERT_EQ(sheet.Select(TabIndex(kUninstallTab)) != hPage, true);
    EXPECT_EQ(sheet.CurrentIndex(), TabIndex(kUninstallTab));
    sheet.Ok();
    ASSERT_TRUE(settings.WaitExit(15000));
    EXPECT_EQ(ReadConfigDword("Hours", 999), 0u);
    EXPECT_EQ(ReadConfigDword("Minutes", 999), 1u);
    EXPECT_EQ(ReadConfigDword("TilePercentage", 999), 50u);
    EXPECT_EQ(ReadConfigDword("StretchPercentage", 999), 50u);
    EXPECT_EQ(ReadConfigDword("HoursFrom", 999), 11u);
    EXPECT_EQ(ReadConfigDword("AMPMTo", 999), 1u);
    EXPECT_EQ(ReadConfigDword("TestForScreensaver", 999), 0u);
    EXPECT_EQ(ReadConfigDword("DontChange", 999), 1u);
    EXPECT_EQ(ReadConfigDword("SmartTiling", 999), 3u);
    EXPECT_EQ(ReadConfigDword("AutoStart", 999), 1u);
}

TEST_F(SettingsSheetTest, PagesNotShownAndCancelledSwitchesWriteNothing) {
    WriteConfigDword("ShowToolTips", 1);
    if (TabIndex(kOptionsTab) > 0) {
        // OK without visiting Options leaves its values alone.
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        sheet.Select(TabIndex(kInfoTab));
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("Hours", 999), 999u);
        EXPECT_EQ(ReadConfigDword("ShowToolTips", 999), 1u);
        CloseAllTrays();
    }
    {
        // Tool tips off, then Cancel: the registry keeps its value.
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kOptionsTab));
        ASSERT_TRUE(Checked(hPage, IDC_OPT_TOOLTIPS));
        ClickNow(hPage, IDC_OPT_TOOLTIPS);
        EXPECT_FALSE(Checked(hPage, IDC_OPT_TOOLTIPS));
        sheet.Cancel();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("ShowToolTips", 999), 1u);
    }
}

// The tip switch takes effect at once even while another field of the page
// holds a bad number (whose message still shows).
TEST_F(SettingsSheetTest, ToolTipSwitchWorksWhileAFieldIsInvalid) {
    WriteConfigDword("ShowToolTips", 1);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kOptionsTab));
    HWND hTile = GetDlgItem(hPage, IDC_OPT_TILE);
    ASSERT_TRUE(TipAppears(hTile, 5000));
    SetText(hPage, IDC_OPT_HOURS, "25");
    for (bool bOn : {false, true}) {
        SCOPED_TRACE(bOn ? "on" : "off");
        Click(hPage, IDC_OPT_TOOLTIPS);
        HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_NE(BoxText(hBox).find("Please enter an integer between 0 and 24."), std::string::npos);
        DismissBox(hBox);
        EXPECT_EQ(Checked(hPage, IDC_OPT_TOOLTIPS), bOn);
        EXPECT_EQ(TipAppears(hTile, bOn ? 5000 : 1500), bOn);
    }
    // Off once more: the page shown before (Collections) is silent too.
    Click(hPage, IDC_OPT_TOOLTIPS);
    HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
    ASSERT_NE(hBox, nullptr);
    DismissBox(hBox);
    SetText(hPage, IDC_OPT_HOURS, "1");
    HWND hCollections = sheet.Select(TabIndex(kCollectionsTab));
    ASSERT_EQ(sheet.CurrentIndex(), TabIndex(kCollectionsTab));
    EXPECT_FALSE(TipAppears(GetDlgItem(hCollections, IDC_COLL_SEARCH), 1500));
    sheet.Cancel();
    EXPECT_TRUE(settings.WaitExit(15000));
}

TEST_F(SettingsSheetTest, InformationPageShowsVersionAndLinks) {
    FakeBrowser browser;
    // "C:\\Mv #1 100%\\Картинки\\" in UTF-8, as the program's "A" calls take it.
    WriteConfigString("InstallFolder",
                      "C:\\Mv #1 100%\\\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB8\xD0\xBD\xD0\xBA\xD0\xB8\\");
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hPage = sheet.Select(TabIndex(kInfoTab));
    EXPECT_EQ(GetText(hPage, IDC_INFO_HEADING), "Murivane v" + mv::win::GetProductVersion());
    std::string info = GetText(hPage, IDC_INFO_TEXT);
    EXPECT_EQ(info.rfind("Answers to common support questions are available on Murivane.htm#questions", 0), 0u)
        << info;
    EXPECT_NE(info.find("\r\n\r\nUNINSTALL\r\nFor information on uninstalling Murivane, see the Uninstall page"),
              std::string::npos);
    EXPECT_EQ(GetText(hPage, IDC_LINK_FAQ), "Murivane.htm#questions");
    // Tabbing into a link leaves the focus on Help.
    PostMessageA(hPage, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(hPage, IDC_LINK_WEB)), TRUE);
    GUITHREADINFO gui = {};
    gui.cbSize = sizeof(gui);
    HWND hFocus = nullptr;
    for (int i = 0; i < 60 && hFocus != GetDlgItem(hPage, IDC_HELP_BUTTON); ++i) {
        Sleep(50);
        if (GetGUIThreadInfo(GetWindowThreadProcessId(hPage, nullptr), &gui)) hFocus = gui.hwndFocus;
    }
    EXPECT_EQ(hFocus, GetDlgItem(hPage, IDC_HELP_BUTTON));
    // The link opens its section in the browser, every character of the
    // install folder that an address cannot hold escaped.
    std::string sLaunched = browser.Launched(10000);
    EXPECT_NE(sLaunched.find(" \"file:///C:/Mv%20%231%20100%25/%D0%9A%D0%B0%D1%80%D1%82%D0%B8%D0%BD%D0%BA%D0%B8/"
                             "Murivane.htm#overview\""),
              std::string::npos)
        << sLaunched;
    sheet.Cancel();
    EXPECT_TRUE(settings.WaitExit(15000));
}

// Uninstall step 1: the keys and the collections file go however the sheet
// closes; OK also ends the tray instance and removes its shortcut.
TEST_F(SettingsSheetTest, UninstallStepThenCancelOrOk) {
    auto folder = mv::win::FindStartupFolder();
    ASSERT_TRUE(folder.has_value());
    std::string sShortcut = mv::win::StartupShortcutPath(*folder, "Murivane");
    std::string sIni = WindowsFile("Murivane.ini");
    for (bool bOk : {false, true}) {
        SCOPED_TRACE(bOk ? "OK" : "Cancel");
        ResetConfig();
        WritePrivateProfileStringA("Default", "Folder0", "c:\\pictures", sIni.c_str());
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, sIni.c_str());
        CreateDirectoryA(folder->c_str(), nullptr);
        FILE* f = fopen(sShortcut.c_str(), "wb");
        if (f) fclose(f);
        Process tray("/tray");
        ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);

        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        // Options shown first: its copy of the values goes back on OK, after
        // the uninstall step.
        if (bOk) ASSERT_NE(sheet.Select(TabIndex(kOptionsTab)), nullptr);
        HWND hPage = sheet.Select(TabIndex(kUninstallTab));
        Click(hPage, IDC_UNINSTALL_STEP1);
        HWND hBox = WaitForOwnedDialog(sheet.hWnd, 5000);
        if (!hBox) hBox = WaitForOwnedDialog(nullptr, 2000);
        ASSERT_NE(hBox, nullptr);
        EXPECT_EQ(WindowText(hBox), "Note");
        EXPECT_NE(BoxText(hBox).find("Step 1 for Uninstalling completed."), std::string::npos);
        DismissBox(hBox);
        if (bOk)
            sheet.Ok();
        else
            sheet.Cancel();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_FALSE(ConfigKeyExists());
        EXPECT_FALSE(FileExists(sIni));
        if (bOk) {
            EXPECT_TRUE(tray.WaitExit(10000));
            EXPECT_FALSE(FileExists(sShortcut));
        } else {
            Sleep(500);
            EXPECT_TRUE(tray.Running());
            EXPECT_TRUE(FileExists(sShortcut));
        }
        DeleteFileA(sShortcut.c_str());
        CloseAllTrays();
    }
}

// The horizontal extent follows the widest folder of three, drops to the
// next widest after a delete, and to nothing when the list is emptied.
TEST(HorzListBoxTest, ExtentFollowsTheWidestItem) {
    for (DWORD style : {0ul, static_cast<unsigned long>(LBS_USETABSTOPS)}) {
        SCOPED_TRACE(style ? "tab stops" : "plain");
        HWND hList = CreateWindowExA(0, "LISTBOX", "", WS_POPUP | WS_HSCROLL | WS_VSCROLL | LBS_HASSTRINGS | style, 0,
                                     0, 200, 100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(hList, nullptr);
        SendMessageA(hList, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
        mv::win::CHorzListBox box;
        ASSERT_TRUE(box.Attach(hList));
        const char* folders[] = {"c:\\a", "c:\\pictures\\holidays\\summer 2024\\beach", "c:\\photos\\family"};
        for (const char* s : folders) SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s));
        auto width = [&](const char* s) {
            HDC hdc = GetDC(hList);
            HGDIOBJ old = SelectObject(hdc, GetStockObject(DEFAULT_GUI_FONT));
            SIZE sz = {};
            GetTextExtentPoint32A(hdc, s, static_cast<int>(strlen(s)), &sz);
            SelectObject(hdc, old);
            ReleaseDC(hList, hdc);
            return static_cast<int>(sz.cx) + 6;
        };
        EXPECT_EQ(SendMessageA(hList, LB_GETHORIZONTALEXTENT, 0, 0), width(folders[1]));
        SendMessageA(hList, LB_DELETESTRING, 1, 0);
        EXPECT_EQ(SendMessageA(hList, LB_GETHORIZONTALEXTENT, 0, 0), width(folders[2]));
        EXPECT_EQ(SendMessageA(hList, LB_DELETESTRING, 7, 0), LB_ERR);
        SendMessageA(hList, LB_DELETESTRING, 1, 0);
        EXPECT_EQ(SendMessageA(hList, LB_GETHORIZONTALEXTENT, 0, 0), width(folders[0]));
        SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folders[2]));
        SendMessageA(hList, LB_RESETCONTENT, 0, 0);
        EXPECT_EQ(SendMessageA(hList, LB_GETHORIZONTALEXTENT, 0, 0), 0);
        DestroyWindow(hList);
    }
}

namespace {
// Windows may give a length larger than the text when an ANSI caller asks a
// Unicode control (room for double-byte characters). Wine gives the exact
// length there, so this ANSI subclass gives the larger one itself.
WNDPROC gOriginalProc = nullptr;
LRESULT CALLBACK OverstateLength(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
    LRESULT r = CallWindowProcA(gOriginalProc, h, msg, wp, lp);
    if ((msg == LB_GETTEXTLEN || msg == CB_GETLBTEXTLEN || msg == WM_GETTEXTLENGTH) && r >= 0) r = r * 3 + 2;
    return r;
}
}  // namespace

// The item and field texts the pages read are exactly the texts, however much
// room the control asks for.
TEST(ItemTextTest, TextOfAnItemIsNeitherLongerNorShorter) {
    // Картинки and 旅行の写真 in UTF-8, the program's code page.
    const std::string sCyrillic = "c:\\\xD0\x9A\xD0\xB0\xD1\x80\xD1\x82\xD0\xB8\xD0\xBD\xD0\xBA\xD0\xB8";
    const std::string sJapanese = "c:\\\xE6\x97\x85\xE8\xA1\x8C\xE3\x81\xAE\xE5\x86\x99\xE7\x9C\x9F";
    for (bool bCombo : {false, true}) {
        SCOPED_TRACE(bCombo ? "combo box" : "list box");
        HWND hCtl = CreateWindowExA(0, bCombo ? "COMBOBOX" : "LISTBOX", "",
                                    WS_POPUP | (bCombo ? CBS_DROPDOWNLIST | CBS_HASSTRINGS : LBS_HASSTRINGS), 0, 0, 200,
                                    100, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(hCtl, nullptr);
        gOriginalProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverstateLength)));
        for (const std::string& s : {sCyrillic, sJapanese, std::string("c:\\pictures")})
            SendMessageA(hCtl, bCombo ? CB_ADDSTRING : LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
        auto text = [&](int i) { return bCombo ? mv::win::ComboItemText(hCtl, i) : mv::win::ListItemText(hCtl, i); };
        EXPECT_EQ(text(0), sCyrillic);
        EXPECT_EQ(text(1), sJapanese);
        EXPECT_EQ(text(2), "c:\\pictures");
        EXPECT_EQ(text(3), "");
        SetWindowLongPtrA(hCtl, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOriginalProc));
        DestroyWindow(hCtl);
    }
    // A page's field: "12" read with room for more is still a number.
    HWND hParent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    HWND hEdit = CreateWindowExA(0, "EDIT", "", WS_CHILD, 0, 0, 200, 20, hParent, reinterpret_cast<HMENU>(100),
                                 GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hEdit, nullptr);
    gOriginalProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OverstateLength)));
    for (const std::string& s : {std::string("12"), sCyrillic, sJapanese, std::string()}) {
        SetWindowTextA(hEdit, s.c_str());
        EXPECT_EQ(mv::win::GetDlgText(hParent, 100), s);
    }
    SetWindowLongPtrA(hEdit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(gOriginalProc));
    DestroyWindow(hParent);
}

// Not a check: pictures of every page for a person to look at. Run with
// --gtest_also_run_disabled_tests and MURIVANE_SHOTS set to a Unix folder.
TEST_F(SettingsSheetTest, DISABLED_PageScreenshots) {
    const char* dir = getenv("MURIVANE_SHOTS");
    ASSERT_NE(dir, nullptr);
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    HWND hTab = reinterpret_cast<HWND>(SendMessageA(sheet.hWnd, PSM_GETTABCONTROL, 0, 0));
    int n = static_cast<int>(SendMessageA(hTab, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        sheet.Select(i);
        Sleep(300);
        EXPECT_TRUE(mv::test::SaveScreenPng(std::string(dir) + "/page" + std::to_string(i) + ".png"));
    }
    // The Collections page's own dialogs.
    HWND hPage = sheet.Select(TabIndex(kCollectionsTab));
    const struct {
        int id;
        const char* name;
    } dialogs[] = {{IDC_COLL_NEW, "new"}, {IDC_COLL_SEARCH, "search"}, {IDC_COLL_PREVIEW, "preview"}};
    for (const auto& d : dialogs) {
        if (d.id == IDC_COLL_PREVIEW) SendDlgItemMessageA(hPage, IDC_COLL_FOLDERS, LB_SETCURSEL, 0, 0);
        Click(hPage, d.id);
        HWND hDialog = WaitForOwnedDialog(sheet.hWnd, 3000);
        if (!hDialog) hDialog = WaitForOwnedDialog(hPage, 3000);
        Sleep(500);
        EXPECT_TRUE(mv::test::SaveScreenPng(std::string(dir) + "/dialog-" + d.name + ".png"));
        if (hDialog) {
            PostMessageA(hDialog, WM_COMMAND, IDCANCEL, 0);
            WaitGone(hDialog, 3000);
        }
    }
    sheet.Cancel();
    EXPECT_TRUE(settings.WaitExit(15000));
}
