#pragma once
#include <cstdint>
#include <string>

#include "platform/RegistryStore.h"

namespace mv {

// Registry values outside the program's own profile key.
class Registry {
public:
    explicit Registry(RegistryStore& store) : m_store(store) {}
    virtual ~Registry() = default;

    // Text of a value read into a 1024-byte buffer: a string value's text, a
    // binary value's bytes, a DWORD's decimal text; empty for anything else.
    std::string ReadValue(RootKey root, const std::string& sSubKey, const std::string& sName);
    // Writes a string value without its terminating zero.
    void WriteString(RootKey root, const std::string& sSubKey, const std::string& sName,
                     const std::string& sText);
    long DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName);
    long DeleteKey(RootKey root, const std::string& sSubKey);

private:
    RegistryStore& m_store;
};

// The program's profile: values under HKEY_CURRENT_USER\Software\<company>\<product>\<section>.
class Profile {
public:
    Profile(RegistryStore& store, std::string sCompany, std::string sProduct);

    uint32_t GetInt(const std::string& sSection, const std::string& sEntry, uint32_t uDefault);
    std::string GetString(const std::string& sSection, const std::string& sEntry,
                          const std::string& sDefault);
    void WriteInt(const std::string& sSection, const std::string& sEntry, uint32_t uValue);
    void WriteString(const std::string& sSection, const std::string& sEntry, const std::string& sValue);

    std::string ProductKey() const { return m_sProductKey; }   // Software\Company\Product
    std::string CompanyKey() const { return m_sCompanyKey; }   // Software\Company
    RegistryStore& Store() { return m_store; }

private:
    RegistryStore& m_store;
    std::string m_sCompanyKey;
    std::string m_sProductKey;
};

}  // namespace mv
