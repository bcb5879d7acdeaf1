#include "wallpaper/BackgroundChanger.h"

#include <cctype>
#include <optional>

#include "Patterns/ColorHSL.h"
#include "app/OutputFolder.h"

namespace mv {

bool ExtensionIs(const std::string& sExt, const char* sWanted) {
    size_t i = 0;
    for (; i < sExt.size() && sWanted[i]; ++i)
        if (std::tolower(static_cast<unsigned char>(sExt[i])) != sWanted[i]) return false;
    return i == sExt.size() && sWanted[i] == '\0';
}

DecoderKind DecoderForExtension(const std::string& sExt) {
    if (ExtensionIs(sExt, "bmp")) return DecoderKind::Bmp;
    if (ExtensionIs(sExt, "png")) return DecoderKind::Png;
    return DecoderKind::Jpeg;
}

Color BackgroundChanger::IconColorForSample(Color sample) {
    return ColorHSL(sample).GetL() < 0.5f ? kWhite : kBlack;
}

bool BackgroundChanger::ChangeBackground(std::string sFilePathName, std::string sExt, Color colorHint,
                                         bool bForcePosition, bool bDoTiling, bool bDoStretching,
                                         bool bDoTileSeamless) {
    Settings& settings = m_ctx.settings;
    ChangeSteps& steps = m_ctx.steps;
    TraceSink* trace = m_ctx.trace;
    m_lastComposition = Composition::None;

    bool bAddDate = settings.ShowDate;
    MV_TRACE(trace, sFilePathName);
    MV_TRACE(trace, sExt);
    MV_TRACE(trace, bForcePosition);
    MV_TRACE(trace, bDoTiling);
    MV_TRACE(trace, bDoStretching);
    MV_TRACE(trace, bDoTileSeamless);
    MV_TRACE(trace, bAddDate);

    // Recorded before decoding, so a picture that fails still shows as the last one tried.
    m_ctx.profile.WriteString(kConfigSection, "LastImageShown", sFilePathName);

    const std::string sOutputPath = OutputFile(m_ctx.env, kWallpaperFileName);

    bool bIsGif = false;
    bool bUseDirectImage = false;
    std::unique_ptr<Image> picture;
    // The size alone first, where the header tells it: the layout decides
    // whether the picture is decoded whole or straight to the screen's size.
    std::optional<Size> probed;
    const DecoderKind kind = DecoderForExtension(sExt);
    if (ExtensionIs(sExt, "gif") && m_ctx.isUsingActiveDesktop && m_ctx.isUsingActiveDesktop()) {
        // The shell shows a GIF itself; it is neither decoded nor dated.
        bUseDirectImage = true;
        bIsGif = true;
        bAddDate = false;
    } else {
        probed = steps.PictureSize(kind, sFilePathName);
        if (!probed) picture = steps.Decode(kind, sFilePathName);
    }
    MV_TRACE(trace, bUseDirectImage);
    if (trace && trace->IsOn())
        trace->TraceLine(FormatTrace(__FILE__, __LINE__, "gApp.IsUsingActiveDesktop()",
                                     (m_ctx.isUsingActiveDesktop && m_ctx.isUsingActiveDesktop()) ? 1 : 0));

    const bool bDecoded = probed || (picture && picture->IsValid());
    if (!bIsGif && !bDecoded) return true;  // nothing written, nothing applied

    uint64_t pictureArea = probed    ? static_cast<uint64_t>(probed->cx) * static_cast<uint64_t>(probed->cy)
                           : bDecoded ? static_cast<uint64_t>(picture->Width()) * picture->Height()
                                      : 0;
    Size screen = m_ctx.desktop.ScreenSize();
    uint64_t screenArea = screen.cx > 0 && screen.cy > 0 ? static_cast<uint64_t>(screen.cx) * screen.cy : 0;

    ForcedLayout forced{bForcePosition, bDoTiling, bDoStretching, bDoTileSeamless};
    LayoutDecision layout =
        DecideLayout(forced, bIsGif, pictureArea, screenArea, settings.TilePercentage, settings.StretchPercentage);
    bool bTiling = layout.bTiling;
    if (screenArea != 0) {
        MV_TRACE(trace, bTiling);
        MV_TRACE(trace, bIsGif);
    }

    // A picture stretched over a smaller screen is decoded straight to the
    // screen's size; it is then written at that size, not its own.
    Image resized;
    Color resizedAverage = 0;
    if (probed) {
        if (layout.bStretch && screenArea != 0 && (probed->cx > screen.cx || probed->cy > screen.cy)) {
            resized = steps.DecodeResized(kind, sFilePathName, screen, resizedAverage);
            if (!resized.IsValid()) return true;
        } else {
            picture = steps.Decode(kind, sFilePathName);
            if (!picture || !picture->IsValid()) return true;
        }
    }

    Color iconColor = settings.IconTextColor;
    const Color backgroundColor = settings.BackgroundColor;
    if (!bIsGif && bDecoded && settings.ChooseIconColor && (resized.IsValid() || picture->HasDeepColor()) &&
        (layout.bTiling || layout.bStretch)) {
        Color sample = colorHint != 0 ? colorHint : resized.IsValid() ? resizedAverage : picture->AverageColor();
        iconColor = IconColorForSample(sample);
    }

    std::string sWallpaperPath = sOutputPath;
    if (bUseDirectImage || !bDecoded) {
        sWallpaperPath = sFilePathName;
    } else {
        // A picture that cannot be composed or written (out of memory, a
        // full disk) changes nothing: the desktop keeps what it shows.
        Image working = resized.IsValid() ? std::move(resized) : steps.DrawToWorking(std::move(picture));
        if (!working.IsValid()) return true;
        const bool bScreenSizedAlready = working.Width() == screen.cx && working.Height() == screen.cy && layout.bStretch;
        const bool bSeamless = (!bForcePosition && settings.CreateSeamless) || (bForcePosition && bDoTileSeamless);
        const bool bScreenSized = bAddDate || settings.SmartTiling != 0;
        Image result;
        if (bTiling && bSeamless && bScreenSized) {
            m_lastComposition = Composition::SeamlessScreen;
            Image tile = steps.MakeSeamlessTile(working);
            result = steps.ComposeTiled(tile.IsValid() ? tile : working, screen);
        } else if (bTiling && bSeamless) {
            m_lastComposition = Composition::SeamlessTile;
            result = steps.MakeSeamlessTile(working);
            if (!result.IsValid()) result = std::move(working);
        } else if (bTiling && bScreenSized) {
            m_lastComposition = Composition::TiledScreen;
            result = steps.ComposeTiled(working, screen);
        } else if (!bAddDate) {
            m_lastComposition = Composition::PictureItself;
            result = std::move(working);
        } else if (bScreenSizedAlready) {
            m_lastComposition = Composition::DatedScreen;
            result = std::move(working);
        } else {
            m_lastComposition = Composition::DatedScreen;
            result = steps.ComposeScreen(working, layout.bStretch, screen, backgroundColor);
        }
        if (!result.IsValid()) return true;
        const bool bFillsScreen = m_lastComposition == Composition::SeamlessScreen ||
                                  m_lastComposition == Composition::TiledScreen ||
                                  m_lastComposition == Composition::DatedScreen;
        if (bFillsScreen) {
            if (bAddDate) steps.StampDate(result, iconColor);
            layout.iTileFlag = 0;
            layout.iStyle = 0;
            layout.bTiling = layout.bStretch = false;
        }
        if (!steps.WriteWallpaper(result, sOutputPath)) return true;
    }

    steps.ApplyWallpaper(sWallpaperPath, layout.iTileFlag, layout.iStyle);
    steps.ApplyBackgroundColor(backgroundColor);
    steps.ApplyIconTextColor(iconColor);
    return true;
}

}  // namespace mv
