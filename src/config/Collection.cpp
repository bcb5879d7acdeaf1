#include "config/Collection.h"

#include <algorithm>
#include <climits>
#include <set>
#include <string>

namespace mv {

namespace {

constexpr size_t kFolderBuffer = 1024;
constexpr size_t kSectionNamesBuffer = 16384;
constexpr size_t kOtherValueBuffer = 32768;

std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

// The index i of a key named "<prefix>%d" (any case), or -1. Only the
// spelling that "%d" produces counts: "Folder07" is not the key of index 7.
int64_t KeyIndex(const std::string& sKey, const char* kPrefix) {
    const size_t n = std::char_traits<char>::length(kPrefix);
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

int64_t FolderIndex(const std::string& sKey) { return KeyIndex(sKey, "folder"); }
int64_t ExcludeIndex(const std::string& sKey) { return KeyIndex(sKey, "exclude"); }

// The values of "<prefix>0" .. "<prefix><count-1>" the section holds, in
// index order, empty ones left out. Only the indexes present are read, so a
// damaged count such as 2000000000 costs nothing.
std::vector<std::string> ReadNumbered(IniFile& ini, const std::string& sSection, const std::vector<std::string>& keys,
                                      const char* sPrefix, int64_t (*index)(const std::string&), int32_t iCount) {
    std::vector<std::string> values;
    if (iCount <= 0) return values;
    std::set<int64_t> indexes;
    for (const std::string& sKey : keys) {
        const int64_t i = index(sKey);
        if (i >= 0 && i < iCount) indexes.insert(i);
    }
    for (int64_t i : indexes) {
        std::string sValue = ini.GetString(sSection, sPrefix + std::to_string(i), "", kFolderBuffer);
        if (!sValue.empty()) values.push_back(sValue);
    }
    return values;
}

// The keys Save writes itself.
bool IsOwnKey(const std::string& sKey) {
    const std::string k = Lower(sKey);
    return k == "foldercount" || k == "cycle" || k == "nexttouse" || k == "fractalprob" || k == "excludecount" ||
           FolderIndex(sKey) >= 0 || ExcludeIndex(sKey) >= 0;
}

}  // namespace

void RCollection::Load(IniFile& ini, bool bLowerCase) {
    const std::vector<std::string> keys = ini.GetKeyNames(m_sName);
    const int32_t iCount = static_cast<int32_t>(ini.GetInt(m_sName, "FolderCount", 0));
    for (std::string& sPath : ReadNumbered(ini, m_sName, keys, "Folder", FolderIndex, iCount)) {
        if (bLowerCase) sPath = Lower(sPath);
        m_folders.push_back(std::move(sPath));
    }
    m_bCycle = ini.GetInt(m_sName, "Cycle", 0) != 0;
    m_iNextToUse = static_cast<int32_t>(ini.GetInt(m_sName, "NextToUse", 0));
    m_iFractalProb = static_cast<int32_t>(ini.GetInt(m_sName, "FractalProb", 50));
    ClearExcludes();
    const int32_t iExcluded = static_cast<int32_t>(ini.GetInt(m_sName, "ExcludeCount", 0));
    for (const std::string& sPath : ReadNumbered(ini, m_sName, keys, "Exclude", ExcludeIndex, iExcluded))
        AddExclude(sPath);
    m_otherKeys.clear();
    for (const std::string& sKey : keys)
        if (!IsOwnKey(sKey)) m_otherKeys.emplace_back(sKey, ini.GetString(m_sName, sKey, "", kOtherValueBuffer));
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
    if (!m_excludes.empty()) {
        int k = 0;
        for (const std::string& sPath : m_excludes) keys.emplace_back("Exclude" + std::to_string(k++), sPath);
        keys.emplace_back("ExcludeCount", std::to_string(k));
    }
    keys.insert(keys.end(), m_otherKeys.begin(), m_otherKeys.end());
    ini.ReplaceSection(m_sName, keys);
}

bool RCollection::AddExclude(const std::string& sPath) {
    if (sPath.empty() || !m_excludedLower.insert(Lower(sPath)).second) return false;
    m_excludes.push_back(sPath);
    return true;
}

void RCollection::ClearExcludes() {
    m_excludes.clear();
    m_excludedLower.clear();
}

bool RCollection::IsExcluded(const std::string& sPath) const {
    return !m_excludedLower.empty() && m_excludedLower.count(Lower(sPath)) != 0;
}

bool RCollection::AllExcluded() const {
    if (m_images.empty() || m_excludedLower.empty()) return false;
    return std::all_of(m_images.begin(), m_images.end(), [this](const std::string& s) { return IsExcluded(s); });
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

std::string CollectionNameAsStored(const std::string& sTyped) { return TrimIniBlanks(sTyped); }

bool IsNewCollectionNameFree(const std::vector<std::string>& names, const std::string& sName) {
    return !sName.empty() && FindCollectionName(names, sName) < 0;
}

bool IsDeletableCollection(const std::string& sName) { return sName != kDefaultCollection; }

int SelectionAfterDelete(int iDeleted, int iCountAfter) {
    if (iCountAfter <= 0) return -1;
    return iDeleted < iCountAfter ? std::max(iDeleted, 0) : iCountAfter - 1;
}

std::string GetCurrentCollection(Profile& profile) {
    return CollectionNameAsStored(profile.GetString("Config", "Current", kDefaultCollection));
}

void SetCurrentCollection(Profile& profile, const RCollection& collection) {
    profile.WriteString("Config", "Current", collection.name());
}

}  // namespace mv
