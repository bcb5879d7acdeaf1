#pragma once
#include "platform/Environment.h"

namespace mv {

class Win32Environment : public Environment {
public:
    std::string WindowsFolder() override;
    std::string AppDataFolder() override;
    std::string PicturesFolder() override;  // CSIDL_MYPICTURES
    std::optional<std::string> GetVariable(const std::string& sName) override;
    bool FileExists(const std::string& sPath) override;
    bool IsFolderWritable(const std::string& sFolder) override;
    bool CreateFolder(const std::string& sFolder) override;
    bool RemoveFile(const std::string& sPath) override;
    bool RenameFile(const std::string& sFrom, const std::string& sTo) override;
    bool RenameToNewFile(const std::string& sFrom, const std::string& sTo) override;
    std::tm LocalTime() override;
    FileOps& Files() override;
};

}  // namespace mv
