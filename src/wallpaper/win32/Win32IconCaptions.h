#pragma once
#include <windows.h>

#include <functional>

#include "config/Settings.h"
#include "wallpaper/DefaultChangeSteps.h"

namespace mv {

// Sets the caption colours of the desktop's icon list view: the text in the
// colour chosen for this change, on no box (UseTransparentIcons) or on a box
// of BackgroundColor, then redraws the captions.
class Win32IconCaptions : public IconCaptions {
public:
    // The settings are read at every call; isUsingActiveDesktop is the
    // application's live answer (an empty function counts as false).
    Win32IconCaptions(const Settings& settings, std::function<bool()> isUsingActiveDesktop);
    ~Win32IconCaptions() override = default;

    void ApplyIconTextColor(Color c) override;

private:
    const Settings& m_settings;
    std::function<bool()> m_isUsingActiveDesktop;
};

}  // namespace mv
