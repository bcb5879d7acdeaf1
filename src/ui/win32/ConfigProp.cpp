#include "ui/win32/ConfigProp.h"

#include "ui/win32/Controls.h"

namespace mv::win {

CConfigProp::CConfigProp(const std::string& sCaption, HWND hOwner) : CPropertySheet(sCaption, hOwner) {
    AddPage(&m_settingsPage);
    AddPage(&m_optionsPage);
    AddPage(&m_datePage);
    AddPage(&m_colorsPage);
    AddPage(&m_advancedPage);
    AddPage(&m_hotKeysPage);
    AddPage(&m_infoPage);
    AddPage(&m_uninstallPage);
}

void CConfigProp::ActivateToolTips(bool bOn) {
    for (CPropertyPage* p : Pages()) {
        CToolTip* pTip = p->ToolTip();
        if (pTip && p->Hwnd() && IsWindow(p->Hwnd())) pTip->Activate(bOn);
    }
}

}  // namespace mv::win
