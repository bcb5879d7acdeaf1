#include "conformance/DirectoryListerFactory.h"

#include <windows.h>

#include "platform/win32/Win32DirectoryLister.h"

std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest() {
    return std::make_unique<mv::Win32DirectoryLister>();
}

bool MakeFolderLinkUnderTest(const std::string& sLink, const std::string& sTarget, std::string* psWhy) {
    // SYMBOLIC_LINK_FLAG_DIRECTORY | SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE
    const DWORD kFlags = 0x1 | 0x2;
    if (!::CreateSymbolicLinkA(sLink.c_str(), sTarget.c_str(), kFlags) &&
        !::CreateSymbolicLinkA(sLink.c_str(), sTarget.c_str(), 0x1)) {
        *psWhy = "CreateSymbolicLink failed (error " + std::to_string(::GetLastError()) + ")";
        return false;
    }
    // Some Wine versions answer yes and make nothing, or make a plain folder.
    const DWORD attrs = ::GetFileAttributesA(sLink.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        *psWhy = "CreateSymbolicLink reported success but made nothing (this Wine cannot make links)";
        return false;
    }
    if (!(attrs & FILE_ATTRIBUTE_REPARSE_POINT)) {
        *psWhy = "the link shows as a plain folder, not a reparse point (this Wine cannot show reparse points)";
        ::RemoveDirectoryA(sLink.c_str());
        return false;
    }
    return true;
}
