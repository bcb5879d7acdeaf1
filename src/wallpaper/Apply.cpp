#include "wallpaper/Apply.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <random>

namespace mv {

namespace {
void WriteDesktopString(RegistryStore& registry, const char* sKey, const char* sName, const std::string& sValue) {
    RegData data;
    data.type = kRegSz;
    data.bytes.assign(sValue.begin(), sValue.end());
    data.bytes.push_back(0);
    registry.Set(RootKey::CurrentUser, sKey, sName, data);
}
}  // namespace

std::string UniqueTempPath(const std::string& sPath) {
    // Unique in this process by the counter, across processes by the random part.
    static std::atomic<uint32_t> counter{0};
    static const uint64_t process = [] {
        std::random_device device;
        return (static_cast<uint64_t>(device()) << 32) ^ device() ^
               static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    }();
    char suffix[48];
    std::snprintf(suffix, sizeof suffix, ".%08x%08x-%u.tmp", static_cast<unsigned>(process >> 32),
                  static_cast<unsigned>(process), static_cast<unsigned>(++counter));
    return sPath + suffix;
}

bool WriteWallpaperFile(Environment& env, const Image& picture, const std::string& sPath,
                        const std::function<bool(const std::function<bool()>& rename)>& publish) {
    if (!picture.IsValid() || picture.Block().size() < kDibHeaderSize) return false;
    FileOps& ops = env.Files();
    // The BMP file: its 14-byte header, then the picture's own block, with
    // no copy of the pixels.
    const ContentProducer bmp = [&](const PieceWriter& write) {
        const std::vector<uint8_t>& block = picture.Block();
        const uint32_t size = static_cast<uint32_t>(14 + block.size());
        const uint32_t offset = static_cast<uint32_t>(14 + picture.BitsOffset());
        const uint8_t header[14] = {'B', 'M',
                                    static_cast<uint8_t>(size), static_cast<uint8_t>(size >> 8),
                                    static_cast<uint8_t>(size >> 16), static_cast<uint8_t>(size >> 24),
                                    0, 0, 0, 0,
                                    static_cast<uint8_t>(offset), static_cast<uint8_t>(offset >> 8),
                                    static_cast<uint8_t>(offset >> 16), static_cast<uint8_t>(offset >> 24)};
        return write(header, sizeof header) && write(block.data(), block.size());
    };
    return WriteWholeThenPublish(ops, sPath, bmp, [&](const std::string& sTemp) {
        return publish([&] { return ops.Replace(sTemp, sPath); });
    });
}

bool WriteWallpaperFile(Environment& env, const Image& picture, const std::string& sPath) {
    return WriteWallpaperFile(env, picture, sPath, [](const std::function<bool()>& rename) { return rename(); });
}

int ActiveDesktopStyleFor(int iTileFlag, int iStyle) {
    if (iTileFlag) return kWpStyleTile;
    if (iStyle == kWallpaperStyleSpan) return kWpStyleSpan;
    if (iStyle != 0) return kWpStyleStretch;
    return kWpStyleCenter;
}

void ApplyWallpaper(RegistryStore& registry, Desktop& desktop, ActiveDesktop* pActiveDesktop, bool bUsingActiveDesktop,
                    const std::string& sPath, int iTileFlag, int iStyle) {
    WriteDesktopString(registry, kDesktopKey, "Wallpaper", sPath);
    if (pActiveDesktop && bUsingActiveDesktop) {
        pActiveDesktop->SetWallpaper(sPath);
        pActiveDesktop->SetWallpaperOptions(ActiveDesktopStyleFor(iTileFlag, iStyle));
        pActiveDesktop->ApplyChanges(kActiveDesktopApplyFlags);
        return;
    }
    WriteDesktopString(registry, kDesktopKey, "TileWallpaper", std::to_string(iTileFlag));
    WriteDesktopString(registry, kDesktopKey, "WallpaperStyle", std::to_string(iStyle));
    desktop.SetWallpaper(sPath);
}

std::string BackgroundColorText(Color c) {
    return std::to_string(RedOf(c)) + " " + std::to_string(GreenOf(c)) + " " + std::to_string(BlueOf(c));
}

void ApplyBackgroundColor(RegistryStore& registry, Desktop& desktop, Color c) {
    c &= 0xFFFFFF;  // a colour from a hand-edited registry may carry junk in the top byte
    if (c == desktop.GetBackgroundColor()) return;
    desktop.SetBackgroundColor(c);
    WriteDesktopString(registry, kColorsKey, "Background", BackgroundColorText(c));
}

}  // namespace mv
