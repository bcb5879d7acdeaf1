// Several monitors under Wine. These tests run in their own CTest entry
// (win32_monitors: `scripts/wine-run.sh --monitors`), in a prefix without a
// virtual desktop whose monitors are the heads of MonitorHeads.h.
#include <windows.h>

#include <algorithm>
#include <vector>

#include <gtest/gtest.h>

#include "MonitorHeads.h"
#include "WineVersion.h"
#include "platform/win32/Win32Desktop.h"

using namespace mv;
using namespace mv::test;

namespace {
bool ByPosition(const Rect& a, const Rect& b) { return a.left != b.left ? a.left < b.left : a.top < b.top; }
}  // namespace

TEST(Monitors, WineReportsTheHeadsAsMonitors) {
    // The default heads: a 1920x1080 primary, a portrait monitor to its right
    // and a 2560x1440 monitor to its left, at negative x.
    const std::vector<Rect> heads = XineramaHeads();
    ASSERT_EQ(heads, (std::vector<Rect>{{0, 0, 1920, 1080}, {1920, 0, 3000, 1920}, {-2560, 0, 0, 1440}}))
        << "run through scripts/wine-run.sh --monitors with the default heads";

    MonitorLayout layout = Win32Desktop().Monitors();
    std::vector<Rect> seen;
    int primaries = 0;
    for (const Monitor& m : layout.monitors) {
        seen.push_back(m.rect);
        EXPECT_FALSE(m.work.IsEmpty()) << m.sDevice;
        EXPECT_TRUE(m.work.left >= m.rect.left && m.work.top >= m.rect.top && m.work.right <= m.rect.right &&
                    m.work.bottom <= m.rect.bottom)
            << m.sDevice;
        if (m.bPrimary) {
            ++primaries;
            EXPECT_EQ(m.rect, heads[0]);
        }
    }
    EXPECT_EQ(primaries, 1);
    std::vector<Rect> expected = heads;
    std::sort(seen.begin(), seen.end(), ByPosition);
    std::sort(expected.begin(), expected.end(), ByPosition);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(layout.Bounds(), (Rect{-2560, 0, 3000, 1920}));
    EXPECT_EQ(GetSystemMetrics(SM_XVIRTUALSCREEN), -2560);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), 5560);

    // Programs started after a switch of the Windows version see it; this
    // program's manifest names Windows 10, so it is told 10.0, not 6.2.
    VersionFacts v = VersionOfNewProcess();
    EXPECT_EQ(v.major * 100 + v.minor, 601u) << "the prefix should report Windows 7";
    {
        ScopedWineVersion win10("win10");
        ASSERT_TRUE(win10.ok);
        v = VersionOfNewProcess();
        EXPECT_EQ(v.platformId, 2u);
        EXPECT_EQ(v.major * 100 + v.minor, 1000u);
    }
    v = VersionOfNewProcess();
    EXPECT_EQ(v.major * 100 + v.minor, 601u);
}
