#pragma once
#include <windows.h>
#include <shellapi.h>

#include <functional>
#include <mutex>
#include <string>

#include "app/TraceLog.h"

namespace mv::win {

// The notification-area icon: one icon, menu and tool tip per state.
class CTrayIcon {
public:
    // How the icon reaches the shell (Shell_NotifyIconA, or a stand-in).
    using Notifier = std::function<BOOL(DWORD, NOTIFYICONDATAA*)>;
    explicit CTrayIcon(int iState, Notifier notify = Shell_NotifyIconA);
    virtual ~CTrayIcon();

    void Create(HWND hOwner, UINT uCallbackMessage);
    void SetState(int iState, const char* sText = nullptr);
    int State() const { return m_iState; }
    // Callable from any thread.
    void SetToolTip(const std::string& sText);
    std::string GetToolTip();
    // A balloon from the icon with a title and a message (cut to the
    // shell's 63 and 255 characters); false when the icon is not shown or
    // the shell refuses it. The last one shown is kept for tests.
    bool ShowBalloon(const std::string& sTitle, const std::string& sText);
    std::string LastBalloon();
    // After Explorer restarts: the icon is added again.
    void Readd();
    virtual bool OnTrayNotification(WPARAM uId, LPARAM lEvent);
    // Called with the state's popup menu before it is shown, so the owner
    // can enable or grey its items.
    void SetMenuPreparer(std::function<void(HMENU)> prepare) { m_prepareMenu = std::move(prepare); }

private:
    bool UpdateIcon(HICON hIcon);
    // The shell is called outside the tip's lock: a hung shell must not stall
    // the other thread too.
    Notifier m_notify;
    NOTIFYICONDATAA m_nid;
    int m_iState;
    bool m_bShown = false;
    qvTimer m_clickTimer{300};
    std::mutex m_tipLock;
    std::string m_sLastBalloon;
    std::function<void(HMENU)> m_prepareMenu;
};

}  // namespace mv::win
