#pragma once
#include <vector>

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
    bool ReplaceNothing(const std::string& sTemp, const std::string& sPath) override;
    void Remove(const std::string& sPath) override;
    ReadResult ReadWhole(const std::string& sPath, std::string& sBytes) override;
    bool Locked(const std::string& sPath, const std::function<bool()>& fn) override;

    static Win32FileOps& Instance();

    // How long Replace waits for a file another program holds open.
    static constexpr unsigned long kReplaceWaitMs = 2000;

    // Removes from each folder the temporary files (IsLeftTemporaryName) a
    // copy of the program that ended half way through a save left there;
    // for a start with no other copy running, which could be saving.
    static void RemoveLeftTemporaryFiles(const std::vector<std::string>& folders);
};

}  // namespace mv
