#include <gtest/gtest.h>

#include "wallpaper/DatePlacement.h"

using namespace mv;

namespace {
TaskbarInfo Bar(int edge, int left, int top, int right, int bottom) { return {edge, left, top, right, bottom}; }
void ExpectPoint(TextPoint p, int x, int y) {
    EXPECT_EQ(p.x, x);
    EXPECT_EQ(p.y, y);
}
const TaskbarInfo kBottomBar = Bar(kEdgeBottom, 0, 740, 1024, 768);
}  // namespace

TEST(DateFont, HeightRuleAndOutOfRangeSizes) {
    EXPECT_EQ(DateFontHeight(12, 96), -19);  // 1152 / 60
    EXPECT_EQ(DateFontHeight(12, 120), -24);
    EXPECT_EQ(DateFontHeight(8, 96), -12);
    EXPECT_EQ(DateFontHeight(72, 96), -115);  // 6912 / 60, truncated
    // Hand-edited sizes are held to the Date page's 8..72.
    EXPECT_EQ(DateFontHeight(0, 96), DateFontHeight(8, 96));
    EXPECT_EQ(DateFontHeight(5000, 96), DateFontHeight(72, 96));
    EXPECT_EQ(DateFontHeight(0xFFFFFFFFu, 96), DateFontHeight(72, 96));
    // A device that reports no resolution counts as 96 dpi.
    EXPECT_EQ(DateFontHeight(12, 0), -19);
    EXPECT_EQ(DateFontHeight(12, -5), -19);
    EXPECT_LT(DateFontHeight(72, 0x7FFFFFFF), 0);  // no overflow
}

TEST(DateFont, FittingShrinksTextThatIsLargerThanThePicture) {
    // Fits: unchanged.
    EXPECT_EQ(FitDateFontHeight(-19, {150, 22, 17, 5}, 1024, 768), -19);
    EXPECT_EQ(FitDateFontHeight(-19, {1024, 768, 600, 168}, 1024, 768), -19);  // exactly the picture
    // Twice as wide as the picture: half the height.
    EXPECT_EQ(FitDateFontHeight(-100, {2000, 120, 90, 30}, 1000, 768), -50);
    // Too tall, the tighter of the two wins.
    EXPECT_EQ(FitDateFontHeight(-100, {400, 120, 90, 30}, 1000, 60), -50);
    EXPECT_EQ(FitDateFontHeight(-100, {4000, 120, 90, 30}, 1000, 60), -25);
    // The sign of the request is kept.
    EXPECT_EQ(FitDateFontHeight(100, {2000, 120, 90, 30}, 1000, 768), 50);
    // Always a step smaller while it does not fit, never below 1.
    EXPECT_EQ(FitDateFontHeight(-100, {1001, 10, 8, 2}, 1000, 768), -99);
    EXPECT_EQ(FitDateFontHeight(-10, {5000, 12, 9, 3}, 1, 1), -1);
    EXPECT_EQ(FitDateFontHeight(-1, {5000, 12, 9, 3}, 1, 1), -1);
    EXPECT_EQ(FitDateFontHeight(-10, {50, 12, 9, 3}, 0, 0), -1);
    // Repeated fitting ends.
    int h = -115;
    for (int i = 0; i < 200 && FitDateFontHeight(h, {h * -20, -h, -h, 0}, 64, 48) != h; ++i)
        h = FitDateFontHeight(h, {h * -20, -h, -h, 0}, 64, 48);
    EXPECT_LE(-h * 20, 64);
}

TEST(DatePlacement, BottomRightAndTopLeftExamples) {
    // 1024 x 768, a 28-pixel taskbar at the bottom, text 150 x 22.
    ExpectPoint(PlaceDate(kDateBottomRight, 1024, 768, 150, 22, kBottomBar), 874, 729);
    // Taskbar on the left whose right edge is at 60.
    ExpectPoint(PlaceDate(kDateTopLeft, 1024, 768, 150, 22, Bar(kEdgeLeft, 0, 0, 60, 768)), 60, 22);
}

TEST(DatePlacement, TableForEveryPositionAndTaskbarEdge) {
    const int W = 1024, H = 768, cx = 151, cy = 23;
    const TaskbarInfo none = Bar(kEdgeBottom, 0, 0, 0, 0);  // empty rectangle
    const TaskbarInfo left = Bar(kEdgeLeft, 0, 0, 60, 768);
    const TaskbarInfo top = Bar(kEdgeTop, 0, 0, 1024, 30);
    const TaskbarInfo right = Bar(kEdgeRight, 980, 0, 1024, 768);
    const TaskbarInfo bottom = kBottomBar;

    // 0 top left: moved right by a left taskbar, down by a top one.
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, none), 0, 23);
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, left), 60, 23);
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, top), 0, 53);
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, right), 0, 23);
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, bottom), 0, 23);
    // 1 top right.
    ExpectPoint(PlaceDate(kDateTopRight, W, H, cx, cy, none), 873, 23);
    ExpectPoint(PlaceDate(kDateTopRight, W, H, cx, cy, top), 873, 53);
    ExpectPoint(PlaceDate(kDateTopRight, W, H, cx, cy, right), 873 - 44, 23);
    ExpectPoint(PlaceDate(kDateTopRight, W, H, cx, cy, left), 873, 23);
    ExpectPoint(PlaceDate(kDateTopRight, W, H, cx, cy, bottom), 873, 23);
    // 2 bottom left: y = H - cy / 2 (11, truncated).
    ExpectPoint(PlaceDate(kDateBottomLeft, W, H, cx, cy, none), 0, 757);
    ExpectPoint(PlaceDate(kDateBottomLeft, W, H, cx, cy, left), 60, 757);
    ExpectPoint(PlaceDate(kDateBottomLeft, W, H, cx, cy, bottom), 0, 729);
    ExpectPoint(PlaceDate(kDateBottomLeft, W, H, cx, cy, top), 0, 757);
    // 3 bottom right.
    ExpectPoint(PlaceDate(kDateBottomRight, W, H, cx, cy, none), 873, 757);
    ExpectPoint(PlaceDate(kDateBottomRight, W, H, cx, cy, right), 829, 757);
    ExpectPoint(PlaceDate(kDateBottomRight, W, H, cx, cy, bottom), 873, 729);
    ExpectPoint(PlaceDate(kDateBottomRight, W, H, cx, cy, left), 873, 757);
    // 4 centred ignores the taskbar.
    ExpectPoint(PlaceDate(kDateCentred, W, H, cx, cy, none), 436, 372);
    ExpectPoint(PlaceDate(kDateCentred, W, H, cx, cy, bottom), 436, 372);
    ExpectPoint(PlaceDate(kDateCentred, W, H, cx, cy, left), 436, 372);
    // Anything else: the top left corner of the picture.
    for (uint32_t pos : {5u, 99u, 0xFFFFFFFFu}) ExpectPoint(PlaceDate(pos, W, H, cx, cy, left), 0, 0);
    // A failed taskbar query (all zero: left edge, empty rectangle) moves nothing.
    ExpectPoint(PlaceDate(kDateTopLeft, W, H, cx, cy, TaskbarInfo{}), 0, 23);
    ExpectPoint(PlaceDate(kDateBottomLeft, W, H, cx, cy, TaskbarInfo{}), 0, 757);
}

TEST(DatePlacement, TextIsKeptInsideThePicture) {
    const TextExtent text{150, 22, 17, 5};
    // Points from the table for ordinary sizes stay as they are.
    for (uint32_t pos = 0; pos <= 4; ++pos) {
        TextPoint p = PlaceDate(pos, 1024, 768, text.cx, text.cy, kBottomBar);
        TextPoint kept = KeepDateInside(p, 1024, 768, text);
        EXPECT_EQ(kept.x, p.x) << pos;
        EXPECT_EQ(kept.y, p.y) << pos;
    }
    // Position 5 puts the baseline on the top edge: moved down by the ascent.
    ExpectPoint(KeepDateInside(PlaceDate(5, 1024, 768, 150, 22, {}), 1024, 768, text), 0, 17);
    // A taskbar rectangle from another monitor or a broken answer.
    TaskbarInfo wild = Bar(kEdgeRight, -100000, 0, 2000000000, 768);
    ExpectPoint(KeepDateInside(PlaceDate(kDateTopRight, 1024, 768, 150, 22, wild), 1024, 768, text), 0, 22);
    TaskbarInfo huge = Bar(kEdgeBottom, 0, -2000000000, 1024, 2000000000);
    ExpectPoint(KeepDateInside(PlaceDate(kDateBottomLeft, 1024, 768, 150, 22, huge), 1024, 768, text), 0, 17);
    TaskbarInfo far = Bar(kEdgeLeft, 0, 0, 5000, 768);
    ExpectPoint(KeepDateInside(PlaceDate(kDateTopLeft, 1024, 768, 150, 22, far), 1024, 768, text), 874, 22);
    // Text larger than the picture starts at its top left.
    ExpectPoint(KeepDateInside({500, 500}, 100, 50, {400, 80, 60, 20}), 0, 60);
    // Without font metrics the box stands on the baseline.
    ExpectPoint(KeepDateInside({0, 3}, 100, 50, {40, 10, 0, 0}), 0, 10);
    // A zero-sized picture gives a defined answer.
    ExpectPoint(KeepDateInside({7, 7}, 0, 0, text), 0, 17);
}

TEST(DateText, LongDateWithASpaceEachSide) {
    std::tm when = {};
    when.tm_year = 126;
    when.tm_mon = 11;
    when.tm_mday = 7;
    when.tm_wday = 1;
    EXPECT_EQ(EnglishLongDate(when), "Monday, December 7, 2026");
    std::string s = DateStampText(when);
    ASSERT_GE(s.size(), 3u);
    EXPECT_EQ(s.front(), ' ');
    EXPECT_EQ(s.back(), ' ');
    EXPECT_NE(s.find("2026"), std::string::npos);
    // Fields out of range do not index past the name tables.
    when.tm_wday = -1;
    when.tm_mon = 12;
    EXPECT_EQ(EnglishLongDate(when), "Saturday, January 7, 2026");
}

TEST(DatePlacement, TaskbarWindowWidensAThinAnswer) {
    const TaskbarInfo strip = Bar(kEdgeBottom, 0, 767, 1024, 768);  // a one-pixel answer
    const TaskbarInfo window = Bar(kEdgeLeft, 0, 748, 1024, 768);    // the window's edge is not used
    TaskbarInfo t = WidenTaskbar(strip, window);
    EXPECT_EQ(t.edge, kEdgeBottom);
    EXPECT_EQ(t.top, 748);
    EXPECT_EQ(t.bottom, 768);
    // The date then stays above the taskbar that is really there.
    ExpectPoint(PlaceDate(kDateBottomRight, 1024, 768, 150, 22, t), 874, 737);
    // A vertical taskbar is measured across its width.
    t = WidenTaskbar(Bar(kEdgeRight, 1023, 0, 1024, 768), Bar(kEdgeTop, 960, 0, 1024, 768));
    EXPECT_EQ(t.edge, kEdgeRight);
    EXPECT_EQ(t.left, 960);
    // The answer stands when it is as thick or thicker, when the window is
    // elsewhere, and when either is empty (a failed query stays all zero).
    t = WidenTaskbar(kBottomBar, Bar(0, 0, 760, 1024, 768));
    EXPECT_EQ(t.top, 740);
    t = WidenTaskbar(strip, Bar(0, 0, 0, 1024, 30));
    EXPECT_EQ(t.top, 767);
    t = WidenTaskbar(TaskbarInfo{}, Bar(0, 0, 748, 1024, 768));
    EXPECT_EQ(t.bottom, 0);
    EXPECT_EQ(t.edge, kEdgeLeft);
    t = WidenTaskbar(strip, TaskbarInfo{});
    EXPECT_EQ(t.top, 767);
}
