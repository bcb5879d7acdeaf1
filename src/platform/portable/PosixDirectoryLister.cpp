#include "platform/portable/PosixDirectoryLister.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include <dirent.h>
#include <sys/stat.h>

#include "image/Folder.h"
#include "image/Image.h"

namespace mv {

namespace {

// An entry's own kind: a link is not followed. (MinGW's runtime has no links
// and no lstat.)
int StatNoFollow(const std::string& sPath, struct stat* st) {
#ifdef _WIN32
    return ::stat(sPath.c_str(), st);
#else
    return ::lstat(sPath.c_str(), st);
#endif
}

// What readdir tells of an entry's kind, where it tells.
#ifdef _DIRENT_HAVE_D_TYPE
constexpr unsigned char kUnknownType = DT_UNKNOWN, kDirectoryType = DT_DIR;
#else
constexpr unsigned char kUnknownType = 0, kDirectoryType = 255;
#endif

bool IsDosChar(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= ' ' || u >= 0x7F) return false;
    return std::string("*?<>|\"+=,;[]~:\\/.").find(c) == std::string::npos;
}

// A name that fits the 8.3 form (one to eight characters, an optional dot and
// up to three more, no characters the short form forbids) has no short name.
bool IsDosName(const std::string& sName) {
    size_t dot = sName.find('.');
    std::string sBase = sName.substr(0, dot);
    std::string sExt = dot == std::string::npos ? std::string() : sName.substr(dot + 1);
    if (sBase.empty() || sBase.size() > 8 || sExt.size() > 3) return false;
    if (dot != std::string::npos && sExt.empty()) return false;
    for (char c : sBase + sExt)
        if (!IsDosChar(c)) return false;
    return true;
}

}  // namespace

std::string PosixDirectoryLister::ShortName(const std::string& sName) {
    if (sName.empty() || sName == "." || sName == ".." || IsDosName(sName)) return std::string();
    size_t dot = sName.rfind('.');
    if (dot == 0) dot = std::string::npos;  // a leading dot starts no extension
    std::string sBase, sExt;
    for (size_t i = 0; i < std::min(dot, sName.size()) && sBase.size() < 6; ++i)
        if (IsDosChar(sName[i])) sBase += static_cast<char>(std::toupper(static_cast<unsigned char>(sName[i])));
    if (dot != std::string::npos)
        for (size_t i = dot + 1; i < sName.size() && sExt.size() < 3; ++i)
            if (IsDosChar(sName[i])) sExt += static_cast<char>(std::toupper(static_cast<unsigned char>(sName[i])));
    if (sBase.empty()) sBase = "_";
    return sBase + "~1" + (sExt.empty() ? std::string() : "." + sExt);
}

bool PosixDirectoryLister::MatchesEntry(const std::string& sPattern, const std::string& sName) {
    if (Matches(sPattern, sName)) return true;
    std::string sShort = ShortName(sName);
    return !sShort.empty() && Matches(sPattern, sShort);
}

bool PosixDirectoryLister::Matches(const std::string& sPattern, const std::string& sName) {
    return MatchesWildcard(sPattern, sName);
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
    // Names with what readdir knows of their kind (lstat only when it does not tell).
    std::vector<std::pair<std::string, unsigned char>> names;
    while (dirent* e = ::readdir(dir)) {
        std::string sName = e->d_name;
#ifdef _DIRENT_HAVE_D_TYPE
        const unsigned char type = e->d_type;
#else
        const unsigned char type = kUnknownType;
#endif
        if (MatchesEntry(sPattern, sName)) names.emplace_back(std::move(sName), type);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    bool bAny = false;
    for (const auto& [sName, type] : names) {
        DirEntry entry;
        entry.sName = sName;
        entry.sShortName = ShortName(sName);
        if (type == kDirectoryType) {
            entry.bDirectory = true;
        } else if (type == kUnknownType) {
            // lstat, not stat: a symbolic link to a folder is no folder here,
            // so no search descends through it (a link to an ancestor would
            // otherwise make the search endless).
            struct stat st;
            std::string sFull = sFolder == "/" ? "/" + sName : sFolder + "/" + sName;
            entry.bDirectory = StatNoFollow(sFull, &st) == 0 && S_ISDIR(st.st_mode);
        }
        entry.bHidden = sName[0] == '.' && sName != "." && sName != "..";
        bAny = true;
        if (!onEntry(entry)) break;
    }
    return bAny;
}

}  // namespace mv
