#pragma once
#include <cstddef>
#include <functional>
#include <string>

namespace mv {

// The file-system steps of saving a whole file, one by one, so that a save
// survives a crash or a failure at any of them: the new content goes to a
// temporary file beside the old one, is flushed to the disk, and then takes
// the old file's place in one step.
class FileOps {
public:
    virtual ~FileOps() = default;
    using Handle = void*;
    // A new, empty file in sPath's folder (so the final step stays on one
    // volume); its path in sTemp. Null on failure.
    virtual Handle CreateTemp(const std::string& sPath, std::string& sTemp) = 0;
    virtual bool Write(Handle h, const char* pData, size_t n) = 0;
    // The written data on the disk, not only in the system's cache.
    virtual bool Sync(Handle h) = 0;
    virtual bool Close(Handle h) = 0;
    // The temporary file takes sPath's place in one step, written through.
    virtual bool Replace(const std::string& sTemp, const std::string& sPath) = 0;
    virtual void Remove(const std::string& sPath) = 0;
    // Runs fn while this process holds the lock every process takes to change
    // sPath, and returns what fn returns; false, without running fn, when the
    // lock cannot be had within a few seconds.
    virtual bool Locked(const std::string& sPath, const std::function<bool()>& fn) = 0;
};

// Saves sBytes as the whole content of sPath through those steps. On any
// failure the temporary file is removed and sPath is left as it was: a
// reader sees the old file or the new one, never a part of either.
bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const std::string& sBytes);

}  // namespace mv
