#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/Environment.h"

namespace mv {

// A rectangle in virtual-screen coordinates: left and top inside, right and
// bottom just outside.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool operator==(const Rect& o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
    bool operator!=(const Rect& o) const { return !(*this == o); }
};

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point& o) const { return x == o.x && y == o.y; }
};

// One monitor as the system arranges it: its rectangle and its work area (the
// rectangle less its taskbar and other app bars), both in virtual-screen
// coordinates, whether it is the primary monitor, and its device name.
struct Monitor {
    Rect rect;
    Rect work;
    bool bPrimary = false;
    std::string sDevice;
    bool IsPortrait() const { return rect.Height() > rect.Width(); }
    bool operator==(const Monitor& o) const {
        return rect == o.rect && work == o.work && bPrimary == o.bPrimary && sDevice == o.sDevice;
    }
};

// What the MultipleMonitors setting asks for.
enum MultipleMonitorsMode : uint32_t {
    kSamePictureEverywhere = 0,
    kPicturePerMonitor = 1,  // the default
    kOnePictureAcross = 2,
};
// A hand-edited value outside 0..2 counts as the default.
MultipleMonitorsMode MultipleMonitorsModeOf(uint32_t uValue);

// How the shell is told to show one bitmap over every monitor.
enum class WallpaperArrangement {
    Span,              // Windows 8 and later: WallpaperStyle "22", TileWallpaper "0"
    TiledFromPrimary,  // before Windows 8: tiled, the bitmap's origin at the primary's top-left
};
WallpaperArrangement ArrangementFor(unsigned uMajor, unsigned uMinor);

// The monitors of the desktop, in the system's order.
struct MonitorLayout {
    std::vector<Monitor> monitors;

    // One monitor of the given size at 0,0: the layout of a single screen.
    static MonitorLayout Single(Size screen);

    bool IsMultiple() const { return monitors.size() > 1; }
    // The rectangle that bounds every monitor.
    Rect Bounds() const;
    // The primary monitor's index: the one marked primary, else the one at
    // 0,0, else the first. -1 when there are none.
    int PrimaryIndex() const;
    const Monitor& Primary() const { return monitors[static_cast<size_t>(PrimaryIndex())]; }
    bool operator==(const MonitorLayout& o) const { return monitors == o.monitors; }
    bool operator!=(const MonitorLayout& o) const { return !(*this == o); }
};

}  // namespace mv
