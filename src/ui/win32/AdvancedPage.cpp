#include "ui/win32/AdvancedPage.h"

#include <algorithm>
#include <string>

#include "app/OutputFolder.h"
#include "app/win32/App.h"
#include "config/Collection.h"
#include "platform/win32/Win32Ini.h"
#include "resource.h"

namespace mv::win {

namespace {

// A GDI object deleted when it goes out of scope.
struct GdiObject {
    HGDIOBJ h;
    explicit GdiObject(HGDIOBJ hObject) : h(hObject) {}
    ~GdiObject() {
        if (h) DeleteObject(h);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;
};

// An object selected into a device context until the end of the scope.
struct Selected {
    HDC hdc;
    HGDIOBJ hOld;
    Selected(HDC hDC, HGDIOBJ hObject) : hdc(hDC), hOld(hObject ? SelectObject(hDC, hObject) : nullptr) {}
    ~Selected() {
        if (hOld) SelectObject(hdc, hOld);
    }
    Selected(const Selected&) = delete;
    Selected& operator=(const Selected&) = delete;
};

// The drawing's colours: monitors in a desktop blue with white numbers.
constexpr COLORREF kMonitorFill = RGB(58, 110, 165);
constexpr COLORREF kMonitorFrame = RGB(96, 96, 96);
constexpr COLORREF kPrimaryFrame = RGB(0, 0, 0);
constexpr COLORREF kNumberColor = RGB(255, 255, 255);

constexpr int kModeIds[3] = {IDC_ADV_SAME, IDC_ADV_PER_MONITOR, IDC_ADV_ACROSS};

// Fills r less an inner frame of the given thickness with the fill colour.
void FillFramed(HDC hdc, RECT r, int thickness, COLORREF frame, COLORREF fill) {
    GdiObject frameBrush(CreateSolidBrush(frame));
    GdiObject fillBrush(CreateSolidBrush(fill));
    FillRect(hdc, &r, static_cast<HBRUSH>(frameBrush.h));
    InflateRect(&r, -thickness, -thickness);
    if (r.right > r.left && r.bottom > r.top) FillRect(hdc, &r, static_cast<HBRUSH>(fillBrush.h));
}

SIZE TextSize(HDC hdc, const std::string& s) {
    SIZE size = {};
    GetTextExtentPoint32A(hdc, s.c_str(), static_cast<int>(s.size()), &size);
    return size;
}

}  // namespace

CAdvancedPage::CAdvancedPage() : CSheetPage(IDD_ADVANCED) {}

BOOL CAdvancedPage::OnInitDialog() {
    CreateToolTips();
    AddTip(IDC_ADV_SAME, "Every monitor shows the same picture, fitted to its own size");
    AddTip(IDC_ADV_PER_MONITOR, "Each monitor shows a picture of its own");
    AddTip(IDC_ADV_ACROSS, "One picture covers all the monitors together, as if they were one large screen");
    AddTip(IDC_ADV_MATCH_SHAPE,
           "Upright monitors get upright pictures and wide monitors wide ones, when the collection has both "
           "(only with a different picture on each monitor)");
    AddTip(IDC_ADV_LAYOUT, "Your monitors as Windows arranges them, numbered; the primary monitor has a bold frame");
    AddTip(IDC_ADV_PAUSE_FULLSCREEN,
           "No scheduled change while a program fills the screen (a game, a film, a presentation); the change "
           "comes when it ends");
    AddTip(IDC_ADV_PAUSE_BATTERY, "No scheduled change while Windows saves the battery; the change comes when it stops");
    AddTip(IDC_ADV_PAUSE_LOCKED,
           "No scheduled change while the computer is locked or its session disconnected; the change comes when you "
           "are back");
    AddTip(IDC_ADV_HISTORY_SIZE, "How many of the last wallpapers Murivane remembers (0 to 500, 0 remembers none)");
    AddTip(IDC_ADV_SHOW_EXCLUDED,
           "Pictures you chose never to show again are shown again: the current collection's list is emptied when you "
           "click OK");
    AddTip(IDC_HELP_BUTTON, "Opens the Murivane help");
    // The tip text outlives the call: the tool tip keeps a pointer to it.
    m_sFitTip = LoadString(IDS_FIT_TIP);
    AddTip(IDC_ADV_FIT, m_sFitTip.c_str());
    SetSpinRange(m_hWnd, IDC_ADV_HISTORY_SPIN, 0, static_cast<int>(Settings::kMaxHistorySize));

    m_values = AdvancedFromSettings(gApp.GetSettings());
    for (int i = 0; i < 3; ++i) SetCheck(m_hWnd, kModeIds[i], m_values.MultipleMonitors == static_cast<uint32_t>(i));
    SetCheck(m_hWnd, IDC_ADV_MATCH_SHAPE, m_values.MatchMonitorShape);
    SetCheck(m_hWnd, IDC_ADV_PAUSE_FULLSCREEN, m_values.PauseFullScreen);
    SetCheck(m_hWnd, IDC_ADV_PAUSE_BATTERY, m_values.PauseBatterySaver);
    SetCheck(m_hWnd, IDC_ADV_PAUSE_LOCKED, m_values.PauseLocked);
    SetDlgInt(m_hWnd, IDC_ADV_HISTORY_SIZE, m_values.HistorySize);
    const UINT fitTexts[kFitChoices] = {IDS_FIT_AUTOMATIC, IDS_FIT_FILL, IDS_FIT_FIT, IDS_FIT_BLURRED, IDS_FIT_STRETCH};
    for (UINT id : fitTexts)
        SendDlgItemMessageA(m_hWnd, IDC_ADV_FIT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LoadString(id).c_str()));
    SendDlgItemMessageA(m_hWnd, IDC_ADV_FIT, CB_SETCURSEL, static_cast<WPARAM>(FitChoiceIndex(m_values.PictureFit)), 0);
    EnableShapeChoice();
    m_layout = gApp.DesktopSeam().Monitors();
    return TRUE;
}

bool CAdvancedPage::ReadControls() {
    for (int i = 0; i < 3; ++i)
        if (GetCheck(m_hWnd, kModeIds[i])) m_values.MultipleMonitors = static_cast<MultipleMonitorsMode>(i);
    m_values.MatchMonitorShape = GetCheck(m_hWnd, IDC_ADV_MATCH_SHAPE);
    m_values.PauseFullScreen = GetCheck(m_hWnd, IDC_ADV_PAUSE_FULLSCREEN);
    m_values.PauseBatterySaver = GetCheck(m_hWnd, IDC_ADV_PAUSE_BATTERY);
    m_values.PauseLocked = GetCheck(m_hWnd, IDC_ADV_PAUSE_LOCKED);
    m_values.PictureFit =
        FitChoiceValue(static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_ADV_FIT, CB_GETCURSEL, 0, 0)));
    return ReadDlgInt(m_hWnd, IDC_ADV_HISTORY_SIZE, 0, static_cast<int32_t>(Settings::kMaxHistorySize),
                      m_values.HistorySize);
}

void CAdvancedPage::EnableShapeChoice() {
    for (int i = 0; i < 3; ++i)
        if (GetCheck(m_hWnd, kModeIds[i])) m_values.MultipleMonitors = static_cast<MultipleMonitorsMode>(i);
    EnableWindow(Item(IDC_ADV_MATCH_SHAPE), MatchShapeApplies(m_values.MultipleMonitors) ? TRUE : FALSE);
}

bool CAdvancedPage::StorePage() {
    if (!ReadControls()) return false;
    StoreAdvanced(m_values, gApp.GetSettings());
    return true;
}

bool CAdvancedPage::OnApply() {
    if (StorePage()) gApp.GetSettings().SaveAdvanced(gApp.GetProfile());
    // The Collections page comes first in the sheet and has saved its
    // collection by now, so the emptied list is what stays in the file.
    if (!m_sClearExcludes.empty()) {
        Win32Ini ini(OutputFile(gApp.Env(), kIniFileName));
        RCollection collection(m_sClearExcludes);
        collection.Load(ini, false);
        if (!collection.excludes().empty()) {
            collection.ClearExcludes();
            if (!collection.Save(ini, gApp.UninstallRequested())) {
                // Kept, to be tried again by the next OK.
                ShowSaveFailed(m_hWnd);
                return false;
            }
        }
        m_sClearExcludes.clear();
    }
    return true;
}

void CAdvancedPage::OnShowExcluded() {
    const std::string sName = GetCurrentCollection(gApp.GetProfile());
    size_t count = 0;
    if (sName != m_sClearExcludes) {
        Win32Ini ini(OutputFile(gApp.Env(), kIniFileName));
        RCollection collection(sName);
        collection.Load(ini, false);
        count = collection.excludes().size();
    }
    if (count == 0) {
        MessageBoxA(m_hWnd, NoExcludedNote(sName).c_str(), gApp.Title().c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (MessageBoxA(m_hWnd, ShowExcludedQuestion(sName, count).c_str(), gApp.Title().c_str(),
                    MB_YESNO | MB_ICONQUESTION) == IDYES)
        m_sClearExcludes = sName;
}

bool CAdvancedPage::OnCommand(int id, int code, HWND hCtl) {
    if (code == BN_CLICKED && (id == IDC_ADV_SAME || id == IDC_ADV_PER_MONITOR || id == IDC_ADV_ACROSS)) {
        EnableShapeChoice();
        return true;
    }
    if (code == BN_CLICKED && id == IDC_ADV_SHOW_EXCLUDED) {
        OnShowExcluded();
        return true;
    }
    return CSheetPage::OnCommand(id, code, hCtl);
}

INT_PTR CAdvancedPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_DRAWITEM: {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID != IDC_ADV_LAYOUT) return FALSE;
        PaintLayout(dis);
        return TRUE;
    }
    case WM_DISPLAYCHANGE:  // forwarded by the sheet
        m_layout = gApp.DesktopSeam().Monitors();
        InvalidateRect(Item(IDC_ADV_LAYOUT), nullptr, TRUE);
        return TRUE;
    default:
        return FALSE;
    }
}

void CAdvancedPage::PaintLayout(const DRAWITEMSTRUCT* dis) const {
    HDC hdc = dis->hDC;
    RECT well = dis->rcItem;
    const int dpi = GetDeviceCaps(hdc, LOGPIXELSY);
    auto px = [dpi](int n) { return MulDiv(n, dpi, 96); };

    // A sunken well in the window colour, the monitors inside it.
    FillRect(hdc, &well, GetSysColorBrush(COLOR_WINDOW));
    DrawEdge(hdc, &well, EDGE_SUNKEN, BF_RECT);
    const int margin = px(8);
    Rect box{well.left + margin, well.top + margin, well.right - margin, well.bottom - margin};
    std::vector<MonitorTile> tiles = FitMonitors(m_layout, box);
    if (tiles.empty()) return;

    const int gap = std::max(1, px(1));  // between monitors that touch
    const int frame = std::max(1, px(1));
    const int primaryFrame = std::max(2, px(3));
    auto inner = [&](const MonitorTile& t) {
        RECT r = {t.rect.left + gap, t.rect.top + gap, t.rect.right - gap, t.rect.bottom - gap};
        int f = t.bPrimary ? primaryFrame : frame;
        return RECT{r.left + f, r.top + f, r.right - f, r.bottom - f};
    };

    // "primary" in the page's font; the numbers bold and up to twice its
    // height, as large as the smallest monitor allows, and small enough to
    // leave room for the caption on the primary monitor.
    HFONT hPageFont = reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0));
    LOGFONTA lf = {};
    if (!hPageFont || !GetObjectA(hPageFont, sizeof(lf), &lf)) return;
    const std::string sCaption = "primary";
    SIZE caption = {};
    {
        Selected sel(hdc, hPageFont);
        caption = TextSize(hdc, sCaption);
    }
    const int captionHeight = std::abs(lf.lfHeight);
    int numberHeight = captionHeight * 2;
    for (const MonitorTile& t : tiles) {
        RECT r = inner(t);
        numberHeight = std::min<int>(numberHeight, std::min(r.right - r.left, r.bottom - r.top) * 2 / 3);
    }
    bool bCaption = false;
    for (const MonitorTile& t : tiles) {
        if (!t.bPrimary) continue;
        RECT r = inner(t);
        // A character cell is about 1.2 times the character height.
        int room = (r.bottom - r.top - px(2) - caption.cy) * 5 / 6;
        if (caption.cx + px(4) <= r.right - r.left && room >= captionHeight) {
            bCaption = true;
            numberHeight = std::min(numberHeight, room);
        }
    }
    LOGFONTA lfNumber = lf;
    lfNumber.lfHeight = -std::max(1, numberHeight);
    lfNumber.lfWeight = FW_BOLD;
    GdiObject numberFont(CreateFontIndirectA(&lfNumber));

    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, kNumberColor);
    for (const MonitorTile& t : tiles) {
        RECT r = {t.rect.left + gap, t.rect.top + gap, t.rect.right - gap, t.rect.bottom - gap};
        if (r.right <= r.left || r.bottom <= r.top) continue;
        FillFramed(hdc, r, t.bPrimary ? primaryFrame : frame, t.bPrimary ? kPrimaryFrame : kMonitorFrame,
                   kMonitorFill);

        // The number in the middle, with "primary" under it on the primary monitor.
        RECT in = inner(t);
        const std::string sNumber = std::to_string(t.number);
        Selected sel(hdc, numberFont.h);
        SIZE number = TextSize(hdc, sNumber);
        const bool bWithCaption = t.bPrimary && bCaption && number.cy + caption.cy <= in.bottom - in.top;
        const int cx = (in.left + in.right) / 2;
        const int top = (in.top + in.bottom - number.cy - (bWithCaption ? caption.cy : 0)) / 2;
        TextOutA(hdc, cx - number.cx / 2, top, sNumber.c_str(), static_cast<int>(sNumber.size()));
        if (bWithCaption) {
            Selected captionSel(hdc, hPageFont);
            TextOutA(hdc, cx - caption.cx / 2, top + number.cy, sCaption.c_str(), static_cast<int>(sCaption.size()));
        }
    }
}

}  // namespace mv::win
