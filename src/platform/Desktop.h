#pragma once
#include <string>

#include "Patterns/Color.h"
#include "platform/Environment.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// The desktop seam: what the shell shows and how to change it.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual Size ScreenSize() = 0;                         // HORZRES x VERTRES of the screen
    virtual int ScreenDepth() = 0;                         // bits per pixel
    virtual Color GetBackgroundColor() = 0;                // GetSysColor(COLOR_BACKGROUND)
    virtual void SetBackgroundColor(Color c) = 0;          // SetSysColors, one element
    // The desktop icon list view's caption colour; false when there is no list view.
    virtual bool GetIconTextColor(Color& out) = 0;
    // SystemParametersInfo(SPI_SETDESKWALLPAPER, 1, path, 0).
    virtual void SetWallpaper(const std::string& sPath) = 0;
    virtual bool IsScreenSaverRunning(bool& bRunning) = 0; // false when the system cannot tell
    // The monitors as the system arranges them; one screen-sized monitor
    // where the system cannot tell.
    virtual MonitorLayout Monitors() { return MonitorLayout::Single(ScreenSize()); }
};

}  // namespace mv
