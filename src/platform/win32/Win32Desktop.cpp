#include "platform/win32/Win32Desktop.h"

#include <commctrl.h>

#include <cstring>

namespace mv {

HWND FindDesktopListView() {
    HWND hProgMan = FindWindowA("ProgMan", nullptr);
    if (!hProgMan) return nullptr;
    HWND hChild = GetWindow(hProgMan, GW_CHILD);
    if (!hChild) return nullptr;
    HWND hList = GetWindow(hChild, GW_CHILD);
    if (!hList) return nullptr;
    char sClass[41] = {};
    GetClassNameA(hList, sClass, 40);
    return std::strcmp(sClass, "SysListView32") == 0 ? hList : nullptr;
}

Size Win32Desktop::ScreenSize() {
    HDC hdc = GetDC(nullptr);
    Size s{GetDeviceCaps(hdc, HORZRES), GetDeviceCaps(hdc, VERTRES)};
    ReleaseDC(nullptr, hdc);
    return s;
}

int Win32Desktop::ScreenDepth() {
    HDC hdc = GetDC(nullptr);
    int bits = GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES);
    ReleaseDC(nullptr, hdc);
    return bits;
}

Color Win32Desktop::GetBackgroundColor() { return GetSysColor(COLOR_BACKGROUND); }

void Win32Desktop::SetBackgroundColor(Color c) {
    INT element = COLOR_BACKGROUND;
    COLORREF value = c;
    SetSysColors(1, &element, &value);
}

bool Win32Desktop::GetIconTextColor(Color& out) {
    HWND hList = FindDesktopListView();
    if (!hList) return false;
    out = static_cast<Color>(SendMessageA(hList, LVM_GETTEXTCOLOR, 0, 0));
    return true;
}

void Win32Desktop::SetWallpaper(const std::string& sPath) {
    SystemParametersInfoA(SPI_SETDESKWALLPAPER, 1, const_cast<char*>(sPath.c_str()), 0);
}

bool Win32Desktop::IsScreenSaverRunning(bool& bRunning) {
    BOOL running = FALSE;
    if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return false;
    bRunning = running != FALSE;
    return true;
}

namespace {
BOOL CALLBACK CollectMonitor(HMONITOR hMonitor, HDC, LPRECT, LPARAM lParam) {
    auto* pLayout = reinterpret_cast<MonitorLayout*>(lParam);
    MONITORINFOEXA info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (!GetMonitorInfoA(hMonitor, &info)) return TRUE;
    Monitor m;
    m.rect = {info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
    m.work = {info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    m.bPrimary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
    m.sDevice = info.szDevice;
    if (!m.rect.IsEmpty()) pLayout->monitors.push_back(m);
    return TRUE;
}
}  // namespace

MonitorLayout Win32Desktop::Monitors() {
    MonitorLayout layout;
    EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&layout));
    if (layout.monitors.empty()) return MonitorLayout::Single(ScreenSize());
    return layout;
}

}  // namespace mv
