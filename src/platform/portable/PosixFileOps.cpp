#include "platform/portable/PosixFileOps.h"

#include <cstdio>
#include <string>

#include "image/Image.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace mv {

PosixFileOps& PosixFileOps::Instance() {
    static PosixFileOps ops;
    return ops;
}

#ifndef _WIN32

FileOps::Handle PosixFileOps::CreateTemp(const std::string& sPath, std::string& sTemp) {
    std::string sTemplate = NativePath(sPath) + ".XXXXXX";
    const int fd = ::mkstemp(sTemplate.data());
    if (fd < 0) return nullptr;
    sTemp = sTemplate;
    return new int(fd);
}

bool PosixFileOps::Write(Handle h, const char* pData, size_t n) {
    const int fd = *static_cast<int*>(h);
    while (n > 0) {
        const ssize_t w = ::write(fd, pData, n);
        if (w <= 0) return false;
        pData += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

bool PosixFileOps::Sync(Handle h) { return ::fsync(*static_cast<int*>(h)) == 0; }

bool PosixFileOps::Close(Handle h) {
    int* pFd = static_cast<int*>(h);
    const bool bOk = ::close(*pFd) == 0;
    delete pFd;
    return bOk;
}

namespace {
// The folder's entry on the disk too.
void SyncFolderOf(const std::string& sPath) {
    const size_t slash = sPath.rfind('/');
    const std::string sFolder = slash == std::string::npos ? "." : slash == 0 ? "/" : sPath.substr(0, slash);
    const int dir = ::open(sFolder.c_str(), O_RDONLY);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}
}  // namespace

bool PosixFileOps::Replace(const std::string& sTemp, const std::string& sPath) {
    const std::string sTo = NativePath(sPath);
    if (std::rename(NativePath(sTemp).c_str(), sTo.c_str()) != 0) return false;
    SyncFolderOf(sTo);
    return true;
}

bool PosixFileOps::ReplaceNothing(const std::string& sTemp, const std::string& sPath) {
    // A second name that cannot be made over an existing file, then the
    // first one goes.
    const std::string sTo = NativePath(sPath);
    if (::link(NativePath(sTemp).c_str(), sTo.c_str()) != 0) return false;
    ::unlink(NativePath(sTemp).c_str());
    SyncFolderOf(sTo);
    return true;
}

bool PosixFileOps::Locked(const std::string& sPath, const std::function<bool()>& fn) {
    // The lock file is closed, which lets the lock go, however fn ends.
    struct LockFile {
        int fd;
        ~LockFile() {
            if (fd >= 0) ::close(fd);
        }
    } lock{::open((NativePath(sPath) + ".lock").c_str(), O_RDWR | O_CREAT, 0644)};
    // Without a lock file (an unwritable folder) the save itself fails anyway.
    if (lock.fd < 0) return fn();
    bool bLocked = false;
    for (int tries = 0; tries < 500 && !(bLocked = ::flock(lock.fd, LOCK_EX | LOCK_NB) == 0); ++tries) ::usleep(10000);
    return bLocked && fn();
}

#else  // A Windows build of the portable seams (its tests only): plain stdio.

FileOps::Handle PosixFileOps::CreateTemp(const std::string& sPath, std::string& sTemp) {
    sTemp = sPath + ".new";
    return std::fopen(sTemp.c_str(), "wb");
}

bool PosixFileOps::Write(Handle h, const char* pData, size_t n) {
    return std::fwrite(pData, 1, n, static_cast<std::FILE*>(h)) == n;
}

bool PosixFileOps::Sync(Handle h) { return std::fflush(static_cast<std::FILE*>(h)) == 0; }

bool PosixFileOps::Close(Handle h) { return std::fclose(static_cast<std::FILE*>(h)) == 0; }

bool PosixFileOps::Replace(const std::string& sTemp, const std::string& sPath) {
    std::remove(sPath.c_str());
    return std::rename(sTemp.c_str(), sPath.c_str()) == 0;
}

// The runtime's rename never replaces a file.
bool PosixFileOps::ReplaceNothing(const std::string& sTemp, const std::string& sPath) {
    return std::rename(sTemp.c_str(), sPath.c_str()) == 0;
}

bool PosixFileOps::Locked(const std::string&, const std::function<bool()>& fn) { return fn(); }

#endif

void PosixFileOps::Remove(const std::string& sPath) { std::remove(NativePath(sPath).c_str()); }

}  // namespace mv
