#include "platform/portable/MemoryRegistry.h"

#include <cctype>
#include <vector>

namespace mv {

namespace {
std::string Lower(const std::string& s) {
    std::string r = s;
    for (char& c : r) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return r;
}
std::vector<std::string> SplitPath(const std::string& s) {
    std::vector<std::string> parts;
    std::string cur;
    for (char c : s) {
        if (c == '\\') {
            if (!cur.empty()) parts.push_back(Lower(cur));
            cur.clear();
        } else {
            cur += c;
        }
    }
    if (!cur.empty()) parts.push_back(Lower(cur));
    return parts;
}
}  // namespace

MemoryRegistry::Key* MemoryRegistry::Find(RootKey root, const std::string& sSubKey, bool bCreate) {
    Key* k = &m_roots[root == RootKey::CurrentUser ? 0 : 1];
    for (const std::string& part : SplitPath(sSubKey)) {
        auto it = k->children.find(part);
        if (it == k->children.end()) {
            if (!bCreate) return nullptr;
            it = k->children.emplace(part, std::make_unique<Key>()).first;
        }
        k = it->second.get();
    }
    return k;
}

long MemoryRegistry::Query(RootKey root, const std::string& sSubKey, const std::string& sName,
                           size_t maxBytes, RegData& out) {
    Key* k = Find(root, sSubKey, false);
    if (!k) return kRegNotFound;
    auto it = k->values.find(Lower(sName));
    if (it == k->values.end()) return kRegNotFound;
    if (it->second.bytes.size() > maxBytes) return kRegMoreData;
    out = it->second;
    return kRegOk;
}

long MemoryRegistry::Set(RootKey root, const std::string& sSubKey, const std::string& sName,
                         const RegData& data) {
    Key* k = Find(root, sSubKey, true);
    k->values[Lower(sName)] = data;
    m_writeLog.push_back(sSubKey + ":" + sName);
    return kRegOk;
}

long MemoryRegistry::DeleteValue(RootKey root, const std::string& sSubKey, const std::string& sName) {
    Key* k = Find(root, sSubKey, false);
    if (!k) return kRegNotFound;
    return k->values.erase(Lower(sName)) ? kRegOk : kRegNotFound;
}

long MemoryRegistry::DeleteKey(RootKey root, const std::string& sSubKey) {
    std::vector<std::string> parts = SplitPath(sSubKey);
    if (parts.empty()) return kRegAccessDenied;
    std::string leaf = parts.back();
    parts.pop_back();
    std::string parentPath;
    for (const std::string& p : parts) parentPath += p + "\\";
    Key* parent = Find(root, parentPath, false);
    if (!parent) return kRegNotFound;
    auto it = parent->children.find(leaf);
    if (it == parent->children.end()) return kRegNotFound;
    if (!it->second->children.empty()) return kRegAccessDenied;
    parent->children.erase(it);
    return kRegOk;
}

bool MemoryRegistry::KeyExists(RootKey root, const std::string& sSubKey) {
    return Find(root, sSubKey, false) != nullptr;
}

std::vector<std::string> MemoryRegistry::ValueNames(RootKey root, const std::string& sSubKey) {
    std::vector<std::string> names;
    if (Key* key = Find(root, sSubKey, false))
        for (const auto& value : key->values) names.push_back(value.first);
    return names;
}

}  // namespace mv
