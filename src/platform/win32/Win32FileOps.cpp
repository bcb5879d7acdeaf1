#include "platform/win32/Win32FileOps.h"

#include <windows.h>

namespace mv {

Win32FileOps& Win32FileOps::Instance() {
    static Win32FileOps ops;
    return ops;
}

FileOps::Handle Win32FileOps::CreateTemp(const std::string& sPath, std::string& sTemp) {
    const size_t slash = sPath.find_last_of("\\/");
    const std::string sFolder = slash == std::string::npos ? "." : sPath.substr(0, slash + 1);
    char temp[MAX_PATH] = {};
    if (!::GetTempFileNameA(sFolder.c_str(), "mvs", 0, temp)) return nullptr;
    HANDLE h = ::CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        ::DeleteFileA(temp);
        return nullptr;
    }
    sTemp = temp;
    return h;
}

bool Win32FileOps::Write(Handle h, const char* pData, size_t n) {
    while (n > 0) {
        DWORD written = 0;
        const DWORD chunk = n > 0x100000 ? 0x100000 : static_cast<DWORD>(n);
        if (!::WriteFile(static_cast<HANDLE>(h), pData, chunk, &written, nullptr) || written == 0) return false;
        pData += written;
        n -= written;
    }
    return true;
}

bool Win32FileOps::Sync(Handle h) { return ::FlushFileBuffers(static_cast<HANDLE>(h)) != FALSE; }

bool Win32FileOps::Close(Handle h) { return ::CloseHandle(static_cast<HANDLE>(h)) != FALSE; }

namespace {
// The errors of a file another program holds open for a moment.
bool IsHeld(DWORD error) {
    return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}
}  // namespace

bool Win32FileOps::Replace(const std::string& sTemp, const std::string& sPath) {
    // A read-only file is not replaced: the user has said it must not change.
    const DWORD attributes = ::GetFileAttributesA(sPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // Another program reading the file (a scanner, an editor, the profile
    // functions of another copy) may hold it open without letting it be
    // replaced: wait for it a bounded time. The live file is never written
    // into; when it stays held the save fails and the old file stays whole.
    const DWORD start = ::GetTickCount();
    for (;;) {
        if (::MoveFileExA(sTemp.c_str(), sPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = ::GetLastError();
        if (!IsHeld(error) || ::GetTickCount() - start >= kReplaceWaitMs) {
            ::SetLastError(error);
            return false;
        }
        ::Sleep(10);
    }
}

bool Win32FileOps::ReplaceNothing(const std::string& sTemp, const std::string& sPath) {
    return ::MoveFileExA(sTemp.c_str(), sPath.c_str(), MOVEFILE_WRITE_THROUGH) != FALSE;
}

void Win32FileOps::Remove(const std::string& sPath) { ::DeleteFileA(sPath.c_str()); }

FileOps::ReadResult Win32FileOps::ReadWhole(const std::string& sPath, std::string& sBytes) {
    sBytes.clear();
    HANDLE h = ::CreateFileA(sPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ReadResult::Missing
                                                                              : ReadResult::Failed;
    }
    ReadResult result = ReadResult::Read;
    char buffer[65536];
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(h, buffer, sizeof buffer, &got, nullptr)) {
            result = ReadResult::Failed;
            break;
        }
        if (got == 0) break;
        sBytes.append(buffer, got);
    }
    ::CloseHandle(h);
    return result;
}

bool Win32FileOps::Locked(const std::string& sPath, const std::function<bool()>& fn) {
    // One mutex per file, named after its path (a name may not hold a backslash).
    std::string sName = "Local\\Murivane save ";
    for (char c : sPath) {
        char l = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        sName += l == '\\' ? '/' : l;
    }
    if (sName.size() > MAX_PATH) sName.resize(MAX_PATH);
    // Released and closed however fn ends.
    struct Lock {
        HANDLE hMutex;
        bool bOwned = false;
        ~Lock() {
            if (bOwned) ::ReleaseMutex(hMutex);
            if (hMutex) ::CloseHandle(hMutex);
        }
    } lock{::CreateMutexA(nullptr, FALSE, sName.c_str())};
    if (!lock.hMutex) return fn();
    const DWORD wait = ::WaitForSingleObject(lock.hMutex, 5000);
    // An owner that died while saving leaves the old file or the new one whole.
    lock.bOwned = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    return lock.bOwned && fn();
}

namespace {
void RemoveLeftIn(const std::string& sFolder) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA((sFolder + "\\*.tmp").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        if (!(fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && IsLeftTemporaryName(fd.cFileName))
            ::DeleteFileA((sFolder + "\\" + fd.cFileName).c_str());
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
}
}  // namespace

void Win32FileOps::RemoveLeftTemporaryFiles(const std::vector<std::string>& folders) {
    for (const std::string& sFolder : folders)
        if (!sFolder.empty()) RemoveLeftIn(sFolder);
}

}  // namespace mv
