#include "platform/win32/Win32ActiveDesktop.h"

#include <windows.h>
#include <wininet.h>
#include <shlobj.h>
#include <shlguid.h>

#include <vector>

namespace mv {

namespace {
const CLSID kClsidActiveDesktop = {0x75048700, 0xEF1F, 0x11D0, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
const IID kIidActiveDesktop = {0xF490EB00, 0x1240, 0x11D1, {0x98, 0x88, 0x00, 0x60, 0x97, 0xDE, 0xAC, 0xF9}};
}  // namespace

std::unique_ptr<Win32ActiveDesktop> Win32ActiveDesktop::Create() {
    HRESULT hrInit = CoInitialize(nullptr);
    IActiveDesktop* p = nullptr;
    if (FAILED(CoCreateInstance(kClsidActiveDesktop, nullptr, CLSCTX_INPROC_SERVER, kIidActiveDesktop,
                                reinterpret_cast<void**>(&p))) ||
        !p) {
        if (SUCCEEDED(hrInit)) CoUninitialize();
        return nullptr;
    }
    return std::unique_ptr<Win32ActiveDesktop>(new Win32ActiveDesktop(p, SUCCEEDED(hrInit)));
}

Win32ActiveDesktop::~Win32ActiveDesktop() {
    if (m_p) m_p->Release();
    if (m_bUninitialize) CoUninitialize();
}

void Win32ActiveDesktop::SetWallpaper(const std::string& sPath) {
    int n = MultiByteToWideChar(CP_ACP, 0, sPath.c_str(), -1, nullptr, 0);
    if (n <= 0) return;
    std::vector<WCHAR> wide(static_cast<size_t>(n));
    MultiByteToWideChar(CP_ACP, 0, sPath.c_str(), -1, wide.data(), n);
    m_p->SetWallpaper(wide.data(), 0);
}

void Win32ActiveDesktop::SetWallpaperOptions(int iStyle) {
    WALLPAPEROPT options = {};
    options.dwSize = sizeof(options);
    options.dwStyle = static_cast<DWORD>(iStyle);
    m_p->SetWallpaperOptions(&options, 0);
}

void Win32ActiveDesktop::ApplyChanges(unsigned uFlags) { m_p->ApplyChanges(uFlags); }

}  // namespace mv
