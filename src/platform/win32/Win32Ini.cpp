#include "platform/win32/Win32Ini.h"

#include <windows.h>

#include <cstring>
#include <vector>

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

bool Win32Ini::Write(const char* pszSection, const char* pszKey, const char* pszValue) {
    if (!pszSection) return false;
    return ::WritePrivateProfileStringA(pszSection, pszKey, pszValue, m_sPath.c_str()) != FALSE;
}

bool Win32Ini::ReplaceSection(const std::string& sSection, const KeyValues& keys) {
    // The section's own write takes a list of "key=value" strings; its
    // documented limit is 65535 bytes, so a longer list is written in part
    // and the rest key by key.
    constexpr size_t kLimit = 65535;
    bool bOk = ::WritePrivateProfileStringA(sSection.c_str(), nullptr, nullptr, m_sPath.c_str()) != FALSE;
    std::string sList;
    size_t i = 0;
    for (; i < keys.size(); ++i) {
        std::string sItem = keys[i].first + "=" + keys[i].second;
        sItem.resize(std::strlen(sItem.c_str()));  // a NUL inside would end the list early
        if (sList.size() + sItem.size() + 2 > kLimit) break;
        sList += sItem;
        sList += '\0';
    }
    if (!sList.empty()) {
        sList += '\0';
        bOk = ::WritePrivateProfileSectionA(sSection.c_str(), sList.data(), m_sPath.c_str()) != FALSE && bOk;
    }
    for (; i < keys.size(); ++i)
        bOk = ::WritePrivateProfileStringA(sSection.c_str(), keys[i].first.c_str(), keys[i].second.c_str(),
                                           m_sPath.c_str()) != FALSE && bOk;
    return bOk;
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
