#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace mv {

// The blanks the profile functions strip around names and values: tab to
// carriage return, the DOS end-of-file mark and the space.
inline bool IsIniBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return (u >= 0x09 && u <= 0x0d) || u == 0x1a || u == 0x20;
}

// A name as the profile functions take it: without blanks at either end.
inline std::string TrimIniBlanks(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsIniBlank(s[b])) ++b;
    while (e > b && IsIniBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

// The ini-file seam: one file, read and written with the semantics of the
// Windows private-profile functions.
//
// - Section and key names compare without regard to case; the names given
//   by the caller have their surrounding white space ignored.
// - Only the first section of a name counts for reading keys; a file may
//   hold the same section twice.
// - Absent keys (and keys without "=") read as the default.
// - A value wrapped in matching single or double quotes reads without them.
// - Writing a key appends it at the end of its section, a new section at
//   the end of the file; the key order of a section is kept.
class IniFile {
public:
    virtual ~IniFile() = default;

    // GetPrivateProfileStringA for one key: the value (or the default, with
    // trailing spaces removed), cut to cchBuffer - 1 characters.
    virtual std::string GetString(const std::string& sSection, const std::string& sKey,
                                  const std::string& sDefault, size_t cchBuffer) = 0;

    // GetPrivateProfileIntA: the default when the key is absent or empty,
    // otherwise the leading number of the value (0 when there is none).
    virtual uint32_t GetInt(const std::string& sSection, const std::string& sKey, int32_t iDefault) = 0;

    // WritePrivateProfileStringA: a null key deletes the whole section, a null
    // value deletes the key. Returns false when the file cannot be written.
    virtual bool Write(const char* pszSection, const char* pszKey, const char* pszValue) = 0;

    // A whole section rewritten at once, as deleting it and writing its keys
    // one by one would leave it, but with one write of the file instead of
    // one per key: the first section of that name is removed, any further
    // section of that name is emptied, and the keys go, in order, into the
    // first of those left or into a new section at the end of the file (none
    // is made when there are no keys). Values lose their leading blanks, as
    // with Write. Returns false when the file cannot be written.
    using KeyValues = std::vector<std::pair<std::string, std::string>>;
    virtual bool ReplaceSection(const std::string& sSection, const KeyValues& keys) = 0;

    // GetPrivateProfileSectionNamesA into a buffer of cchBuffer characters:
    // the section names in file order. When the names fill the buffer the last
    // one may be cut short; *pbFull is then set.
    virtual std::vector<std::string> GetSectionNames(size_t cchBuffer, bool* pbFull = nullptr) = 0;

    // GetPrivateProfileStringA with a null key, with a buffer large enough
    // for all: the names of the keys of the section that have a value, in file
    // order (comment lines, starting with ';', are left out).
    virtual std::vector<std::string> GetKeyNames(const std::string& sSection) = 0;

    // Convenience forms of Write.
    bool WriteString(const std::string& sSection, const std::string& sKey, const std::string& sValue) {
        return Write(sSection.c_str(), sKey.c_str(), sValue.c_str());
    }
    bool DeleteKey(const std::string& sSection, const std::string& sKey) {
        return Write(sSection.c_str(), sKey.c_str(), nullptr);
    }
    bool DeleteSection(const std::string& sSection) { return Write(sSection.c_str(), nullptr, nullptr); }
};

}  // namespace mv
