#pragma once
#include <cstdint>
#include <ctime>
#include <string>

namespace mv {

// Where the shell's taskbar is: the edge it sits on and its rectangle, as
// ABM_GETTASKBARPOS reports them. All zero (left edge, empty rectangle) when
// the shell cannot tell.
enum TaskbarEdge : int { kEdgeLeft = 0, kEdgeTop = 1, kEdgeRight = 2, kEdgeBottom = 3 };
struct TaskbarInfo {
    int edge = kEdgeLeft;
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The shell's taskbar answer, or the taskbar window's own rectangle (its
// edge not used) when that window is thicker across the answer's edge and
// overlaps the answer's rectangle. Some shells answer with a one-pixel strip
// along the screen's edge while the taskbar itself covers twenty pixels or
// more. An empty answer (the shell could not tell) is kept as it is.
TaskbarInfo WidenTaskbar(const TaskbarInfo& answer, const TaskbarInfo& window);

// The date text as measured in the chosen font: cx, cy from the text extent;
// ascent and descent of the font (cy is normally their sum).
struct TextExtent {
    int cx = 0;
    int cy = 0;
    int ascent = 0;
    int descent = 0;
};

// The left end of the text's baseline.
struct TextPoint {
    int x = 0;
    int y = 0;
};

// The date positions of the Date page.
enum DatePosition : uint32_t {
    kDateTopLeft = 0,
    kDateTopRight = 1,
    kDateBottomLeft = 2,
    kDateBottomRight = 3,
    kDateCentred = 4
};

// Sizes the Date page accepts, in points. A hand-edited value outside them
// is brought to the nearer end before the font is made, so 0 or 5000 still
// gives a readable date.
constexpr uint32_t kMinDateFontSize = 8;
constexpr uint32_t kMaxDateFontSize = 72;

// Font height for CreateFont: -((size x dpi) / 60), a character height in
// pixels at 1.2 times the usual point conversion. The size is held to the
// Date page's range first; a dpi below 1 counts as 96.
int DateFontHeight(uint32_t uFontSize, int iLogPixelsY);

// A smaller font height (same sign as iHeight) when the measured text is
// wider or taller than the picture; iHeight itself when the text fits.
// Never smaller in magnitude than 1.
int FitDateFontHeight(int iHeight, const TextExtent& extent, int iWidth, int iPictureHeight);

// The placement table: baseline point of the text for Position 0..4 on a
// W x H picture, moved off the taskbar where it sits on the same side. Any
// other Position draws at (0, 0). Integer divisions truncate toward zero.
TextPoint PlaceDate(uint32_t uPosition, int W, int H, int cx, int cy, const TaskbarInfo& taskbar);

// Moves a baseline point so the text box [x, x + cx) x [y - ascent, y + descent)
// lies inside the W x H picture. A point that already keeps the text inside
// is returned unchanged; text larger than the picture starts at its top left.
TextPoint KeepDateInside(TextPoint point, int W, int H, const TextExtent& extent);

// The long date of the runtime's current locale with a space before and
// after: strftime's " %#x " on Windows; elsewhere (and when the runtime cannot
// format) the English long date, "Monday, December 7, 2026". The Windows date
// stamp and the Date page's sample use the system's long date of the user's
// locale instead (LocalLongDate), which is right whatever the code page.
std::string DateStampText(const std::tm& when);
std::string EnglishLongDate(const std::tm& when);

}  // namespace mv
