// The commands on the wallpaper showing, in the waiting and the disabled
// tray menus: greyed while they cannot be used.
#pragma once
#include <windows.h>

#include "resource.h"
#include "shell/ChangeCycle.h"

namespace mv::win {

// Enables or greys each of the four commands of a tray popup; a menu without
// them (changing, computing a fractal) is left as it is.
inline void GreyWallpaperCommands(HMENU hMenu, const WallpaperCommands& commands) {
    const struct {
        UINT id;
        bool bEnabled;
    } items[] = {{ID_PREVIOUS_WALLPAPER, commands.bPrevious},
                 {ID_KEEP_FRACTAL, commands.bKeepFractal},
                 {ID_SHOW_PICTURE_IN_FOLDER, commands.bShowPicture},
                 {ID_NEVER_SHOW_PICTURE, commands.bNeverShow}};
    for (const auto& item : items) EnableMenuItem(hMenu, item.id, MF_BYCOMMAND | (item.bEnabled ? MF_ENABLED : MF_GRAYED));
}

}  // namespace mv::win
