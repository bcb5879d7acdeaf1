#include "ui/win32/HotKeysPage.h"

#include <commctrl.h>

#include "app/win32/App.h"
#include "config/HotKey.h"
#include "resource.h"

namespace mv::win {

namespace {

constexpr int kKeyIds[3] = {IDC_HOTKEY_NEXT, IDC_HOTKEY_PREVIOUS, IDC_HOTKEY_NEXT_HERE};

uint32_t* Stored(Settings& s, int i) {
    return i == 0 ? &s.HotKeyNext : i == 1 ? &s.HotKeyPrevious : &s.HotKeyNextHere;
}

// Whether another program holds the key now: it is registered for a moment
// on hWnd, and given back at once.
bool HeldElsewhere(HWND hWnd, uint32_t value) {
    const std::optional<HotKeyRegistration> r = RegistrationFor(value);
    if (!r) return false;
    constexpr int kTrialId = 0xB000;
    if (!RegisterHotKey(hWnd, kTrialId, r->modifiers, r->virtualKey)) return true;
    UnregisterHotKey(hWnd, kTrialId);
    return false;
}

}  // namespace

std::string HotKeyDisplayName(uint32_t value) {
    value = SanitizedHotKey(value);
    if (value == 0) return std::string();
    const UINT vk = value & 0xFF;
    LONG lParam = static_cast<LONG>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) << 16);
    if ((value >> 8) & kHotKeyExtended) lParam |= 1 << 24;
    char name[64] = {};
    std::string sKey;
    if (GetKeyNameTextA(lParam, name, sizeof(name)) > 0) sKey = name;
    if (sKey.empty()) sKey = "#" + std::to_string(vk);
    return HotKeyText(value, LoadString(IDS_KEY_CTRL), LoadString(IDS_KEY_ALT), LoadString(IDS_KEY_SHIFT), sKey);
}

CHotKeysPage::CHotKeysPage() : CSheetPage(IDD_HOTKEYS) {}

BOOL CHotKeysPage::OnInitDialog() {
    CreateToolTips();
    // The tip text outlives the call: the tool tip keeps a pointer to it.
    m_sTip = LoadString(IDS_HOTKEY_TIP);
    for (int id : kKeyIds) AddTip(id, m_sTip.c_str());
    AddTip(IDC_HELP_BUTTON, "Opens the Murivane help");
    Settings& s = gApp.GetSettings();
    for (int i = 0; i < 3; ++i) {
        // A key alone, or with Shift alone, would be taken from every program's typing: Ctrl+Alt is added.
        SendDlgItemMessageA(m_hWnd, kKeyIds[i], HKM_SETRULES, HKCOMB_NONE | HKCOMB_S,
                            MAKELPARAM(HOTKEYF_CONTROL | HOTKEYF_ALT, 0));
        SendDlgItemMessageA(m_hWnd, kKeyIds[i], HKM_SETHOTKEY, static_cast<WPARAM>(*Stored(s, i)), 0);
    }
    return TRUE;
}

bool CHotKeysPage::OnApply() {
    Settings& s = gApp.GetSettings();
    const uint32_t held[3] = {s.HotKeyNext, s.HotKeyPrevious, s.HotKeyNextHere};  // what the tray holds now
    std::string sTaken;
    for (int i = 0; i < 3; ++i) {
        const uint32_t value =
            SanitizedHotKey(static_cast<uint32_t>(SendDlgItemMessageA(m_hWnd, kKeyIds[i], HKM_GETHOTKEY, 0, 0)));
        const bool bHeldByTray = value == held[0] || value == held[1] || value == held[2];
        if (value != 0 && !bHeldByTray && HeldElsewhere(m_hWnd, value)) sTaken += "    " + HotKeyDisplayName(value) + "\n";
        *Stored(s, i) = value;
    }
    s.SaveHotKeys(gApp.GetProfile());
    // Stored all the same: the tray takes a key once the other program lets it go.
    if (!sTaken.empty()) {
        const std::string sText = LoadString(IDS_HOTKEY_TAKEN, sTaken.substr(0, sTaken.size() - 1));
        MessageBoxA(m_hWnd, sText.c_str(), gApp.Title().c_str(), MB_OK | MB_ICONEXCLAMATION);
    }
    return true;
}

}  // namespace mv::win
