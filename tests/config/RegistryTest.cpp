#include <gtest/gtest.h>

#include "config/Registry.h"
#include "platform/portable/MemoryRegistry.h"

using namespace mv;

TEST(Registry, ReadValueByType) {
    MemoryRegistry store;
    Registry reg(store);
    const std::string key = "Software\\Test";
    RegData dword{kRegDword, {1, 0, 0, 0}};
    store.Set(RootKey::CurrentUser, key, "One", dword);
    RegData negative{kRegDword, {0xFF, 0xFF, 0xFF, 0xFF}};
    store.Set(RootKey::CurrentUser, key, "MinusOne", negative);
    RegData binary{kRegBinary, {0x01, 0x00, 0x00, 0x00}};
    store.Set(RootKey::CurrentUser, key, "Bin", binary);
    RegData multi{7, {'a', 0, 0}};
    store.Set(RootKey::CurrentUser, key, "Multi", multi);

    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "One"), "1");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "MinusOne"), "-1");
    std::string bin = reg.ReadValue(RootKey::CurrentUser, key, "Bin");
    ASSERT_EQ(bin.size(), 4u);
    EXPECT_EQ(bin, std::string("\x01\x00\x00\x00", 4));
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Multi"), "");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Missing"), "");
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, "Software\\Nowhere", "One"), "");
    EXPECT_EQ(reg.ReadValue(RootKey::LocalMachine, key, "One"), "");

    reg.WriteString(RootKey::CurrentUser, key, "Text", "hello");
    RegData raw;
    ASSERT_EQ(store.Query(RootKey::CurrentUser, key, "Text", 1024, raw), kRegOk);
    EXPECT_EQ(raw.bytes.size(), 5u);  // no terminating zero
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, "SOFTWARE\\test", "TEXT"), "hello");

    // A value larger than the 1024-byte buffer reads as nothing.
    reg.WriteString(RootKey::CurrentUser, key, "Long", std::string(1500, 'x'));
    EXPECT_EQ(reg.ReadValue(RootKey::CurrentUser, key, "Long"), "");
}

TEST(Registry, DeleteStatuses) {
    MemoryRegistry store;
    Registry reg(store);
    reg.WriteString(RootKey::CurrentUser, "A\\B", "V", "x");
    EXPECT_EQ(reg.DeleteValue(RootKey::CurrentUser, "A\\Missing", "V"), kRegNotFound);
    EXPECT_EQ(reg.DeleteValue(RootKey::CurrentUser, "A\\B", "V"), kRegOk);
    EXPECT_NE(reg.DeleteKey(RootKey::CurrentUser, "A"), kRegOk);  // still has B
    EXPECT_EQ(reg.DeleteKey(RootKey::CurrentUser, "A\\B"), kRegOk);
    EXPECT_EQ(reg.DeleteKey(RootKey::CurrentUser, "A"), kRegOk);
}
