#include "ui/win32/UninstallPage.h"

#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"

namespace mv::win {

CUninstallPage::CUninstallPage() : CPropertyPage(IDD_UNINSTALL) {}

bool CUninstallPage::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED) return false;
    if (id == IDC_UNINSTALL_STEP1) {
        // The tray instance closes and stops starting with Windows when the
        // sheet closes with OK; the keys and the collections file go however
        // the sheet closes.
        Settings& s = gApp.GetSettings();
        s.UseTray = false;
        s.AutoStart = false;
        gApp.SetUninstallRequested(true);
        ShowNote("Step 1 for Uninstalling completed.");
        return true;
    }
    if (id == IDC_HELP_BUTTON) {
        ShowHelp(gApp.GetSettings().InstallFolder);
        return true;
    }
    return false;
}

}  // namespace mv::win
