#include "platform/FileOps.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <memory>

namespace mv {

FileOps::ReadResult FileOps::ReadWhole(const std::string& sPath, std::string& sBytes) {
    sBytes.clear();
    errno = 0;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(sPath.c_str(), "rb"), std::fclose);
    if (!file) return errno == ENOENT ? ReadResult::Missing : ReadResult::Failed;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, file.get())) > 0) sBytes.append(buf, n);
    return std::ferror(file.get()) ? ReadResult::Failed : ReadResult::Read;
}

bool WriteWholeThenPublish(FileOps& ops, const std::string& sBeside, const ContentProducer& produce,
                           const std::function<bool(const std::string& sTemp)>& publish) {
    // Whatever way this ends, the temporary file is closed, and removed
    // unless it was published.
    struct Temp {
        FileOps& ops;
        std::string sPath;
        FileOps::Handle h = nullptr;
        bool bPublished = false;
        ~Temp() {
            if (h) ops.Close(h);
            if (!bPublished && !sPath.empty()) ops.Remove(sPath);
        }
    } temp{ops, std::string()};
    temp.h = ops.CreateTemp(sBeside, temp.sPath);
    if (!temp.h) return false;
    // In pieces: a full disk shows up at the piece that does not fit.
    constexpr size_t kPiece = 1 << 16;
    const PieceWriter write = [&](const void* pData, size_t n) {
        const char* p = static_cast<const char*>(pData);
        for (size_t at = 0; at < n; at += kPiece)
            if (!ops.Write(temp.h, p + at, std::min(kPiece, n - at))) return false;
        return true;
    };
    bool bOk = produce(write) && ops.Sync(temp.h);
    FileOps::Handle h = temp.h;
    temp.h = nullptr;
    bOk = ops.Close(h) && bOk;
    if (!bOk || !publish(temp.sPath)) return false;
    temp.bPublished = true;
    return true;
}

bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const ContentProducer& produce) {
    return WriteWholeThenPublish(ops, sPath, produce,
                                 [&](const std::string& sTemp) { return ops.Replace(sTemp, sPath); });
}

bool ReplaceWholeFile(FileOps& ops, const std::string& sPath, const std::string& sBytes) {
    return ReplaceWholeFile(ops, sPath, [&](const PieceWriter& write) { return write(sBytes.data(), sBytes.size()); });
}

namespace {
bool IsHex(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool AllOf(const std::string& s, size_t from, size_t to, bool (*pred)(char)) {
    if (from >= to) return false;
    for (size_t i = from; i < to; ++i)
        if (!pred(s[i])) return false;
    return true;
}
}  // namespace

bool IsLeftTemporaryName(const std::string& sName) {
    std::string s = sName;
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    if (s.size() < 5 || s.compare(s.size() - 4, 4, ".tmp") != 0) return false;
    const size_t end = s.size() - 4;
    // The system's temporary names, with the prefixes of this program.
    if ((s.compare(0, 3, "mvs") == 0 || s.compare(0, 3, "mvw") == 0) && end - 3 <= 4 && AllOf(s, 3, end, IsHex))
        return true;
    // "<name>.<16 hex>-<n>.tmp"
    const size_t dash = s.rfind('-', end);
    if (dash == std::string::npos || dash < 18 || !AllOf(s, dash + 1, end, [](char c) { return c >= '0' && c <= '9'; }))
        return false;
    return s[dash - 17] == '.' && AllOf(s, dash - 16, dash, IsHex);
}

}  // namespace mv
