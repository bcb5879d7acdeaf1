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
