#include "shell/win32/MainAppWnd.h"

namespace mv::win {

bool CMainAppWnd::CreateHidden(const std::string& sTitle) {
    RegisterWindowClass(kClassName);
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    // WS_POPUP | WS_CAPTION's border bits: 0xC0000000, never shown.
    return Create(0, kClassName, sTitle.c_str(), 0xC0000000, 0, 0, cx, cy, nullptr, nullptr);
}

LRESULT CMainAppWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CLOSE:
        DestroyWindow(m_hWnd);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return Default(msg, wParam, lParam);
    }
}

}  // namespace mv::win
