#include "wallpaper/DefaultChangeSteps.h"

#include <new>

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

Image DefaultChangeSteps::DrawToWorking(const Image& picture) { return DrawTo24(picture); }

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
