#include "wallpaper/DefaultChangeSteps.h"

#include <climits>
#include <new>

#include "image/ByteSource.h"
#include "image/DibDraw.h"
#include "image/ImageBMP.h"
#include "image/ImageJPEG.h"
#include "image/ImagePNG.h"
#include "wallpaper/Apply.h"
#include "wallpaper/Compose.h"

namespace mv {

std::unique_ptr<Image> DefaultChangeSteps::Decode(DecoderKind kind, const std::string& sPath) {
    try {
        switch (kind) {
        case DecoderKind::Bmp:
            return std::make_unique<ImageBMP>(sPath);
        case DecoderKind::Png:
            return std::make_unique<ImagePNG>(sPath);
        case DecoderKind::Jpeg:
        default:
            return std::make_unique<ImageJPEG>(sPath);
        }
    } catch (const std::bad_alloc&) {
        // A picture too large for the memory there is counts as one that cannot be read.
        return std::make_unique<Image>();
    }
}

std::optional<Size> DefaultChangeSteps::PictureSize(DecoderKind kind, const std::string& sPath) {
    if (kind == DecoderKind::Bmp) return std::nullopt;
    FileSource file(sPath);
    int width = 0, height = 0;
    if (!file.IsOpen()) return std::nullopt;
    const bool bKnown = kind == DecoderKind::Png ? ImagePNG::ReadSize(file, width, height)
                                                 : ImageJPEG::ReadSize(file, width, height);
    if (!bKnown) return std::nullopt;
    return Size{width, height};
}

std::optional<Size> PictureSizeFromHeader(const std::string& sPath, const std::string& sExt) {
    const DecoderKind kind = DecoderForExtension(sExt);
    if (ExtensionIs(sExt, "gif")) return std::nullopt;
    FileSource file(sPath);
    if (!file.IsOpen()) return std::nullopt;
    int width = 0, height = 0;
    bool bKnown = false;
    if (kind == DecoderKind::Bmp) {
        // The file header, then the width and height of a core (16-bit) or
        // a Windows (32-bit, height signed for top-down rows) header.
        uint8_t h[26] = {};
        if (!file.ReadAt(0, h, sizeof h) || h[0] != 'B' || h[1] != 'M') return std::nullopt;
        const uint32_t headerSize = h[14] | h[15] << 8 | h[16] << 16 | static_cast<uint32_t>(h[17]) << 24;
        if (headerSize == 12) {
            width = h[18] | h[19] << 8;
            height = h[20] | h[21] << 8;
        } else {
            width = static_cast<int32_t>(h[18] | h[19] << 8 | h[20] << 16 | static_cast<uint32_t>(h[21]) << 24);
            const int32_t iHeight =
                static_cast<int32_t>(h[22] | h[23] << 8 | h[24] << 16 | static_cast<uint32_t>(h[25]) << 24);
            height = iHeight == INT32_MIN ? 0 : iHeight < 0 ? -iHeight : iHeight;
        }
        bKnown = width > 0 && height > 0;
    } else {
        bKnown = kind == DecoderKind::Png ? ImagePNG::ReadSize(file, width, height)
                                          : ImageJPEG::ReadSize(file, width, height);
    }
    if (!bKnown) return std::nullopt;
    return Size{width, height};
}

Image DefaultChangeSteps::DecodeResized(DecoderKind kind, const std::string& sPath, Size size, Color& average) {
    FileSource file(sPath);
    if (!file.IsOpen()) return Image();
    return kind == DecoderKind::Png ? ImagePNG::DecodeResized(file, size.cx, size.cy, &average)
                                    : ImageJPEG::DecodeResized(file, size.cx, size.cy, &average);
}

Image DefaultChangeSteps::DrawToWorking(std::unique_ptr<Image> picture) {
    if (!picture || !picture->IsValid()) return Image();
    const DibHeader h = picture->Header();
    // Bottom-up 24-bit rows right behind the header: the working picture already.
    if (h.biBitCount == 24 && h.biCompression == kBiRgb && h.biHeight > 0 && h.biClrUsed == 0)
        return Image(std::move(*picture));
    return DrawTo24(*picture);
}

Image DefaultChangeSteps::MakeSeamlessTile(const Image& picture) { return ::mv::MakeSeamlessTile(picture); }

Image DefaultChangeSteps::ComposeTiled(const Image& tile, Size screen) {
    return ComposeTiledScreen(tile, screen, m_settings.SmartTiling);
}

Image DefaultChangeSteps::ComposeScreen(const Image& picture, bool bStretch, Size screen, Color background) {
    return ComposeCentredOrStretched(picture, bStretch, screen, background);
}

void DefaultChangeSteps::StampDate(Image& screen, Color text) {
    if (m_pDate) m_pDate->StampDate(screen, text);
}

void DefaultChangeSteps::StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) {
    if (m_pDate) m_pDate->StampDateClearOf(screen, text, taskbar);
}

Image DefaultChangeSteps::ReadCurrentWallpaper(const std::string& sPath) {
    try {
        ImageBMP current(sPath);
        return DrawToWorking(std::make_unique<ImageBMP>(std::move(current)));
    } catch (const std::bad_alloc&) {
        return Image();
    }
}

bool DefaultChangeSteps::WriteWallpaper(const Image& picture, const std::string& sPath) {
    return WriteWallpaperFile(m_env, picture, sPath);
}

void DefaultChangeSteps::ApplyWallpaper(const std::string& sPath, int iTileFlag, int iStyle) {
    bool bUsing = m_isUsingActiveDesktop && m_isUsingActiveDesktop();
    ::mv::ApplyWallpaper(m_registry, m_desktop, m_pActiveDesktop, bUsing, sPath, iTileFlag, iStyle);
}

void DefaultChangeSteps::ApplyBackgroundColor(Color c) { ::mv::ApplyBackgroundColor(m_registry, m_desktop, c); }

void DefaultChangeSteps::ApplyIconTextColor(Color c) {
    if (m_pCaptions) m_pCaptions->ApplyIconTextColor(c);
}

}  // namespace mv
