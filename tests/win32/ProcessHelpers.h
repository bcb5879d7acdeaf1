// Starting Murivane.exe and finding its windows, for the tests of the program.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace mv::test {


// A file in the Windows folder (where the program keeps its files under Wine).
inline std::string WindowsFile(const char* sName) {
    char dir[MAX_PATH] = {};
    GetWindowsDirectoryA(dir, MAX_PATH);
    return std::string(dir) + "\\" + sName;
}

// Polls pred every 50 ms until it holds, or ms have passed.
template <typename Pred>
bool WaitFor(Pred pred, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (pred()) return true;
        Sleep(50);
    }
    return pred();
}

// ASCII letters lowered and every other byte kept, as the program lowers paths.
inline std::string AsciiLower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// The bytes of a file, or nothing when it cannot be read. Read with every
// sharing allowed, so the program can still rename its new file over this
// one meanwhile (an ordinary open would make its rename fail).
inline std::string FileBytes(const std::string& sPath) {
    HANDLE h = CreateFileA(sPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE) return std::string();
    std::string bytes;
    char buffer[65536];
    DWORD n = 0;
    while (ReadFile(h, buffer, sizeof buffer, &n, nullptr) && n > 0) bytes.append(buffer, n);
    CloseHandle(h);
    return bytes;
}

// A value of the desktop's settings (HKCU\Control Panel\Desktop), or "<none>".
inline std::string DesktopValue(const char* sName) {
    char buffer[1024] = {};
    DWORD size = sizeof(buffer);
    if (RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", sName, RRF_RT_REG_SZ, nullptr, buffer, &size) !=
        ERROR_SUCCESS)
        return "<none>";
    return buffer;
}

inline std::string ExeBeside(const char* sName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1) + sName;
}

struct Process {
    PROCESS_INFORMATION pi = {};
    bool ok = false;
    // With sOutput, the program's standard output and error go to that file,
    // as a script that redirects them would have it.
    explicit Process(const std::string& sArgs, const std::string& sOutput = std::string()) {
        std::string exe = ExeBeside("Murivane.exe");
        std::string cmd = "\"" + exe + "\" " + sArgs;
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        HANDLE hOut = INVALID_HANDLE_VALUE;
        if (!sOutput.empty()) {
            SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
            hOut = CreateFileA(sOutput.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &sa, CREATE_ALWAYS,
                               0, nullptr);
            si.dwFlags = STARTF_USESTDHANDLES;
            si.hStdInput = INVALID_HANDLE_VALUE;
            si.hStdOutput = si.hStdError = hOut;
        }
        ok = CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, hOut != INVALID_HANDLE_VALUE, 0, nullptr,
                            nullptr, &si, &pi) != 0;
        if (hOut != INVALID_HANDLE_VALUE) CloseHandle(hOut);
    }
    // Its exit status once it has ended within ms; -1 when it has not.
    long ExitStatus(DWORD ms) {
        DWORD code = 0;
        if (!ok || !WaitExit(ms) || !GetExitCodeProcess(pi.hProcess, &code)) return -1;
        return static_cast<long>(code);
    }
    ~Process() {
        if (!ok) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    bool Running() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
    // Its top-level windows, "class 'title'" each: what kept it from ending.
    std::string WindowsShown() const {
        struct Found {
            DWORD id;
            std::string s;
            static BOOL CALLBACK Collect(HWND h, LPARAM lp) {
                auto* f = reinterpret_cast<Found*>(lp);
                DWORD id = 0;
                GetWindowThreadProcessId(h, &id);
                if (id != f->id) return TRUE;
                char cls[64] = {}, title[128] = {};
                GetClassNameA(h, cls, sizeof(cls));
                GetWindowTextA(h, title, sizeof(title));
                f->s += std::string(cls) + " '" + title + "'" + (IsWindowVisible(h) ? " visible; " : "; ");
                return TRUE;
            }
        } found{pi.dwProcessId, ""};
        EnumWindows(&Found::Collect, reinterpret_cast<LPARAM>(&found));
        return found.s;
    }
};

struct Found {
    std::vector<HWND> windows;
    const char* sClass;
};

inline BOOL CALLBACK Collect(HWND h, LPARAM lp) {
    auto* f = reinterpret_cast<Found*>(lp);
    char cls[64] = {}, title[64] = {};
    GetClassNameA(h, cls, sizeof(cls));
    GetWindowTextA(h, title, sizeof(title));
    if (std::string(cls) == f->sClass && std::string(title) == "Murivane") f->windows.push_back(h);
    return TRUE;
}

inline std::vector<HWND> Windows(const char* sClass) {
    Found f{{}, sClass};
    EnumWindows(Collect, reinterpret_cast<LPARAM>(&f));
    return f.windows;
}

inline HWND WaitForWindow(const char* sClass, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        auto w = Windows(sClass);
        if (!w.empty()) return w[0];
        Sleep(100);
    }
    return nullptr;
}

inline bool WaitUntilNone(const char* sClass, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 100) {
        if (Windows(sClass).empty()) return true;
        Sleep(100);
    }
    return false;
}

inline const char kTray[] = "MurivaneFrame";
inline const char kSheet[] = "#32770";

inline void CloseAllTrays() {
    for (HWND h : Windows(kTray)) PostMessageA(h, WM_CLOSE, 0, 0);
    WaitUntilNone(kTray, 5000);
}


}  // namespace mv::test
