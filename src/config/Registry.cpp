#include "config/Registry.h"

namespace mv {

std::string Registry::ReadValue(RootKey root, const std::string& sSubKey, const std::string& sName) {
    RegData data;
    if (m_store.Query(root, sSubKey, sName, 1024, data) != kRegOk) return std::string();
    switch (data.type) {
    case kRegSz:
    case kRegExpandSz: {
        std::string s(data.bytes.begin(), data.bytes.end());
        size_t nul = s.find('\0');
        if (nul != std::string::npos) s.resize(nul);
        return s;
    }
    case kRegBinary:
        return std::string(data.bytes.begin(), data.bytes.end());
    case kRegDword: {
        if (data.bytes.size() < 4) return std::string();
        int32_t v = static_cast<int32_t>(data.bytes[0] | (data.bytes[1] << 8) | (data.bytes[2] << 16) |
                                         (static_cast<uint32_t>(data.bytes[3]) << 24));
        return std::to_string(v);
    }
    default:
        return std::string();
    }
}

void Registry::WriteString(RootKey root, const std::string& sSubKey, const std::string& sName,
                           const std::string& sText) {
    RegData data;
    data.type = kRegSz;
    data.bytes.assign(sText.begin(), sText.end());
    m_store.Set(root, sSubKey, sName, data);
}

long Registry::DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) {
    return m_store.DeleteValue(root, sSubKey, sName);
}

long Registry::DeleteKey(RootKey root, const std::string& sSubKey) {
    return m_store.DeleteKey(root, sSubKey);
}

Profile::Profile(RegistryStore& store, std::string sCompany, std::string sProduct)
    : m_store(store),
      m_sCompanyKey("Software\\" + sCompany),
      m_sProductKey("Software\\" + sCompany + "\\" + sProduct) {}

uint32_t Profile::GetInt(const std::string& sSection, const std::string& sEntry, uint32_t uDefault) {
    RegData data;
    if (m_store.Query(RootKey::CurrentUser, m_sProductKey + "\\" + sSection, sEntry, 4, data) != kRegOk)
        return uDefault;
    if (data.type != kRegDword || data.bytes.size() != 4) return uDefault;
    return data.bytes[0] | (data.bytes[1] << 8) | (data.bytes[2] << 16) |
           (static_cast<uint32_t>(data.bytes[3]) << 24);
}

std::string Profile::GetString(const std::string& sSection, const std::string& sEntry,
                               const std::string& sDefault) {
    RegData data;
    if (m_store.Query(RootKey::CurrentUser, m_sProductKey + "\\" + sSection, sEntry, 64 * 1024, data) !=
        kRegOk)
        return sDefault;
    if (data.type != kRegSz && data.type != kRegExpandSz) return sDefault;
    std::string s(data.bytes.begin(), data.bytes.end());
    size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return s;
}

void Profile::WriteInt(const std::string& sSection, const std::string& sEntry, uint32_t uValue) {
    RegData data;
    data.type = kRegDword;
    data.bytes = {static_cast<uint8_t>(uValue), static_cast<uint8_t>(uValue >> 8),
                  static_cast<uint8_t>(uValue >> 16), static_cast<uint8_t>(uValue >> 24)};
    m_store.Set(RootKey::CurrentUser, m_sProductKey + "\\" + sSection, sEntry, data);
}

void Profile::WriteString(const std::string& sSection, const std::string& sEntry,
                          const std::string& sValue) {
    RegData data;
    data.type = kRegSz;
    data.bytes.assign(sValue.begin(), sValue.end());
    data.bytes.push_back(0);  // profile strings keep their terminating zero
    m_store.Set(RootKey::CurrentUser, m_sProductKey + "\\" + sSection, sEntry, data);
}

}  // namespace mv
