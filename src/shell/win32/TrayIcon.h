#pragma once
#include <windows.h>
#include <shellapi.h>

#include <mutex>
#include <string>

#include "app/TraceLog.h"

namespace mv::win {

// The notification-area icon: one icon, menu and tool tip per state.
class CTrayIcon {
public:
    explicit CTrayIcon(int iState);
    virtual ~CTrayIcon();

    void Create(HWND hOwner, UINT uCallbackMessage);
    void SetState(int iState, const char* sText = nullptr);
    int State() const { return m_iState; }
    // Callable from any thread.
    void SetToolTip(const std::string& sText);
    std::string GetToolTip();
    // After Explorer restarts: the icon is added again.
    void Readd();
    virtual bool OnTrayNotification(WPARAM uId, LPARAM lEvent);

private:
    bool UpdateIcon(HICON hIcon);
    NOTIFYICONDATAA m_nid;
    int m_iState;
    bool m_bShown = false;
    qvTimer m_clickTimer{300};
    std::mutex m_tipLock;
};

}  // namespace mv::win
