#include "platform/win32/Win32Ini.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "platform/portable/PortableIni.h"
#include "platform/win32/Win32FileOps.h"

namespace mv {

namespace {

// Splits the first `count` characters of a list of NUL-terminated strings.
std::vector<std::string> SplitList(const std::vector<char>& buffer, size_t count, bool bStopAtEmpty) {
    std::vector<std::string> items;
    size_t pos = 0;
    while (pos < count && pos < buffer.size()) {
        size_t end = pos;
        while (end < count && buffer[end] != '\0') ++end;
        if (end == pos && bStopAtEmpty) break;
        items.emplace_back(buffer.data() + pos, end - pos);
        pos = end + 1;
    }
    return items;
}

}  // namespace

std::string Win32Ini::GetString(const std::string& sSection, const std::string& sKey,
                                const std::string& sDefault, size_t cchBuffer) {
    if (cchBuffer == 0) return std::string();
    std::vector<char> buffer(cchBuffer, '\0');
    DWORD n = ::GetPrivateProfileStringA(sSection.c_str(), sKey.c_str(), sDefault.c_str(), buffer.data(),
                                         static_cast<DWORD>(cchBuffer), m_sPath.c_str());
    if (n >= cchBuffer) n = static_cast<DWORD>(cchBuffer - 1);
    return std::string(buffer.data(), n);
}

uint32_t Win32Ini::GetInt(const std::string& sSection, const std::string& sKey, int32_t iDefault) {
    return ::GetPrivateProfileIntA(sSection.c_str(), sKey.c_str(), iDefault, m_sPath.c_str());
}

// Writes go through our own reader-writer, which keeps the private-profile
// format and rules but never rewrites the file in place: the new file
// replaces the old one whole, under a lock shared with every process.
bool Win32Ini::Write(const char* pszSection, const char* pszKey, const char* pszValue) {
    if (!pszSection) return false;
    return PortableIni(m_sPath, &Win32FileOps::Instance()).Write(pszSection, pszKey, pszValue);
}

bool Win32Ini::ReplaceSection(const std::string& sSection, const KeyValues& keys) {
    return PortableIni(m_sPath, &Win32FileOps::Instance()).ReplaceSection(sSection, keys);
}

std::vector<std::string> Win32Ini::GetSectionNames(size_t cchBuffer, bool* pbFull) {
    if (pbFull) *pbFull = false;
    if (cchBuffer < 2) return {};
    std::vector<char> buffer(cchBuffer, '\0');
    DWORD n = ::GetPrivateProfileSectionNamesA(buffer.data(), static_cast<DWORD>(cchBuffer), m_sPath.c_str());
    if (n > cchBuffer) n = static_cast<DWORD>(cchBuffer);
    if (pbFull) *pbFull = n == cchBuffer - 2;
    return SplitList(buffer, n, true);
}

std::vector<std::string> Win32Ini::GetKeyNames(const std::string& sSection) {
    // The list is cut to the buffer, which then reports its size less two:
    // grow until it fits.
    for (size_t size = 4096; size <= (size_t(1) << 26); size *= 4) {
        std::vector<char> buffer(size, '\0');
        DWORD n = ::GetPrivateProfileStringA(sSection.c_str(), nullptr, "", buffer.data(),
                                             static_cast<DWORD>(size), m_sPath.c_str());
        if (n + 2 < size) return SplitList(buffer, n, false);
    }
    return {};
}

}  // namespace mv
