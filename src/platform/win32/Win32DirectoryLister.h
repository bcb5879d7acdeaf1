#pragma once
#include "platform/DirectoryLister.h"

namespace mv {

// The directory seam over FindFirstFileA / FindNextFileA. A reparse point
// (junction, symbolic link, mount point) is never a directory entry here.
class Win32DirectoryLister : public DirectoryLister {
public:
    bool Enumerate(const std::string& sSearchPath,
                   const std::function<bool(const DirEntry&)>& onEntry) override;
};

}  // namespace mv
