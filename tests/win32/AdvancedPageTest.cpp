// The Advanced page driven through its controls in a settings instance: the
// monitors choice and the shape check box reach the registry on OK only, and
// the drawing shows the one monitor of Wine's virtual desktop; the pauses,
// the history size and the excluded pictures shown again.
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

#include "resource.h"
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
                       IDC_HELP_BUTTON})
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
        sheet.Select(TabIndex(kInfoTab));
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 7u);  // leaving the page writes nothing
        sheet.Ok();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 2u);
        EXPECT_EQ(ReadConfigDword("MatchMonitorShape", 99), 0u);
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
        sheet.Select(TabIndex(kColorsTab));
        sheet.Cancel();
        ASSERT_TRUE(settings.WaitExit(15000));
        EXPECT_EQ(ReadConfigDword("MultipleMonitors", 99), 2u);
        EXPECT_EQ(ReadConfigDword("MatchMonitorShape", 99), 0u);
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
    DeleteFileA(ini.c_str());
}
