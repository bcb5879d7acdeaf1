#pragma once
#include <string>

#include "platform/IniFile.h"

namespace mv {

// The ini-file seam over the Windows private-profile functions, on one file
// given by its full path. Reads use them; a write replaces the whole file
// (a temporary file, then MoveFileEx), so a crash never leaves it torn.
class Win32Ini : public IniFile {
public:
    explicit Win32Ini(std::string sPath) : m_sPath(std::move(sPath)) {}

    std::string GetString(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                          size_t cchBuffer) override;
    uint32_t GetInt(const std::string& sSection, const std::string& sKey, int32_t iDefault) override;
    bool Write(const char* pszSection, const char* pszKey, const char* pszValue) override;
    bool ReplaceSection(const std::string& sSection, const KeyValues& keys) override;
    std::vector<std::string> GetSectionNames(size_t cchBuffer, bool* pbFull = nullptr) override;
    std::vector<std::string> GetKeyNames(const std::string& sSection) override;

    const std::string& Path() const { return m_sPath; }

private:
    std::string m_sPath;
};

}  // namespace mv
