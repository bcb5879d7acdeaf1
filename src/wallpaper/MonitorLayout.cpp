#include "wallpaper/MonitorLayout.h"

#include <algorithm>

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

}  // namespace mv
