#pragma once
#include <windows.h>

#include <ctime>
#include <functional>
#include <string>

#include "config/Settings.h"
#include "wallpaper/DatePlacement.h"
#include "wallpaper/DefaultChangeSteps.h"

namespace mv {

// Draws today's date on a composed 24-bit picture with GDI: the font from
// FontName, Bold, Italics and FontSize, the placement from Position and the
// taskbar, a transparent background or a box of BackgroundColor.
class Win32DateStamper : public DateStamper {
public:
    using TaskbarQuery = std::function<TaskbarInfo()>;
    using Clock = std::function<std::tm()>;

    // The settings are read at every stamp. Without a taskbar query the
    // shell is asked (QueryTaskbar); without a clock the local time is used.
    explicit Win32DateStamper(const Settings& settings, TaskbarQuery taskbar = {}, Clock clock = {});
    ~Win32DateStamper() override = default;

    void StampDate(Image& screen, Color text) override;

    // SHAppBarMessage(ABM_GETTASKBARPOS), widened to the taskbar window
    // when the answer is thinner than the window; all zero when the shell
    // cannot tell.
    static TaskbarInfo QueryTaskbar();

    // What the last StampDate did.
    struct Stamp {
        bool bDrawn = false;
        std::string sText;
        int iFontHeight = 0;   // the height the font was made with
        TextExtent extent;     // the text measured in that font
        TextPoint point;       // the left end of the baseline
        TaskbarInfo taskbar;
    };
    const Stamp& LastStamp() const { return m_last; }

protected:
    // CreateFontA with the date's settings; null when no font can be made.
    virtual HFONT CreateDateFont(int iHeight);

private:
    const Settings& m_settings;
    TaskbarQuery m_taskbar;
    Clock m_clock;
    Stamp m_last;
};

}  // namespace mv
