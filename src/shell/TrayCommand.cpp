#include "shell/TrayCommand.h"

namespace mv {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t Get32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool Valid(uint32_t command, int32_t monitor) {
    if (command < kFirstTrayCommand || command > kLastTrayCommand) return false;
    // Only Next is for a monitor of its own.
    if (command != static_cast<uint32_t>(TrayCommand::Next)) return monitor == kAllMonitors;
    return monitor == kAllMonitors || monitor == kMonitorAtPointer || (monitor >= 1 && monitor <= kMaxCommandMonitor);
}

}  // namespace

std::vector<uint8_t> EncodeTrayCommand(const TrayCommandRecord& record) {
    std::vector<uint8_t> out;
    const uint32_t command = static_cast<uint32_t>(record.command);
    if (!Valid(command, record.monitor)) return out;
    out.reserve(kTrayCommandBytes);
    Put32(out, kTrayCommandTag);
    Put32(out, kTrayCommandVersion);
    Put32(out, command);
    Put32(out, static_cast<uint32_t>(record.monitor));
    return out;
}

std::optional<TrayCommandRecord> DecodeTrayCommand(const void* pData, size_t n) {
    if (!pData || n != kTrayCommandBytes) return std::nullopt;
    const uint8_t* p = static_cast<const uint8_t*>(pData);
    if (Get32(p) != kTrayCommandTag || Get32(p + 4) != kTrayCommandVersion) return std::nullopt;
    const uint32_t command = Get32(p + 8);
    const int32_t monitor = static_cast<int32_t>(Get32(p + 12));
    if (!Valid(command, monitor)) return std::nullopt;
    return TrayCommandRecord{static_cast<TrayCommand>(command), monitor};
}

}  // namespace mv
