#pragma once
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "Patterns/Color.h"
#include "config/Registry.h"
#include "config/Settings.h"
#include "image/Image.h"
#include "platform/Desktop.h"
#include "platform/Environment.h"
#include "platform/Trace.h"
#include "wallpaper/DatePlacement.h"
#include "wallpaper/Layout.h"
#include "wallpaper/MonitorLayout.h"
#include "wallpaper/PictureFit.h"

namespace mv {

enum class DecoderKind { Bmp, Png, Jpeg };

// Picks the decoder by extension, without regard to case; anything that is
// not BMP or PNG goes to the JPEG decoder.
DecoderKind DecoderForExtension(const std::string& sExt);
bool ExtensionIs(const std::string& sExt, const char* sWanted);

// The steps of a change that do the pixel work and talk to the shell. The
// pipeline decides which of them run and in which order.
class ChangeSteps {
public:
    virtual ~ChangeSteps() = default;
    virtual std::unique_ptr<Image> Decode(DecoderKind kind, const std::string& sPath) = 0;
    // Whether the file is a GIF by its first bytes, whatever its name says
    // (the shell is handed only real GIF files).
    virtual bool IsGifFile(const std::string& sPath);
    // The picture's size from its header alone, where the decoder can tell it
    // without decoding; nothing otherwise (the picture is then decoded first).
    virtual std::optional<Size> PictureSize(DecoderKind kind, const std::string& sPath) { return std::nullopt; }
    // The picture decoded straight to the given size, with the average colour
    // of the result; invalid on failure. For pictures stretched over a smaller
    // screen, so the full-size picture never has to exist.
    virtual Image DecodeResized(DecoderKind kind, const std::string& sPath, Size size, Color& average) {
        return Image();
    }
    // The decoded picture as a 24-bit working picture of its own size (a
    // picture that is one already is taken over, not copied); invalid when
    // the working picture cannot be made.
    virtual Image DrawToWorking(std::unique_ptr<Image> picture) = 0;
    virtual Image MakeSeamlessTile(const Image& picture) = 0;
    virtual Image ComposeTiled(const Image& tile, Size screen) = 0;
    virtual Image ComposeScreen(const Image& picture, bool bStretch, Size screen, Color background) = 0;
    // A picture stretched over an area with its shape kept (the PictureFit
    // setting): `picture` may be decoded at a reduced size, `original` is its
    // size as stored. Invalid when it cannot be made.
    virtual Image ComposeFittedScreen(const Image& picture, Size original, Size screen, PictureFit fit,
                                      Color background);
    virtual void StampDate(Image& screen, Color text) = 0;
    // The date on one monitor's area, kept clear of the given taskbar
    // (coordinates relative to the area) instead of the shell's.
    virtual void StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) { StampDate(screen, text); }
    // The wallpaper file as it is now, to keep monitors' current areas;
    // invalid when there is none.
    virtual Image ReadCurrentWallpaper(const std::string& sPath) { return Image(); }
    virtual bool WriteWallpaper(const Image& picture, const std::string& sPath) = 0;
    virtual void ApplyWallpaper(const std::string& sPath, int iTileFlag, int iStyle) = 0;
    virtual void ApplyBackgroundColor(Color c) = 0;
    virtual void ApplyIconTextColor(Color c) = 0;
};

// What one change reads: the settings, the profile (for LastImageShown), the
// screen, the output folder, the shell's state and the trace switch.
struct ChangeContext {
    Settings& settings;
    Profile& profile;
    Desktop& desktop;
    Environment& env;
    ChangeSteps& steps;
    std::function<bool()> isUsingActiveDesktop;
    TraceSink* trace = nullptr;
};

// Which composition a change used (for the trace and the tests).
// FittedScreen: a stretched picture made to cover the screen with its shape kept.
enum class Composition {
    None,
    SeamlessScreen = 1,
    SeamlessTile = 2,
    TiledScreen = 3,
    PictureItself = 4,
    DatedScreen = 5,
    FittedScreen = 6
};

// One monitor's picture in a change over several monitors. An empty path
// keeps what the monitor shows now.
struct MonitorPicture {
    std::string sPath;
    std::string sExt;
    Color colorHint = 0;  // the fractal's average colour, 0 for a picture
    bool operator==(const MonitorPicture& o) const {
        return sPath == o.sPath && sExt == o.sExt && colorHint == o.colorHint;
    }
};

// The taskbar of a monitor as its work area shows it, in coordinates
// relative to the monitor: the side the work area leaves free, and the
// strip it leaves. All zero when the work area is the whole monitor.
TaskbarInfo TaskbarOfMonitor(const Monitor& monitor);

// Turns one picture file into the desktop wallpaper.
class BackgroundChanger {
public:
    explicit BackgroundChanger(ChangeContext ctx) : m_ctx(std::move(ctx)) {}
    virtual ~BackgroundChanger() = default;

    // Always true: a picture that cannot be decoded leaves the desktop as it was.
    bool ChangeBackground(std::string sFilePathName, std::string sExt, Color colorHint,
                          bool bForcePosition, bool bDoTiling, bool bDoStretching, bool bDoTileSeamless);

    // The wallpaper over several monitors: one bitmap over the rectangle
    // that bounds them, shown with the arrangement. With bAcross the first
    // picture is laid out against the whole rectangle; otherwise picture i
    // is laid out on monitor i as if that monitor were the screen (the
    // picture of a monitor without one, or whose picture fails, keeps the
    // monitor's current area). Areas no monitor shows get the background
    // colour; the date goes on the primary monitor, clear of its taskbar, and
    // the caption colour comes from the primary monitor's picture. Nothing
    // is written or applied when no monitor gets a new picture. Always true.
    bool ChangeBackgroundMonitors(const MonitorLayout& layout, bool bAcross, const std::vector<MonitorPicture>& pictures,
                                  WallpaperArrangement arrangement, const ForcedLayout& forced = ForcedLayout());

    Composition LastComposition() const { return m_lastComposition; }
    // Why the last change left the desktop as it was, in a line for the
    // tray's tool tip; empty when it did not fail.
    const std::string& LastFailure() const { return m_sFailure; }

    // Black captions on light pictures, white on dark ones.
    static Color IconColorForSample(Color sample);

private:
    // One picture laid out on a screen of the given size.
    struct Area {
        Image image;            // the composed picture (invalid for a GIF the shell shows itself)
        LayoutDecision layout;  // what the shell is told when the picture is handed over as it is
        Color iconColor = 0;
        bool bUseDirectImage = false;  // the file itself becomes the wallpaper
    };
    // Decodes and composes; false when the picture cannot be used. bFill
    // always gives a screen-sized picture (no date); otherwise the
    // composition follows the five cases, with bAddDate deciding between them
    // (a GIF the shell shows itself clears it).
    bool ComposeArea(const std::string& sFilePathName, const std::string& sExt, Color colorHint,
                     const ForcedLayout& forced, Size screen, bool bFill, bool& bAddDate, Area& area);

    // Remembers the first failure of a change, and traces it.
    void Fail(std::string sText);

    ChangeContext m_ctx;
    Composition m_lastComposition = Composition::None;
    std::string m_sFailure;
};

// The tool tip's lines for a change that failed. A tray tool tip holds 63
// characters: a long path keeps its end, where the names are.
std::string ReadFailureText(const std::string& sPicture);
std::string MemoryFailureText(const std::string& sPicture);
std::string WriteFailureText(const std::string& sWallpaper);
std::string MissingFolderText(const std::string& sFolder);

}  // namespace mv
