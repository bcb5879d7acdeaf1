#include "wallpaper/DatePlacement.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

namespace mv {

namespace {
int ToInt(int64_t v) { return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }
}  // namespace

int DateFontHeight(uint32_t uFontSize, int iLogPixelsY) {
    const int64_t size = std::clamp(uFontSize, kMinDateFontSize, kMaxDateFontSize);
    const int64_t dpi = iLogPixelsY < 1 ? 96 : std::min(iLogPixelsY, 4800);
    return -static_cast<int>((size * dpi) / 60);
}

int FitDateFontHeight(int iHeight, const TextExtent& extent, int iWidth, int iPictureHeight) {
    const int64_t magnitude = std::llabs(static_cast<int64_t>(iHeight));
    const bool bTooWide = extent.cx > iWidth;
    const bool bTooTall = extent.cy > iPictureHeight;
    if ((!bTooWide && !bTooTall) || magnitude <= 1) return iHeight;
    int64_t fitted = magnitude;
    if (bTooWide && extent.cx > 0) fitted = std::min(fitted, magnitude * std::max(iWidth, 0) / extent.cx);
    if (bTooTall && extent.cy > 0) fitted = std::min(fitted, magnitude * std::max(iPictureHeight, 0) / extent.cy);
    // Always a step smaller, so a caller measuring again comes to an end.
    fitted = std::clamp<int64_t>(fitted, 1, magnitude - 1);
    return iHeight < 0 ? -static_cast<int>(fitted) : static_cast<int>(fitted);
}

TaskbarInfo WidenTaskbar(const TaskbarInfo& answer, const TaskbarInfo& window) {
    auto empty = [](const TaskbarInfo& t) { return t.right <= t.left || t.bottom <= t.top; };
    if (empty(answer) || empty(window)) return answer;
    const bool bOverlap = window.left < answer.right && answer.left < window.right && window.top < answer.bottom &&
                          answer.top < window.bottom;
    if (!bOverlap) return answer;
    const bool bAcross = answer.edge == kEdgeLeft || answer.edge == kEdgeRight;
    const int64_t answerThickness = bAcross ? int64_t(answer.right) - answer.left : int64_t(answer.bottom) - answer.top;
    const int64_t windowThickness = bAcross ? int64_t(window.right) - window.left : int64_t(window.bottom) - window.top;
    if (windowThickness <= answerThickness) return answer;
    return {answer.edge, window.left, window.top, window.right, window.bottom};
}

TextPoint PlaceDate(uint32_t uPosition, int W, int H, int cx, int cy, const TaskbarInfo& taskbar) {
    const int64_t w = W, h = H, textW = cx, textH = cy;
    const int64_t barWidth = static_cast<int64_t>(taskbar.right) - taskbar.left;
    const int64_t barHeight = static_cast<int64_t>(taskbar.bottom) - taskbar.top;
    int64_t x = 0, y = 0;
    switch (uPosition) {
    case kDateTopLeft:
        x = 0;
        y = textH;
        if (taskbar.edge == kEdgeLeft) x = taskbar.right;
        if (taskbar.edge == kEdgeTop) y = textH + taskbar.bottom;
        break;
    case kDateTopRight:
        x = w - textW;
        y = textH;
        if (taskbar.edge == kEdgeTop) y = textH + taskbar.bottom;
        if (taskbar.edge == kEdgeRight) x = w - textW - barWidth;
        break;
    case kDateBottomLeft:
        x = 0;
        y = h - textH / 2;
        if (taskbar.edge == kEdgeLeft) x = taskbar.right;
        if (taskbar.edge == kEdgeBottom) y = h - textH / 2 - barHeight;
        break;
    case kDateBottomRight:
        x = w - textW;
        y = h - textH / 2;
        if (taskbar.edge == kEdgeRight) x = w - textW - barWidth;
        if (taskbar.edge == kEdgeBottom) y = h - textH / 2 - barHeight;
        break;
    case kDateCentred:
        x = (w - textW) / 2;
        y = (h - textH) / 2;
        break;
    default:
        break;
    }
    return {ToInt(x), ToInt(y)};
}

TextPoint KeepDateInside(TextPoint point, int W, int H, const TextExtent& extent) {
    int64_t ascent = extent.ascent, descent = extent.descent;
    if (ascent <= 0 && descent <= 0) ascent = extent.cy;  // no font metrics: the box sits on the baseline
    ascent = std::max<int64_t>(ascent, 0);
    descent = std::max<int64_t>(descent, 0);
    const int64_t w = std::max(W, 0), h = std::max(H, 0), cx = std::max(extent.cx, 0);

    int64_t x = point.x, y = point.y;
    x = cx >= w ? 0 : std::clamp<int64_t>(x, 0, w - cx);
    y = ascent + descent >= h ? ascent : std::clamp<int64_t>(y, ascent, h - descent);
    return {ToInt(x), ToInt(y)};
}

std::string EnglishLongDate(const std::tm& when) {
    static const char* const kDays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                          "July",    "August",   "September", "October", "November", "December"};
    auto wrap = [](int v, int n) { return ((v % n) + n) % n; };
    std::string s = kDays[wrap(when.tm_wday, 7)];
    s += ", ";
    s += kMonths[wrap(when.tm_mon, 12)];
    s += ' ';
    s += std::to_string(when.tm_mday);
    s += ", ";
    s += std::to_string(static_cast<long long>(when.tm_year) + 1900);
    return s;
}

std::string DateStampText(const std::tm& when) {
#ifdef _WIN32
    // "%#x" is the runtime's long date of the current locale.
    char buffer[128] = {};
    size_t n = std::strftime(buffer, sizeof(buffer), " %#x ", &when);
    if (n > 2) return std::string(buffer, n);
#endif
    return " " + EnglishLongDate(when) + " ";
}

}  // namespace mv
