#include "platform/portable/PortableIni.h"

#include <sys/stat.h>

#include "image/Image.h"
#include "platform/portable/PosixFileOps.h"

namespace mv {

namespace {

// Names compare with ASCII case folding only, as Wine's profile functions do
// (accented letters of the code page are not folded).
unsigned char Fold(unsigned char c) { return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 32) : c; }

std::string Folded(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(Fold(static_cast<unsigned char>(c)));
    return r;
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(static_cast<unsigned char>(a[i])) != Fold(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

std::string TrimLeft(const std::string& s) {
    size_t b = 0;
    while (b < s.size() && IsIniBlank(s[b])) ++b;
    return s.substr(b);
}

// A UTF-16 file's text as the program's code page (UTF-8) holds it, and back:
// every character survives a save, not only the first 256. A unit that
// pairs with nothing reads as U+FFFD; a byte that starts no UTF-8 character
// is written as the character of that number, as a narrowed file was.
std::string Utf16ToUtf8(const unsigned char* p, size_t units, bool bLittle) {
    auto unitAt = [&](size_t i) -> unsigned {
        return bLittle ? (p[2 * i] | (p[2 * i + 1] << 8)) : ((p[2 * i] << 8) | p[2 * i + 1]);
    };
    std::string out;
    out.reserve(units);
    for (size_t i = 0; i < units; ++i) {
        unsigned c = unitAt(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units && unitAt(i + 1) >= 0xDC00 && unitAt(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unitAt(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

std::string Utf8ToUtf16(const std::string& s, bool bLittle) {
    std::string out;
    out.reserve(s.size() * 2);
    auto put = [&](unsigned unit) {
        const char lo = static_cast<char>(unit & 0xFF), hi = static_cast<char>(unit >> 8);
        if (bLittle) { out += lo; out += hi; } else { out += hi; out += lo; }
    };
    const unsigned char* u = reinterpret_cast<const unsigned char*>(s.data());
    for (size_t i = 0; i < s.size();) {
        unsigned c = u[i];
        size_t n = c < 0x80 ? 1 : (c & 0xE0) == 0xC0 ? 2 : (c & 0xF0) == 0xE0 ? 3 : (c & 0xF8) == 0xF0 ? 4 : 0;
        bool bOk = n > 0 && i + n <= s.size();
        unsigned cp = n == 1 ? c : n == 2 ? (c & 0x1F) : n == 3 ? (c & 0x0F) : (c & 0x07);
        for (size_t k = 1; bOk && k < n; ++k) {
            bOk = (u[i + k] & 0xC0) == 0x80;
            cp = (cp << 6) | (u[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are no characters.
        if (bOk && ((n == 2 && cp < 0x80) || (n == 3 && cp < 0x800) || (n == 4 && (cp < 0x10000 || cp > 0x10FFFF)) ||
                    (cp >= 0xD800 && cp <= 0xDFFF)))
            bOk = false;
        if (!bOk) {
            put(c);
            ++i;
            continue;
        }
        if (cp >= 0x10000) {
            put(0xD800 + ((cp - 0x10000) >> 10));
            put(0xDC00 + ((cp - 0x10000) & 0x3FF));
        } else {
            put(cp);
        }
        i += n;
    }
    return out;
}

// A name or value ends at its first NUL, as a C string does.
std::string UpToNul(const char* p, size_t n) {
    size_t len = 0;
    while (len < n && p[len] != '\0') ++len;
    return std::string(p, len);
}

// A value as the profile functions hand it out: surrounding quotes of the same
// kind removed, cut to the buffer. When the buffer is exactly one character
// too short for the unquoted text, the closing quote is left out by the copy
// and one more character is dropped in its place, as Windows does.
std::string CopyEntry(const std::string& sValue, size_t cchBuffer) {
    if (cchBuffer == 0) return std::string();
    std::string s = sValue;
    bool bQuoted = false;
    if (s.size() >= 2 && (s[0] == '\'' || s[0] == '"') && s.back() == s[0]) {
        bQuoted = true;
        s.erase(0, 1);
    }
    std::string out = s.substr(0, cchBuffer - 1);
    if (bQuoted && cchBuffer >= s.size() && !out.empty()) out.pop_back();
    return out;
}

}  // namespace

bool PortableIni::Stamp::operator==(const Stamp& o) const {
    return bExists == o.bExists && dev == o.dev && ino == o.ino && size == o.size && mtimeSec == o.mtimeSec &&
           mtimeNsec == o.mtimeNsec && ctimeSec == o.ctimeSec && ctimeNsec == o.ctimeNsec;
}

PortableIni::PortableIni(const std::string& sPath, FileOps* pOps)
    : m_sPath(NativePath(sPath)), m_ops(pOps ? *pOps : PosixFileOps::Instance()) {}

bool PortableIni::Change(const std::function<bool()>& change) {
    return m_ops.Locked(m_sPath, [&] {
        // Read afresh: another process may have replaced the file since, in
        // the same instant the stamp can tell.
        m_bLoaded = false;
        Refresh();
        // A file that is there but cannot be read is not saved over as if
        // it were empty: every other section would be lost.
        if (m_bReadFailed) return false;
        return change();
    });
}

PortableIni::Stamp PortableIni::ReadStamp() const {
    Stamp st;
    struct stat s;
    if (::stat(m_sPath.c_str(), &s) != 0) return st;
    st.bExists = true;
    st.dev = static_cast<uint64_t>(s.st_dev);
    st.ino = static_cast<uint64_t>(s.st_ino);
    st.size = static_cast<uint64_t>(s.st_size);
    st.mtimeSec = static_cast<int64_t>(s.st_mtime);
    st.ctimeSec = static_cast<int64_t>(s.st_ctime);
#if defined(__linux__)
    st.mtimeNsec = s.st_mtim.tv_nsec;
    st.ctimeNsec = s.st_ctim.tv_nsec;
#endif
    return st;
}

void PortableIni::Refresh() {
    Stamp st = ReadStamp();
    if (m_bLoaded && st == m_stamp) return;
    m_sections.clear();
    m_encoding = Encoding::Ansi;
    std::string sBytes;
    const FileOps::ReadResult read = m_ops.ReadWhole(m_sPath, sBytes);
    m_bReadFailed = read == FileOps::ReadResult::Failed;
    if (read == FileOps::ReadResult::Read) Parse(sBytes);
    m_stamp = st;
    m_bLoaded = true;
}

void PortableIni::Parse(const std::string& sRaw) {
    if (sRaw.empty()) return;

    // Byte-order marks: UTF-8 is read as it is, UTF-16 narrowed.
    std::string sText;
    const unsigned char* u = reinterpret_cast<const unsigned char*>(sRaw.data());
    if (sRaw.size() >= 3 && u[0] == 0xEF && u[1] == 0xBB && u[2] == 0xBF) {
        m_encoding = Encoding::Utf8;
        sText = sRaw.substr(3);
    } else if (sRaw.size() >= 2 && ((u[0] == 0xFF && u[1] == 0xFE) || (u[0] == 0xFE && u[1] == 0xFF))) {
        bool bLittle = u[0] == 0xFF;
        m_encoding = bLittle ? Encoding::Utf16LE : Encoding::Utf16BE;
        sText = Utf16ToUtf8(u + 2, (sRaw.size() - 2) / 2, bLittle);
    } else {
        sText = sRaw;
    }

    m_sections.push_back(Section{});  // keys before the first header
    Section* pCur = &m_sections.back();
    const Key* pPrev = nullptr;
    const char* p = sText.data();
    const char* const pEnd = p + sText.size();
    while (p < pEnd) {
        const char* pLine = p;
        while (p < pEnd && *p != '\n' && *p != '\r') ++p;
        const char* pLineEnd = p;
        while (p < pEnd && (*p == '\n' || *p == '\r')) ++p;

        while (pLine < pLineEnd && IsIniBlank(*pLine)) ++pLine;
        while (pLineEnd > pLine && IsIniBlank(pLineEnd[-1])) --pLineEnd;
        if (pLine >= pLineEnd) continue;

        if (*pLine == '[') {
            const char* pClose = pLineEnd;
            while (pClose > pLine && pClose[-1] != ']') --pClose;
            if (pClose > pLine) {  // pClose is just past the last ']'
                const char* pName = pLine + 1;
                const char* pNameEnd = pClose - 1;
                while (pName < pNameEnd && IsIniBlank(*pName)) ++pName;
                while (pNameEnd > pName && IsIniBlank(pNameEnd[-1])) --pNameEnd;
                Section s;
                s.sName = UpToNul(pName, static_cast<size_t>(pNameEnd - pName));
                m_sections.push_back(std::move(s));
                pCur = &m_sections.back();
                pPrev = nullptr;
                continue;
            }
        }

        const char* pEq = pLine;
        while (pEq < pLineEnd && *pEq != '=') ++pEq;
        Key key;
        size_t nameLen;
        if (pEq < pLineEnd) {
            const char* pNameEnd = pEq;
            while (pNameEnd > pLine && IsIniBlank(pNameEnd[-1])) --pNameEnd;
            nameLen = static_cast<size_t>(pNameEnd - pLine);
            const char* pValue = pEq + 1;
            while (pValue < pLineEnd && IsIniBlank(*pValue)) ++pValue;
            key.sValue = UpToNul(pValue, static_cast<size_t>(pLineEnd - pValue));
            key.bHasValue = true;
        } else {
            nameLen = static_cast<size_t>(pLineEnd - pLine);
        }
        key.sName = UpToNul(pLine, nameLen);
        // Runs of lines with an empty name keep only their first line.
        if (nameLen == 0 && pPrev && pPrev->sName.empty()) continue;
        pCur->keys.push_back(std::move(key));
        pPrev = &pCur->keys.back();
    }
}

bool PortableIni::Flush() {
    std::string sOut;
    for (const Section& s : m_sections) {
        if (!s.sName.empty()) sOut += "[" + s.sName + "]\r\n";
        for (const Key& k : s.keys) {
            sOut += k.sName;
            if (k.bHasValue) sOut += "=" + k.sValue;
            sOut += "\r\n";
        }
    }
    std::string sBytes;
    switch (m_encoding) {
    case Encoding::Ansi:
        // A file whose first line starts with the bytes of a byte-order mark
        // would read back as another encoding: an empty first line keeps it
        // plain text.
        if (sOut.compare(0, 2, "\xFF\xFE") == 0 || sOut.compare(0, 2, "\xFE\xFF") == 0 ||
            sOut.compare(0, 3, "\xEF\xBB\xBF") == 0)
            sOut.insert(0, "\r\n");
        sBytes = std::move(sOut);
        break;
    case Encoding::Utf8: sBytes = "\xEF\xBB\xBF" + sOut; break;
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        bool bLittle = m_encoding == Encoding::Utf16LE;
        sBytes = bLittle ? "\xFF\xFE" : "\xFE\xFF";
        sBytes += Utf8ToUtf16(sOut, bLittle);
        break;
    }
    }
    const bool bOk = ReplaceWholeFile(m_ops, m_sPath, sBytes);
    // The next read parses what the disk now holds, as the profile functions
    // do with a freshly written file: a value written with trailing blanks or
    // a line break reads the way the file gives it back.
    m_bLoaded = false;
    return bOk;
}

PortableIni::Section* PortableIni::FindSectionTrimmed(const std::string& sName) {
    std::string sWanted = TrimIniBlanks(sName);
    if (sWanted.empty()) return nullptr;  // an empty name finds no section, not even the unnamed one
    for (Section& s : m_sections)
        if (EqualNoCase(s.sName, sWanted)) return &s;
    return nullptr;
}

void PortableIni::AddToIndex(Section& section, size_t i) {
    section.index.emplace(Folded(section.keys[i].sName), i);  // keeps the first of equal names
}

PortableIni::Key* PortableIni::FindKey(Section& section, const std::string& sTrimmedKey) {
    if (!section.bIndexed) {
        section.index.clear();
        for (size_t i = 0; i < section.keys.size(); ++i) AddToIndex(section, i);
        section.bIndexed = true;
    }
    auto it = section.index.find(Folded(sTrimmedKey));
    return it == section.index.end() ? nullptr : &section.keys[it->second];
}

std::string PortableIni::GetString(const std::string& sSection, const std::string& sKey,
                                   const std::string& sDefault, size_t cchBuffer) {
    if (cchBuffer == 0) return std::string();
    std::string sDef = sDefault;
    while (!sDef.empty() && sDef.back() == ' ') sDef.pop_back();
    Refresh();
    const std::string* pValue = &sDef;
    if (Section* pSection = FindSectionTrimmed(sSection)) {
        Key* pKey = FindKey(*pSection, TrimIniBlanks(sKey));
        if (pKey && pKey->bHasValue) pValue = &pKey->sValue;
    }
    return CopyEntry(*pValue, cchBuffer);
}

uint32_t PortableIni::ParseInt(const std::string& sText) {
    size_t i = 0;
    const size_t n = sText.size();
    while (i < n && static_cast<unsigned char>(sText[i]) <= ' ') ++i;
    bool bMinus = false;
    if (i < n && (sText[i] == '+' || sText[i] == '-')) bMinus = sText[i++] == '-';
    uint32_t base = 10;
    if (n - i >= 2 && sText[i] == '0') {
        char c = sText[i + 1];
        if (c == 'x') base = 16;
        else if (c == 'o') base = 8;
        else if (c == 'b') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t total = 0;
    for (; i < n; ++i) {
        char c = sText[i];
        uint32_t digit;
        if (c >= '0' && c <= '9') digit = static_cast<uint32_t>(c - '0');
        else if (c >= 'A' && c <= 'Z') digit = static_cast<uint32_t>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'z') digit = static_cast<uint32_t>(c - 'a' + 10);
        else break;
        if (digit >= base) break;
        total = total * base + digit;
    }
    return bMinus ? 0u - total : total;
}

uint32_t PortableIni::GetInt(const std::string& sSection, const std::string& sKey, int32_t iDefault) {
    std::string s = GetString(sSection, sKey, std::string(), 30);
    if (s.empty()) return static_cast<uint32_t>(iDefault);
    return ParseInt(s);
}

bool PortableIni::Write(const char* pszSection, const char* pszKey, const char* pszValue) {
    if (!pszSection) return false;
    return Change([&] { return WriteLoaded(pszSection, pszKey, pszValue); });
}

bool PortableIni::WriteLoaded(const char* pszSection, const char* pszKey, const char* pszValue) {
    const std::string sSection = pszSection;

    if (!pszKey) {  // remove the first section of that name
        for (size_t i = 0; i < m_sections.size(); ++i) {
            if (EqualNoCase(m_sections[i].sName, sSection)) {
                m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
                return Flush();
            }
        }
        return true;
    }

    const std::string sKey = pszKey;
    if (!pszValue) {  // remove the first key of that name in any section of that name
        for (Section& s : m_sections) {
            if (!EqualNoCase(s.sName, sSection)) continue;
            for (size_t i = 0; i < s.keys.size(); ++i) {
                if (EqualNoCase(s.keys[i].sName, sKey)) {
                    s.keys.erase(s.keys.begin() + static_cast<std::ptrdiff_t>(i));
                    s.bIndexed = false;
                    return Flush();
                }
            }
        }
        return true;
    }

    std::string sValue = TrimLeft(pszValue);
    Section* pSection = FindSectionTrimmed(sSection);
    if (!pSection) {
        Section s;
        s.sName = TrimLeft(sSection);
        m_sections.push_back(std::move(s));
        pSection = &m_sections.back();
    }
    Key* pKey = FindKey(*pSection, TrimIniBlanks(sKey));
    if (pKey) {
        if (pKey->bHasValue && pKey->sValue == sValue) return true;  // nothing to write
        pKey->sValue = sValue;
        pKey->bHasValue = true;
    } else {
        Key k;
        k.sName = TrimLeft(sKey);
        k.sValue = sValue;
        k.bHasValue = true;
        pSection->keys.push_back(std::move(k));
        if (pSection->bIndexed) AddToIndex(*pSection, pSection->keys.size() - 1);
    }
    return Flush();
}

bool PortableIni::ReplaceSection(const std::string& sSection, const KeyValues& keys) {
    return Change([&] { return ReplaceLoadedSection(sSection, keys); });
}

bool PortableIni::ReplaceLoadedSection(const std::string& sSection, const KeyValues& keys) {
    bool bChanged = false;
    for (size_t i = 0; i < m_sections.size(); ++i) {
        if (EqualNoCase(m_sections[i].sName, sSection)) {
            m_sections.erase(m_sections.begin() + static_cast<std::ptrdiff_t>(i));
            bChanged = true;
            break;
        }
    }
    for (Section& s : m_sections) {
        if (EqualNoCase(s.sName, sSection) && !s.keys.empty()) {
            s.keys.clear();
            s.bIndexed = false;
            bChanged = true;
        }
    }
    if (!keys.empty()) {
        Section* pSection = FindSectionTrimmed(sSection);
        if (!pSection) {
            Section s;
            s.sName = TrimLeft(sSection);
            m_sections.push_back(std::move(s));
            pSection = &m_sections.back();
        }
        for (const auto& kv : keys) {
            Key k;
            k.sName = TrimIniBlanks(UpToNul(kv.first.data(), kv.first.size()));
            k.sValue = TrimLeft(UpToNul(kv.second.data(), kv.second.size()));
            k.bHasValue = true;
            pSection->keys.push_back(std::move(k));
        }
        pSection->bIndexed = false;
        bChanged = true;
    }
    return bChanged ? Flush() : true;
}

std::vector<std::string> PortableIni::GetSectionNames(size_t cchBuffer, bool* pbFull) {
    std::vector<std::string> names;
    if (pbFull) *pbFull = false;
    if (cchBuffer < 2) return names;
    Refresh();
    size_t room = cchBuffer - 1;  // one character stays for the closing NUL
    size_t written = 0;
    for (const Section& s : m_sections) {
        if (s.sName.empty()) continue;
        size_t need = s.sName.size() + 1;
        if (need >= room) {
            std::string sCut = s.sName.substr(0, room - 1);
            if (!sCut.empty()) names.push_back(sCut);
            written = cchBuffer - 2;
            break;
        }
        names.push_back(s.sName);
        room -= need;
        written += need;
    }
    if (pbFull) *pbFull = written == cchBuffer - 2;
    return names;
}

std::vector<std::string> PortableIni::GetKeyNames(const std::string& sSection) {
    std::vector<std::string> names;
    Refresh();
    for (const Section& s : m_sections) {
        if (!EqualNoCase(s.sName, sSection)) continue;
        for (const Key& k : s.keys) {
            if (!k.bHasValue) continue;
            if (!k.sName.empty() && k.sName[0] == ';') continue;
            names.push_back(k.sName);
        }
        break;
    }
    return names;
}

}  // namespace mv
