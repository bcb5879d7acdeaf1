#include "ui/win32/TextBox.h"

#include "resource.h"

namespace mv::win {

qvTextBox::qvTextBox() : CDialog(IDD_NEW_COLLECTION) {}

void qvTextBox::OnOK() {
    m_sText = GetDlgText(m_hWnd, IDC_NEW_NAME);
    End(IDOK);
}

}  // namespace mv::win
