#include "image/win32/ImageSearch.h"

#include "image/Drive.h"
#include "resource.h"
#include "ui/win32/Controls.h"

namespace mv::win {

qvImageSearch::qvImageSearch() : CDialog(IDD_SEARCH) {}

BOOL qvImageSearch::OnInitDialog() {
    HWND hList = Item(IDC_SEARCH_DRIVES);
    auto roots = qvDrive::FixedDriveRoots(GetLogicalDrives(), [](const std::string& sRoot) {
        return GetDriveTypeA(sRoot.c_str()) == DRIVE_FIXED;
    });
    for (const std::string& sRoot : roots)
        SendMessageA(hList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sRoot.c_str()));
    if (SendMessageA(hList, LB_GETCOUNT, 0, 0) > 0) SendMessageA(hList, LB_SETSEL, TRUE, 0);
    return TRUE;
}

void qvImageSearch::OnOK() {
    HWND hList = Item(IDC_SEARCH_DRIVES);
    LRESULT n = SendMessageA(hList, LB_GETSELCOUNT, 0, 0);
    if (n <= 0) {
        MessageBoxA(m_hWnd, "Please select at least one drive", "Drive selection", MB_OK | MB_ICONINFORMATION);
        return;
    }
    std::vector<int> items(static_cast<size_t>(n));
    n = SendMessageA(hList, LB_GETSELITEMS, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(items.data()));
    m_drives.clear();
    for (LRESULT i = 0; i < n; ++i) {
        m_drives.push_back(ListItemText(hList, items[i]));
    }
    End(IDOK);
}

}  // namespace mv::win
