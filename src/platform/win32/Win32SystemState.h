#pragma once
#include <windows.h>

#include "platform/SystemState.h"

namespace mv {

// The system's state from Windows. The functions newer Windows added are
// looked up at run time, so the program still starts where they are missing
// (and nothing is held there).
class Win32SystemState : public SystemState {
public:
    Win32SystemState();
    ~Win32SystemState() override;
    Win32SystemState(const Win32SystemState&) = delete;
    Win32SystemState& operator=(const Win32SystemState&) = delete;

    bool FullScreenRunning() override;
    bool BatterySaverOn() override;
    bool SessionLocked() override { return m_bLocked || m_bDisconnected; }

    // Session changes of this session reach hWnd as WM_WTSSESSION_CHANGE
    // until StopWatching; false where the system cannot tell.
    bool WatchSession(HWND hWnd);
    void StopWatching();
    // A WM_WTSSESSION_CHANGE: true when it changed the session's lock state.
    bool OnSessionChange(WPARAM code, LPARAM sessionId);

private:
    using QueryNotificationState = HRESULT(WINAPI*)(int*);
    using RegisterSession = BOOL(WINAPI*)(HWND, DWORD);
    using UnregisterSession = BOOL(WINAPI*)(HWND);

    HMODULE m_hWts = nullptr;
    QueryNotificationState m_query = nullptr;
    RegisterSession m_register = nullptr;
    UnregisterSession m_unregister = nullptr;
    HWND m_hWatching = nullptr;
    DWORD m_sessionId = 0;
    bool m_bLocked = false;
    bool m_bDisconnected = false;
};

}  // namespace mv
