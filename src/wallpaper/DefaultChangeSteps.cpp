#include "wallpaper/DefaultChangeSteps.h"

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
