#pragma once
#include "platform/DirectoryLister.h"

namespace mv {

// The directory seam over FindFirstFileA / FindNextFileA.
class Win32DirectoryLister : public DirectoryLister {
public:
    bool Enumerate(const std::string& sSearchPath,
                   const std::function<bool(const DirEntry&)>& onEntry) override;
};

}  // namespace mv
