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
#include "wallpaper/Layout.h"

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
    virtual void StampDate(Image& screen, Color text) = 0;
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
enum class Composition { None, SeamlessScreen = 1, SeamlessTile = 2, TiledScreen = 3, PictureItself = 4, DatedScreen = 5 };

// Turns one picture file into the desktop wallpaper.
class BackgroundChanger {
public:
    explicit BackgroundChanger(ChangeContext ctx) : m_ctx(std::move(ctx)) {}
    virtual ~BackgroundChanger() = default;

    // Always true: a picture that cannot be decoded leaves the desktop as it was.
    bool ChangeBackground(std::string sFilePathName, std::string sExt, Color colorHint,
                          bool bForcePosition, bool bDoTiling, bool bDoStretching, bool bDoTileSeamless);

    Composition LastComposition() const { return m_lastComposition; }

    // Black captions on light pictures, white on dark ones.
    static Color IconColorForSample(Color sample);

private:
    ChangeContext m_ctx;
    Composition m_lastComposition = Composition::None;
};

}  // namespace mv
