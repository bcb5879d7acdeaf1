#include "conformance/DirectoryListerFactory.h"
#include "platform/win32/Win32DirectoryLister.h"

std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest() {
    return std::make_unique<mv::Win32DirectoryLister>();
}
