#include "config/Settings.h"

#include "config/HotKey.h"

#include <algorithm>

#include "app/OutputFolder.h"

namespace mv {

constexpr float Settings::kDefaultWeights[12];

Settings::Settings() {
    for (int i = 0; i < 12; ++i) Colors[i] = DefaultColors[i] = kDefaultWeights[i];
    RebuildColorTable();
}

void Settings::Load(Profile& p, Desktop& desktop) {
    const std::string S = kConfigSection;
    auto b = [&](const char* name, bool def) { return p.GetInt(S, name, def ? 1 : 0) != 0; };
    auto u = [&](const char* name, uint32_t def) { return p.GetInt(S, name, def); };
    auto i = [&](const char* name, int32_t def) {
        return static_cast<int32_t>(p.GetInt(S, name, static_cast<uint32_t>(def)));
    };

    UseTray = b("UseTray", true);
    AutoStart = true;  // never read back: every start counts as wanting auto start
    ShowToolTips = b("ShowToolTips", true);
    InstallFolder = p.GetString(S, "InstallFolder", "");
    if (InstallFolder.empty()) InstallFolder = kDefaultInstallFolder;
    Hours = u("Hours", 0);
    Minutes = u("Minutes", 30);
    DontChange = b("DontChange", false);
    CreateSeamless = b("CreateSeamless", true);
    HoursFrom = u("HoursFrom", 8);
    MinutesFrom = u("MinutesFrom", 0);
    AMPMFrom = u("AMPMFrom", 1);
    HoursTo = u("HoursTo", 8);
    MinutesTo = u("MinutesTo", 0);
    AMPMTo = u("AMPMTo", 0);
    TilePercentage = u("TilePercentage", 40);
    StretchPercentage = u("StretchPercentage", 60);
    ChangeOnStartup = b("ChangeOnStartup", true);
    ExitAfterChange = b("ExitAfterChange", false);
    UseTransparentIcons = b("UseTransparentIcons", true);
    ChooseIconColor = b("ChooseIconColor", true);
    // Colours are 0x00BBGGRR: a hand-edited top byte would turn into a palette
    // index or "no colour" wherever the colour is used.
    BackgroundColor = u("BackgroundColor", desktop.GetBackgroundColor()) & 0xFFFFFF;
    Color iconDefault = kWhite;
    if (!desktop.GetIconTextColor(iconDefault)) iconDefault = kWhite;
    IconTextColor = u("IconTextColor", iconDefault) & 0xFFFFFF;
    TestForScreensaver = b("TestForScreensaver", true);
    DefaultBrightness = 50;
    ShowDate = b("ShowDate", false);
    FontName = p.GetString(S, "FontName", "Times New Roman");
    Bold = b("Bold", false);
    Italics = b("Italics", false);
    FontSize = u("FontSize", 12);
    Position = u("Position", 3);
    SmartTiling = i("SmartTiling", 0);
    MultipleMonitors = u("MultipleMonitors", 1);
    MatchMonitorShape = b("MatchMonitorShape", true);
    PictureFit = u("PictureFit", 4);
    if (PictureFit > 4) PictureFit = 4;
    HistorySize = std::min(u("HistorySize", 50), kMaxHistorySize);
    PauseFullScreen = b("PauseFullScreen", true);
    PauseBatterySaver = b("PauseBatterySaver", true);
    PauseLocked = b("PauseLocked", true);
    LoadHotKeys(p);
    for (int k = 0; k < 12; ++k) Colors[k] = DefaultColors[k] = kDefaultWeights[k];
    for (int k = 0; k < 12; ++k) {
        std::string name = "Color" + std::to_string(k);
        Colors[k] = static_cast<float>(i(name.c_str(), static_cast<int32_t>(DefaultColors[k])));
    }
    Brightness = i("Brightness", 50);
    RebuildColorTable();
}

void Settings::SaveGeneral(Profile& p) const {
    const std::string S = kConfigSection;
    auto b = [&](const char* name, bool v) { p.WriteInt(S, name, v ? 1 : 0); };
    auto u = [&](const char* name, uint32_t v) { p.WriteInt(S, name, v); };
    b("AutoStart", AutoStart);
    b("ShowToolTips", ShowToolTips);
    u("Hours", Hours);
    u("Minutes", Minutes);
    b("DontChange", DontChange);
    b("CreateSeamless", CreateSeamless);
    u("HoursFrom", HoursFrom);
    u("MinutesFrom", MinutesFrom);
    u("AMPMFrom", AMPMFrom);
    u("HoursTo", HoursTo);
    u("MinutesTo", MinutesTo);
    u("AMPMTo", AMPMTo);
    u("BackgroundColor", BackgroundColor);
    u("IconTextColor", IconTextColor);
    u("TilePercentage", TilePercentage);
    u("StretchPercentage", StretchPercentage);
    b("ChangeOnStartup", ChangeOnStartup);
    b("ExitAfterChange", ExitAfterChange);
    b("UseTransparentIcons", UseTransparentIcons);
    b("TestForScreensaver", TestForScreensaver);
    b("ChooseIconColor", ChooseIconColor);
    u("SmartTiling", static_cast<uint32_t>(SmartTiling));
}

void Settings::SaveDate(Profile& p) const {
    const std::string S = kConfigSection;
    p.WriteInt(S, "ShowDate", ShowDate ? 1 : 0);
    p.WriteString(S, "FontName", FontName);
    p.WriteInt(S, "Bold", Bold ? 1 : 0);
    p.WriteInt(S, "Italics", Italics ? 1 : 0);
    p.WriteInt(S, "FontSize", FontSize);
    p.WriteInt(S, "Position", Position);
}

void Settings::SaveColors(Profile& p) const {
    const std::string S = kConfigSection;
    for (int k = 0; k < 12; ++k) {
        // Weights are kept as whole numbers; a weight outside the int range is clamped.
        float w = Colors[k];
        int32_t v = w != w                ? 0
                    : w >= 2147483520.0f  ? INT32_MAX
                    : w <= -2147483648.0f ? INT32_MIN
                                          : static_cast<int32_t>(w);
        p.WriteInt(S, "Color" + std::to_string(k), static_cast<uint32_t>(v));
    }
    p.WriteInt(S, "Brightness", static_cast<uint32_t>(Brightness));
}

void Settings::SaveAdvanced(Profile& p) const {
    const std::string S = kConfigSection;
    p.WriteInt(S, "MultipleMonitors", MultipleMonitors);
    p.WriteInt(S, "MatchMonitorShape", MatchMonitorShape ? 1 : 0);
    p.WriteInt(S, "PictureFit", PictureFit);
    p.WriteInt(S, "HistorySize", HistorySize);
    p.WriteInt(S, "PauseFullScreen", PauseFullScreen ? 1 : 0);
    p.WriteInt(S, "PauseBatterySaver", PauseBatterySaver ? 1 : 0);
    p.WriteInt(S, "PauseLocked", PauseLocked ? 1 : 0);
}

void Settings::SaveHotKeys(Profile& p) const {
    const std::string S = kConfigSection;
    p.WriteInt(S, "HotKeyNext", HotKeyNext);
    p.WriteInt(S, "HotKeyPrevious", HotKeyPrevious);
    p.WriteInt(S, "HotKeyNextHere", HotKeyNextHere);
}

void Settings::LoadHotKeys(Profile& p) {
    const std::string S = kConfigSection;
    HotKeyNext = SanitizedHotKey(p.GetInt(S, "HotKeyNext", 0));
    HotKeyPrevious = SanitizedHotKey(p.GetInt(S, "HotKeyPrevious", 0));
    HotKeyNextHere = SanitizedHotKey(p.GetInt(S, "HotKeyNextHere", 0));
}

void Settings::DeleteAll(Profile& p, Environment& env) {
    p.Store().DeleteKey(RootKey::CurrentUser, p.ProductKey() + "\\" + kConfigSection);
    p.Store().DeleteKey(RootKey::CurrentUser, p.ProductKey());
    for (const std::string& sFile : CandidateFiles(env, kIniFileName)) env.RemoveFile(sFile);
    for (const std::string& sFile : CandidateFiles(env, kHistoryFileName)) env.RemoveFile(sFile);
}

}  // namespace mv
