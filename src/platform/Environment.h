#pragma once
#include <cstdint>
#include <ctime>
#include <optional>
#include <string>

#include "platform/FileOps.h"

namespace mv {

struct Size {
    int cx = 0;
    int cy = 0;
};

// The environment seam: folders, variables and files. Paths are Windows paths
// (backslash separators); the portable implementation maps them onto its own
// file system.
class Environment {
public:
    virtual ~Environment() = default;
    virtual std::string WindowsFolder() = 0;           // GetWindowsDirectory, no trailing separator
    virtual std::string AppDataFolder() = 0;           // %APPDATA%, empty when unknown
    // The user's pictures folder, empty when unknown.
    virtual std::string PicturesFolder() { return std::string(); }
    virtual std::optional<std::string> GetVariable(const std::string& sName) = 0;
    virtual bool FileExists(const std::string& sPath) = 0;
    virtual bool IsFolderWritable(const std::string& sFolder) = 0;
    virtual bool CreateFolder(const std::string& sFolder) = 0;
    virtual bool RemoveFile(const std::string& sPath) = 0;
    virtual bool RenameFile(const std::string& sFrom, const std::string& sTo) = 0;  // replaces sTo
    // Renames sFrom to sTo only when nothing of that name is there, in one
    // step (false, and sFrom left as it is, when something is).
    virtual bool RenameToNewFile(const std::string& sFrom, const std::string& sTo) {
        return !FileExists(sTo) && RenameFile(sFrom, sTo);
    }
    virtual std::tm LocalTime() = 0;
    // The steps of saving a whole file (ReplaceWholeFile) on this system,
    // taking paths as the other functions here do.
    virtual FileOps& Files() = 0;

    // The folder of the program's files once it is decided (OutputFolder):
    // decided once, so a run never switches folders half way.
    std::optional<std::string> decidedOutputFolder;
};

}  // namespace mv
