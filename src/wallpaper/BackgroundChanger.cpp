#include "wallpaper/BackgroundChanger.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <optional>

#include "Patterns/ColorHSL.h"
#include "app/OutputFolder.h"
#include "image/ByteSource.h"
#include "image/PictureFile.h"
#include "wallpaper/Apply.h"
#include "wallpaper/Compose.h"

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

bool ChangeSteps::IsGifFile(const std::string& sPath) {
    FileSource file(sPath);
    return file.IsOpen() && SniffFormat(file) == PictureFormat::Gif;
}

Image ChangeSteps::ComposeFittedScreen(const Image& picture, Size original, Size screen, PictureFit fit,
                                       Color background) {
    return ComposeFittedDecoded(picture, original, screen, fit, background);
}

namespace {

std::string FailureText(const char* sWhat, const std::string& sPath) {
    constexpr size_t kTipChars = 63;  // what every shell's tray takes
    std::string sText = std::string("Murivane: ") + sWhat + " ";
    const size_t room = kTipChars - sText.size();
    if (sPath.size() <= room) return sText + sPath;
    // The end of the path, cut at a character's start (the path is UTF-8).
    size_t from = sPath.size() - (room - 3);
    while (from < sPath.size() && (static_cast<unsigned char>(sPath[from]) & 0xC0) == 0x80) ++from;
    return sText + "..." + sPath.substr(from);
}

}  // namespace

std::string ReadFailureText(const std::string& sPicture) { return FailureText("could not read", sPicture); }
std::string MemoryFailureText(const std::string& sPicture) {
    return FailureText("not enough memory to show", sPicture);
}
std::string WriteFailureText(const std::string& sWallpaper) { return FailureText("could not write", sWallpaper); }
std::string MissingFolderText(const std::string& sFolder) { return FailureText("cannot find the folder", sFolder); }

void BackgroundChanger::Fail(std::string sText) {
    if (!m_sFailure.empty()) return;
    m_sFailure = std::move(sText);
    TraceSink* trace = m_ctx.trace;
    MV_TRACE(trace, m_sFailure);
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
    m_sFailure.clear();

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
    const ForcedLayout forced{bForcePosition, bDoTiling, bDoStretching, bDoTileSeamless};
    Area area;
    if (!ComposeArea(sFilePathName, sExt, colorHint, forced, m_ctx.desktop.ScreenSize(), false, bAddDate, area))
        return true;  // nothing written, nothing applied

    std::string sWallpaperPath = sOutputPath;
    if (area.bUseDirectImage) {
        sWallpaperPath = sFilePathName;
    } else {
        const bool bFillsScreen = m_lastComposition == Composition::SeamlessScreen ||
                                  m_lastComposition == Composition::TiledScreen ||
                                  m_lastComposition == Composition::DatedScreen ||
                                  m_lastComposition == Composition::FittedScreen;
        if (bFillsScreen) {
            if (bAddDate) steps.StampDate(area.image, area.iconColor);
            area.layout.iTileFlag = 0;
            area.layout.iStyle = 0;
            area.layout.bTiling = area.layout.bStretch = false;
        }
        if (!steps.WriteWallpaper(area.image, sOutputPath)) {
            Fail(WriteFailureText(sOutputPath));
            return true;
        }
    }

    steps.ApplyWallpaper(sWallpaperPath, area.layout.iTileFlag, area.layout.iStyle);
    steps.ApplyBackgroundColor(settings.BackgroundColor);
    steps.ApplyIconTextColor(area.iconColor);
    return true;
}

bool BackgroundChanger::ComposeArea(const std::string& sFilePathName, const std::string& sExt, Color colorHint,
                                    const ForcedLayout& forced, Size screen, bool bFill, bool& bAddDate,
                                    Area& area) {
    Settings& settings = m_ctx.settings;
    ChangeSteps& steps = m_ctx.steps;
    TraceSink* trace = m_ctx.trace;

    bool bIsGif = false;
    bool bUseDirectImage = false;
    std::unique_ptr<Image> picture;
    // The size alone first, where the header tells it: the layout decides
    // whether the picture is decoded whole or straight to the screen's size.
    std::optional<Size> probed;
    const DecoderKind kind = DecoderForExtension(sExt);
    if (!bFill && m_ctx.isUsingActiveDesktop && m_ctx.isUsingActiveDesktop() && steps.IsGifFile(sFilePathName)) {
        // The shell shows a GIF itself; it is neither decoded nor dated. As
        // one monitor's part of a bitmap it is decoded like any picture.
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
    if (!bIsGif && !bDecoded) {
        Fail(ReadFailureText(sFilePathName));
        return false;
    }

    uint64_t pictureArea = probed    ? static_cast<uint64_t>(probed->cx) * static_cast<uint64_t>(probed->cy)
                           : bDecoded ? static_cast<uint64_t>(picture->Width()) * picture->Height()
                                      : 0;
    uint64_t screenArea = screen.cx > 0 && screen.cy > 0 ? static_cast<uint64_t>(screen.cx) * screen.cy : 0;
    if (bFill && screenArea == 0) return false;

    LayoutDecision layout =
        DecideLayout(forced, bIsGif, pictureArea, screenArea, settings.TilePercentage, settings.StretchPercentage);
    bool bTiling = layout.bTiling;
    if (screenArea != 0) {
        MV_TRACE(trace, bTiling);
        MV_TRACE(trace, bIsGif);
    }

    // A picture to be stretched keeps its shape unless the setting asks for a
    // plain stretch or its shape is already the screen's: it is then composed
    // into a screen-sized picture here rather than stretched by the shell.
    const Size original = probed ? *probed : bDecoded ? Size{picture->Width(), picture->Height()} : Size{};
    const PictureFit requestedFit = PictureFitFromValue(settings.PictureFit);
    const bool bFitted = bDecoded && !bTiling && layout.bStretch && screenArea != 0 &&
                         ResolvePictureFit(original, screen, requestedFit) != PictureFit::Stretch;

    // A picture stretched over a smaller screen is decoded straight to the
    // screen's size (one that keeps its shape, to the size it is shown at);
    // it is then written at that size, not its own.
    Image resized;
    Color resizedAverage = 0;
    if (probed) {
        const Size fittedSize = bFitted ? DecodeSizeForFit(*probed, screen, requestedFit) : *probed;
        if (bFitted && (fittedSize.cx != probed->cx || fittedSize.cy != probed->cy)) {
            resized = steps.DecodeResized(kind, sFilePathName, fittedSize, resizedAverage);
            if (!resized.IsValid()) {
                Fail(ReadFailureText(sFilePathName));
                return false;
            }
        } else if (!bFitted && layout.bStretch && screenArea != 0 && (probed->cx > screen.cx || probed->cy > screen.cy)) {
            resized = steps.DecodeResized(kind, sFilePathName, screen, resizedAverage);
            if (!resized.IsValid()) {
                Fail(ReadFailureText(sFilePathName));
                return false;
            }
        } else {
            picture = steps.Decode(kind, sFilePathName);
            if (!picture || !picture->IsValid()) {
                Fail(ReadFailureText(sFilePathName));
                return false;
            }
        }
    }

    area.iconColor = settings.IconTextColor;
    // A fitted picture's caption colour comes from what is shown, once composed.
    const bool bChooseIconColor = !bIsGif && bDecoded && settings.ChooseIconColor &&
                                  (resized.IsValid() || picture->HasDeepColor()) &&
                                  (layout.bTiling || layout.bStretch);
    if (bChooseIconColor && !bFitted) {
        Color sample = colorHint != 0 ? colorHint : resized.IsValid() ? resizedAverage : picture->AverageColor();
        area.iconColor = IconColorForSample(sample);
    }
    area.layout = layout;
    area.bUseDirectImage = bUseDirectImage || !bDecoded;
    if (area.bUseDirectImage) return true;

    // A picture that cannot be composed or written (out of memory, a
    // full disk) changes nothing: the desktop keeps what it shows.
    Image working = resized.IsValid() ? std::move(resized) : steps.DrawToWorking(std::move(picture));
    if (!working.IsValid()) {
        Fail(MemoryFailureText(sFilePathName));
        return false;
    }
    const bool bScreenSizedAlready =
        working.Width() == screen.cx && working.Height() == screen.cy && layout.bStretch && !bFitted;
    const bool bSeamless =
        (!forced.bForcePosition && settings.CreateSeamless) || (forced.bForcePosition && forced.bDoTileSeamless);
    const bool bScreenSized = bFill || bAddDate || settings.SmartTiling != 0;
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
    } else if (bFitted) {
        m_lastComposition = Composition::FittedScreen;
        result = steps.ComposeFittedScreen(working, original, screen, requestedFit, settings.BackgroundColor);
        if (result.IsValid() && bChooseIconColor)
            area.iconColor = IconColorForSample(colorHint != 0 ? colorHint : result.AverageColor());
    } else if (!bAddDate && !bFill) {
        m_lastComposition = Composition::PictureItself;
        result = std::move(working);
    } else if (bScreenSizedAlready) {
        m_lastComposition = Composition::DatedScreen;
        result = std::move(working);
    } else {
        m_lastComposition = Composition::DatedScreen;
        result = steps.ComposeScreen(working, layout.bStretch, screen, settings.BackgroundColor);
    }
    if (!result.IsValid()) {
        Fail(MemoryFailureText(sFilePathName));
        return false;
    }
    area.image = std::move(result);
    return true;
}

TaskbarInfo TaskbarOfMonitor(const Monitor& m) {
    const Rect& r = m.rect;
    const Rect& w = m.work;
    TaskbarInfo t;
    auto relative = [&](int left, int top, int right, int bottom) {
        t.left = left - r.left;
        t.top = top - r.top;
        t.right = right - r.left;
        t.bottom = bottom - r.top;
    };
    if (w.IsEmpty()) return t;
    if (w.bottom < r.bottom) {
        t.edge = kEdgeBottom;
        relative(r.left, w.bottom, r.right, r.bottom);
    } else if (w.top > r.top) {
        t.edge = kEdgeTop;
        relative(r.left, r.top, r.right, w.top);
    } else if (w.left > r.left) {
        t.edge = kEdgeLeft;
        relative(r.left, r.top, w.left, r.bottom);
    } else if (w.right < r.right) {
        t.edge = kEdgeRight;
        relative(w.right, r.top, r.right, r.bottom);
    }
    return t;
}

namespace {
void Fill24(Image& image, Color c) {
    const uint8_t bgr[3] = {static_cast<uint8_t>(BlueOf(c)), static_cast<uint8_t>(GreenOf(c)),
                            static_cast<uint8_t>(RedOf(c))};
    for (int y = 0; y < image.Height(); ++y) {
        uint8_t* row = image.Row24(y);
        for (int x = 0; x < image.Width(); ++x) std::memcpy(row + 3 * x, bgr, 3);
    }
}
}  // namespace

bool BackgroundChanger::ChangeBackgroundMonitors(const MonitorLayout& layout, bool bAcross,
                                                 const std::vector<MonitorPicture>& pictures,
                                                 WallpaperArrangement arrangement, const ForcedLayout& forced) {
    Settings& settings = m_ctx.settings;
    ChangeSteps& steps = m_ctx.steps;
    TraceSink* trace = m_ctx.trace;
    m_lastComposition = Composition::None;
    m_sFailure.clear();
    const int iPrimary = layout.PrimaryIndex();
    if (iPrimary < 0 || pictures.empty()) return true;
    const Rect bounds = layout.Bounds();
    const Monitor& primary = layout.Primary();
    const Point origin{primary.rect.left, primary.rect.top};

    // The last picture tried is the primary monitor's (or the only one).
    const size_t iShown = bAcross ? 0 : std::min(static_cast<size_t>(iPrimary), pictures.size() - 1);
    const MonitorPicture* pShown = &pictures[iShown];
    if (pShown->sPath.empty())
        for (const MonitorPicture& p : pictures)
            if (!p.sPath.empty()) pShown = &p;
    if (pShown->sPath.empty()) return true;
    std::string sFilePathName = pShown->sPath;
    MV_TRACE(trace, sFilePathName);
    m_ctx.profile.WriteString(kConfigSection, "LastImageShown", sFilePathName);

    const std::string sOutputPath = OutputFile(m_ctx.env, kWallpaperFileName);
    // The one picture of the whole desktop: one picture across composes
    // straight into it; each monitor's own picture is copied into its part.
    Image canvas;
    if (!bAcross) {
        canvas = Image::Create24(bounds.Width(), bounds.Height());
        if (!canvas.IsValid()) {
            Fail(MemoryFailureText(sFilePathName));
            return true;
        }
        Fill24(canvas, settings.BackgroundColor);
    }

    // What the monitors show now, read once and only when a monitor keeps it.
    bool bCurrentRead = false;
    Image current;
    auto keepCurrent = [&](const Monitor& m) -> bool {
        if (!bCurrentRead) {
            bCurrentRead = true;
            current = steps.ReadCurrentWallpaper(sOutputPath);
            if (current.IsValid() && current.BitCount() == 24 && current.Width() == canvas.Width() &&
                current.Height() == canvas.Height())
                UnarrangeForShell(current, bounds, origin, arrangement);
            else
                current = Image();
        }
        if (!current.IsValid()) return false;
        Image part = Crop24(current, {m.rect.left - bounds.left, m.rect.top - bounds.top, m.rect.right - bounds.left,
                                      m.rect.bottom - bounds.top});
        if (!part.IsValid()) return false;
        Blit24(part, canvas, m.rect.left - bounds.left, m.rect.top - bounds.top);
        return true;
    };

    bool bAny = false;
    Color iconColor = settings.IconTextColor;
    bool bAddDate = settings.ShowDate;
    // A primary monitor that keeps its picture keeps its date and the
    // captions' colour too: stamped again, the date would be drawn twice.
    bool bPrimaryKept = false;
    if (bAcross) {
        Area area;
        bool bUnused = false;
        if (ComposeArea(pictures[0].sPath, pictures[0].sExt, pictures[0].colorHint, forced,
                        {bounds.Width(), bounds.Height()}, true, bUnused, area) &&
            area.image.Width() == bounds.Width() && area.image.Height() == bounds.Height()) {
            canvas = std::move(area.image);
            iconColor = area.iconColor;
            bAny = true;
        }
    } else {
        for (size_t i = 0; i < layout.monitors.size(); ++i) {
            const Monitor& m = layout.monitors[i];
            const MonitorPicture* pPicture = i < pictures.size() ? &pictures[i] : nullptr;
            Area area;
            bool bUnused = false;
            if (pPicture && !pPicture->sPath.empty() &&
                ComposeArea(pPicture->sPath, pPicture->sExt, pPicture->colorHint, forced,
                            {m.rect.Width(), m.rect.Height()}, true, bUnused, area)) {
                Blit24(area.image, canvas, m.rect.left - bounds.left, m.rect.top - bounds.top);
                if (static_cast<int>(i) == iPrimary) iconColor = area.iconColor;
                bAny = true;
            } else if (keepCurrent(m) && static_cast<int>(i) == iPrimary) {
                bPrimaryKept = true;
            }
        }
    }
    if (!bAny) return true;

    if (bAddDate && !bPrimaryKept) {
        const Rect inCanvas{primary.rect.left - bounds.left, primary.rect.top - bounds.top,
                            primary.rect.right - bounds.left, primary.rect.bottom - bounds.top};
        Image part = Crop24(canvas, inCanvas);
        if (part.IsValid()) {
            steps.StampDateClearOf(part, iconColor, TaskbarOfMonitor(primary));
            Blit24(part, canvas, inCanvas.left, inCanvas.top);
        }
    }
    ArrangeForShell(canvas, bounds, origin, arrangement);
    if (!steps.WriteWallpaper(canvas, sOutputPath)) {
        Fail(WriteFailureText(sOutputPath));
        return true;
    }
    canvas = Image();

    if (arrangement == WallpaperArrangement::Span)
        steps.ApplyWallpaper(sOutputPath, 0, kWallpaperStyleSpan);
    else
        steps.ApplyWallpaper(sOutputPath, 1, 0);
    steps.ApplyBackgroundColor(settings.BackgroundColor);
    if (!bPrimaryKept) steps.ApplyIconTextColor(iconColor);
    return true;
}

}  // namespace mv
