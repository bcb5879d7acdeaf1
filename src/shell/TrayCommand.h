#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace mv {

// A command another copy of the program hands the tray instance (given on
// its command line, or by a hot key of the tray itself).
enum class TrayCommand : uint32_t {
    Next = 1,      // "&Change Wallpaper"
    Previous = 2,  // "&Previous Wallpaper"
    Keep = 3,      // "&Keep This Fractal"
    Never = 4,     // "&Never Show This Picture Again"
    Disable = 5,
    Enable = 6,
    Refresh = 7,   // the picture list read again
    Exit = 8,
};
constexpr uint32_t kFirstTrayCommand = 1, kLastTrayCommand = 8;

// Which monitors a Next changes.
constexpr int32_t kAllMonitors = 0;       // every monitor (the one screen)
constexpr int32_t kMonitorAtPointer = -1; // the monitor under the mouse pointer
// 1..kMaxCommandMonitor: that monitor, numbered as the Advanced page draws them.
constexpr int32_t kMaxCommandMonitor = 64;

struct TrayCommandRecord {
    TrayCommand command = TrayCommand::Next;
    int32_t monitor = kAllMonitors;  // Next only; kAllMonitors for every other command
};

// How a command ended: the exit status of the copy that gave it.
enum class CommandStatus : int {
    Done = 0,
    Refused = 1,   // it cannot be done now (Keep while a picture shows, no history for Previous, ...)
    Mistake = 2,   // the command line is wrong
    NoTray = 3,    // no tray instance runs, and the command needs one
};

// The tag of the record among the data copied to the tray's window.
constexpr uint32_t kTrayCommandTag = 0x4D56434D;  // "MVCM"
constexpr uint32_t kTrayCommandVersion = 1;
constexpr size_t kTrayCommandBytes = 16;

// The record's bytes: tag, version, command, monitor (each 32 bits, least
// significant byte first). Empty for a command or monitor out of range.
std::vector<uint8_t> EncodeTrayCommand(const TrayCommandRecord& record);

// The record read back from bytes another process sent: anything but a whole
// record of this version, exactly kTrayCommandBytes long, with a known
// command and a monitor in range (kAllMonitors for every command but Next),
// is refused. Never reads past pData + n.
std::optional<TrayCommandRecord> DecodeTrayCommand(const void* pData, size_t n);

}  // namespace mv
