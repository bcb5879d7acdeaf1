#pragma once
#include "ui/win32/AdvancedPage.h"
#include "ui/win32/ColorsPage.h"
#include "ui/win32/DatePage.h"
#include "ui/win32/HotKeysPage.h"
#include "ui/win32/InfoPage.h"
#include "ui/win32/OptionsPage.h"
#include "ui/win32/SettingsPage.h"
#include "ui/win32/UninstallPage.h"
#include "ui/win32/Window.h"

namespace mv::win {

// The settings sheet: Collections, Options, Date, Colors, Advanced, Hot keys,
// Information and Uninstall, in that order, without an Apply button.
class CConfigProp : public CPropertySheet {
public:
    CConfigProp(const std::string& sCaption, HWND hOwner);

    // Switches the tool tips of every page whose window exists.
    void ActivateToolTips(bool bOn);

private:
    CSettingsPage m_settingsPage;
    COptionsPage m_optionsPage;
    CDatePage m_datePage;
    CColorsPage m_colorsPage;
    CAdvancedPage m_advancedPage;
    CHotKeysPage m_hotKeysPage;
    CInfoPage m_infoPage;
    CUninstallPage m_uninstallPage;
};

}  // namespace mv::win
