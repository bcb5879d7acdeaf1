#pragma once
#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

#include "platform/DirectoryLister.h"

namespace mv {

// Splits s at each delimiter. A piece between two neighbouring delimiters is
// taken even when empty; the piece after the last delimiter only when it is
// not empty.
std::vector<std::string> SplitString(const std::string& s, char cDelimiter);

// s with the letters A to Z lower-cased.
std::string LowerCase(const std::string& s);

// A wildcard pattern against one name, as FindFirstFile matches it: "*" any
// run of characters, "?" one character, without regard to ASCII case; "*.*"
// matches every name.
bool MatchesWildcard(const std::string& sPattern, const std::string& sName);
// The same against an entry: its name or its short name.
bool MatchesWildcard(const std::string& sPattern, const DirEntry& entry);

// The files of one folder that match space-separated wildcard patterns
// ("*.jpg *.jpeg *.bmp *.png"), and its subfolders. A keep-going pointer is
// the address of a flag owned by a caller on another thread: while it is not
// null and the flag reads false, the listing stops early.
class qvFolder {
public:
    explicit qvFolder(DirectoryLister& lister, const std::string& sPath = std::string());
    virtual ~qvFolder() = default;

    // Stores the path; one trailing backslash is removed.
    void SetPath(const std::string& sPath);
    const std::string& path() const { return m_sPath; }

    // Appends the names of the matching entries to the file list (lower-cased
    // if asked) and returns how many this call found.
    int FindFiles(const std::string& sPatterns, const std::atomic<bool>* pbKeepGoing = nullptr,
                  bool bLowerCase = false);
    // True as soon as any pattern matches any entry.
    bool ContainsFiles(const std::string& sPatterns, const std::atomic<bool>* pbKeepGoing = nullptr);
    // Appends the names of the subfolders (never "." names; system and hidden
    // ones only when asked for) and returns how many this call found.
    int FindSubfolders(bool bIncludeSystem, bool bIncludeHidden,
                       const std::atomic<bool>* pbKeepGoing = nullptr);
    // ContainsFiles and FindSubfolders from one listing of the folder, the
    // patterns matched in memory: true when an entry matches a pattern. A
    // listing the flag cuts short matches nothing, and sets *pbCut.
    bool ScanOnce(const std::string& sPatterns, bool bIncludeSystem, bool bIncludeHidden,
                  const std::atomic<bool>* pbKeepGoing = nullptr, bool* pbCut = nullptr);

    // Sorts both lists ascending, byte by byte (upper case before lower case).
    void SortLists();
    // Appends path + "\" + name for every file name, in list order.
    void AppendFullPaths(std::vector<std::string>& list) const;
    // The full path of the subfolder at the cursor, advancing the cursor; empty
    // at the end.
    std::string NextSubfolder();

    // Adds the file names to a list box's entries: without their last four
    // characters unless extensions are kept or the name is shorter than four;
    // a text equal (ignoring case) to an entry already there is added only when
    // duplicates are allowed. Returns the number of file names.
    int FillListBox(std::vector<std::string>& listBox, bool bKeepExtension, bool bAllowDuplicates) const;
    // The text a file name shows as in a list box.
    static std::string ListBoxText(const std::string& sName, bool bKeepExtension);

    const std::vector<std::string>& files() const { return m_files; }
    const std::vector<std::string>& subfolders() const { return m_subfolders; }

private:
    std::string Join(const std::string& sName) const;

    DirectoryLister& m_lister;
    std::string m_sPath;
    std::vector<std::string> m_files;
    std::vector<std::string> m_subfolders;
    size_t m_itFile = 0;
    size_t m_itSubfolder = 0;
};

}  // namespace mv
