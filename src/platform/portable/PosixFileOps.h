#pragma once
#include "platform/FileOps.h"

namespace mv {

// The save steps over the C library and POSIX: a unique temporary name
// beside the file, fsync, rename (which replaces in one step), and an
// advisory lock on a "<file>.lock" beside it. Paths are native ones or
// Windows ones (mapped with NativePath).
class PosixFileOps : public FileOps {
public:
    Handle CreateTemp(const std::string& sPath, std::string& sTemp) override;
    bool Write(Handle h, const char* pData, size_t n) override;
    bool Sync(Handle h) override;
    bool Close(Handle h) override;
    bool Replace(const std::string& sTemp, const std::string& sPath) override;
    bool ReplaceNothing(const std::string& sTemp, const std::string& sPath) override;
    void Remove(const std::string& sPath) override;
    bool Locked(const std::string& sPath, const std::function<bool()>& fn) override;

    static PosixFileOps& Instance();
};

}  // namespace mv
