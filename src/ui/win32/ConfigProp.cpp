#include "ui/win32/ConfigProp.h"

#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"

namespace mv::win {

CInfoPage::CInfoPage() : CPropertyPage(IDD_INFO) {
    m_sHeading = "Murivane v" + GetProductVersion();
    m_sText =
        "Murivane changes your desktop wallpaper on a schedule, from the pictures in your collections of folders "
        "or with a freshly generated fractal.\r\n\r\n"
        "UNINSTALL\r\n"
        "For information on uninstalling Murivane, see the Uninstall page on the next tab.";
}

BOOL CInfoPage::OnInitDialog() {
    SetDlgText(m_hWnd, IDC_INFO_HEADING, m_sHeading);
    SetDlgText(m_hWnd, IDC_INFO_TEXT, m_sText);
    return TRUE;
}

bool CInfoPage::OnCommand(int id, int code, HWND) {
    if (id == IDC_HELP_BUTTON && code == BN_CLICKED) {
        ShowHelp(gApp.GetSettings().InstallFolder);
        return true;
    }
    return false;
}

CConfigProp::CConfigProp(const std::string& sCaption, HWND hOwner) : CPropertySheet(sCaption, hOwner) {
    AddPage(&m_infoPage);
}

}  // namespace mv::win
