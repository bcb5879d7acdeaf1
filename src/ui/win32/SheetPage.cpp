#include "ui/win32/SheetPage.h"

#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"

namespace mv::win {

void CSheetPage::CreateToolTips() {
    m_toolTip.Create(m_hWnd);
    m_toolTip.Activate(gApp.GetSettings().ShowToolTips);
}

bool CSheetPage::OnCommand(int id, int code, HWND) {
    if (id == IDC_HELP_BUTTON && code == BN_CLICKED) {
        ShowHelp(gApp.GetSettings().InstallFolder);
        return true;
    }
    return false;
}

}  // namespace mv::win
