#pragma once
#include "config/Settings.h"
#include "platform/ActiveDesktop.h"
#include "platform/Desktop.h"
#include "platform/Environment.h"
#include "platform/RegistryStore.h"
#include "wallpaper/BackgroundChanger.h"

namespace mv {

// Draws the date on a composed picture; the text painter is platform work.
class DateStamper {
public:
    virtual ~DateStamper() = default;
    virtual void StampDate(Image& screen, Color text) = 0;
    // The same, kept clear of the given taskbar instead of the shell's.
    virtual void StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) { StampDate(screen, text); }
};

// Sets the desktop icon captions' colours.
class IconCaptions {
public:
    virtual ~IconCaptions() = default;
    virtual void ApplyIconTextColor(Color c) = 0;
};

// The real steps of a change: the decoders (chosen by each file's signature,
// or by its name's extension where no signature matches; the pipeline's
// choice is not needed), the 24-bit composition, the wallpaper file and the shell.
class DefaultChangeSteps : public ChangeSteps {
public:
    DefaultChangeSteps(Settings& settings, RegistryStore& registry, Desktop& desktop, Environment& env,
                       ActiveDesktop* pActiveDesktop, std::function<bool()> isUsingActiveDesktop,
                       DateStamper* pDate = nullptr, IconCaptions* pCaptions = nullptr)
        : m_settings(settings),
          m_registry(registry),
          m_desktop(desktop),
          m_env(env),
          m_pActiveDesktop(pActiveDesktop),
          m_isUsingActiveDesktop(std::move(isUsingActiveDesktop)),
          m_pDate(pDate),
          m_pCaptions(pCaptions) {}

    std::unique_ptr<Image> Decode(DecoderKind kind, const std::string& sPath) override;
    std::optional<Size> PictureSize(DecoderKind kind, const std::string& sPath) override;
    Image DecodeResized(DecoderKind kind, const std::string& sPath, Size size, Color& average) override;
    Image DrawToWorking(std::unique_ptr<Image> picture) override;
    Image MakeSeamlessTile(const Image& picture) override;
    Image ComposeTiled(const Image& tile, Size screen) override;
    Image ComposeScreen(const Image& picture, bool bStretch, Size screen, Color background) override;
    void StampDate(Image& screen, Color text) override;
    void StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) override;
    Image ReadCurrentWallpaper(const std::string& sPath) override;
    bool WriteWallpaper(const Image& picture, const std::string& sPath) override;
    void ApplyWallpaper(const std::string& sPath, int iTileFlag, int iStyle) override;
    void ApplyBackgroundColor(Color c) override;
    void ApplyIconTextColor(Color c) override;

private:
    DecodeLimits Limits() const;

    Settings& m_settings;
    RegistryStore& m_registry;
    Desktop& m_desktop;
    Environment& m_env;
    ActiveDesktop* m_pActiveDesktop;
    std::function<bool()> m_isUsingActiveDesktop;
    DateStamper* m_pDate;
    IconCaptions* m_pCaptions;
};

}  // namespace mv
