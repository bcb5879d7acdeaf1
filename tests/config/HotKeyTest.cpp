#include <gtest/gtest.h>

#include "config/HotKey.h"

using namespace mv;

// The hot-key control's flags (HOTKEYF_SHIFT 0x01, HOTKEYF_CONTROL 0x02,
// HOTKEYF_ALT 0x04, HOTKEYF_EXT 0x08) become RegisterHotKey's modifiers
// (MOD_ALT 0x0001, MOD_CONTROL 0x0002, MOD_SHIFT 0x0004, MOD_NOREPEAT 0x4000),
// as Microsoft's documentation gives the constants.
TEST(HotKey, ControlValuesBecomeRegistrationsAndNames) {
    std::optional<HotKeyRegistration> r = RegistrationFor(0x064E);  // Ctrl+Alt+N
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->modifiers, 0x4003u);
    EXPECT_EQ(r->virtualKey, 0x4Eu);
    r = RegistrationFor(0x0170);  // Shift+F1
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->modifiers, 0x4004u);
    EXPECT_EQ(r->virtualKey, 0x70u);
    r = RegistrationFor(0x0A21);  // Ctrl+Page Up of the extended keys: no modifier of its own
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->modifiers, 0x4002u);
    EXPECT_EQ(r->virtualKey, 0x21u);
    for (uint32_t none : {0u, 0x0600u, 0x1041u, 0x10041u})
        EXPECT_FALSE(RegistrationFor(none).has_value()) << std::hex << none;
    EXPECT_EQ(HotKeyText(0x074E, "Ctrl", "Alt", "Shift", "N"), "Ctrl+Alt+Shift+N");
    EXPECT_EQ(HotKeyText(0x0170, "Strg", "Alt", "Umschalt", "F1"), "Umschalt+F1");
    EXPECT_EQ(HotKeyText(0x0070, "Ctrl", "Alt", "Shift", "F1"), "F1");
}
