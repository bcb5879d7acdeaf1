#pragma once
#include <functional>
#include <string>

namespace mv {

// One entry of a folder listing, with the attributes the folder search needs.
struct DirEntry {
    std::string sName;  // the name only, not the path
    bool bDirectory = false;
    bool bHidden = false;
    bool bSystem = false;
    // Its 8.3 short name; empty when it has none or the platform does not tell.
    std::string sShortName = std::string();
};

// The directory seam: the entries of one folder whose names match a wildcard
// pattern ("*" any run of characters, "?" one character, without regard to
// case), as FindFirstFile and FindNextFile give them. The search path is a
// Windows path: folder, backslash, pattern ("c:\pictures\*.jpg").
class DirectoryLister {
public:
    virtual ~DirectoryLister() = default;
    // Calls onEntry for each match until it returns false. Returns false when
    // nothing matched or the folder cannot be listed.
    virtual bool Enumerate(const std::string& sSearchPath,
                           const std::function<bool(const DirEntry&)>& onEntry) = 0;
};

}  // namespace mv
