// The Advanced page driven through its controls in a settings instance: the
// monitors choice and the shape check box reach the registry on OK only, and
// the drawing shows the one monitor of Wine's virtual desktop; the pauses,
// the history size and the excluded pictures shown again; the access keys of
// every page.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resource.h"
#include "shell/History.h"
#include "win32/Screenshot.h"
#include "win32/SheetDriver.h"

using namespace mv::test;

namespace {

struct AdvancedPage : ::testing::Test {
    void SetUp() override {
        CloseAllTrays();
        ResetConfig();
    }
    void TearDown() override { CloseAllTrays(); }
};

std::string IniValue(const char* section, const char* key) {
    char buffer[1024] = {};
    GetPrivateProfileStringA(section, key, "<none>", buffer, sizeof(buffer), WindowsFile("Murivane.ini").c_str());
    return buffer;
}

// The message box the sheet shows next, its text, answered with a button.
std::string AnswerBox(HWND hSheet, int button) {
    HWND hBox = WaitForOwnedDialog(hSheet, 5000);
    if (!hBox) return "<no message>";
    std::string text = BoxText(hBox);
    PostMessageA(hBox, WM_COMMAND, static_cast<WPARAM>(button), 0);
    WaitGone(hBox, 5000);
    return text;
}

bool Enabled(HWND hPage, int id) { return IsWindowEnabled(GetDlgItem(hPage, id)) != FALSE; }

// The box of the drawing's monitor colour inside a window, on the screen;
// the screenshot is taken again until the drawing shows (or 5 tries).
RECT MonitorFillOnScreen(HWND hDrawing, bool& bNumber) {
    RECT area;
    GetWindowRect(hDrawing, &area);
    RECT found = {INT_MAX, INT_MAX, -1, -1};
    auto isColor = [](mv::Color c, int r, int g, int b) {
        return std::abs(mv::RedOf(c) - r) < 12 && std::abs(mv::GreenOf(c) - g) < 12 && std::abs(mv::BlueOf(c) - b) < 12;
    };
    for (int attempt = 0; attempt < 5 && found.right < 0; ++attempt) {
        mv::Image shot = mv::test::TakeScreenshot();
        for (int y = std::max<int>(area.top, 0); y < std::min<int>(area.bottom, shot.Height()); ++y)
            for (int x = std::max<int>(area.left, 0); x < std::min<int>(area.right, shot.Width()); ++x)
                if (isColor(shot.Pixel(x, y), 58, 110, 165)) {
                    found = {std::min<LONG>(found.left, x), std::min<LONG>(found.top, y),
                             std::max<LONG>(found.right, x + 1), std::max<LONG>(found.bottom, y + 1)};
                }
        bNumber = false;
        for (int y = found.top; y < found.bottom && !bNumber; ++y)
            for (int x = found.left; x < found.right && !bNumber; ++x) bNumber = isColor(shot.Pixel(x, y), 255, 255, 255);
    }
    return found;
}

}  // namespace

TEST_F(AdvancedPage, MonitorChoiceReachesTheRegistryOnOkOnly) {
    WriteConfigDword("MultipleMonitors", 7);  // out of range: a picture per monitor
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
        ASSERT_NE(GetDlgItem(hPage, IDC_ADV_SAME), nullptr);
        SetWindowPos(sheet.hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);  // all of it on the screen
        EXPECT_TRUE(Checked(hPage, IDC_ADV_PER_MONITOR));
        EXPECT_FALSE(Checked(hPage, IDC_ADV_SAME) || Checked(hPage, IDC_ADV_ACROSS));
        EXPECT_TRUE(Checked(hPage, IDC_ADV_MATCH_SHAPE));
        EXPECT_TRUE(Enabled(hPage, IDC_ADV_MATCH_SHAPE));
        for (int id : {IDC_ADV_SAME, IDC_ADV_PER_MONITOR, IDC_ADV_ACROSS, IDC_ADV_MATCH_SHAPE, IDC_ADV_LAYOUT,
                       IDC_ADV_FIT, IDC_HELP_BUTTON})
            EXPECT_NE(TipOf(sheet.hWnd, GetDlgItem(hPage, id)), "") << "control " << id;

        // The virtual desktop's one monitor, drawn with the screen's shape in
        // the middle of its box, with its number on it.
        HWND hDrawing = GetDlgItem(hPage, IDC_ADV_LAYOUT);
        bool bNumber = false;
        RECT fill = MonitorFillOnScreen(hDrawing, bNumber);
        RECT box;
        GetWindowRect(hDrawing, &box);
        ASSERT_GT(fill.right, fill.left) << "no monitor drawn";
        EXPECT_TRUE(bNumber);
        EXPECT_LE(std::abs((fill.left - box.left) - (box.right - fill.right)), 2);
        EXPECT_LE(std::abs((fill.top - box.top) - (box.bottom - fill.bottom)), 2);
        const double screen = double(GetSystemMetrics(SM_CXSCREEN)) / GetSystemMetrics(SM_CYSCREEN);
        EXPECT_NEAR(double(fill.right - fill.left) / (fill.bottom - fill.top), screen, screen * 0.05);

        // The shape only applies to a picture on each monitor.
        ClickNow(hPage, IDC_ADV_MATCH_SHAPE);
        for (int id : {IDC_ADV_SAME, IDC_ADV_PER_MONITOR, IDC_ADV_ACROSS}) {
            ClickNow(hPage, id);
            EXPECT_EQ(Enabled(hPage, IDC_ADV_MATCH_SHAPE), id == IDC_ADV_PER_MONITOR) << "control " << id;
        }
        // The fit choice: automatic first when nothing is stored, stretch last.
        HWND hFit = GetDlgItem(hPage, IDC_ADV_FIT);
        EXPECT_EQ(SendMessageA(hFit, CB_GETCOUNT, 0, 0), 5);
        EXPECT_EQ(SendMessageA(hFit, CB_GETCURSEL, 0, 0), 0);
        SendMessageA(hFit, CB_SETCURSEL, 4, 0);
        sheet.Select(TabIndex(kInfoTab));
        EXPECT_EQ(ReadConfigDword("PictureFit", 99), 99u);
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 7u);  // leaving the page writes nothing
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 2u);
        EXPECT_EQ(ReadConfigDword("MatchMonitorShape", 99), 0u);
        EXPECT_EQ(ReadConfigDword("PictureFit", 99), 0u);
        CloseAllTrays();
    }
    {
        // Shown again as stored; changes left behind by Cancel are not written.
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
        EXPECT_TRUE(Checked(hPage, IDC_ADV_ACROSS));
        EXPECT_FALSE(Checked(hPage, IDC_ADV_SAME) || Checked(hPage, IDC_ADV_PER_MONITOR));
        EXPECT_FALSE(Checked(hPage, IDC_ADV_MATCH_SHAPE));
        EXPECT_FALSE(Enabled(hPage, IDC_ADV_MATCH_SHAPE));
        ClickNow(hPage, IDC_ADV_PER_MONITOR);
        ClickNow(hPage, IDC_ADV_MATCH_SHAPE);
        EXPECT_TRUE(Checked(hPage, IDC_ADV_MATCH_SHAPE));
        EXPECT_EQ(SendDlgItemMessageA(hPage, IDC_ADV_FIT, CB_GETCURSEL, 0, 0), 4);  // stretch, as stored
        SendDlgItemMessageA(hPage, IDC_ADV_FIT, CB_SETCURSEL, 1, 0);
        sheet.Select(TabIndex(kColorsTab));
        sheet.Cancel();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 2u);
        EXPECT_EQ(ReadConfigDword("MatchMonitorShape", 99), 0u);
        EXPECT_EQ(ReadConfigDword("PictureFit", 99), 0u);
    }
}

TEST_F(AdvancedPage, PausesHistoryAndExcludedPicturesOnOk) {
    const std::string ini = WindowsFile("Murivane.ini");
    DeleteFileA(ini.c_str());
    WritePrivateProfileStringA("Default", "Folder0", "c:\\pictures", ini.c_str());
    WritePrivateProfileStringA("Default", "FolderCount", "1", ini.c_str());
    WritePrivateProfileStringA("Default", "ExcludeCount", "3", ini.c_str());
    for (const char* key : {"Exclude0", "Exclude1", "Exclude2"})
        WritePrivateProfileStringA("Default", key, (std::string("c:\\pictures\\") + key + ".jpg").c_str(), ini.c_str());
    WriteConfigDword("HistorySize", 9000);  // out of range: shown as the most there may be
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
        ASSERT_NE(GetDlgItem(hPage, IDC_ADV_PAUSE_LOCKED), nullptr);
        for (int id : {IDC_ADV_PAUSE_FULLSCREEN, IDC_ADV_PAUSE_BATTERY, IDC_ADV_PAUSE_LOCKED})
            EXPECT_TRUE(Checked(hPage, id)) << "control " << id;
        EXPECT_EQ(GetText(hPage, IDC_ADV_HISTORY_SIZE), "500");
        for (int id : {IDC_ADV_PAUSE_FULLSCREEN, IDC_ADV_PAUSE_BATTERY, IDC_ADV_PAUSE_LOCKED, IDC_ADV_HISTORY_SIZE,
                       IDC_ADV_SHOW_EXCLUDED})
            EXPECT_NE(TipOf(sheet.hWnd, GetDlgItem(hPage, id)), "") << "control " << id;

        ClickNow(hPage, IDC_ADV_PAUSE_FULLSCREEN);
        ClickNow(hPage, IDC_ADV_PAUSE_LOCKED);
        // A size past 500 is refused on OK, and the sheet stays open.
        SetText(hPage, IDC_ADV_HISTORY_SIZE, "501");
        sheet.Ok();
        std::string text = AnswerBox(sheet.hWnd, IDOK);
        EXPECT_NE(text.find("Please enter an integer between 0 and 500."), std::string::npos) << text;
        EXPECT_FALSE(settings.WaitExit(300));
        SetText(hPage, IDC_ADV_HISTORY_SIZE, "120");

        // The exclusions: asked with their number, emptied on OK.
        Click(hPage, IDC_ADV_SHOW_EXCLUDED);
        text = AnswerBox(sheet.hWnd, IDYES);
        EXPECT_NE(text.find("Show the 3 excluded pictures of the collection \"Default\" again?"), std::string::npos)
            << text;
        EXPECT_EQ(IniValue("Default", "ExcludeCount"), "3");
        EXPECT_EQ(ReadConfigDword("PauseLocked", 99), 99u);
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
    }
    EXPECT_EQ(ReadConfigDword("PauseFullScreen", 99), 0u);
    EXPECT_EQ(ReadConfigDword("PauseBatterySaver", 99), 1u);
    EXPECT_EQ(ReadConfigDword("PauseLocked", 99), 0u);
    EXPECT_EQ(ReadConfigDword("HistorySize", 99), 120u);
    EXPECT_EQ(IniValue("Default", "ExcludeCount"), "<none>");
    EXPECT_EQ(IniValue("Default", "Exclude0"), "<none>");
    EXPECT_EQ(IniValue("Default", "Folder0"), "c:\\pictures");
    {
        // Shown as stored; nothing left to show again; Cancel keeps the registry.
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
        EXPECT_FALSE(Checked(hPage, IDC_ADV_PAUSE_FULLSCREEN));
        EXPECT_TRUE(Checked(hPage, IDC_ADV_PAUSE_BATTERY));
        EXPECT_EQ(GetText(hPage, IDC_ADV_HISTORY_SIZE), "120");
        Click(hPage, IDC_ADV_SHOW_EXCLUDED);
        std::string text = AnswerBox(sheet.hWnd, IDOK);
        EXPECT_NE(text.find("has no excluded pictures"), std::string::npos) << text;
        ClickNow(hPage, IDC_ADV_PAUSE_BATTERY);
        SetText(hPage, IDC_ADV_HISTORY_SIZE, "7");
        sheet.Cancel();
        ASSERT_TRUE(settings.WaitExit(15000));
    }
    EXPECT_EQ(ReadConfigDword("PauseBatterySaver", 99), 1u);
    EXPECT_EQ(ReadConfigDword("HistorySize", 99), 120u);

    // A tray running with three wallpapers in its history; the size set to 1
    // in the settings of another copy: on OK the tray keeps only the last.
    // (The OKs above started a tray, which read no history.)
    CloseAllTrays();
    const std::string sHistory = WindowsFile("Murivane History.ini");
    mv::History seeded;
    for (const char* p : {"c:\\pictures\\h0.jpg", "c:\\pictures\\h1.jpg", "c:\\pictures\\h2.jpg"}) {
        mv::HistoryEntry e;
        e.pictures = {p};
        seeded.Record(e, 50);
    }
    {
        const std::string text = seeded.Format();
        HANDLE hFile = CreateFileA(sHistory.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(hFile, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(hFile);
    }
    WriteConfigDword("ChangeOnStartup", 0);  // nothing new recorded meanwhile
    Process tray("/tray");
    ASSERT_NE(WaitForWindow(kTray, 10000), nullptr);
    auto entries = [&] {
        mv::History h;
        h.Parse(FileBytes(sHistory));
        return h.entries();
    };
    EXPECT_EQ(entries().size(), 3u) << FileBytes(sHistory);
    {
        Process settings("");
        Sheet sheet;
        ASSERT_TRUE(sheet.Open());
        HWND hPage = sheet.Select(TabIndex(kAdvancedTab));
        SetText(hPage, IDC_ADV_HISTORY_SIZE, "1");
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
    }
    EXPECT_EQ(Windows(kTray).size(), 1u);
    EXPECT_TRUE(WaitFor([&] { return entries().size() == 1; }, 10000)) << FileBytes(sHistory);
    ASSERT_EQ(entries().size(), 1u);
    EXPECT_EQ(entries()[0].pictures, (std::vector<std::string>{"c:\\pictures\\h2.jpg"}));
    CloseAllTrays();
    DeleteFileA(sHistory.c_str());
    DeleteFileA(ini.c_str());
}

namespace {

// The access keys of a window's text: each letter after a single '&'
// ("&&" is a plain ampersand), upper-cased.
std::string AccessKeys(const std::string& text) {
    std::string keys;
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] != '&') keys += static_cast<char>(toupper(static_cast<unsigned char>(text[i + 1])));
        ++i;
    }
    return keys;
}

struct KeyUse {
    char key;
    std::string text;
};

// The access keys of the buttons and labels among a window's children that a
// user sees (a static control marked SS_NOPREFIX shows its '&' as it is).
void CollectKeys(HWND hParent, std::vector<KeyUse>& uses) {
    for (HWND h = GetWindow(hParent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        char cls[64] = {};
        GetClassNameA(h, cls, sizeof(cls));
        const std::string sClass = cls;
        if (!IsWindowVisible(h) || (sClass != "Button" && sClass != "Static")) continue;
        if (sClass == "Static" && (GetWindowLongA(h, GWL_STYLE) & SS_NOPREFIX)) continue;
        const std::string text = WindowText(h);
        for (char key : AccessKeys(text)) uses.push_back({key, text});
    }
}

}  // namespace

// Alt and a letter reaches one control only: no page uses a letter twice,
// its own controls and the sheet's buttons (OK, Cancel) taken together. The
// older pages keep the texts they have always had, some of which share a
// letter; those letters are listed, so that no new one is added.
TEST_F(AdvancedPage, NoPageUsesAnAccessKeyTwice) {
    const struct {
        SheetTab tab;
        const char* shared;
    } kept[] = {{kCollectionsTab, "EF"}, {kOptionsTab, "ADH"}, {kDateTab, "B"}, {kColorsTab, "H"}};
    EXPECT_EQ(AccessKeys("Match pictures to each monitor's sha&pe"), "P");
    EXPECT_EQ(AccessKeys("Fit pictures to the scree&n:"), "N");
    EXPECT_EQ(AccessKeys("Save && &close"), "C");
    Process settings("");
    Sheet sheet;
    ASSERT_TRUE(sheet.Open());
    const int pages = TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet.hWnd));
    ASSERT_GE(pages, TabIndex(kUninstallTab) + 1);
    bool bAdvancedSeen = false;
    for (int index = 0; index < pages; ++index) {
        HWND hPage = sheet.Select(index);
        ASSERT_EQ(sheet.CurrentIndex(), index);
        SCOPED_TRACE(WindowText(hPage));  // the page's title
        std::vector<KeyUse> uses;
        CollectKeys(hPage, uses);
        CollectKeys(sheet.hWnd, uses);  // OK, Cancel and whatever else the sheet shows
        std::string allowed;
        for (const auto& k : kept)
            if (TabIndex(k.tab) == index) allowed = k.shared;
        std::string shared;
        for (size_t i = 0; i < uses.size(); ++i)
            for (size_t j = i + 1; j < uses.size(); ++j) {
                if (uses[i].key != uses[j].key || shared.find(uses[i].key) != std::string::npos) continue;
                shared += uses[i].key;
                EXPECT_NE(allowed.find(uses[i].key), std::string::npos)
                    << "Alt+" << uses[i].key << ": \"" << uses[i].text << "\" and \"" << uses[j].text << "\"";
            }
        std::sort(shared.begin(), shared.end());
        EXPECT_EQ(shared, allowed);
        if (index == TabIndex(kAdvancedTab)) {
            bAdvancedSeen = true;
            EXPECT_EQ(shared, "");
            EXPECT_EQ(GetText(hPage, IDC_ADV_MATCH_SHAPE), "Match pictures to each monitor's sha&pe");
            std::string keys;
            for (const KeyUse& use : uses) keys += use.key;
            EXPECT_NE(keys.find('H'), std::string::npos) << keys;  // the page's Help
        }
    }
    EXPECT_TRUE(bAdvancedSeen);
    sheet.Cancel();
    EXPECT_TRUE(settings.WaitExit(15000));
}
