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

bool Win32FileOps::Replace(const std::string& sTemp, const std::string& sPath) {
    // A read-only file is not replaced: the user has said it must not change.
    const DWORD attributes = ::GetFileAttributesA(sPath.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY)) {
        ::SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    // Another program reading the file (a scanner, an editor) may hold it
    // open without letting it be replaced: wait a little for it.
    for (int tries = 0; tries < 10; ++tries) {
        if (::MoveFileExA(sTemp.c_str(), sPath.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            return true;
        const DWORD error = ::GetLastError();
        if (error != ERROR_SHARING_VIOLATION && error != ERROR_ACCESS_DENIED && error != ERROR_LOCK_VIOLATION) break;
        ::Sleep(50);
    }
    // Still held: the content is copied over the old file in place, as a
    // plain rewrite would (not in one step, but the save is not lost); the
    // caller then removes the temporary file.
    if (attributes == INVALID_FILE_ATTRIBUTES) return false;
    return ::CopyFileA(sTemp.c_str(), sPath.c_str(), FALSE) != FALSE;
}

void Win32FileOps::Remove(const std::string& sPath) { ::DeleteFileA(sPath.c_str()); }

bool Win32FileOps::Locked(const std::string& sPath, const std::function<bool()>& fn) {
    // One mutex per file, named after its path (a name may not hold a backslash).
    std::string sName = "Local\\Murivane save ";
    for (char c : sPath) {
        char l = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
        sName += l == '\\' ? '/' : l;
    }
    if (sName.size() > MAX_PATH) sName.resize(MAX_PATH);
    HANDLE hMutex = ::CreateMutexA(nullptr, FALSE, sName.c_str());
    if (!hMutex) return fn();
    const DWORD wait = ::WaitForSingleObject(hMutex, 5000);
    // An owner that died while saving leaves the old file or the new one whole.
    const bool bLocked = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
    const bool bOk = bLocked && fn();
    if (bLocked) ::ReleaseMutex(hMutex);
    ::CloseHandle(hMutex);
    return bOk;
}

}  // namespace mv
