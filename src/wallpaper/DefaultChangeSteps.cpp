#include "wallpaper/DefaultChangeSteps.h"

#include <new>

#include "image/ByteSource.h"
#include "image/DibDraw.h"
#include "image/ImageBMP.h"
#include "image/PictureFile.h"
#include "wallpaper/Apply.h"
#include "wallpaper/Compose.h"

namespace mv {

DecodeLimits DefaultChangeSteps::Limits() const {
    DecodeLimits limits;
    limits.background = m_settings.BackgroundColor;  // around and under a GIF's picture
    return limits;
}

std::unique_ptr<Image> DefaultChangeSteps::Decode(DecoderKind, const std::string& sPath) {
    return DecodePictureFile(sPath, Limits());
}

std::optional<Size> DefaultChangeSteps::PictureSize(DecoderKind, const std::string& sPath) {
    FileSource file(sPath);
    if (!file.IsOpen()) return std::nullopt;
    // A BMP file is read whole: it has no route straight to a size.
    const PictureDecoder* decoder = DecoderFor(PictureFileFormat(file, sPath));
    int width = 0, height = 0;
    if (!decoder || !decoder->decodeResized || !decoder->readSize || !decoder->readSize(file, width, height, Limits()))
        return std::nullopt;
    return Size{width, height};
}

Image DefaultChangeSteps::DecodeResized(DecoderKind, const std::string& sPath, Size size, Color& average) {
    FileSource file(sPath);
    if (!file.IsOpen()) return Image();
    const PictureDecoder* decoder = DecoderFor(PictureFileFormat(file, sPath));
    if (!decoder || !decoder->decodeResized) return Image();
    return decoder->decodeResized(file, size.cx, size.cy, &average, Limits());
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
