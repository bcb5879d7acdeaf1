// The registry side against Wine's real registry.
#include <windows.h>

#include <gtest/gtest.h>

#include "config/Registry.h"
#include "config/Settings.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/win32/Win32Registry.h"

using namespace mv;

namespace {
const char kTestKey[] = "Software\\Quorvale\\MurivaneTest";

struct RealRegistry : ::testing::Test {
    Win32Registry store;
    Registry reg{store};
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() {
        store.DeleteKey(RootKey::CurrentUser, std::string(kTestKey) + "\\Config");
        store.DeleteKey(RootKey::CurrentUser, std::string(kTestKey) + "\\Values");
        store.DeleteKey(RootKey::CurrentUser, kTestKey);
    }
};
}  // namespace

TEST_F(RealRegistry, ReadValueOfEachType) {
    const std::string key = std::string(kTestKey) + "\\Values";
    HKEY h = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &h, nullptr),
              ERROR_SUCCESS);
    DWORD one = 1;
    RegSetValueExA(h, "Dword", 0, REG_DWORD, reinterpret_cast<BYTE*>(&one), 4);
    DWORD minus = 0xFFFFFFFF;
    RegSetValueExA(h, "Minus", 0, REG_DWORD, reinterpret_cast<BYTE*>(&minus), 4);
    BYTE bin[4] = {1, 0, 0, 0};
    RegSetValueExA(h, "Binary", 0, REG_BINARY, bin, 4);
    RegSetValueExA(h, "Text", 0, REG_SZ, reinterpret_cast<const BYTE*>("abc"), 4);
    RegSetValueExA(h, "Multi", 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>("a\0\0"), 3);
    RegCloseKey(h);

    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Dword"), "1");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Minus"), "-1");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Binary"), std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Text"), "abc");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Multi"), "");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Missing"), "");

    reg.WriteString(RootKey::CurrentUser, key, "Written", "hello");
    DWORD type = 0, size = 0;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Written", RRF_RT_ANY, &type, nullptr, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Written"), "hello");

    EXPECT_EQ(reg.DeleteValue(RootKey::CurrentUser, key, "Written"), ERROR_SUCCESS);
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Written"), "");
    EXPECT_NE(reg.DeleteValue(RootKey::CurrentUser, std::string(kTestKey) + "\\Nowhere", "X"), ERROR_SUCCESS);
    // A key with sub-keys stays.
    EXPECT_NE(reg.DeleteKey(RootKey::CurrentUser, kTestKey), ERROR_SUCCESS);
    EXPECT_TRUE(store.KeyExists(RootKey::CurrentUser, key));
}

TEST_F(RealRegistry, SettingsStoreDwordsAndStrings) {
    Profile profile(store, "Quorvale", "MurivaneTest");
    MemoryDesktop desktop;
    Settings s;
    s.Load(profile, desktop);
    s.Hours = 3;
    s.FontName = "Arial Black";
    s.Colors[5] = 99.7f;
    s.SaveGeneral(profile);
    s.SaveDate(profile);
    s.SaveColors(profile);

    const std::string key = std::string(kTestKey) + "\\Config";
    DWORD type = 0, value = 0, size = 4;
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "Hours", RRF_RT_ANY, &type, &value, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 3u);
    char text[64] = {};
    size = sizeof(text);
    ASSERT_EQ(RegGetValueA(HKEY_CURRENT_USER, key.c_str(), "FontName", RRF_RT_ANY, &type, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_STREQ(text, "Arial Black");

    Settings t;
    t.Load(profile, desktop);
    EXPECT_EQ(t.Hours, 3u);
    EXPECT_EQ(t.FontName, "Arial Black");
    EXPECT_FLOAT_EQ(t.Colors[5], 99.0f);
}
