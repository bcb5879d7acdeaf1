#include "ui/win32/ColorsPage.h"

#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"

namespace mv::win {

namespace {

// The samples: twelve hues, then the black and white ends of the brightness slider.
bool SampleColor(UINT id, Color& c) {
    if (id >= IDC_COLORS_SAMPLE0 && id < IDC_COLORS_SAMPLE0 + 12) {
        c = kHueSampleColors[id - IDC_COLORS_SAMPLE0];
        return true;
    }
    if (id == IDC_COLORS_BLACK) { c = kBlack; return true; }
    if (id == IDC_COLORS_WHITE) { c = kWhite; return true; }
    return false;
}

int DisplayBitsPerPixel() {
    HDC hdc = GetDC(nullptr);
    if (!hdc) return 32;
    int bits = GetDeviceCaps(hdc, BITSPIXEL) * GetDeviceCaps(hdc, PLANES);
    ReleaseDC(nullptr, hdc);
    return bits;
}

}  // namespace

CColorsPage::CColorsPage() : CSheetPage(IDD_COLORS) {}

void CColorsPage::ShowValues(const ColorsValues& v) {
    for (int i = 0; i < 12; ++i) SetupPercentSlider(m_hWnd, IDC_COLORS_SLIDER0 + i, v.weights[i]);
    SetupPercentSlider(m_hWnd, IDC_COLORS_BRIGHTNESS, v.brightness);
}

BOOL CColorsPage::OnInitDialog() {
    ShowValues(ColorsFromSettings(gApp.GetSettings()));
    CreateToolTips();
    HueTips tips = HueTipsForDepth(DisplayBitsPerPixel());
    ShowWindow(Item(IDC_COLORS_NOTE), tips.bShowNote ? SW_SHOW : SW_HIDE);
    for (int i = 0; i < 12; ++i) AddTip(IDC_COLORS_SLIDER0 + i, tips.tips[i]);
    AddTip(IDC_COLORS_BRIGHTNESS, kBrightnessTip);
    return TRUE;
}

bool CColorsPage::OnCommand(int id, int code, HWND hCtl) {
    if (code == BN_CLICKED && id == IDC_COLORS_RESET) {
        ShowValues(DefaultColors(gApp.GetSettings()));
        return true;
    }
    if (code == BN_CLICKED && id == IDC_COLORS_HELP) {
        ShowHelp(gApp.GetSettings().InstallFolder);
        return true;
    }
    return CSheetPage::OnCommand(id, code, hCtl);
}

bool CColorsPage::OnApply() {
    ColorsValues v;
    for (int i = 0; i < 12; ++i)
        v.weights[i] = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_COLORS_SLIDER0 + i, TBM_GETPOS, 0, 0));
    v.brightness = static_cast<int>(SendDlgItemMessageA(m_hWnd, IDC_COLORS_BRIGHTNESS, TBM_GETPOS, 0, 0));
    Settings& s = gApp.GetSettings();
    StoreColors(v, s);
    s.SaveColors(gApp.GetProfile());
    return true;
}

INT_PTR CColorsPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The samples are drawn by the page: they fill their control, which is
    // sized in dialog units, so they keep their colour and scale with the DPI.
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        Color c = 0;
        if (!SampleColor(dis->CtlID, c)) return FALSE;
        PaintSwatch(dis, c);
        return TRUE;
    }
    return FALSE;
}

}  // namespace mv::win
