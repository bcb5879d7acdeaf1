#include "platform/portable/PosixDirectoryLister.h"

#include <algorithm>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "image/Image.h"

namespace mv {

namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; }

}  // namespace

bool PosixDirectoryLister::Matches(const std::string& sPattern, const std::string& sName) {
    const std::string& pat = sPattern == "*.*" ? std::string("*") : sPattern;
    // Iterative wildcard match with back-tracking to the last "*": linear in
    // practice, never exponential.
    size_t p = 0, n = 0, starP = std::string::npos, starN = 0;
    while (n < sName.size()) {
        if (p < pat.size() && pat[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pat.size() && (pat[p] == '?' || Lower(pat[p]) == Lower(sName[n]))) {
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

bool PosixDirectoryLister::Enumerate(const std::string& sSearchPath,
                                     const std::function<bool(const DirEntry&)>& onEntry) {
    std::string sNative = NativePath(sSearchPath);
    size_t slash = sNative.rfind('/');
    std::string sFolder = slash == std::string::npos ? std::string(".") : sNative.substr(0, slash);
    std::string sPattern = slash == std::string::npos ? sNative : sNative.substr(slash + 1);
    if (sFolder.empty()) sFolder = "/";
    if (sPattern.empty()) return false;

    DIR* dir = ::opendir(sFolder.c_str());
    if (!dir) return false;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string sName = e->d_name;
        if (Matches(sPattern, sName)) names.push_back(sName);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    bool bAny = false;
    for (const std::string& sName : names) {
        DirEntry entry;
        entry.sName = sName;
        struct stat st;
        std::string sFull = sFolder == "/" ? "/" + sName : sFolder + "/" + sName;
        entry.bDirectory = ::stat(sFull.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        entry.bHidden = sName[0] == '.' && sName != "." && sName != "..";
        bAny = true;
        if (!onEntry(entry)) break;
    }
    return bAny;
}

}  // namespace mv
