#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "wallpaper/Layout.h"

namespace mv {

// A picture another copy of the program (the settings sheet's Preview) has
// just put on the desktop, told to the tray instance so that its history and
// its commands on the wallpaper showing act on it.
struct AppliedPicture {
    std::string sPath;
    ForcedLayout forced;
    // The monitor of the layout it went on, the others keeping what they
    // show; -1 when it went on every monitor (or the one screen).
    int32_t monitor = -1;
};

// The tag of the record among the data copied to the tray's window.
constexpr uint32_t kAppliedPictureTag = 0x4D564150;  // "MVAP"
constexpr uint32_t kAppliedPictureVersion = 1;
// Longer paths than Windows can open are refused.
constexpr size_t kMaxAppliedPathBytes = 32768;
constexpr int32_t kMaxAppliedMonitor = 255;

// The record's bytes: tag, version, forced-layout bits, monitor and the
// path's length with its NUL (each 32 bits, least significant byte first),
// then the path and its NUL. Nothing for a path that cannot be told (empty,
// too long, or holding a NUL, tab or line break) or a monitor out of range.
std::vector<uint8_t> EncodeAppliedPicture(const AppliedPicture& applied);

// The record read back from bytes another process sent: anything but a whole
// record of this version, exactly n bytes long, with a NUL-terminated path
// within it, is refused. Never reads past pData + n.
std::optional<AppliedPicture> DecodeAppliedPicture(const void* pData, size_t n);

}  // namespace mv
