#include "wallpaper/MonitorLayout.h"

#include <algorithm>
#include <cmath>

namespace mv {

MultipleMonitorsMode MultipleMonitorsModeOf(uint32_t uValue) {
    return uValue <= kOnePictureAcross ? static_cast<MultipleMonitorsMode>(uValue) : kPicturePerMonitor;
}

WallpaperArrangement ArrangementFor(unsigned uMajor, unsigned uMinor) {
    // Windows 8 is NT 6.2; the span style came with it.
    return (uMajor > 6 || (uMajor == 6 && uMinor >= 2)) ? WallpaperArrangement::Span
                                                       : WallpaperArrangement::TiledFromPrimary;
}

MonitorLayout MonitorLayout::Single(Size screen) {
    MonitorLayout layout;
    Monitor m;
    m.rect = {0, 0, screen.cx, screen.cy};
    m.work = m.rect;
    m.bPrimary = true;
    layout.monitors.push_back(m);
    return layout;
}

Rect MonitorLayout::Bounds() const {
    if (monitors.empty()) return Rect();
    Rect r = monitors.front().rect;
    for (const Monitor& m : monitors) {
        r.left = std::min(r.left, m.rect.left);
        r.top = std::min(r.top, m.rect.top);
        r.right = std::max(r.right, m.rect.right);
        r.bottom = std::max(r.bottom, m.rect.bottom);
    }
    return r;
}

int MonitorLayout::PrimaryIndex() const {
    if (monitors.empty()) return -1;
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].bPrimary) return static_cast<int>(i);
    for (size_t i = 0; i < monitors.size(); ++i)
        if (monitors[i].rect.left == 0 && monitors[i].rect.top == 0) return static_cast<int>(i);
    return 0;
}

namespace {
int FloorMod(int64_t a, int64_t m) {
    int64_t r = a % m;
    return static_cast<int>(r < 0 ? r + m : r);
}
}  // namespace

Point BitmapPixelAt(Point p, const Rect& bounds, Point origin, Size bitmap, WallpaperArrangement arrangement) {
    if (bitmap.cx <= 0 || bitmap.cy <= 0) return Point();
    if (arrangement == WallpaperArrangement::TiledFromPrimary)
        return {FloorMod(static_cast<int64_t>(p.x) - origin.x, bitmap.cx),
                FloorMod(static_cast<int64_t>(p.y) - origin.y, bitmap.cy)};
    // Span fills the bounding rectangle: the larger of the two scales, the
    // bitmap centred on the rectangle.
    const int bw = std::max(1, bounds.Width()), bh = std::max(1, bounds.Height());
    const double scale = std::max(static_cast<double>(bw) / bitmap.cx, static_cast<double>(bh) / bitmap.cy);
    const double shownW = bitmap.cx * scale, shownH = bitmap.cy * scale;
    const double offX = (bw - shownW) / 2, offY = (bh - shownH) / 2;
    // The centre of the screen pixel, back through the scale.
    const double fx = (p.x - bounds.left + 0.5 - offX) / scale;
    const double fy = (p.y - bounds.top + 0.5 - offY) / scale;
    return {std::clamp(static_cast<int>(std::floor(fx)), 0, bitmap.cx - 1),
            std::clamp(static_cast<int>(std::floor(fy)), 0, bitmap.cy - 1)};
}

}  // namespace mv
