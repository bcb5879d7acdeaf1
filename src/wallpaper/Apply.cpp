#include "wallpaper/Apply.h"

namespace mv {

namespace {
void WriteDesktopString(RegistryStore& registry, const char* sKey, const char* sName, const std::string& sValue) {
    RegData data;
    data.type = kRegSz;
    data.bytes.assign(sValue.begin(), sValue.end());
    data.bytes.push_back(0);
    registry.Set(RootKey::CurrentUser, sKey, sName, data);
}
}  // namespace

bool WriteWallpaperFile(Environment& env, const Image& picture, const std::string& sPath) {
    if (!picture.IsValid()) return false;
    const std::string sTemp = sPath + ".tmp";
    if (!picture.Save(sTemp)) {
        env.RemoveFile(sTemp);
        return false;
    }
    if (!env.RenameFile(sTemp, sPath)) {
        env.RemoveFile(sTemp);
        return false;
    }
    return true;
}

int ActiveDesktopStyleFor(int iTileFlag, int iStyle) {
    if (iTileFlag) return kWpStyleTile;
    if (iStyle != 0) return kWpStyleStretch;
    return kWpStyleCenter;
}

void ApplyWallpaper(RegistryStore& registry, Desktop& desktop, ActiveDesktop* pActiveDesktop, bool bUsingActiveDesktop,
                    const std::string& sPath, int iTileFlag, int iStyle) {
    WriteDesktopString(registry, kDesktopKey, "Wallpaper", sPath);
    if (pActiveDesktop && bUsingActiveDesktop) {
        pActiveDesktop->SetWallpaper(sPath);
        pActiveDesktop->SetWallpaperOptions(ActiveDesktopStyleFor(iTileFlag, iStyle));
        pActiveDesktop->ApplyChanges(kActiveDesktopApplyFlags);
        return;
    }
    WriteDesktopString(registry, kDesktopKey, "TileWallpaper", std::to_string(iTileFlag));
    WriteDesktopString(registry, kDesktopKey, "WallpaperStyle", std::to_string(iStyle));
    desktop.SetWallpaper(sPath);
}

std::string BackgroundColorText(Color c) {
    return std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " + std::to_string(BlueOf(c));
}

void ApplyBackgroundColor(RegistryStore& registry, Desktop& desktop, Color c) {
    c &= 0xFFFFFF;  // a colour from a hand-edited registry may carry junk in the top byte
    if (c == desktop.GetBackgroundColor()) return;
    desktop.SetBackgroundColor(c);
    WriteDesktopString(registry, kColorsKey, "Background", BackgroundColorText(c));
}

}  // namespace mv
