#pragma once
#include <string>

namespace mv {

// Wallpaper styles of the shell's Active Desktop interface.
enum ActiveDesktopStyle { kWpStyleCenter = 0, kWpStyleTile = 1, kWpStyleStretch = 2, kWpStyleSpan = 5 };
// AD_APPLY_SAVE | AD_APPLY_REFRESH | AD_APPLY_FORCE.
constexpr unsigned kActiveDesktopApplyFlags = 13;

// The shell's Active Desktop object, as the change pipeline uses it.
class ActiveDesktop {
public:
    virtual ~ActiveDesktop() = default;
    virtual void SetWallpaper(const std::string& sPath) = 0;
    virtual void SetWallpaperOptions(int iStyle) = 0;
    virtual void ApplyChanges(unsigned uFlags) = 0;
};

}  // namespace mv
