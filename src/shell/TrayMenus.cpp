#include "shell/TrayMenus.h"

namespace mv {

const std::vector<TrayMenuItem>& TrayMenuFor(TrayState state) {
    static const std::vector<TrayMenuItem> kWaiting = {
        {kCmdChangeWallpaper, "&Change Wallpaper"}, {kCmdSettings, "&Murivane Settings..."},
        {kCmdRefreshImages, "Re&fresh Image List"}, {0, nullptr},
        {kCmdDisplayProperties, "Display &Properties..."}, {kCmdDisable, "&Disable Murivane"},
        {0, nullptr}, {kCmdExit, "E&xit Murivane"}};
    static const std::vector<TrayMenuItem> kDisabled = {
        {kCmdChangeWallpaper, "&Change Wallpaper"}, {kCmdSettings, "&Murivane Settings..."}, {0, nullptr},
        {kCmdDisplayProperties, "Display &Properties..."}, {kCmdEnable, "&Enable Murivane"}, {0, nullptr},
        {kCmdExit, "E&xit Murivane"}};
    static const std::vector<TrayMenuItem> kChanging = {{kCmdChanging, "Changing...please wait"},
                                                        {kCmdExit, "E&xit Murivane"}};
    static const std::vector<TrayMenuItem> kFractal = {
        {kCmdStopFractal, "Stop &Fractal Calculation"}, {0, nullptr}, {kCmdExit, "E&xit Murivane"}};
    static const std::vector<TrayMenuItem> kNone;
    switch (state) {
    case kTrayWaiting: return kWaiting;
    case kTrayDisabled: return kDisabled;
    case kTrayChanging: return kChanging;
    case kTrayFractal: return kFractal;
    default: return kNone;
    }
}

const std::vector<TrayMenuItem>& WallpaperCommandGroup() {
    static const std::vector<TrayMenuItem> kGroup = {{0, nullptr},
                                                     {kCmdPreviousWallpaper, "&Previous Wallpaper"},
                                                     {kCmdKeepFractal, "&Keep This Fractal"},
                                                     {kCmdShowPictureInFolder, "&Show Picture in Folder"},
                                                     {kCmdNeverShowPicture, "&Never Show This Picture Again"}};
    return kGroup;
}

bool WallpaperCommandEnabled(int id, const WallpaperCommands& commands) {
    switch (id) {
    case kCmdPreviousWallpaper: return commands.bPrevious;
    case kCmdKeepFractal: return commands.bKeepFractal;
    case kCmdShowPictureInFolder: return commands.bShowPicture;
    case kCmdNeverShowPicture: return commands.bNeverShow;
    default: return true;
    }
}

std::string TrayToolTipFor(TrayState state) { return state == kTrayWaiting ? "Murivane" : std::string(); }

bool ToolTipFits(const std::string& sText) { return sText.size() < 64; }

bool ClickFilter::Accept() {
    uint64_t now = m_now();
    if (now - m_last > m_period) {
        m_last = now;
        return true;
    }
    return false;
}

}  // namespace mv
