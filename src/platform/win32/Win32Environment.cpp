#include "platform/win32/Win32Environment.h"

#include <windows.h>
#include <shlobj.h>

#include <ctime>

#include "platform/win32/Win32FileOps.h"

namespace mv {

std::string Win32Environment::WindowsFolder() {
    char buffer[MAX_PATH + 1] = {};
    UINT n = GetWindowsDirectoryA(buffer, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return "C:\\Windows";
    std::string s(buffer, n);
    if (s.size() > 3 && s.back() == '\\') s.pop_back();
    return s;
}

std::string Win32Environment::AppDataFolder() {
    char buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, buffer))) return buffer;
    auto v = GetVariable("APPDATA");
    return v ? *v : std::string();
}

std::string Win32Environment::PicturesFolder() {
    char buffer[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES, nullptr, SHGFP_TYPE_CURRENT, buffer))) return buffer;
    return std::string();
}

std::optional<std::string> Win32Environment::GetVariable(const std::string& sName) {
    DWORD n = GetEnvironmentVariableA(sName.c_str(), nullptr, 0);
    if (n == 0) return std::nullopt;
    std::string s(n, '\0');
    DWORD got = GetEnvironmentVariableA(sName.c_str(), &s[0], n);
    s.resize(got);
    return s;
}

bool Win32Environment::FileExists(const std::string& sPath) {
    return GetFileAttributesA(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool Win32Environment::IsFolderWritable(const std::string& sFolder) {
    // Try to make a file there: the attributes say nothing about rights or
    // virtualisation.
    char name[MAX_PATH + 1] = {};
    if (GetTempFileNameA(sFolder.c_str(), "mvw", 0, name) == 0) return false;
    ::DeleteFileA(name);
    return true;
}

bool Win32Environment::CreateFolder(const std::string& sFolder) {
    return CreateDirectoryA(sFolder.c_str(), nullptr) != 0 || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool Win32Environment::RemoveFile(const std::string& sPath) { return ::DeleteFileA(sPath.c_str()) != 0; }

bool Win32Environment::RenameFile(const std::string& sFrom, const std::string& sTo) {
    // A file another program has open (a viewer, a virus scanner, a backup)
    // cannot be replaced, even when it shares deleting: such holds are
    // mostly brief, so the replacement is tried again for a while.
    const DWORD kTryMs = 2000, kStepMs = 50;
    for (DWORD waited = 0;; waited += kStepMs) {
        if (MoveFileExA(sFrom.c_str(), sTo.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return true;
        const DWORD err = GetLastError();
        if ((err != ERROR_ACCESS_DENIED && err != ERROR_SHARING_VIOLATION && err != ERROR_LOCK_VIOLATION) ||
            waited >= kTryMs)
            return false;
        Sleep(kStepMs);
    }
}

bool Win32Environment::RenameToNewFile(const std::string& sFrom, const std::string& sTo) {
    return MoveFileExA(sFrom.c_str(), sTo.c_str(), MOVEFILE_WRITE_THROUGH) != 0;
}

FileOps& Win32Environment::Files() { return Win32FileOps::Instance(); }

std::tm Win32Environment::LocalTime() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_s(&t, &now);
    return t;
}

}  // namespace mv
