#include "ui/win32/DatePage.h"

#include "app/win32/App.h"
#include "resource.h"
#include "wallpaper/win32/Win32DateStamper.h"

namespace mv::win {

namespace {

constexpr int kPositionIds[5] = {IDC_DATE_TOP_LEFT, IDC_DATE_TOP_RIGHT, IDC_DATE_BOTTOM_LEFT, IDC_DATE_BOTTOM_RIGHT,
                                 IDC_DATE_CENTERED};

// Every font family of the screen whose character set is ANSI, once.
int CALLBACK AddAnsiFamily(const LOGFONTA* pLf, const TEXTMETRICA*, DWORD, LPARAM lParam) {
    HWND hList = reinterpret_cast<HWND>(lParam);
    if (pLf->lfCharSet != ANSI_CHARSET || pLf->lfFaceName[0] == '@') return 1;
    if (SendMessageA(hList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(pLf->lfFaceName)) ==
        CB_ERR)
        SendMessageA(hList, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(pLf->lfFaceName));
    return 1;
}

}  // namespace

CDatePage::CDatePage() : CSheetPage(IDD_DATE) { m_values = DateFromSettings(gApp.GetSettings()); }

CDatePage::~CDatePage() {
    if (m_hSampleFont) DeleteObject(m_hSampleFont);
}

BOOL CDatePage::OnInitDialog() {
    HWND hList = Item(IDC_DATE_FONT);
    HDC hdc = GetDC(m_hWnd);
    if (hdc) {
        LOGFONTA lf = {};
        lf.lfCharSet = ANSI_CHARSET;
        EnumFontFamiliesExA(hdc, &lf, AddAnsiFamily, reinterpret_cast<LPARAM>(hList), 0);
        ReleaseDC(m_hWnd, hdc);
    }

    CreateToolTips();
    AddTip(IDC_DATE_SHOW, "Display the current date on the background");
    AddTip(IDC_DATE_TOP_LEFT, "Where on the screen to show the date");
    AddTip(IDC_DATE_FONT, "What font to use to display the date");
    AddTip(IDC_DATE_SIZE, "Font size for the background (not used for the sample below)");

    SetSpinRange(m_hWnd, IDC_DATE_SIZE_SPIN, static_cast<int>(kMinDateFontSize), static_cast<int>(kMaxDateFontSize));

    const Settings& s = gApp.GetSettings();
    for (int i = 0; i < 5; ++i) SetCheck(m_hWnd, kPositionIds[i], s.Position == static_cast<uint32_t>(i));

    SetCheck(m_hWnd, IDC_DATE_SHOW, m_values.ShowDate);
    SetCheck(m_hWnd, IDC_DATE_BOLD, m_values.Bold);
    SetCheck(m_hWnd, IDC_DATE_ITALICS, m_values.Italics);
    SetDlgInt(m_hWnd, IDC_DATE_SIZE, m_values.FontSize);

    // The stored name in any case; the first font when it is not installed.
    LRESULT index = SendMessageA(hList, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(s.FontName.c_str()));
    SendMessageA(hList, CB_SETCURSEL, index == CB_ERR ? 0 : static_cast<WPARAM>(index), 0);

    UpdateSample();
    return TRUE;
}

std::array<bool, 5> CDatePage::PositionChecks() const {
    std::array<bool, 5> checks{};
    for (int i = 0; i < 5; ++i) checks[i] = GetCheck(m_hWnd, kPositionIds[i]);
    return checks;
}

bool CDatePage::ReadControls() {
    DateValues v = m_values;
    v.ShowDate = GetCheck(m_hWnd, IDC_DATE_SHOW);
    v.Bold = GetCheck(m_hWnd, IDC_DATE_BOLD);
    v.Italics = GetCheck(m_hWnd, IDC_DATE_ITALICS);
    if (!ReadDlgInt(m_hWnd, IDC_DATE_SIZE, static_cast<int32_t>(kMinDateFontSize),
                    static_cast<int32_t>(kMaxDateFontSize), v.FontSize))
        return false;
    m_values = v;
    return true;
}

bool CDatePage::StorePage() {
    if (!ReadControls()) return false;
    StoreDate(m_values, PositionChecks(), gApp.GetSettings());
    return true;
}

bool CDatePage::OnApply() {
    if (StorePage()) gApp.GetSettings().SaveDate(gApp.GetProfile());
    return true;
}

void CDatePage::UpdateSample() {
    HWND hList = Item(IDC_DATE_FONT);
    HWND hSample = Item(IDC_DATE_SAMPLE);
    LRESULT index = SendMessageA(hList, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) {
        SetWindowTextW(hSample, L"");
        return;
    }
    std::string sFace = ComboItemText(hList, static_cast<int>(index));
    if (sFace.size() >= LF_FACESIZE) sFace.clear();  // no font has such a name
    // The record follows the list at once, even if the sheet is cancelled.
    gApp.GetSettings().FontName = sFace;

    HDC hdc = GetDC(m_hWnd);
    int dpi = hdc ? GetDeviceCaps(hdc, LOGPIXELSY) : 96;
    if (hdc) ReleaseDC(m_hWnd, hdc);
    HFONT hFont = CreateFontA(DateSampleFontHeight(dpi), 0, 0, 0, GetCheck(m_hWnd, IDC_DATE_BOLD) ? FW_BOLD : FW_NORMAL,
                              GetCheck(m_hWnd, IDC_DATE_ITALICS) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                              OUT_CHARACTER_PRECIS, CLIP_CHARACTER_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                              sFace.c_str());
    // The control lets go of the old font before it is deleted.
    SendMessageA(hSample, WM_SETFONT, reinterpret_cast<WPARAM>(hFont), FALSE);
    if (m_hSampleFont) DeleteObject(m_hSampleFont);
    m_hSampleFont = hFont;
    SetWindowTextW(hSample, (LocalLongDate(Win32DateStamper::LocalNow()) + L" ").c_str());
    InvalidateRect(hSample, nullptr, TRUE);
}

bool CDatePage::OnCommand(int id, int code, HWND hCtl) {
    bool bSample = (id == IDC_DATE_FONT && code == CBN_SELCHANGE) ||
                   ((id == IDC_DATE_BOLD || id == IDC_DATE_ITALICS) && code == BN_CLICKED);
    if (!bSample) return CSheetPage::OnCommand(id, code, hCtl);
    ReadControls();
    UpdateSample();
    return true;
}

}  // namespace mv::win
