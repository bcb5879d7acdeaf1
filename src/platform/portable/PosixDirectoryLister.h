#pragma once
#include <string>

#include "platform/DirectoryLister.h"

namespace mv {

// The directory seam over readdir. Windows paths are mapped with NativePath.
// Patterns match without regard to (ASCII) case, "*.*" matches every name,
// names starting with "." (other than "." and "..") count as hidden, and
// nothing is a system entry. Entries come in byte-wise order of their names.
class PosixDirectoryLister : public DirectoryLister {
public:
    bool Enumerate(const std::string& sSearchPath,
                   const std::function<bool(const DirEntry&)>& onEntry) override;

    // The pattern test on its own.
    static bool Matches(const std::string& sPattern, const std::string& sName);
};

}  // namespace mv
