#include "platform/win32/Win32SystemState.h"

#include <shellapi.h>

namespace mv {

namespace {
// The state values of SHQueryUserNotificationState (Vista and later).
constexpr int kBusy = 2;                // a full-screen program runs
constexpr int kFullScreenDirect3D = 3;  // a full-screen Direct3D program (a game)
constexpr int kPresentation = 4;        // presentation mode
}  // namespace

Win32SystemState::Win32SystemState() {
    // shell32 is always loaded by the program; wtsapi32 is loaded here.
    if (HMODULE hShell = GetModuleHandleA("shell32.dll"))
        m_query = reinterpret_cast<QueryNotificationState>(
            reinterpret_cast<void*>(GetProcAddress(hShell, "SHQueryUserNotificationState")));
    m_hWts = LoadLibraryA("wtsapi32.dll");
    if (m_hWts) {
        m_register = reinterpret_cast<RegisterSession>(
            reinterpret_cast<void*>(GetProcAddress(m_hWts, "WTSRegisterSessionNotification")));
        m_unregister = reinterpret_cast<UnregisterSession>(
            reinterpret_cast<void*>(GetProcAddress(m_hWts, "WTSUnRegisterSessionNotification")));
    }
    if (!ProcessIdToSessionId(GetCurrentProcessId(), &m_sessionId)) m_sessionId = 0;
}

Win32SystemState::~Win32SystemState() {
    StopWatching();
    if (m_hWts) FreeLibrary(m_hWts);
}

bool Win32SystemState::FullScreenRunning() {
    if (!m_query) return false;
    int state = 0;
    if (FAILED(m_query(&state))) return false;
    return state == kBusy || state == kFullScreenDirect3D || state == kPresentation;
}

bool Win32SystemState::BatterySaverOn() {
    SYSTEM_POWER_STATUS status = {};
    if (!GetSystemPowerStatus(&status)) return false;
    // The fourth byte: SystemStatusFlag on Windows 10 and later (1 while
    // battery saver is on), reserved and 0 before. Older headers call it
    // Reserved1, so it is read by its place.
    return reinterpret_cast<const BYTE*>(&status)[3] == 1;
}

bool Win32SystemState::WatchSession(HWND hWnd) {
    StopWatching();
    if (!m_register || !m_register(hWnd, 0 /* NOTIFY_FOR_THIS_SESSION */)) return false;
    m_hWatching = hWnd;
    return true;
}

void Win32SystemState::StopWatching() {
    if (m_hWatching && m_unregister) m_unregister(m_hWatching);
    m_hWatching = nullptr;
}

bool Win32SystemState::OnSessionChange(WPARAM code, LPARAM sessionId) {
    if (static_cast<DWORD>(sessionId) != m_sessionId) return false;
    const bool bWas = SessionLocked();
    switch (code) {
    case WTS_SESSION_LOCK: m_bLocked = true; break;
    case WTS_SESSION_UNLOCK: m_bLocked = false; break;
    case WTS_CONSOLE_DISCONNECT:
    case WTS_REMOTE_DISCONNECT: m_bDisconnected = true; break;
    case WTS_CONSOLE_CONNECT:
    case WTS_REMOTE_CONNECT: m_bDisconnected = false; break;
    default: break;
    }
    return bWas != SessionLocked();
}

}  // namespace mv
