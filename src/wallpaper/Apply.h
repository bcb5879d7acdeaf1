#pragma once
#include <functional>
#include <string>

#include "Patterns/Color.h"
#include "image/Image.h"
#include "platform/ActiveDesktop.h"
#include "platform/Desktop.h"
#include "platform/Environment.h"
#include "platform/RegistryStore.h"

namespace mv {

constexpr const char* kDesktopKey = "Control Panel\\Desktop";
constexpr const char* kColorsKey = "Control Panel\\Colors";

// A temporary file beside sPath that no other writer uses, in this process
// or another one.
std::string UniqueTempPath(const std::string& sPath);

// Writes the picture as a BMP file through the environment's whole-file
// replacement (ReplaceWholeFile): a temporary file of its own beside the
// target, flushed to the disk, then renamed over the target. The rename is
// the one step that publishes, so a failed or interrupted write (a full
// disk) never leaves a truncated wallpaper and two writers never write into
// one file; false, with the old file whole, on any failure.
bool WriteWallpaperFile(Environment& env, const Image& picture, const std::string& sPath);
// The same, with the publishing rename left to the caller's gate: publish is
// called with the rename and decides whether it runs (the temporary file is
// removed when it does not).
bool WriteWallpaperFile(Environment& env, const Image& picture, const std::string& sPath,
                        const std::function<bool(const std::function<bool()>& rename)>& publish);

// WallpaperStyle "22": one bitmap spanning every monitor (Windows 8 and later).
constexpr int kWallpaperStyleSpan = 22;

// Active Desktop style for the tile flag and style.
int ActiveDesktopStyleFor(int iTileFlag, int iStyle);

// Tells the shell to show the file: through Active Desktop when it is in use
// and the object exists, otherwise through the desktop registry values and
// the system call.
void ApplyWallpaper(RegistryStore& registry, Desktop& desktop, ActiveDesktop* pActiveDesktop, bool bUsingActiveDesktop,
                    const std::string& sPath, int iTileFlag, int iStyle);

// Sets the desktop colour and records it, unless it is already the system's.
void ApplyBackgroundColor(RegistryStore& registry, Desktop& desktop, Color c);

// "%d %d %d" of red, green and blue.
std::string BackgroundColorText(Color c);

}  // namespace mv
