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

inline std::string ExeBeside(const char* sName) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string s(path);
    return s.substr(0, s.find_last_of('\\') + 1) + sName;
}

struct Process {
    PROCESS_INFORMATION pi = {};
    bool ok = false;
    explicit Process(const std::string& sArgs) {
        std::string exe = ExeBeside("Murivane.exe");
        std::string cmd = "\"" + exe + "\" " + sArgs;
        std::vector<char> buf(cmd.begin(), cmd.end());
        buf.push_back('\0');
        STARTUPINFOA si = {};
        si.cb = sizeof(si);
        ok = CreateProcessA(exe.c_str(), buf.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi) != 0;
    }
    ~Process() {
        if (!ok) return;
        if (WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi.hProcess, 1);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
    bool WaitExit(DWORD ms) { return WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0; }
    bool Running() { return WaitForSingleObject(pi.hProcess, 0) == WAIT_TIMEOUT; }
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
