#include "platform/portable/PortableEnvironment.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sys/stat.h>
#ifdef _WIN32
#include <direct.h>
#include <io.h>
#else
#include <unistd.h>
#endif

#include "image/Image.h"

namespace mv {

PortableEnvironment::PortableEnvironment(std::string sWindowsFolder, std::string sAppData)
    : m_sWindows(std::move(sWindowsFolder)), m_sAppData(std::move(sAppData)) {}

std::optional<std::string> PortableEnvironment::GetVariable(const std::string& sName) {
    auto it = m_vars.find(sName);
    if (it != m_vars.end()) return it->second;
    if (m_unset.count(sName)) return std::nullopt;
    const char* v = std::getenv(sName.c_str());
    if (!v) return std::nullopt;
    return std::string(v);
}

bool PortableEnvironment::FileExists(const std::string& sPath) {
    struct stat st;
    return ::stat(NativePath(sPath).c_str(), &st) == 0;
}

bool PortableEnvironment::IsFolderWritable(const std::string& sFolder) {
#ifdef _WIN32
    return ::_access(NativePath(sFolder).c_str(), 2) == 0;
#else
    return ::access(NativePath(sFolder).c_str(), W_OK) == 0;
#endif
}

bool PortableEnvironment::CreateFolder(const std::string& sFolder) {
#ifdef _WIN32
    return ::_mkdir(NativePath(sFolder).c_str()) == 0;
#else
    return ::mkdir(NativePath(sFolder).c_str(), 0755) == 0;
#endif
}

bool PortableEnvironment::RemoveFile(const std::string& sPath) {
    return std::remove(NativePath(sPath).c_str()) == 0;
}

bool PortableEnvironment::RenameFile(const std::string& sFrom, const std::string& sTo) {
#ifdef _WIN32
    std::remove(NativePath(sTo).c_str());
#endif
    return std::rename(NativePath(sFrom).c_str(), NativePath(sTo).c_str()) == 0;
}

bool PortableEnvironment::RenameToNewFile(const std::string& sFrom, const std::string& sTo) {
#ifdef _WIN32
    // The runtime's rename never replaces a file.
    return std::rename(NativePath(sFrom).c_str(), NativePath(sTo).c_str()) == 0;
#else
    // A second name that cannot be made over an existing file, then the
    // first one goes.
    if (::link(NativePath(sFrom).c_str(), NativePath(sTo).c_str()) != 0) return false;
    ::unlink(NativePath(sFrom).c_str());
    return true;
#endif
}

std::tm PortableEnvironment::LocalTime() {
    if (m_bFixedTime) return m_time;
    std::time_t now = std::time(nullptr);
    std::tm t{};
#ifdef _WIN32
    localtime_s(&t, &now);
#else
    localtime_r(&now, &t);
#endif
    return t;
}

}  // namespace mv
