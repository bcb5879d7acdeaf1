#pragma once
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace mv {

// A desktop that only remembers what it was told: the portable stand-in for
// the shell, used by the native tests and tools.
class MemoryDesktop : public Desktop {
public:
    Size ScreenSize() override { return screen; }
    int ScreenDepth() override { return depth; }
    Color GetBackgroundColor() override { return background; }
    void SetBackgroundColor(Color c) override { background = c; ++backgroundSets; }
    bool GetIconTextColor(Color& out) override {
        if (!hasIconList) return false;
        out = iconText;
        return true;
    }
    void SetWallpaper(const std::string& sPath) override { wallpapers.push_back(sPath); }
    bool IsScreenSaverRunning(bool& bRunning) override {
        bRunning = screenSaverRunning;
        return canTellScreenSaver;
    }
    // The screen alone unless the test sets monitors of its own.
    MonitorLayout Monitors() override { return monitors.monitors.empty() ? MonitorLayout::Single(screen) : monitors; }

    Size screen{1024, 768};
    int depth = 32;
    Color background = 0x00A0522D;
    bool hasIconList = false;
    Color iconText = 0;
    int backgroundSets = 0;
    bool screenSaverRunning = false;
    bool canTellScreenSaver = true;
    std::vector<std::string> wallpapers;
    MonitorLayout monitors;
};

}  // namespace mv
