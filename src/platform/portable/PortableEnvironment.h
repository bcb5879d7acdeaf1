#pragma once
#include <map>
#include <string>

#include "platform/Environment.h"
#include "platform/portable/PosixFileOps.h"

namespace mv {

// The environment on a system without Windows: a folder stands in for the
// Windows folder, variables come from a table (falling back to the process
// environment), and Windows paths map onto the local file system.
class PortableEnvironment : public Environment {
public:
    explicit PortableEnvironment(std::string sWindowsFolder, std::string sAppData = std::string());

    std::string WindowsFolder() override { return m_sWindows; }
    std::string AppDataFolder() override { return m_sAppData; }
    std::string PicturesFolder() override { return m_sPictures; }
    std::optional<std::string> GetVariable(const std::string& sName) override;
    bool FileExists(const std::string& sPath) override;
    bool IsFolderWritable(const std::string& sFolder) override;
    bool CreateFolder(const std::string& sFolder) override;
    bool RemoveFile(const std::string& sPath) override;
    bool RenameFile(const std::string& sFrom, const std::string& sTo) override;
    bool RenameToNewFile(const std::string& sFrom, const std::string& sTo) override;
    std::tm LocalTime() override;
    FileOps& Files() override { return m_pFiles ? *m_pFiles : PosixFileOps::Instance(); }

    void SetVariable(const std::string& sName, const std::string& sValue) { m_vars[sName] = sValue; }
    void UnsetVariable(const std::string& sName) { m_unset[sName] = true; m_vars.erase(sName); }
    void SetLocalTime(const std::tm& t) { m_time = t; m_bFixedTime = true; }
    void SetPicturesFolder(const std::string& sFolder) { m_sPictures = sFolder; }
    // Saves go through these steps instead (null: the system's own).
    void UseFiles(FileOps* pFiles) { m_pFiles = pFiles; }

private:
    std::string m_sWindows;
    std::string m_sAppData;
    std::string m_sPictures;
    std::map<std::string, std::string> m_vars;
    std::map<std::string, bool> m_unset;
    std::tm m_time{};
    bool m_bFixedTime = false;
    FileOps* m_pFiles = nullptr;
};

}  // namespace mv
