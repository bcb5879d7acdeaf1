#pragma once
#include <windows.h>

#include "platform/Desktop.h"

namespace mv {

// The desktop's icon list view: "ProgMan", its first child, that window's
// first child, when it is a "SysListView32".
HWND FindDesktopListView();

class Win32Desktop : public Desktop {
public:
    Size ScreenSize() override;
    int ScreenDepth() override;
    Color GetBackgroundColor() override;
    void SetBackgroundColor(Color c) override;
    bool GetIconTextColor(Color& out) override;
    void SetWallpaper(const std::string& sPath) override;
    bool IsScreenSaverRunning(bool& bRunning) override;
    // EnumDisplayMonitors with GetMonitorInfo; the screen alone when that finds none.
    MonitorLayout Monitors() override;
};

}  // namespace mv
