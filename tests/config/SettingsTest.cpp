#include <cmath>

#include <gtest/gtest.h>

#include "config/Settings.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/TempDir.h"

using namespace mv;

namespace {
struct SettingsFixture : ::testing::Test {
    MemoryRegistry store;
    Profile profile{store, "Quorvale", "Murivane"};
    MemoryDesktop desktop;
    const std::string kConfig = "Software\\Quorvale\\Murivane\\Config";

    void PutInt(const char* name, uint32_t v) { profile.WriteInt("Config", name, v); }
    std::vector<std::string> WrittenNames() {
        std::vector<std::string> names;
        for (const std::string& s : store.WriteLog()) names.push_back(s.substr(s.find(':') + 1));
        return names;
    }
};
}  // namespace

TEST_F(SettingsFixture, EmptyRegistryGivesTheDefaults) {
    desktop.background = 0x00336699;
    desktop.hasIconList = false;
    Settings s;
    s.Load(profile, desktop);
    EXPECT_EQ(s.Hours, 0u);
    EXPECT_EQ(s.Minutes, 30u);
    EXPECT_FALSE(s.DontChange);
    EXPECT_EQ(s.HoursFrom, 8u);
    EXPECT_EQ(s.MinutesFrom, 0u);
    EXPECT_EQ(s.AMPMFrom, 1u);  // 8:00 PM ...
    EXPECT_EQ(s.HoursTo, 8u);
    EXPECT_EQ(s.AMPMTo, 0u);    // ... to 8:00 AM
    EXPECT_EQ(s.TilePercentage, 40u);
    EXPECT_EQ(s.StretchPercentage, 60u);
    EXPECT_EQ(s.Brightness, 50);
    EXPECT_EQ(s.FontName, "Times New Roman");
    EXPECT_EQ(s.FontSize, 12u);
    EXPECT_EQ(s.Position, 3u);
    EXPECT_EQ(s.SmartTiling, 0);
    EXPECT_EQ(s.PictureFit, 4u);  // automatic
    EXPECT_TRUE(s.UseTray);
    EXPECT_TRUE(s.CreateSeamless);
    EXPECT_TRUE(s.ChangeOnStartup);
    EXPECT_FALSE(s.ExitAfterChange);
    EXPECT_TRUE(s.UseTransparentIcons);
    EXPECT_TRUE(s.ChooseIconColor);
    EXPECT_TRUE(s.TestForScreensaver);
    EXPECT_FALSE(s.ShowDate);
    EXPECT_EQ(s.InstallFolder, "C:\\Program Files\\Murivane\\");
    EXPECT_EQ(s.BackgroundColor, 0x00336699u);
    EXPECT_EQ(s.IconTextColor, 0xFFFFFFu);  // no desktop list view: white
    const float expected[12] = {60, 25, 60, 25, 15, 15, 20, 30, 30, 20, 15, 20};
    for (int k = 0; k < 12; ++k) {
        EXPECT_FLOAT_EQ(s.Colors[k], expected[k]) << k;
        EXPECT_FLOAT_EQ(s.DefaultColors[k], expected[k]) << k;
    }
    EXPECT_TRUE(store.WriteLog().size() == 0) << "loading must not write";
}

TEST_F(SettingsFixture, LoadRules) {
    profile.WriteString("Config", "InstallFolder", "");
    PutInt("AutoStart", 0);
    PutInt("Color3", 7);
    PutInt("UseTray", 5);  // any non-zero counts as true
    PutInt("Brightness", static_cast<uint32_t>(-20));  // out of range is used as it is
    PutInt("TilePercentage", 250);
    desktop.hasIconList = true;
    desktop.iconText = 0x00123456;
    Settings s;
    s.Load(profile, desktop);
    EXPECT_EQ(s.InstallFolder, "C:\\Program Files\\Murivane\\");
    EXPECT_TRUE(s.AutoStart);
    EXPECT_FLOAT_EQ(s.Colors[3], 7.0f);
    EXPECT_FLOAT_EQ(s.DefaultColors[3], 25.0f);
    EXPECT_TRUE(s.UseTray);
    EXPECT_EQ(s.Brightness, -20);
    EXPECT_EQ(s.TilePercentage, 250u);
    // The five fit modes are 0 to 4; anything else counts as automatic.
    for (uint32_t v : {0u, 3u, 4u, 5u, 0xFFFFFFFFu}) {
        PutInt("PictureFit", v);
        s.Load(profile, desktop);
        EXPECT_EQ(s.PictureFit, v <= 4 ? v : 4u) << v;
    }
    // Hot keys: what a hot-key control can give is kept, anything else is none.
    EXPECT_EQ(s.HotKeyNext, 0u);
    const struct {
        uint32_t stored, read;
    } keys[] = {{0x064E, 0x064E}, {0x0F21, 0x0F21}, {0x0041, 0x0041}, {0x1041, 0}, {0x0600, 0}, {0x10041, 0}, {0xFFFFFFFF, 0}};
    for (const auto& k : keys) {
        PutInt("HotKeyPrevious", k.stored);
        s.Load(profile, desktop);
        EXPECT_EQ(s.HotKeyPrevious, k.read) << std::hex << k.stored;
    }
    EXPECT_EQ(s.IconTextColor, 0x00123456u);  // the desktop's list view colour is the default
    // Colours keep their 24 colour bits: a top byte would mean a palette index or no colour.
    PutInt("IconTextColor", 0xFF00FF00u);
    PutInt("BackgroundColor", 0x01123456u);
    s.Load(profile, desktop);
    EXPECT_EQ(s.IconTextColor, 0x0000FF00u);
    EXPECT_EQ(s.BackgroundColor, 0x00123456u);

    // A stored string where a number belongs reads as the default.
    profile.WriteString("Config", "Minutes", "45");
    s.Load(profile, desktop);
    EXPECT_EQ(s.Minutes, 30u);
    profile.WriteString("Config", "InstallFolder", "D:\\Tools\\");
    s.Load(profile, desktop);
    EXPECT_EQ(s.InstallFolder, "D:\\Tools\\");
}

TEST_F(SettingsFixture, SaveOrdersAndRoundTrip) {
    Settings s;
    s.Load(profile, desktop);
    s.Hours = 2;
    s.SmartTiling = 2;
    s.Colors[0] = 12.9f;
    s.Brightness = 80;
    s.FontName = "Arial";
    store.ClearWriteLog();
    s.SaveGeneral(profile);
    EXPECT_EQ(WrittenNames(),
              (std::vector<std::string>{"AutoStart", "ShowToolTips", "Hours", "Minutes", "DontChange",
                                        "CreateSeamless", "HoursFrom", "MinutesFrom", "AMPMFrom", "HoursTo",
                                        "MinutesTo", "AMPMTo", "BackgroundColor", "IconTextColor",
                                        "TilePercentage", "StretchPercentage", "ChangeOnStartup",
                                        "ExitAfterChange", "UseTransparentIcons", "TestForScreensaver",
                                        "ChooseIconColor", "SmartTiling"}));
    store.ClearWriteLog();
    s.SaveDate(profile);
    EXPECT_EQ(WrittenNames(),
              (std::vector<std::string>{"ShowDate", "FontName", "Bold", "Italics", "FontSize", "Position"}));
    store.ClearWriteLog();
    s.SaveColors(profile);
    std::vector<std::string> colours;
    for (int k = 0; k < 12; ++k) colours.push_back("Color" + std::to_string(k));
    colours.push_back("Brightness");
    EXPECT_EQ(WrittenNames(), colours);

    EXPECT_EQ(profile.GetInt("Config", "Color0", 0), 12u);  // truncated
    Settings odd = s;
    odd.Colors[1] = std::nanf("");
    odd.Colors[2] = 1e20f;
    odd.SaveColors(profile);  // never undefined: NaN stores 0, huge values the largest int
    EXPECT_EQ(profile.GetInt("Config", "Color1", 9), 0u);
    EXPECT_EQ(profile.GetInt("Config", "Color2", 9), 2147483647u);
    s.SaveColors(profile);
    Settings t;
    t.Load(profile, desktop);
    EXPECT_EQ(t.Hours, 2u);
    EXPECT_EQ(t.SmartTiling, 2);
    EXPECT_EQ(t.Brightness, 80);
    EXPECT_EQ(t.FontName, "Arial");
    s.PictureFit = 2;
    s.SaveAdvanced(profile);
    t.Load(profile, desktop);
    EXPECT_EQ(t.PictureFit, 2u);
    EXPECT_FLOAT_EQ(t.Colors[0], 12.0f);
    // UseTray and InstallFolder are never written.
    RegData unused;
    EXPECT_EQ(store.Query(RootKey::CurrentUser, kConfig, "UseTray", 1024, unused), kRegNotFound);
    EXPECT_EQ(store.Query(RootKey::CurrentUser, kConfig, "InstallFolder", 1024, unused), kRegNotFound);
}

TEST_F(SettingsFixture, DeleteAllRemovesKeysAndCollectionsFile) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    dir.WriteFile("Murivane.ini", "[Default]\n");
    Settings s;
    s.SaveGeneral(profile);
    profile.WriteString("Config", "Current", "Default");
    Settings::DeleteAll(profile, env);
    EXPECT_FALSE(store.KeyExists(RootKey::CurrentUser, kConfig));
    EXPECT_FALSE(store.KeyExists(RootKey::CurrentUser, "Software\\Quorvale\\Murivane"));
    EXPECT_TRUE(store.KeyExists(RootKey::CurrentUser, "Software\\Quorvale"));
    EXPECT_FALSE(env.FileExists(dir.Path() + "\\Murivane.ini"));

    // The product key survives while it has another sub-key; that is silent.
    s.SaveGeneral(profile);
    profile.WriteInt("Other", "X", 1);
    Settings::DeleteAll(profile, env);
    EXPECT_FALSE(store.KeyExists(RootKey::CurrentUser, kConfig));
    EXPECT_TRUE(store.KeyExists(RootKey::CurrentUser, "Software\\Quorvale\\Murivane"));
}
