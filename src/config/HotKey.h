#pragma once
#include <cstdint>
#include <optional>
#include <string>

namespace mv {

// A hot key as the standard hot-key control gives it (and as the registry
// keeps it): the virtual key in the low byte, its flags in the next.
constexpr uint32_t kHotKeyShift = 0x01;
constexpr uint32_t kHotKeyControl = 0x02;
constexpr uint32_t kHotKeyAlt = 0x04;
constexpr uint32_t kHotKeyExtended = 0x08;  // a key of the extended keyboard: no modifier of its own

// The stored value as a hot key: 0 (none) for a value no hot-key control
// gives (above 16 bits, unknown flags, or no key).
uint32_t SanitizedHotKey(uint32_t value);

// What registering the hot key takes: the modifiers (MOD_ALT 1, MOD_CONTROL 2,
// MOD_SHIFT 4, with MOD_NOREPEAT 0x4000 so a held key does not repeat) and
// the virtual key. Nothing for none.
struct HotKeyRegistration {
    uint32_t modifiers = 0;
    uint32_t virtualKey = 0;
};
std::optional<HotKeyRegistration> RegistrationFor(uint32_t value);

// The key's name as the user reads it, "Ctrl+Alt+N": the modifiers' words in
// that order, then the key's own name.
std::string HotKeyText(uint32_t value, const std::string& sCtrl, const std::string& sAlt, const std::string& sShift,
                       const std::string& sKey);

}  // namespace mv
