#include "conformance/DirectoryListerFactory.h"

#include <unistd.h>

#include "platform/portable/PosixDirectoryLister.h"

std::unique_ptr<mv::DirectoryLister> MakeDirectoryListerUnderTest() {
    return std::make_unique<mv::PosixDirectoryLister>();
}

bool MakeFolderLinkUnderTest(const std::string& sLink, const std::string& sTarget, std::string* psWhy) {
    if (::symlink(sTarget.c_str(), sLink.c_str()) == 0) return true;
    *psWhy = "symlink() failed for " + sLink;
    return false;
}
