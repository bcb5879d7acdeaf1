#pragma once
#include "platform/RegistryStore.h"

namespace mv {

// The registry seam over the Windows registry functions.
class Win32Registry : public RegistryStore {
public:
    long Query(RootKey root, const std::string& sSubKey, const std::string& sName, size_t maxBytes,
               RegData& out) override;
    long Set(RootKey root, const std::string& sSubKey, const std::string& sName, const RegData& data) override;
    long DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) override;
    long DeleteKey(RootKey root, const std::string& sSubKey) override;
    bool KeyExists(RootKey root, const std::string& sSubKey) override;
    std::vector<std::string> ValueNames(RootKey root, const std::string& sSubKey) override;
};

}  // namespace mv
