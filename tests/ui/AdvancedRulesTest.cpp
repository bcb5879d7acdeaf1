#include <algorithm>
#include <cstdlib>

#include <gtest/gtest.h>

#include "ui/AdvancedRules.h"

using namespace mv;

namespace {

Monitor MakeMonitor(int left, int top, int width, int height, bool bPrimary) {
    Monitor m;
    m.rect = {left, top, left + width, top + height};
    m.work = m.rect;
    m.bPrimary = bPrimary;
    return m;
}

}  // namespace

// Three monitors: a 1280 x 1024 one left of the primary (negative x), the
// 1920 x 1080 primary, and a portrait 1080 x 1920 one to its right reaching
// above it. The system lists the left one first.
TEST(AdvancedRules, MonitorDrawingKeepsScaleAspectAndPlaces) {
    MonitorLayout layout;
    layout.monitors = {MakeMonitor(-1280, 0, 1280, 1024, false), MakeMonitor(0, 0, 1920, 1080, true),
                       MakeMonitor(1920, -420, 1080, 1920, false)};
    const Rect desk = layout.Bounds();  // 4280 x 1920

    // A wide box (the width limits) and a tall one (the height limits).
    for (Rect box : {Rect{10, 20, 210, 170}, Rect{5, 5, 125, 405}}) {
        SCOPED_TRACE(testing::Message() << "box " << box.Width() << " x " << box.Height());
        std::vector<MonitorTile> tiles = FitMonitors(layout, box);
        ASSERT_EQ(tiles.size(), 3u);
        const double scale = std::min(double(box.Width()) / desk.Width(), double(box.Height()) / desk.Height());
        Rect all = tiles[0].rect;
        for (size_t i = 0; i < tiles.size(); ++i) {
            const Rect& t = tiles[i].rect;
            const Rect& m = layout.monitors[i].rect;
            EXPECT_EQ(tiles[i].number, int(i) + 1);
            EXPECT_EQ(tiles[i].bPrimary, i == 1);
            EXPECT_TRUE(t.left >= box.left && t.top >= box.top && t.right <= box.right && t.bottom <= box.bottom);
            // One scale for every monitor, so each keeps its shape.
            EXPECT_NEAR(t.Width(), m.Width() * scale, 1.0);
            EXPECT_NEAR(t.Height(), m.Height() * scale, 1.0);
            EXPECT_EQ(t.Height() > t.Width(), m.Height() > m.Width());
            all = {std::min(all.left, t.left), std::min(all.top, t.top), std::max(all.right, t.right),
                   std::max(all.bottom, t.bottom)};
        }
        // The drawing fills the box along one side and is centred along the other.
        EXPECT_TRUE(all.Width() == box.Width() || all.Height() == box.Height());
        EXPECT_LE(std::abs((all.left - box.left) - (box.right - all.right)), 1);
        EXPECT_LE(std::abs((all.top - box.top) - (box.bottom - all.bottom)), 1);
        // Neighbours touch as on the desktop; the portrait one reaches higher.
        const Rect &left = tiles[0].rect, &primary = tiles[1].rect, &portrait = tiles[2].rect;
        EXPECT_EQ(left.right, primary.left);
        EXPECT_EQ(primary.right, portrait.left);
        EXPECT_EQ(left.top, primary.top);
        EXPECT_LT(portrait.top, primary.top);
        EXPECT_GT(portrait.bottom, primary.bottom);
        EXPECT_NEAR(primary.top - portrait.top, 420 * scale, 1.0);
    }
    EXPECT_TRUE(FitMonitors(MonitorLayout(), Rect{0, 0, 100, 100}).empty());
    EXPECT_TRUE(FitMonitors(layout, Rect{0, 0, 0, 100}).empty());
}

// The drop-down lists "Automatic", "Fill", "Fit", "Fit over a blurred copy",
// "Stretch": the stored values 4, 1, 2, 3, 0 in that order; an unknown
// value shows and stores as automatic.
TEST(AdvancedRules, FitChoiceListsAutomaticFirstAndStretchLast) {
    const uint32_t expected[5] = {4, 1, 2, 3, 0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(FitChoiceValue(i), expected[i]) << i;
        EXPECT_EQ(FitChoiceIndex(expected[i]), i) << i;
    }
    EXPECT_EQ(FitChoiceIndex(5), 0);
    EXPECT_EQ(FitChoiceValue(-1), 4u);  // no selection
    EXPECT_EQ(FitChoiceValue(5), 4u);
    Settings s;
    s.PictureFit = 77;
    EXPECT_EQ(AdvancedFromSettings(s).PictureFit, 4u);
    AdvancedValues v = AdvancedFromSettings(s);
    v.PictureFit = 0;
    StoreAdvanced(v, s);
    EXPECT_EQ(s.PictureFit, 0u);
}
