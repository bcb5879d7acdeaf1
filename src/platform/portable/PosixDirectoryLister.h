#pragma once
#include <string>

#include "platform/DirectoryLister.h"

namespace mv {

// The directory seam over readdir. Windows paths are mapped with NativePath.
// As on Windows, a pattern matches a name without regard to (ASCII) case or
// the name's 8.3 short form ("*.jpe" finds "photo.jpeg", whose short name is
// PHOTO~1.JPE); "*.*" matches every name. Names starting with "." (other than
// "." and "..") count as hidden, and nothing is a system entry. A symbolic
// link is never a directory entry, whatever it points to: the searches do not
// descend through links, as they do not through a Windows reparse point.
// Entries come in byte-wise order of their names.
class PosixDirectoryLister : public DirectoryLister {
public:
    bool Enumerate(const std::string& sSearchPath,
                   const std::function<bool(const DirEntry&)>& onEntry) override;

    // The pattern test on one name.
    static bool Matches(const std::string& sPattern, const std::string& sName);
    // The test on a directory entry: its name or its short name.
    static bool MatchesEntry(const std::string& sPattern, const std::string& sName);
    // The short name Windows would give (empty for names already in 8.3 form);
    // its first part is approximate, its extension is the one Windows uses.
    static std::string ShortName(const std::string& sName);
};

}  // namespace mv
