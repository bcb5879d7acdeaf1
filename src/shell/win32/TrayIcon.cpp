#include "shell/win32/TrayIcon.h"

#include <cstring>

#include "shell/TrayMenus.h"
#include "ui/win32/Window.h"

namespace mv::win {

namespace {
HICON LoadStateIcon(int iState) {
    return static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(iState), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}
void CopyTip(char* dst, const std::string& s) {
    std::strncpy(dst, s.c_str(), 63);
    dst[63] = '\0';
}
}  // namespace

CTrayIcon::CTrayIcon(int iState, Notifier notify) : m_notify(std::move(notify)), m_iState(iState) {
    std::memset(&m_nid, 0, sizeof(m_nid));
    m_nid.cbSize = NOTIFYICONDATAA_V1_SIZE;  // 88 bytes: understood by every shell
    m_nid.uID = static_cast<UINT>(iState);
    std::string tip = LoadString(static_cast<UINT>(iState));
    if (ToolTipFits(tip)) CopyTip(m_nid.szTip, tip);
}

CTrayIcon::~CTrayIcon() { SetState(0); }

void CTrayIcon::Create(HWND hOwner, UINT uCallbackMessage) {
    m_nid.hWnd = hOwner;
    m_nid.uCallbackMessage = uCallbackMessage;
}

void CTrayIcon::SetState(int iState, const char* sText) {
    HICON hIcon = nullptr;
    if (iState != 0) {
        // A state without a string of its own leaves the stored tip empty; the
        // shell then keeps showing the previous one.
        std::string tip = sText && ToolTipFits(sText) ? std::string(sText) : LoadString(static_cast<UINT>(iState));
        {
            std::lock_guard<std::mutex> g(m_tipLock);
            CopyTip(m_nid.szTip, tip);
        }
        hIcon = LoadStateIcon(iState);
    }
    m_iState = iState;
    UpdateIcon(hIcon);
}

bool CTrayIcon::UpdateIcon(HICON hIcon) {
    NOTIFYICONDATAA nid;
    DWORD message = NIM_DELETE;
    {
        std::lock_guard<std::mutex> g(m_tipLock);
        m_nid.uFlags = 0;
        if (hIcon) {
            message = m_bShown ? NIM_MODIFY : NIM_ADD;
            m_nid.hIcon = hIcon;
            m_nid.uFlags |= NIF_ICON;
        } else if (!m_bShown) {
            return true;
        }
        if (m_nid.szTip[0]) m_nid.uFlags |= NIF_TIP;
        if (m_nid.uCallbackMessage && m_nid.hWnd) m_nid.uFlags |= NIF_MESSAGE;
        nid = m_nid;
    }
    BOOL ok = m_notify(message, &nid);
    std::lock_guard<std::mutex> g(m_tipLock);
    if (message == NIM_DELETE || !ok) {
        m_bShown = false;
        m_nid.hIcon = nullptr;
    } else {
        m_bShown = true;
    }
    return ok != FALSE;
}

void CTrayIcon::Readd() {
    if (m_iState == 0) return;
    // A new shell has no icon of ours; a stray broadcast leaves the old one
    // in place, so take it away first and add it afresh either way.
    NOTIFYICONDATAA nid;
    {
        std::lock_guard<std::mutex> g(m_tipLock);
        nid = m_nid;
        nid.uFlags = 0;
        m_bShown = false;
    }
    m_notify(NIM_DELETE, &nid);
    UpdateIcon(LoadStateIcon(m_iState));
}

void CTrayIcon::SetToolTip(const std::string& sText) {
    if (!ToolTipFits(sText)) return;
    NOTIFYICONDATAA nid;
    {
        std::lock_guard<std::mutex> g(m_tipLock);
        CopyTip(m_nid.szTip, sText);
        if (sText.empty() || !m_bShown) return;
        nid = m_nid;
    }
    nid.uFlags = NIF_TIP;
    m_notify(NIM_MODIFY, &nid);
}

bool CTrayIcon::ShowBalloon(const std::string& sTitle, const std::string& sText) {
    NOTIFYICONDATAA nid;
    {
        std::lock_guard<std::mutex> g(m_tipLock);
        if (!m_bShown) return false;
        nid = m_nid;
    }
    // The balloon's fields need the larger structure (Windows 2000 and later).
    nid.cbSize = NOTIFYICONDATAA_V2_SIZE;
    nid.uFlags = NIF_INFO;
    std::strncpy(nid.szInfoTitle, sTitle.c_str(), sizeof(nid.szInfoTitle) - 1);
    nid.szInfoTitle[sizeof(nid.szInfoTitle) - 1] = '\0';
    std::strncpy(nid.szInfo, sText.c_str(), sizeof(nid.szInfo) - 1);
    nid.szInfo[sizeof(nid.szInfo) - 1] = '\0';
    nid.dwInfoFlags = NIIF_INFO;
    nid.uTimeout = 10000;
    const bool bOk = m_notify(NIM_MODIFY, &nid) != FALSE;
    std::lock_guard<std::mutex> g(m_tipLock);
    if (bOk) m_sLastBalloon = sTitle + "\n" + sText;
    return bOk;
}

std::string CTrayIcon::LastBalloon() {
    std::lock_guard<std::mutex> g(m_tipLock);
    return m_sLastBalloon;
}

std::string CTrayIcon::GetToolTip() {
    std::lock_guard<std::mutex> g(m_tipLock);
    return m_nid.szTip;
}

bool CTrayIcon::OnTrayNotification(WPARAM uId, LPARAM lEvent) {
    if (uId != m_nid.uID) return false;
    if (lEvent != WM_RBUTTONUP && lEvent != WM_LBUTTONUP && lEvent != WM_LBUTTONDBLCLK) return false;
    HMENU hMenu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_iState));
    if (!hMenu) return false;
    HMENU hPopup = GetSubMenu(hMenu, 0);
    if (!hPopup) {
        DestroyMenu(hMenu);
        return false;
    }
    if (m_prepareMenu) m_prepareMenu(hPopup);
    if (lEvent == WM_RBUTTONUP) {
        SetMenuDefaultItem(hPopup, 0, TRUE);
        POINT pt;
        GetCursorPos(&pt);
        SetForegroundWindow(m_nid.hWnd);
        TrackPopupMenu(hPopup, TPM_RIGHTBUTTON, pt.x, pt.y, 0, m_nid.hWnd, nullptr);
        PostMessageA(m_nid.hWnd, WM_NULL, 0, 0);
    } else if (lEvent == WM_LBUTTONUP) {
        if (m_clickTimer.Expired()) {
            UINT id = GetMenuItemID(hPopup, 0);
            MENUITEMINFOA info = {};
            info.cbSize = sizeof(info);
            info.fMask = MIIM_STATE;
            GetMenuItemInfoA(hPopup, 0, TRUE, &info);
            // A disabled first item ("Changing...please wait") does nothing.
            if (!(info.fState & MFS_DISABLED)) SendMessageA(m_nid.hWnd, WM_COMMAND, id, 0);
        }
    }
    DestroyMenu(hMenu);
    return true;
}

}  // namespace mv::win
