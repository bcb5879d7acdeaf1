#pragma once
#include <map>
#include <memory>
#include <string>

#include "platform/RegistryStore.h"

namespace mv {

// An in-memory registry tree with the registry's rules: names compare without
// regard to case, a key with sub-keys cannot be deleted, a value that does not
// fit the caller's buffer is reported as such.
class MemoryRegistry : public RegistryStore {
public:
    long Query(RootKey root, const std::string& sSubKey, const std::string& sName, size_t maxBytes,
               RegData& out) override;
    long Set(RootKey root, const std::string& sSubKey, const std::string& sName, const RegData& data) override;
    long DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) override;
    long DeleteKey(RootKey root, const std::string& sSubKey) override;
    bool KeyExists(RootKey root, const std::string& sSubKey) override;
    std::vector<std::string> ValueNames(RootKey root, const std::string& sSubKey) override;

    // Every write, in order, as "Sub\Key:Name" (for tests of write orders).
    const std::vector<std::string>& WriteLog() const { return m_writeLog; }
    void ClearWriteLog() { m_writeLog.clear(); }

private:
    struct Key {
        std::map<std::string, RegData> values;  // lower-cased names
        std::map<std::string, std::unique_ptr<Key>> children;
    };
    Key* Find(RootKey root, const std::string& sSubKey, bool bCreate);
    Key m_roots[2];
    std::vector<std::string> m_writeLog;
};

}  // namespace mv
