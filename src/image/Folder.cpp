#include "image/Folder.h"

#include <algorithm>

namespace mv {

namespace {

bool KeepGoing(const std::atomic<bool>* pbKeepGoing) { return !pbKeepGoing || pbKeepGoing->load(); }

bool EqualNoCase(const std::string& a, const std::string& b) { return LowerCase(a) == LowerCase(b); }

}  // namespace

std::vector<std::string> SplitString(const std::string& s, char cDelimiter) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (size_t pos = s.find(cDelimiter); pos != std::string::npos; pos = s.find(cDelimiter, start)) {
        pieces.push_back(s.substr(start, pos - start));
        start = pos + 1;
    }
    if (start < s.size()) pieces.push_back(s.substr(start));
    return pieces;
}

std::string LowerCase(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    return r;
}

bool MatchesWildcard(const std::string& sPattern, const std::string& sName) {
    const std::string& pat = sPattern == "*.*" ? std::string("*") : sPattern;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
    // Iterative wildcard match with back-tracking to the last "*": linear in
    // practice, never exponential.
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < sName.size()) {
        if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pat.size() && (pat[p] == '?' || lower(pat[p]) == lower(sName[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pat.size() && pat[p] == '*') ++p;
    return p == pat.size();
}

bool MatchesWildcard(const std::string& sPattern, const DirEntry& entry) {
    return MatchesWildcard(sPattern, entry.sName) ||
           (!entry.sShortName.empty() && MatchesWildcard(sPattern, entry.sShortName));
}

qvFolder::qvFolder(DirectoryLister& lister, const std::string& sPath) : m_lister(lister) { SetPath(sPath); }

void qvFolder::SetPath(const std::string& sPath) {
    m_sPath = sPath;
    if (!m_sPath.empty() && m_sPath.back() == '\\') m_sPath.pop_back();
}

std::string qvFolder::Join(const std::string& sName) const {
    if (!m_sPath.empty() && m_sPath.back() == '\\') return m_sPath + sName;
    return m_sPath + "\\" + sName;
}

int qvFolder::FindFiles(const std::string& sPatterns, const std::atomic<bool>* pbKeepGoing, bool bLowerCase) {
    int count = 0;
    for (const std::string& sPattern : SplitString(sPatterns, ' ')) {
        if (!KeepGoing(pbKeepGoing)) break;
        m_lister.Enumerate(Join(sPattern), [&](const DirEntry& e) {
            m_files.push_back(bLowerCase ? LowerCase(e.sName) : e.sName);
            ++count;
            return true;
        });
    }
    if (!m_files.empty()) m_itFile = 0;
    return count;
}

bool qvFolder::ContainsFiles(const std::string& sPatterns, const std::atomic<bool>* pbKeepGoing) {
    for (const std::string& sPattern : SplitString(sPatterns, ' ')) {
        if (!KeepGoing(pbKeepGoing)) return false;
        if (m_lister.Enumerate(Join(sPattern), [](const DirEntry&) { return false; })) return true;
    }
    return false;
}

int qvFolder::FindSubfolders(bool bIncludeSystem, bool bIncludeHidden, const std::atomic<bool>* pbKeepGoing) {
    int count = 0;
    m_lister.Enumerate(Join("*.*"), [&](const DirEntry& e) {
        if (!KeepGoing(pbKeepGoing)) return false;
        if (e.sName.empty() || e.sName[0] == '.') return true;
        if (e.bDirectory && (!e.bSystem || bIncludeSystem) && (!e.bHidden || bIncludeHidden)) {
            m_subfolders.push_back(e.sName);
            ++count;
        }
        return true;
    });
    if (!m_subfolders.empty()) m_itSubfolder = 0;
    return count;
}

bool qvFolder::ScanOnce(const std::string& sPatterns, bool bIncludeSystem, bool bIncludeHidden,
                        const std::atomic<bool>* pbKeepGoing, bool* pbCut) {
    const std::vector<std::string> patterns = SplitString(sPatterns, ' ');
    bool bMatch = false;
    bool bCut = !KeepGoing(pbKeepGoing);
    if (pbCut) *pbCut = bCut;
    if (bCut) return false;
    m_lister.Enumerate(Join("*.*"), [&](const DirEntry& e) {
        if (!KeepGoing(pbKeepGoing)) {
            bCut = true;
            return false;
        }
        // Folders count too, as a wildcard listing finds them ("x.jpg\").
        if (!bMatch)
            for (const std::string& sPattern : patterns)
                if (!sPattern.empty() && MatchesWildcard(sPattern, e)) {
                    bMatch = true;
                    break;
                }
        if (e.sName.empty() || e.sName[0] == '.') return true;
        if (e.bDirectory && (!e.bSystem || bIncludeSystem) && (!e.bHidden || bIncludeHidden))
            m_subfolders.push_back(e.sName);
        return true;
    });
    if (!m_subfolders.empty()) m_itSubfolder = 0;
    if (pbCut) *pbCut = bCut;
    // A listing that ran to its end holds, whenever the flag goes down after it.
    return bMatch && !bCut;
}

void qvFolder::SortLists() {
    std::sort(m_files.begin(), m_files.end());
    std::sort(m_subfolders.begin(), m_subfolders.end());
}

void qvFolder::AppendFullPaths(std::vector<std::string>& list) const {
    for (const std::string& sName : m_files) list.push_back(Join(sName));
}

std::string qvFolder::NextSubfolder() {
    if (m_itSubfolder >= m_subfolders.size()) return std::string();
    return Join(m_subfolders[m_itSubfolder++]);
}

std::string qvFolder::ListBoxText(const std::string& sName, bool bKeepExtension) {
    if (bKeepExtension || sName.size() < 4) return sName;
    return sName.substr(0, sName.size() - 4);
}

int qvFolder::FillListBox(std::vector<std::string>& listBox, bool bKeepExtension, bool bAllowDuplicates) const {
    for (const std::string& sName : m_files) {
        std::string sText = ListBoxText(sName, bKeepExtension);
        bool bAdd = bAllowDuplicates ||
                    std::none_of(listBox.begin(), listBox.end(),
                                 [&](const std::string& s) { return EqualNoCase(s, sText); });
        if (bAdd) listBox.push_back(sText);
    }
    return static_cast<int>(m_files.size());
}

}  // namespace mv
