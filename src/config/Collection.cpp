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

// A value as it goes back into the file: the reads drop surrounding quotes
// and the writes drop leading blanks, so a value that needs its quotes to
// read as it does gets them again.
std::string AsWritten(const std::string& sValue) {
    if (sValue.empty()) return sValue;
    const char a = sValue.front(), z = sValue.back();
    const bool bQuotes = sValue.size() >= 2 && (a == '"' || a == '\'') && z == a;
    return IsIniBlank(a) || IsIniBlank(z) || bQuotes ? "\"" + sValue + "\"" : sValue;
}

// Every key of the numbered list (and its count) taken out of the section,
// and the list's new keys put where the first of them stood (at the end when
// there was none). The count goes too when the list is empty unless bCountWhenEmpty.
void ReplaceList(IniFile::KeyValues& section, const char* sPrefix, int64_t (*index)(const std::string&),
                 const std::string& sCountKey, const std::vector<std::string>& values, bool bCountWhenEmpty) {
    const std::string sCountLower = Lower(sCountKey);
    IniFile::KeyValues kept;
    size_t pos = std::string::npos;
    for (auto& kv : section) {
        if (index(kv.first) >= 0 || Lower(kv.first) == sCountLower) {
            if (pos == std::string::npos) pos = kept.size();
        } else {
            kept.push_back(std::move(kv));
        }
    }
    if (pos == std::string::npos) pos = kept.size();
    IniFile::KeyValues block;
    for (size_t i = 0; i < values.size(); ++i) block.emplace_back(sPrefix + std::to_string(i), values[i]);
    if (!values.empty() || bCountWhenEmpty) block.emplace_back(sCountKey, std::to_string(values.size()));
    kept.insert(kept.begin() + static_cast<std::ptrdiff_t>(pos), block.begin(), block.end());
    section = std::move(kept);
}

void SetKey(IniFile::KeyValues& section, const std::string& sKey, const std::string& sValue) {
    const std::string sLower = Lower(sKey);
    for (auto& kv : section) {
        if (Lower(kv.first) == sLower) {
            kv.second = sValue;
            return;
        }
    }
    section.emplace_back(sKey, sValue);
}

// Up to this many changed keys are written one by one, each under the file's
// lock against the file as it is then; more go in one write of the section.
constexpr size_t kKeysWrittenAlone = 3;

}  // namespace

RCollection::Stored RCollection::Current() const {
    Stored s;
    s.bKnown = true;
    s.folders = m_folders;
    s.bCycle = m_bCycle;
    s.iNextToUse = m_iNextToUse;
    s.iFractalProb = m_iFractalProb;
    s.excludes = m_excludes;
    return s;
}

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
    m_stored = Current();
    m_stored.bKnown = !keys.empty();
    m_bExcludesCleared = false;
}

bool RCollection::Save(IniFile& ini, bool bUninstallRequested) {
    if (bUninstallRequested) return true;
    const bool bAll = !m_stored.bKnown;
    const bool bFolders = bAll || m_folders != m_stored.folders;
    const bool bCycle = bAll || m_bCycle != m_stored.bCycle;
    const bool bNext = bAll || m_iNextToUse != m_stored.iNextToUse;
    const bool bProb = bAll || m_iFractalProb != m_stored.iFractalProb;
    std::set<std::string> storedExcludes;
    for (const std::string& sPath : m_stored.excludes) storedExcludes.insert(Lower(sPath));
    std::vector<std::string> added;
    for (const std::string& sPath : m_excludes)
        if (!storedExcludes.count(Lower(sPath))) added.push_back(sPath);
    const bool bExcludes = m_bExcludesCleared || !added.empty();
    if (!bFolders && !bCycle && !bNext && !bProb && !bExcludes) return true;

    // The section as the file has it now, each key once (the first, as reads
    // find it).
    const std::vector<std::string> names = ini.GetKeyNames(m_sName);
    IniFile::KeyValues now;
    std::set<std::string> seen;
    for (const std::string& sKey : names)
        if (seen.insert(Lower(sKey)).second) now.emplace_back(sKey, ini.GetString(m_sName, sKey, "", kOtherValueBuffer));

    IniFile::KeyValues merged = now;
    if (bFolders) ReplaceList(merged, "Folder", FolderIndex, "FolderCount", m_folders, true);
    if (bCycle) SetKey(merged, "Cycle", m_bCycle ? "1" : "0");
    if (bNext) SetKey(merged, "NextToUse", std::to_string(m_iNextToUse));
    if (bProb) SetKey(merged, "FractalProb", std::to_string(m_iFractalProb));
    if (bExcludes) {
        // Emptied: the list as this copy has it. Otherwise the pictures the
        // file excludes now (another copy may have added some), then ours.
        std::vector<std::string> list;
        std::set<std::string> listed;
        if (!m_bExcludesCleared) {
            const int32_t iCount = static_cast<int32_t>(ini.GetInt(m_sName, "ExcludeCount", 0));
            for (std::string& sPath : ReadNumbered(ini, m_sName, names, "Exclude", ExcludeIndex, iCount))
                if (listed.insert(Lower(sPath)).second) list.push_back(std::move(sPath));
        }
        for (const std::string& sPath : m_bExcludesCleared ? m_excludes : added)
            if (listed.insert(Lower(sPath)).second) list.push_back(sPath);
        ReplaceList(merged, "Exclude", ExcludeIndex, "ExcludeCount", list, false);
    }

    // What differs from the file.
    std::set<std::string> changed, kept;
    IniFile::KeyValues sets;
    for (const auto& kv : merged) {
        const std::string sLower = Lower(kv.first);
        kept.insert(sLower);
        auto it = std::find_if(now.begin(), now.end(), [&](const auto& n) { return Lower(n.first) == sLower; });
        if (it == now.end() || it->second != kv.second) {
            sets.push_back(kv);
            changed.insert(sLower);
        }
    }
    std::vector<std::string> deletes;
    for (const auto& kv : now)
        if (!kept.count(Lower(kv.first))) deletes.push_back(kv.first);

    bool bOk = true;
    if (sets.size() + deletes.size() <= kKeysWrittenAlone) {
        for (const std::string& sKey : deletes) bOk = bOk && ini.DeleteKey(m_sName, sKey);
        for (const auto& kv : sets) bOk = bOk && ini.WriteString(m_sName, kv.first, kv.second);
    } else {
        // One write of the whole section: with a thousand folders, a write
        // per key would rewrite the file a thousand times.
        for (auto& kv : merged)
            if (!changed.count(Lower(kv.first))) kv.second = AsWritten(kv.second);
        bOk = ini.ReplaceSection(m_sName, merged);
    }
    if (bOk) {
        m_stored = Current();
        m_bExcludesCleared = false;
    }
    return bOk;
}

bool RCollection::SavePosition(IniFile& ini) {
    if (!ini.WriteString(m_sName, "NextToUse", std::to_string(m_iNextToUse))) return false;
    m_stored.iNextToUse = m_iNextToUse;
    return true;
}

bool RCollection::AddExclude(const std::string& sPath) {
    if (sPath.empty() || !m_excludedLower.insert(Lower(sPath)).second) return false;
    m_excludes.push_back(sPath);
    return true;
}

void RCollection::ClearExcludes() {
    m_bExcludesCleared = true;
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
