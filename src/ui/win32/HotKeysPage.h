#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "ui/win32/SheetPage.h"

namespace mv::win {

// A hot key's name as the user reads it ("Ctrl+Alt+N"), the modifiers' words
// from the resources and the key's from the keyboard layout.
std::string HotKeyDisplayName(uint32_t value);

// The Hot keys page: the tray's keys for the next wallpaper, the previous
// one, and the next on the monitor under the pointer.
class CHotKeysPage : public CSheetPage {
public:
    CHotKeysPage();

protected:
    BOOL OnInitDialog() override;
    bool OnApply() override;

private:
    std::string m_sTip;
};

}  // namespace mv::win
