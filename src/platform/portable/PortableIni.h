#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/FileOps.h"
#include "platform/IniFile.h"

namespace mv {

// Our own reader-writer of ini files with the behaviour of the Windows
// private-profile functions (as Wine implements them), for systems without
// them. The parsed file is kept between calls and read again when the file
// on disk changes; every change is written out at once, the whole file
// rewritten as the private-profile functions do, but never in place: the
// new file replaces the old one whole (see FileOps), with the file's lock
// held from reading it afresh to replacing it, so a crash leaves the old
// file or the new one and two processes saving at once keep each other's
// changes. A save whose read of the file finds it but cannot read it
// changes nothing and returns false.
//
// How a file reads:
// - Lines end at any run of CR and LF characters. White space (tab, LF, VT,
//   FF, CR, space and ^Z) around a line is ignored, empty lines are dropped.
// - "[" starts a section header; the name runs to the last "]" of the line,
//   without the blanks inside the brackets. A line starting with "[" that has
//   no "]" is an ordinary key line.
// - Other lines are keys: the name up to the first "=" (trailing white space
//   removed), the value after it (leading white space removed). A line
//   without "=" is a key without a value, which reads as absent.
// - Keys before the first header belong to an unnamed section that is never
//   listed nor found. A NUL character ends a name or value.
// - Names compare with ASCII case folding, as under Wine.
// - A rewritten plain-text file never starts with the bytes of a byte-order
//   mark (Windows would then misread it): such a file gets an empty first line.
// - A UTF-8 or UTF-16 byte-order mark is honoured and kept when writing;
//   UTF-16 characters above U+00FF read as "?".
class PortableIni : public IniFile {
public:
    // sPath is a Windows path (mapped with NativePath) or a native one; ops
    // are the steps of a save (those of the C library and POSIX by default).
    explicit PortableIni(const std::string& sPath, FileOps* pOps = nullptr);

    std::string GetString(const std::string& sSection, const std::string& sKey, const std::string& sDefault,
                          size_t cchBuffer) override;
    uint32_t GetInt(const std::string& sSection, const std::string& sKey, int32_t iDefault) override;
    bool Write(const char* pszSection, const char* pszKey, const char* pszValue) override;
    bool ReplaceSection(const std::string& sSection, const KeyValues& keys) override;
    std::vector<std::string> GetSectionNames(size_t cchBuffer, bool* pbFull = nullptr) override;
    std::vector<std::string> GetKeyNames(const std::string& sSection) override;

    const std::string& NativeFile() const { return m_sPath; }

    // The parsing rules above, exposed for tests: the number the integer
    // read makes of a value ("0x", "0o" and "0b" prefixes, a sign, leading
    // white space, digits up to the first other character, wrapping at 2^32).
    static uint32_t ParseInt(const std::string& sText);

private:
    enum class Encoding { Ansi, Utf8, Utf16LE, Utf16BE };
    struct Key {
        std::string sName;
        std::string sValue;
        bool bHasValue = false;
    };
    struct Section {
        std::string sName;
        std::vector<Key> keys;
        // Folded key name -> index of its first key; built on demand.
        std::unordered_map<std::string, size_t> index;
        bool bIndexed = false;
    };
    struct Stamp {
        bool bExists = false;
        uint64_t dev = 0, ino = 0, size = 0;
        int64_t mtimeSec = 0, mtimeNsec = 0, ctimeSec = 0, ctimeNsec = 0;
        bool operator==(const Stamp& o) const;
    };

    void Refresh();
    Stamp ReadStamp() const;
    void Parse(const std::string& sBytes);
    bool Flush();
    // Runs a change under the file's lock, on the file as it is now.
    bool Change(const std::function<bool()>& change);
    bool WriteLoaded(const char* pszSection, const char* pszKey, const char* pszValue);
    bool ReplaceLoadedSection(const std::string& sSection, const KeyValues& keys);
    Section* FindSectionTrimmed(const std::string& sName);
    Key* FindKey(Section& section, const std::string& sTrimmedKey);
    static void AddToIndex(Section& section, size_t i);

    std::string m_sPath;
    FileOps& m_ops;
    std::vector<Section> m_sections;
    Encoding m_encoding = Encoding::Ansi;
    Stamp m_stamp;
    bool m_bLoaded = false;
    // The last read found the file but could not read it.
    bool m_bReadFailed = false;
};

}  // namespace mv
