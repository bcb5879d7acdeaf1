#include "config/Collection.h"

#include <algorithm>
#include <climits>
#include <set>

namespace mv {

namespace {

constexpr size_t kFolderBuffer = 1024;
constexpr size_t kSectionNamesBuffer = 16384;

// The index i of a key named "Folder%d" (any case), or -1. Only the spelling
// that "%d" produces counts: "Folder07" is not the key of index 7.
int64_t FolderIndex(const std::string& sKey) {
    static const char kPrefix[] = "folder";
    const size_t n = sizeof kPrefix - 1;
    if (sKey.size() <= n || sKey.size() > n + 10) return -1;
    for (size_t i = 0; i < n; ++i) {
        char c = sKey[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
        if (c != kPrefix[i]) return -1;
    }
    std::string sDigits = sKey.substr(n);
    if (sDigits.size() > 1 && sDigits[0] == '0') return -1;
    int64_t v = 0;
    for (char c : sDigits) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v <= INT32_MAX ? v : -1;
}

}  // namespace

void RCollection::Load(IniFile& ini, bool bLowerCase) {
    const int32_t iCount = static_cast<int32_t>(ini.GetInt(m_sName, "FolderCount", 0));
    if (iCount > 0) {
        // Reading "Folder0" ... "Folder<FolderCount-1>" one by one would take
        // forever for a damaged count such as 2000000000; reading only the
        // indexes the section actually holds gives the same folders in the
        // same order.
        std::set<int64_t> indexes;
        for (const std::string& sKey : ini.GetKeyNames(m_sName)) {
            int64_t i = FolderIndex(sKey);
            if (i >= 0 && i < iCount) indexes.insert(i);
        }
        for (int64_t i : indexes) {
            std::string sPath = ini.GetString(m_sName, "Folder" + std::to_string(i), "", kFolderBuffer);
            if (sPath.empty()) continue;
            if (bLowerCase)
                for (char& c : sPath)
                    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
            m_folders.push_back(sPath);
        }
    }
    m_bCycle = ini.GetInt(m_sName, "Cycle", 0) != 0;
    m_iNextToUse = static_cast<int32_t>(ini.GetInt(m_sName, "NextToUse", 0));
    m_iFractalProb = static_cast<int32_t>(ini.GetInt(m_sName, "FractalProb", 50));
}

void RCollection::Save(IniFile& ini, bool bUninstallRequested) const {
    if (bUninstallRequested) return;
    // One write of the whole section: with a thousand folders, a write per
    // key would rewrite the file a thousand times.
    IniFile::KeyValues keys;
    keys.reserve(m_folders.size() + 4);
    int i = 0;
    for (const std::string& sPath : m_folders) keys.emplace_back("Folder" + std::to_string(i++), sPath);
    keys.emplace_back("FolderCount", std::to_string(i));
    keys.emplace_back("Cycle", m_bCycle ? "1" : "0");
    keys.emplace_back("NextToUse", std::to_string(m_iNextToUse));
    keys.emplace_back("FractalProb", std::to_string(m_iFractalProb));
    ini.ReplaceSection(m_sName, keys);
}

void RCollection::DeleteSection(IniFile& ini) const { ini.DeleteSection(m_sName); }

void RCollection::RemoveFolder(const std::string& sPath) {
    m_folders.erase(std::remove(m_folders.begin(), m_folders.end(), sPath), m_folders.end());
}

std::vector<std::string> ListCollectionNames(IniFile& ini) {
    bool bFull = false;
    std::vector<std::string> names = ini.GetSectionNames(kSectionNamesBuffer, &bFull);
    if (bFull && !names.empty()) names.pop_back();
    return names;
}

namespace {
std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}
}  // namespace

std::vector<std::string> OfferedCollectionNames(const std::vector<std::string>& fileNames) {
    if (fileNames.empty()) return {kDefaultCollection};
    return fileNames;
}

int FindCollectionName(const std::vector<std::string>& names, const std::string& sName) {
    const std::string sWanted = Lower(sName);
    for (size_t i = 0; i < names.size(); ++i)
        if (Lower(names[i]) == sWanted) return static_cast<int>(i);
    return -1;
}

int SelectedCollectionIndex(const std::vector<std::string>& names, const std::string& sCurrent) {
    if (names.empty()) return -1;
    int i = FindCollectionName(names, sCurrent);
    return i < 0 ? 0 : i;
}

bool IsNewCollectionNameFree(const std::vector<std::string>& names, const std::string& sName) {
    return !sName.empty() && FindCollectionName(names, sName) < 0;
}

bool IsDeletableCollection(const std::string& sName) { return sName != kDefaultCollection; }

int SelectionAfterDelete(int iDeleted, int iCountAfter) {
    if (iCountAfter <= 0) return -1;
    return iDeleted < iCountAfter ? std::max(iDeleted, 0) : iCountAfter - 1;
}

std::string GetCurrentCollection(Profile& profile) {
    return profile.GetString("Config", "Current", kDefaultCollection);
}

void SetCurrentCollection(Profile& profile, const RCollection& collection) {
    profile.WriteString("Config", "Current", collection.name());
}

}  // namespace mv
