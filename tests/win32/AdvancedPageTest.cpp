// The Advanced page driven through its controls in a settings instance: the
// monitors choice and the shape check box reach the registry on OK only, and
// the drawing shows the one monitor of Wine's virtual desktop.
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
