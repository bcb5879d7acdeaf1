#include "config/HotKey.h"

namespace mv {

uint32_t SanitizedHotKey(uint32_t value) {
    const uint32_t flags = value >> 8;
    if (value > 0xFFFF || (flags & ~0x0Fu) != 0 || (value & 0xFF) == 0) return 0;
    return value;
}

std::optional<HotKeyRegistration> RegistrationFor(uint32_t value) {
    value = SanitizedHotKey(value);
    if (value == 0) return std::nullopt;
    const uint32_t flags = value >> 8;
    HotKeyRegistration r;
    if (flags & kHotKeyAlt) r.modifiers |= 0x0001;      // MOD_ALT
    if (flags & kHotKeyControl) r.modifiers |= 0x0002;  // MOD_CONTROL
    if (flags & kHotKeyShift) r.modifiers |= 0x0004;    // MOD_SHIFT
    r.modifiers |= 0x4000;                              // MOD_NOREPEAT
    r.virtualKey = value & 0xFF;
    return r;
}

std::string HotKeyText(uint32_t value, const std::string& sCtrl, const std::string& sAlt, const std::string& sShift,
                       const std::string& sKey) {
    const uint32_t flags = SanitizedHotKey(value) >> 8;
    std::string s;
    if (flags & kHotKeyControl) s += sCtrl + "+";
    if (flags & kHotKeyAlt) s += sAlt + "+";
    if (flags & kHotKeyShift) s += sShift + "+";
    return s + sKey;
}

}  // namespace mv
