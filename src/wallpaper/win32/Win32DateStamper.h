#pragma once
#include <windows.h>

#include <ctime>
#include <functional>
#include <string>

#include "config/Settings.h"
#include "wallpaper/DatePlacement.h"
#include "wallpaper/DefaultChangeSteps.h"

namespace mv {

// The long date of the user's locale, in the user's language and form, as
// the system formats it ("Montag, 7. Dezember 2026" for German). When the
// system cannot format the date, the runtime's long date of the locale taken
// at start-up; when that fails too, the English long date.
std::wstring LocalLongDate(const std::tm& when);
// UTF-16 to UTF-8.
std::string Utf8(const std::wstring& s);

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
    void StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) override;

    // SHAppBarMessage(ABM_GETTASKBARPOS), widened to the taskbar window
    // when the answer is thinner than the window; all zero when the shell
    // cannot tell.
    static TaskbarInfo QueryTaskbar();

    // The local time now.
    static std::tm LocalNow();

    // What the last StampDate did.
    struct Stamp {
        bool bDrawn = false;
        std::wstring wsText;
        std::string sText;  // wsText in UTF-8
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
    // pTaskbar: where the taskbar is, instead of asking the shell.
    void DrawDate(Image& screen, Color text, const TaskbarInfo* pTaskbar);

    const Settings& m_settings;
    TaskbarQuery m_taskbar;
    Clock m_clock;
    Stamp m_last;
};

}  // namespace mv
