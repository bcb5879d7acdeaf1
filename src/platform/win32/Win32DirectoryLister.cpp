#include "platform/win32/Win32DirectoryLister.h"

#include <windows.h>

namespace mv {

bool Win32DirectoryLister::Enumerate(const std::string& sSearchPath,
                                     const std::function<bool(const DirEntry&)>& onEntry) {
    WIN32_FIND_DATAA fd;
    HANDLE h = ::FindFirstFileA(sSearchPath.c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        DirEntry entry;
        entry.sName = fd.cFileName;
        entry.sShortName = fd.cAlternateFileName;
        // A junction or a symbolic link to a folder is not entered: a link to
        // an ancestor would make a search endless and report each folder
        // under many paths.
        entry.bDirectory = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 &&
                           (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0;
        entry.bHidden = (fd.dwFileAttributes & FILE_ATTRIBUTE_HIDDEN) != 0;
        entry.bSystem = (fd.dwFileAttributes & FILE_ATTRIBUTE_SYSTEM) != 0;
        if (!onEntry(entry)) break;
    } while (::FindNextFileA(h, &fd));
    ::FindClose(h);
    return true;
}

}  // namespace mv
