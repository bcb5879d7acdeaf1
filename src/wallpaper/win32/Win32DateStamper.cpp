#include "wallpaper/win32/Win32DateStamper.h"

#include <shellapi.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

namespace mv {

namespace {

// A memory device context, deleted on every path.
class MemoryDc {
public:
    MemoryDc() : m_hdc(CreateCompatibleDC(nullptr)) {}
    ~MemoryDc() {
        if (m_hdc) DeleteDC(m_hdc);
    }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC get() const { return m_hdc; }

private:
    HDC m_hdc;
};

// A created GDI object (font, bitmap), deleted on every path. Destroy the
// selection that holds it first.
template <class T>
class GdiObject {
public:
    explicit GdiObject(T h = nullptr) : m_h(h) {}
    ~GdiObject() { reset(); }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
    void reset(T h = nullptr) {
        if (m_h) DeleteObject(m_h);
        m_h = h;
    }
    T get() const { return m_h; }
    explicit operator bool() const { return m_h != nullptr; }

private:
    T m_h;
};

// An object selected into a device context; the previous one comes back on
// every path.
class Selection {
public:
    Selection(HDC hdc, HGDIOBJ h) : m_hdc(hdc), m_hOld(h ? SelectObject(hdc, h) : nullptr) {}
    ~Selection() { reset(); }
    Selection(const Selection&) = delete;
    Selection& operator=(const Selection&) = delete;
    void reset() {
        if (m_hOld && m_hOld != HGDI_ERROR) SelectObject(m_hdc, m_hOld);
        m_hOld = nullptr;
    }
    bool ok() const { return m_hOld != nullptr && m_hOld != HGDI_ERROR; }

private:
    HDC m_hdc;
    HGDIOBJ m_hOld;
};

// The text's size and the font's ascent and descent, in the selected font.
bool Measure(HDC hdc, const std::wstring& sText, TextExtent& extent) {
    SIZE size = {};
    if (!GetTextExtentPoint32W(hdc, sText.c_str(), static_cast<int>(sText.size()), &size)) return false;
    TEXTMETRICA tm = {};
    GetTextMetricsA(hdc, &tm);
    extent = {static_cast<int>(size.cx), static_cast<int>(size.cy), static_cast<int>(tm.tmAscent),
              static_cast<int>(tm.tmDescent)};
    return true;
}

}  // namespace

std::wstring LocalLongDate(const std::tm& when) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(when.tm_year + 1900);
    st.wMonth = static_cast<WORD>(when.tm_mon + 1);
    st.wDayOfWeek = static_cast<WORD>(when.tm_wday);
    st.wDay = static_cast<WORD>(when.tm_mday);
    wchar_t buffer[128] = {};
    if (GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &st, nullptr, buffer, 128) > 1) return buffer;
    // "%#x": the runtime's long date without leading zeros.
    if (std::wcsftime(buffer, 128, L"%#x", &when) > 0) return buffer;
    std::string sEnglish = EnglishLongDate(when);
    return std::wstring(sEnglish.begin(), sEnglish.end());
}

std::string Utf8(const std::wstring& s) {
    if (s.empty()) return std::string();
    int n = WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.c_str(), static_cast<int>(s.size()), &out[0], n, nullptr, nullptr);
    return out;
}

std::tm Win32DateStamper::LocalNow() {
    std::time_t now = std::time(nullptr);
    std::tm when = {};
    if (const std::tm* p = std::localtime(&now)) when = *p;
    return when;
}

Win32DateStamper::Win32DateStamper(const Settings& settings, TaskbarQuery taskbar, Clock clock)
    : m_settings(settings), m_taskbar(std::move(taskbar)), m_clock(std::move(clock)) {}

TaskbarInfo Win32DateStamper::QueryTaskbar() {
    APPBARDATA abd;
    std::memset(&abd, 0, sizeof(abd));
    abd.cbSize = sizeof(abd);
    SHAppBarMessage(ABM_GETTASKBARPOS, &abd);
    // A failed query leaves the zero-filled answer: left edge, empty rectangle.
    TaskbarInfo answer{static_cast<int>(abd.uEdge), static_cast<int>(abd.rc.left), static_cast<int>(abd.rc.top),
                       static_cast<int>(abd.rc.right), static_cast<int>(abd.rc.bottom)};
    // Wine answers with a one-pixel strip at the bottom of the screen; its
    // taskbar window tells how much of the screen it really covers.
    TaskbarInfo window;
    HWND hTray = FindWindowA("Shell_TrayWnd", nullptr);
    RECT rc;
    if (hTray && IsWindowVisible(hTray) && GetWindowRect(hTray, &rc))
        window = {answer.edge, static_cast<int>(rc.left), static_cast<int>(rc.top), static_cast<int>(rc.right),
                  static_cast<int>(rc.bottom)};
    return WidenTaskbar(answer, window);
}

HFONT Win32DateStamper::CreateDateFont(int iHeight) {
    std::string sFace = m_settings.FontName.substr(0, LF_FACESIZE - 1);
    return CreateFontA(iHeight, 0, 0, 0, m_settings.Bold ? FW_BOLD : FW_NORMAL, m_settings.Italics ? TRUE : FALSE,
                       FALSE, FALSE, DEFAULT_CHARSET, OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY,
                       0, sFace.c_str());
}

void Win32DateStamper::StampDate(Image& screen, Color text) { DrawDate(screen, text, nullptr); }

void Win32DateStamper::StampDateClearOf(Image& screen, Color text, const TaskbarInfo& taskbar) {
    DrawDate(screen, text, &taskbar);
}

void Win32DateStamper::DrawDate(Image& screen, Color text, const TaskbarInfo* pTaskbar) {
    m_last = Stamp();
    const int W = screen.Width(), H = screen.Height();
    // Composed pictures are 24-bit and bottom-up; anything else is left alone.
    if (!screen.IsValid() || screen.BitCount() != 24 || screen.Header().biHeight <= 0 || W < 1 || H < 1) return;

    // The long date with one space before and one after.
    m_last.wsText = L" " + LocalLongDate(m_clock ? m_clock() : LocalNow()) + L" ";
    m_last.sText = Utf8(m_last.wsText);
    const std::wstring& sText = m_last.wsText;
    const int iLength = static_cast<int>(sText.size());

    MemoryDc dc;
    if (!dc.get()) return;
    HDC hdc = dc.get();

    // The font: the settings' size, made smaller only when the date would not
    // fit on the picture at all.
    int iHeight = DateFontHeight(m_settings.FontSize, GetDeviceCaps(hdc, LOGPIXELSY));
    GdiObject<HFONT> font;
    TextExtent extent;
    for (int iTry = 0; iTry < 16; ++iTry) {
        font.reset(CreateDateFont(iHeight));
        if (!font) return;  // no font, no date
        Selection measuring(hdc, font.get());
        if (!measuring.ok() || !Measure(hdc, sText, extent)) return;
        int iFitted = FitDateFontHeight(iHeight, extent, W, H);
        if (iFitted == iHeight) break;
        iHeight = iFitted;
    }
    m_last.iFontHeight = iHeight;
    m_last.extent = extent;

    m_last.taskbar = pTaskbar ? *pTaskbar : m_taskbar ? m_taskbar() : QueryTaskbar();
    TextPoint point = PlaceDate(m_settings.Position, W, H, extent.cx, extent.cy, m_last.taskbar);
    point = KeepDateInside(point, W, H, extent);
    m_last.point = point;

    // Only the band of rows around the text goes through GDI: a DIB section
    // of the picture's width, copied out of the picture and back. Its margin
    // leaves room for accents and italic overhang above and below the font's box.
    const int iMargin = std::max(extent.cy, 8);
    const int iTop = std::max(0, point.y - extent.ascent - iMargin);
    const int iBottom = std::min(H, point.y + extent.descent + iMargin);
    const int iBand = iBottom - iTop;
    if (iBand < 1) return;
    const size_t stride = screen.Stride();
    const size_t bandBytes = stride * static_cast<size_t>(iBand);
    // Rows are stored bottom-up, so the band is one block that starts at its
    // lowest row.
    uint8_t* pBand = screen.Row24(iBottom - 1);

    BITMAPINFO bmi;
    std::memset(&bmi, 0, sizeof(bmi));
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = W;
    bmi.bmiHeader.biHeight = iBand;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pBits = nullptr;
    GdiObject<HBITMAP> dib(CreateDIBSection(hdc, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0));
    if (!dib || !pBits) return;
    std::memcpy(pBits, pBand, bandBytes);
    {
        Selection bitmap(hdc, dib.get());
        Selection drawing(hdc, font.get());
        if (!bitmap.ok() || !drawing.ok()) return;
        SetTextColor(hdc, static_cast<COLORREF>(text));
        if (m_settings.UseTransparentIcons) {
            SetBkMode(hdc, TRANSPARENT);
        } else {
            SetBkMode(hdc, OPAQUE);
            SetBkColor(hdc, static_cast<COLORREF>(m_settings.BackgroundColor));
        }
        SetTextAlign(hdc, TA_BASELINE | TA_LEFT);
        m_last.bDrawn = TextOutW(hdc, point.x, point.y - iTop, sText.c_str(), iLength) != FALSE;
        GdiFlush();
    }
    std::memcpy(pBand, pBits, bandBytes);
}

}  // namespace mv
