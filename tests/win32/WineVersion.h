// Switching the Windows version that Wine reports, for the programs a test
// starts afterwards (a running program keeps the version it started with).
// Wine's own winecfg writes the version's registry values; without a
// manifest that names Windows 10 a program sees at most 6.2.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "app/SystemFacts.h"

namespace mv::test {

// Runs a command line and waits up to ms for its end; false when it did not
// start or end in time.
inline bool RunToEnd(std::string sCommand, DWORD ms, DWORD& exitCode) {
    std::vector<char> cmd(sCommand.begin(), sCommand.end());
    cmd.push_back('\0');
    // Its output would mix with this program's: it goes nowhere.
    SECURITY_ATTRIBUTES inherit = {sizeof(inherit), nullptr, TRUE};
    HANDLE hNul = CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = si.hStdOutput = si.hStdError = hNul;
    PROCESS_INFORMATION pi = {};
    bool started = CreateProcessA(nullptr, cmd.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi) != 0;
    if (hNul != INVALID_HANDLE_VALUE) CloseHandle(hNul);
    if (!started) return false;
    bool ended = WaitForSingleObject(pi.hProcess, ms) == WAIT_OBJECT_0;
    if (ended) GetExitCodeProcess(pi.hProcess, &exitCode);
    else TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    return ended;
}

// Sets the version by Wine's name for it ("win7", "win8", "win10"), as
// `winecfg -v NAME` does.
inline bool SetWineVersion(const char* sName) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    DWORD code = 1;
    return RunToEnd("\"" + std::string(system) + "\\winecfg.exe\" -v " + sName, 30000, code) && code == 0;
}

// Switches to a version for its lifetime, then back to Windows 7, the
// version a new prefix reports.
struct ScopedWineVersion {
    bool ok;
    explicit ScopedWineVersion(const char* sName) : ok(SetWineVersion(sName)) {}
    ~ScopedWineVersion() { SetWineVersion("win7"); }
    ScopedWineVersion(const ScopedWineVersion&) = delete;
    ScopedWineVersion& operator=(const ScopedWineVersion&) = delete;
};

// The version that GetVersionFacts() reads in a new copy of this test
// program, which carries the program's manifest (WineVersion.cpp).
// platformId 0 when the copy did not report.
inline VersionFacts VersionOfNewProcess() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    DWORD code = 0;
    VersionFacts v;
    if (RunToEnd("\"" + std::string(path) + "\" --gtest_also_run_disabled_tests "
                 "--gtest_filter=WineVersion.DISABLED_ExitsWithTheVersion", 30000, code) && code >= 0x10000) {
        v.platformId = code >> 16;
        v.major = (code >> 8) & 0xFF;
        v.minor = code & 0xFF;
    }
    return v;
}

}  // namespace mv::test
