#include "wallpaper/win32/Win32IconCaptions.h"

#include <commctrl.h>

#include "platform/win32/Win32Desktop.h"

namespace mv {

Win32IconCaptions::Win32IconCaptions(const Settings& settings, std::function<bool()> isUsingActiveDesktop)
    : m_settings(settings), m_isUsingActiveDesktop(std::move(isUsingActiveDesktop)) {}

void Win32IconCaptions::ApplyIconTextColor(Color c) {
    HWND hList = FindDesktopListView();
    if (!hList) return;  // another shell, or a window tree we do not know

    // 0x00BBGGRR only: a top byte would mean a palette index or CLR_NONE.
    const COLORREF text = static_cast<COLORREF>(c & 0xFFFFFF);
    if (static_cast<COLORREF>(SendMessageA(hList, LVM_GETTEXTCOLOR, 0, 0)) != text)
        SendMessageA(hList, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));

    const COLORREF background = m_settings.UseTransparentIcons ? CLR_NONE
                                                                : static_cast<COLORREF>(m_settings.BackgroundColor & 0xFFFFFF);
    SendMessageA(hList, LVM_GETTEXTBKCOLOR, 0, 0);  // asked as the shell expects; the answer does not matter
    SendMessageA(hList, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(background));

    const LRESULT count = SendMessageA(hList, LVM_GETITEMCOUNT, 0, 0);
    SendMessageA(hList, LVM_REDRAWITEMS, 0, static_cast<LPARAM>(count - 1));

    UpdateWindow(hList);
    if (m_settings.ChooseIconColor && m_isUsingActiveDesktop && m_isUsingActiveDesktop())
        InvalidateRect(nullptr, nullptr, TRUE);
}

}  // namespace mv
