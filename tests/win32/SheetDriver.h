// Driving the settings sheet of a running settings instance from the tests:
// pages, controls, message boxes, and the registry values the sheet writes.
#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

#include "win32/ProcessHelpers.h"

namespace mv::test {

inline const char kConfigKey[] = "Software\\Quorvale\\Murivane\\Config";

inline DWORD ReadConfigDword(const char* name, DWORD fallback) {
    DWORD v = 0, size = 4;
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_DWORD, nullptr, &v, &size) != ERROR_SUCCESS)
        return fallback;
    return v;
}

inline std::string ReadConfigString(const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, kConfigKey, name, RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return "<none>";
    return buffer;
}

inline void WriteConfigDword(const char* name, DWORD v) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, name, REG_DWORD, &v, 4);
}

inline void WriteConfigString(const char* name, const std::string& s) {
    RegSetKeyValueA(HKEY_CURRENT_USER, kConfigKey, name, REG_SZ, s.c_str(), static_cast<DWORD>(s.size() + 1));
}

inline bool ConfigKeyExists() {
    HKEY h = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Quorvale\\Murivane", 0, KEY_READ, &h) != ERROR_SUCCESS)
        return false;
    RegCloseKey(h);
    return true;
}

// A fresh Config key that keeps a tray instance from changing the wallpaper.
inline void ResetConfig() {
    RegDeleteKeyA(HKEY_CURRENT_USER, kConfigKey);
    WriteConfigDword("ChangeOnStartup", 0);
}

// The text of a window of another process (WM_GETTEXT, not the window name).
inline std::string WindowText(HWND h) {
    char text[2048] = {};
    SendMessageA(h, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

// The sheet's tabs in their order; a page not yet built is left out.
enum SheetTab { kCollectionsTab, kOptionsTab, kDateTab, kColorsTab, kAdvancedTab, kHotKeysTab, kInfoTab, kUninstallTab };
inline constexpr bool kTabBuilt[] = {true, true, true, true, true, true, true, true};
inline int TabIndex(SheetTab tab) {
    int index = 0;
    for (int i = 0; i < tab; ++i) index += kTabBuilt[i] ? 1 : 0;
    return index;
}

struct BoxSearch {
    HWND hOwner;
    HWND found = nullptr;
};

inline BOOL CALLBACK FindOwnedDialog(HWND h, LPARAM lp) {
    auto* s = reinterpret_cast<BoxSearch*>(lp);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "#32770" && IsWindowVisible(h) && GetWindow(h, GW_OWNER) == s->hOwner) {
        s->found = h;
        return FALSE;
    }
    return TRUE;
}

// A visible dialog owned by hOwner (a message box, a child dialog), waited for.
inline HWND WaitForOwnedDialog(HWND hOwner, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        BoxSearch s{hOwner};
        EnumWindows(FindOwnedDialog, reinterpret_cast<LPARAM>(&s));
        if (s.found) return s.found;
        Sleep(50);
    }
    return nullptr;
}

inline BOOL CALLBACK CollectStaticText(HWND h, LPARAM lp) {
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "Static") {
        std::string t = WindowText(h);
        if (!t.empty()) *reinterpret_cast<std::string*>(lp) += t + "\n";
    }
    return TRUE;
}

// The texts of a message box's static controls, one a line.
inline std::string BoxText(HWND hBox) {
    std::string s;
    EnumChildWindows(hBox, CollectStaticText, reinterpret_cast<LPARAM>(&s));
    return s;
}

inline bool WaitGone(HWND h, DWORD ms) {
    for (DWORD waited = 0; waited <= ms; waited += 50) {
        if (!IsWindow(h) || !IsWindowVisible(h)) return true;
        Sleep(50);
    }
    return false;
}

// Dismisses a message box with OK and waits until it is gone.
inline bool DismissBox(HWND hBox) {
    PostMessageA(hBox, WM_COMMAND, IDOK, 0);
    return WaitGone(hBox, 5000);
}

// The settings sheet of a settings instance started by the test.
struct Sheet {
    HWND hWnd = nullptr;

    bool Open(DWORD ms = 15000) {
        hWnd = WaitForWindow(kSheet, ms);
        return hWnd != nullptr;
    }
    // Selects a tab (posted: leaving a page may show a message box) and
    // returns the page shown then.
    HWND Select(int index) {
        PostMessageA(hWnd, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
        for (int i = 0; i < 100; ++i) {
            Sleep(50);
            if (WaitForOwnedDialog(hWnd, 0)) break;  // the page refused to be left
            HWND h = Current();
            if (h && SendMessageA(hWnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(h), 0) == index) return h;
        }
        return Current();
    }
    HWND Current() { return reinterpret_cast<HWND>(SendMessageA(hWnd, PSM_GETCURRENTPAGEHWND, 0, 0)); }
    int CurrentIndex() {
        return static_cast<int>(SendMessageA(hWnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(Current()), 0));
    }
    void Ok() { PostMessageA(hWnd, PSM_PRESSBUTTON, PSBTN_OK, 0); }
    void Cancel() { PostMessageA(hWnd, PSM_PRESSBUTTON, PSBTN_CANCEL, 0); }
};

struct TipSearch {
    HWND hSheet;
    std::vector<HWND> tips;
};
inline BOOL CALLBACK CollectTips(HWND h, LPARAM lp) {
    auto* p = reinterpret_cast<TipSearch*>(lp);
    char cls[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    if (std::string(cls) == "tooltips_class32" && GetWindow(h, GW_OWNER) == p->hSheet) p->tips.push_back(h);
    return TRUE;
}

// The tip a page's tool-tip control holds for a control, read in the page's
// own process (the tool-tip messages carry pointers).
inline std::string TipOf(HWND hSheet, HWND hControl) {
    TipSearch s{hSheet, {}};
    EnumWindows(CollectTips, reinterpret_cast<LPARAM>(&s));
    DWORD pid = 0;
    GetWindowThreadProcessId(hSheet, &pid);
    HANDLE hProcess = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (!hProcess) return "<no process>";
    auto* remote = static_cast<char*>(VirtualAllocEx(hProcess, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    std::string found;
    for (HWND hTip : s.tips) {
        TTTOOLINFOW ti = {};
        ti.cbSize = sizeof(ti);
        ti.uFlags = TTF_IDISHWND;
        ti.hwnd = GetParent(hControl);
        ti.uId = reinterpret_cast<UINT_PTR>(hControl);
        ti.lpszText = reinterpret_cast<wchar_t*>(remote + 1024);
        wchar_t text[512] = {};
        WriteProcessMemory(hProcess, remote, &ti, sizeof(ti), nullptr);
        WriteProcessMemory(hProcess, remote + 1024, text, sizeof(text), nullptr);
        SendMessageW(hTip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(remote));
        ReadProcessMemory(hProcess, remote + 1024, text, sizeof(text) - 2, nullptr);
        if (text[0]) found = std::string(text, text + wcslen(text));  // the tips are ASCII
    }
    VirtualFreeEx(hProcess, remote, 0, MEM_RELEASE);
    CloseHandle(hProcess);
    return found;
}

inline void SetText(HWND hPage, int id, const char* s) { SendDlgItemMessageA(hPage, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(s)); }
inline std::string GetText(HWND hPage, int id) { return WindowText(GetDlgItem(hPage, id)); }
inline bool Checked(HWND hPage, int id) { return SendDlgItemMessageA(hPage, id, BM_GETCHECK, 0, 0) == BST_CHECKED; }
// A click that may open a message box is posted; wait for what it shows.
inline void Click(HWND hPage, int id) { PostMessageA(GetDlgItem(hPage, id), BM_CLICK, 0, 0); }
inline void ClickNow(HWND hPage, int id) { SendMessageA(GetDlgItem(hPage, id), BM_CLICK, 0, 0); }

}  // namespace mv::test
