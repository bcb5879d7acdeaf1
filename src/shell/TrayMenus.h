#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "shell/ChangeCycle.h"

namespace mv {

// Tray menu commands.
enum TrayCommand : int {
    kCmdDisable = 32772,
    kCmdSettings = 32773,
    kCmdDisplayProperties = 32774,
    kCmdExit = 32775,
    kCmdEnable = 32776,
    kCmdChangeWallpaper = 32779,
    kCmdStopFractal = 32780,
    kCmdRefreshImages = 32781,
    kCmdChanging = 32782,
    kCmdPreviousWallpaper = 32790,
    kCmdKeepFractal = 32791,
    kCmdShowPictureInFolder = 32792,
    kCmdNeverShowPicture = 32793,
};

struct TrayMenuItem {
    int id;  // 0 for a separator
    const char* text;
};

// The popup "&Murivane" of each tray state, first item first (the default).
const std::vector<TrayMenuItem>& TrayMenuFor(TrayState state);

// The commands on the wallpaper showing: a group of their own, after a
// separator, between the last item and the separator above Exit in the
// waiting and the disabled menus.
const std::vector<TrayMenuItem>& WallpaperCommandGroup();
// Whether each item of the group can be used now, by its command id.
bool WallpaperCommandEnabled(int id, const WallpaperCommands& commands);

// The tool tip a state sets; empty where the state keeps the previous one.
std::string TrayToolTipFor(TrayState state);

// A tool tip is kept only when it fits the 64-character buffer with its zero.
bool ToolTipFits(const std::string& sText);

// Left clicks closer together than 300 ms count once.
class ClickFilter {
public:
    explicit ClickFilter(std::function<uint64_t()> nowMs, uint64_t periodMs = 300)
        : m_now(std::move(nowMs)), m_period(periodMs), m_last(m_now()) {}
    // True when this click is to be performed (and restarts the period).
    bool Accept();

private:
    std::function<uint64_t()> m_now;
    uint64_t m_period;
    uint64_t m_last;
};

}  // namespace mv
