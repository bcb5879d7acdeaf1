#include "platform/win32/Win32Registry.h"

#include <windows.h>

#include <vector>

namespace mv {

namespace {
HKEY Root(RootKey r) { return r == RootKey::CurrentUser ? HKEY_CURRENT_USER : HKEY_LOCAL_MACHINE; }

// Closes a registry key when it goes out of scope.
class KeyHolder {
public:
    KeyHolder() = default;
    ~KeyHolder() {
        if (m_h) RegCloseKey(m_h);
    }
    KeyHolder(const KeyHolder&) = delete;
    KeyHolder& operator=(const KeyHolder&) = delete;
    HKEY* Out() { return &m_h; }
    HKEY Get() const { return m_h; }
    LONG Close() {
        LONG r = m_h ? RegCloseKey(m_h) : ERROR_SUCCESS;
        m_h = nullptr;
        return r;
    }

private:
    HKEY m_h = nullptr;
};
}  // namespace

long Win32Registry::Query(RootKey root, const std::string& sSubKey, const std::string& sName, size_t maxBytes,
                          RegData& out) {
    KeyHolder key;
    LONG r = RegOpenKeyExA(Root(root), sSubKey.c_str(), 0, KEY_READ, key.Out());
    if (r != ERROR_SUCCESS) return r;
    std::vector<BYTE> buffer(maxBytes ? maxBytes : 1);
    DWORD type = 0, size = static_cast<DWORD>(maxBytes);
    r = RegQueryValueExA(key.Get(), sName.c_str(), nullptr, &type, buffer.data(), &size);
    if (r != ERROR_SUCCESS) return r;
    out.type = type;
    out.bytes.assign(buffer.begin(), buffer.begin() + size);
    return ERROR_SUCCESS;
}

long Win32Registry::Set(RootKey root, const std::string& sSubKey, const std::string& sName, const RegData& data) {
    KeyHolder key;
    DWORD disposition = 0;
    LONG r = RegCreateKeyExA(Root(root), sSubKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                             nullptr, key.Out(), &disposition);
    if (r != ERROR_SUCCESS) return r;
    return RegSetValueExA(key.Get(), sName.c_str(), 0, data.type, data.bytes.empty() ? nullptr : data.bytes.data(),
                          static_cast<DWORD>(data.bytes.size()));
}

long Win32Registry::DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) {
    KeyHolder key;
    LONG r = RegOpenKeyExA(Root(root), sSubKey.c_str(), 0, KEY_ALL_ACCESS, key.Out());
    if (r != ERROR_SUCCESS) return r;
    RegDeleteValueA(key.Get(), sName.c_str());
    return key.Close();
}

long Win32Registry::DeleteKey(RootKey root, const std::string& sSubKey) {
    // RegDeleteKey removes a key only when it has no sub-keys.
    {
        KeyHolder key;
        if (RegOpenKeyExA(Root(root), sSubKey.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS) {
            DWORD subKeys = 0;
            if (RegQueryInfoKeyA(key.Get(), nullptr, nullptr, nullptr, &subKeys, nullptr, nullptr, nullptr, nullptr,
                                 nullptr, nullptr, nullptr) == ERROR_SUCCESS &&
                subKeys > 0)
                return ERROR_ACCESS_DENIED;
        }
    }
    return RegDeleteKeyA(Root(root), sSubKey.c_str());
}

bool Win32Registry::KeyExists(RootKey root, const std::string& sSubKey) {
    KeyHolder key;
    return RegOpenKeyExA(Root(root), sSubKey.c_str(), 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

std::vector<std::string> Win32Registry::ValueNames(RootKey root, const std::string& sSubKey) {
    std::vector<std::string> names;
    KeyHolder key;
    if (RegOpenKeyExA(Root(root), sSubKey.c_str(), 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return names;
    // Value names are at most 16,383 characters.
    std::vector<char> name(16384);
    for (DWORD i = 0;; ++i) {
        DWORD length = static_cast<DWORD>(name.size());
        if (RegEnumValueA(key.Get(), i, name.data(), &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        names.emplace_back(name.data(), length);
    }
    return names;
}

}  // namespace mv
