#pragma once
#include "platform/FileOps.h"

namespace mv {

// The save steps on Windows: GetTempFileName in the file's folder,
// FlushFileBuffers, MoveFileEx with MOVEFILE_REPLACE_EXISTING and
// MOVEFILE_WRITE_THROUGH, and a named mutex per file as the lock between
// processes (the settings sheet and the tray may save at the same time).
class Win32FileOps : public FileOps {
public:
    Handle CreateTemp(const std::string& sPath, std::string& sTemp) override;
    bool Write(Handle h, const char* pData, size_t n) override;
    bool Sync(Handle h) override;
    bool Close(Handle h) override;
    bool Replace(const std::string& sTemp, const std::string& sPath) override;
    void Remove(const std::string& sPath) override;
    bool Locked(const std::string& sPath, const std::function<bool()>& fn) override;

    static Win32FileOps& Instance();
};

}  // namespace mv
