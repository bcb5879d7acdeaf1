#pragma once
#include <cstdint>
#include <string>

#include "Patterns/Color.h"
#include "Patterns/ColorHSL.h"
#include "config/Registry.h"
#include "platform/Desktop.h"
#include "platform/Environment.h"

namespace mv {

constexpr const char* kConfigSection = "Config";

// Every user option, named by its registry value. Loaded once, changed in
// memory by the pages and the tray commands, written back in three groups.
struct Settings {
    bool UseTray = true;
    bool AutoStart = true;
    bool ShowToolTips = true;
    std::string InstallFolder;
    uint32_t Hours = 0;
    uint32_t Minutes = 30;
    bool DontChange = false;
    bool CreateSeamless = true;
    uint32_t HoursFrom = 8;
    uint32_t MinutesFrom = 0;
    uint32_t AMPMFrom = 1;
    uint32_t HoursTo = 8;
    uint32_t MinutesTo = 0;
    uint32_t AMPMTo = 0;
    uint32_t TilePercentage = 40;
    uint32_t StretchPercentage = 60;
    bool ChangeOnStartup = true;
    bool ExitAfterChange = false;
    bool UseTransparentIcons = true;
    bool ChooseIconColor = true;
    Color BackgroundColor = 0;
    Color IconTextColor = kWhite;
    bool TestForScreensaver = true;
    int32_t Brightness = 50;
    int32_t DefaultBrightness = 50;
    bool ShowDate = false;
    std::string FontName = "Times New Roman";
    bool Bold = false;
    bool Italics = false;
    uint32_t FontSize = 12;
    uint32_t Position = 3;
    int32_t SmartTiling = 0;
    // Several monitors: 0 the same picture on each, 1 a picture for each
    // (the default), 2 one picture across all of them.
    uint32_t MultipleMonitors = 1;
    // A portrait monitor prefers portrait pictures, a landscape one landscape.
    bool MatchMonitorShape = true;
    // How a stretched picture keeps its shape: 0 stretch, 1 fill, 2 fit,
    // 3 fit over a blurred copy, 4 automatic (the default; anything
    // out of range counts as 4).
    uint32_t PictureFit = 4;
    // How many wallpapers the history keeps (0 keeps none, at most 500).
    uint32_t HistorySize = 50;
    static constexpr uint32_t kMaxHistorySize = 500;
    // No scheduled change while a full-screen program or presentation runs,
    // while battery saver is on, or while the session is locked.
    bool PauseFullScreen = true;
    bool PauseBatterySaver = true;
    bool PauseLocked = true;
    // Hot keys of the tray, as the hot-key control gives them (0 none):
    // the next wallpaper, the previous one, the next on the monitor under
    // the mouse pointer.
    uint32_t HotKeyNext = 0;
    uint32_t HotKeyPrevious = 0;
    uint32_t HotKeyNextHere = 0;
    float Colors[12];
    float DefaultColors[12];
    ColorChoiceTable ColorTable;

    static constexpr float kDefaultWeights[12] = {60, 25, 60, 25, 15, 15, 20, 30, 30, 20, 15, 20};
    static constexpr const char* kDefaultInstallFolder = "C:\\Program Files\\Murivane\\";

    Settings();

    // Fills every field from the profile; the desktop supplies the defaults of
    // BackgroundColor and IconTextColor.
    void Load(Profile& profile, Desktop& desktop);
    void SaveGeneral(Profile& profile) const;
    void SaveDate(Profile& profile) const;
    void SaveColors(Profile& profile) const;
    // The Advanced page's values.
    void SaveAdvanced(Profile& profile) const;
    // The hot keys alone; read again alone by a tray the sheet of another copy told.
    void SaveHotKeys(Profile& profile) const;
    void LoadHotKeys(Profile& profile);
    void RebuildColorTable() { ColorTable.Build(Colors); }
    // Deletes the Config key, the product key and the collections file.
    static void DeleteAll(Profile& profile, Environment& env);
};

}  // namespace mv
