#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace mv {

enum class RootKey { CurrentUser, LocalMachine };

// Registry value types, numbered as the Windows registry numbers them.
enum RegType : uint32_t { kRegNone = 0, kRegSz = 1, kRegExpandSz = 2, kRegBinary = 3, kRegDword = 4 };

struct RegData {
    uint32_t type = kRegNone;
    std::vector<uint8_t> bytes;
};

// Status codes, as the registry functions return them.
constexpr long kRegOk = 0;
constexpr long kRegNotFound = 2;
constexpr long kRegAccessDenied = 5;
constexpr long kRegMoreData = 234;

// The registry seam: raw values under any root key and sub-key path.
// Key and value names compare without regard to case.
class RegistryStore {
public:
    virtual ~RegistryStore() = default;
    // Reads a value into a buffer of maxBytes; kRegMoreData when it does not fit.
    virtual long Query(RootKey root, const std::string& sSubKey, const std::string& sName,
                       size_t maxBytes, RegData& out) = 0;
    // Creates the key when needed and writes the value.
    virtual long Set(RootKey root, const std::string& sSubKey, const std::string& sName,
                     const RegData& data) = 0;
    // kRegNotFound when the key cannot be opened.
    virtual long DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) = 0;
    // Deletes a key that has no sub-keys.
    virtual long DeleteKey(RootKey root, const std::string& sSubKey) = 0;
    virtual bool KeyExists(RootKey root, const std::string& sSubKey) = 0;
    // The names of the key's values; none when the key cannot be opened.
    virtual std::vector<std::string> ValueNames(RootKey root, const std::string& sSubKey) = 0;
};

}  // namespace mv
