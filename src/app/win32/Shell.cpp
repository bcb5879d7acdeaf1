#include "app/win32/Shell.h"

#include <objbase.h>
#include <shlobj.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <vector>

#include "app/TraceLog.h"
#include "app/win32/App.h"
#include "config/Collection.h"

namespace mv::win {

VersionFacts GetVersionFacts() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof(info);
    VersionFacts v;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (GetVersionExA(&info)) {
#pragma GCC diagnostic pop
        v.platformId = info.dwPlatformId;
        v.major = info.dwMajorVersion;
        v.minor = info.dwMinorVersion;
    }
    return v;
}

bool IsActiveDesktopInstalled(Registry& registry) {
    VersionFacts v = GetVersionFacts();
    if (IsWin2000(v) || IsWin98OrLater(v)) return true;
    return IsInstalledFlag(registry.ReadValue(RootKey::LocalMachine, kActiveDesktopKey, "IsInstalled"));
}

bool IsUsingActiveDesktop(bool bInstalled) {
    if (!bInstalled) return false;
    SHELLFLAGSTATE state = {};
    SHGetSettings(&state, SSF_DESKTOPHTML);
    return state.fDesktopHTML != 0;
}

namespace {

// Whether the start-up shortcut was saved, in the trace (on while the
// current collection is named "trace").
void TraceShortcut(const std::string& sPath, bool bSaved) {
    if (!IsTraceCollection(GetCurrentCollection(gApp.GetProfile()))) return;
    TraceLog log(gApp.Env());
    log.SetOn(true);
    MV_TRACE(&log, sPath);
    MV_TRACE(&log, bSaved);
}

}  // namespace

std::optional<std::string> FindStartupFolder() {
    VersionFacts v = GetVersionFacts();
    HKEY hKey = nullptr;
    bool bOpen = false;
    if (v.platformId == 2)
        bOpen = RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersNT, 0, KEY_READ, &hKey) == ERROR_SUCCESS;
    if (!bOpen) bOpen = RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders9x, 0, KEY_READ, &hKey) == ERROR_SUCCESS;
    if (!bOpen) return std::nullopt;
    char buffer[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH, type = 0;
    LONG r = RegQueryValueExA(hKey, "StartUp", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(hKey);
    if (r != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return std::nullopt;
    buffer[MAX_PATH] = '\0';
    return std::string(buffer);
}

std::string StartupShortcutPath(const std::string& sFolder, const std::string& sTitle) {
    return sFolder + "\\" + sTitle + ".lnk";
}

std::string ExecutablePath() {
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        DWORD n = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n < buffer.size()) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

bool CreateStartupShortcut(const std::string& sTitle) {
    std::optional<std::string> folder = FindStartupFolder();
    if (!folder) return false;
    bool bSaved = false;
    HRESULT hrInit = CoInitialize(nullptr);
    IShellLinkA* pLink = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&pLink)))) {
        pLink->SetPath(ExecutablePath().c_str());
        pLink->SetArguments("/tray");
        pLink->SetDescription("Shortcut to Murivane.scr");
        IPersistFile* pFile = nullptr;
        if (SUCCEEDED(pLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&pFile)))) {
            // Saved only under its whole name: a path the conversion cannot
            // take whole would give a cut-off file name.
            std::string sPath = StartupShortcutPath(*folder, sTitle);
            int n = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, sPath.c_str(), -1, nullptr, 0);
            std::wstring wide(n > 0 ? static_cast<size_t>(n) : 0, L'\0');
            if (n > 0 && MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, sPath.c_str(), -1, &wide[0], n) == n) {
                bSaved = SUCCEEDED(pFile->Save(wide.c_str(), TRUE));
                TraceShortcut(sPath, bSaved);
            } else {
                TraceShortcut(sPath, false);
            }
            pFile->Release();
        }
        pLink->Release();
    }
    if (SUCCEEDED(hrInit)) CoUninitialize();
    return bSaved;
}

void RemoveStartupShortcut(const std::string& sTitle) {
    std::optional<std::string> folder = FindStartupFolder();
    if (!folder) return;
    DeleteFileA(StartupShortcutPath(*folder, sTitle).c_str());
}

bool RunProgram(const std::string& sPath, const std::string& sArguments, DWORD dwCreationFlags, HANDLE* phProcess,
                DWORD* pdwProcessId) {
    std::string sCommand = QuotedCommandLine(sPath, sArguments);
    std::vector<char> command(sCommand.begin(), sCommand.end());
    command.push_back('\0');
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    BOOL ok = CreateProcessA(sPath.c_str(), command.data(), nullptr, nullptr, TRUE, dwCreationFlags, nullptr, nullptr,
                             &si, &pi);
    if (!ok) {
        if (phProcess) *phProcess = nullptr;
        if (pdwProcessId) *pdwProcessId = 0;
        return false;
    }
    WaitForInputIdle(pi.hProcess, 5000);
    CloseHandle(pi.hThread);
    if (pdwProcessId) *pdwProcessId = pi.dwProcessId;
    if (phProcess)
        *phProcess = pi.hProcess;
    else
        CloseHandle(pi.hProcess);
    return true;
}

std::string GetProductVersion() {
    std::string sExe = ExecutablePath();
    DWORD dummy = 0;
    DWORD size = GetFileVersionInfoSizeA(sExe.c_str(), &dummy);
    if (size == 0) return std::string();
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(sExe.c_str(), 0, size, data.data())) return std::string();
    char* pValue = nullptr;
    UINT len = 0;
    if (!VerQueryValueA(data.data(), "\\StringFileInfo\\040904b0\\ProductVersion", reinterpret_cast<void**>(&pValue),
                        &len) ||
        !pValue)
        return std::string();
    return FormatProductVersion(std::string(pValue, len > 0 && pValue[len - 1] == '\0' ? len - 1 : len));
}

void ShowHelp(const std::string& sInstallFolder) {
    std::string sPath = HelpPath(sInstallFolder);
    HWND hOwner = GetForegroundWindow();
    if (GetFileAttributesA(sPath.c_str()) == INVALID_FILE_ATTRIBUTES) {
        MessageBoxA(hOwner, HelpMissingMessage(sPath).c_str(), "Error", MB_OK | MB_ICONSTOP);
        return;
    }
    HINSTANCE h = ShellExecuteA(nullptr, "open", sPath.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<INT_PTR>(h) <= 32)
        MessageBoxA(hOwner, HelpLaunchFailedMessage(sPath).c_str(), "Error", MB_OK | MB_ICONSTOP);
}

}  // namespace mv::win
