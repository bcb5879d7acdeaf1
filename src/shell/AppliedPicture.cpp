#include "shell/AppliedPicture.h"

#include <cstring>

namespace mv {

namespace {

constexpr size_t kHeaderBytes = 20;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

// A path the history can keep and the shell can be given: a whole path (a
// drive's "X:\" or a share's "\\"), and none of the characters no Windows
// file name holds (NUL, quotes, wildcards, pipes), nor a tab or line break.
bool Tellable(const std::string& s) {
    if (s.empty() || s.size() >= kMaxAppliedPathBytes) return false;
    if (s.find_first_of(std::string("\0\t\r\n\"<>|*?", 10)) != std::string::npos) return false;
    const bool bDrive = s.size() >= 3 && ((s[0] >= 'A' && s[0] <= 'Z') || (s[0] >= 'a' && s[0] <= 'z')) && s[1] == ':' &&
                        (s[2] == '\\' || s[2] == '/');
    const bool bShare = s.size() >= 3 && s[0] == '\\' && s[1] == '\\';
    return bDrive || bShare;
}

}  // namespace

std::vector<uint8_t> EncodeAppliedPicture(const AppliedPicture& applied) {
    std::vector<uint8_t> out;
    if (!Tellable(applied.sPath) || applied.monitor < -1 || applied.monitor > kMaxAppliedMonitor) return out;
    const ForcedLayout& f = applied.forced;
    const uint32_t bits = (f.bForcePosition ? 1u : 0u) | (f.bDoTiling ? 2u : 0u) | (f.bDoStretching ? 4u : 0u) |
                          (f.bDoTileSeamless ? 8u : 0u);
    out.reserve(kHeaderBytes + applied.sPath.size() + 1);
    Put32(out, kAppliedPictureTag);
    Put32(out, kAppliedPictureVersion);
    Put32(out, bits);
    Put32(out, static_cast<uint32_t>(applied.monitor));
    Put32(out, static_cast<uint32_t>(applied.sPath.size() + 1));
    out.insert(out.end(), applied.sPath.begin(), applied.sPath.end());
    out.push_back(0);
    return out;
}

std::optional<AppliedPicture> DecodeAppliedPicture(const void* pData, size_t n) {
    if (!pData || n < kHeaderBytes) return std::nullopt;
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    if (Get32(p) != kAppliedPictureTag || Get32(p + 4) != kAppliedPictureVersion) return std::nullopt;
    const uint32_t bits = Get32(p + 8);
    const int32_t monitor = static_cast<int32_t>(Get32(p + 12));
    const uint32_t length = Get32(p + 16);
    if (bits > 15 || monitor < -1 || monitor > kMaxAppliedMonitor) return std::nullopt;
    // The path and its NUL fill the rest exactly.
    if (length < 2 || length > kMaxAppliedPathBytes || n - kHeaderBytes != length) return std::nullopt;
    const char* pPath = reinterpret_cast<const char*>(p + kHeaderBytes);
    if (pPath[length - 1] != '\0' || std::memchr(pPath, 0, length - 1) != nullptr) return std::nullopt;
    AppliedPicture applied;
    applied.sPath.assign(pPath, length - 1);
    if (!Tellable(applied.sPath)) return std::nullopt;
    applied.forced = ForcedLayout{(bits & 1) != 0, (bits & 2) != 0, (bits & 4) != 0, (bits & 8) != 0};
    applied.monitor = monitor;
    return applied;
}

}  // namespace mv
