#pragma once
#include <string>

namespace mv {

// The rules of the Information page, apart from its windows.

// The address of a section of a file on disk, as a browser takes it:
// "file:///C:/..." for a drive path ("file://server/share/..." for a network
// one), backslashes turned into slashes and every other byte that an address
// cannot hold as it is written as %XX (the path is taken as UTF-8), then "#"
// and the section.
std::string FileSectionAddress(const std::string& sPath, const std::string& sSection);

}  // namespace mv
