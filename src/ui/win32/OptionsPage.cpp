#include "ui/win32/OptionsPage.h"

#include <commdlg.h>

#include "app/win32/App.h"
#include "resource.h"
#include "ui/win32/ConfigProp.h"

namespace mv::win {

COptionsPage::COptionsPage() : CSheetPage(IDD_OPTIONS) {
    // Check boxes and colours are the record's when the sheet is built.
    m_values = OptionsFromSettings(gApp.GetSettings());
    for (COLORREF& c : m_custom) c = RGB(255, 255, 255);
}

BOOL COptionsPage::OnInitDialog() {
    CreateToolTips();
    AddTip(IDC_OPT_HOURS, "Number of hours to wait before changing the wallpaper");
    AddTip(IDC_OPT_MINUTES, "Number of minutes to wait before changing the wallpaper");
    AddTip(IDC_OPT_TILE, "If the image area is smaller than this percentage of the full screen, then it will be tiled");
    AddTip(IDC_OPT_STRETCH,
           "If the image area is larger than this percentage of the screen, then it will be stretched to full screen "
           "size");
    AddTip(IDC_OPT_BG_CHANGE, "Click to select the background color to use for the desktop and icon backgrounds");
    AddTip(IDC_OPT_TEXT_CHANGE, "Click to select the default color for the desktop icon text");
    AddTip(IDC_OPT_TRANSPARENT, "Makes the backgrounds of the icon text transparent so more of the image can be seen");
    AddTip(IDC_OPT_AUTO_COLOR,
           "Murivane will set the icon text to black or white depending on the brightness of the image");
    AddTip(IDC_OPT_CHANGE_ON_START, "Murivane will also change the wallpaper whenever it starts running");
    AddTip(IDC_OPT_SEAMLESS, "Blurs the edges of images so the ends blend together when tiling");
    AddTip(IDC_OPT_SCREENSAVER,
           "The wallpaper will not be changed if the screensaver is running (Win 98/2000 only)");
    AddTip(IDC_OPT_AUTOSTART,
           "Select if you would like Murivane to appear in the System Tray automatically every time Windows starts "
           "up");
    AddTip(IDC_OPT_EXIT_AFTER,
           "Murivane will close immediately after changing the wallpaper - useful if you just want a change after "
           "re-booting");
    AddTip(IDC_OPT_DONT_CHANGE, "Useful if overnight changes interrupt disk maintenance or backup");
    AddTip(IDC_OPT_SMART_NEVER, "When tiling, allow the image to overflow the screen edges.");
    AddTip(IDC_OPT_SMART_ALWAYS, "Stretch or shrink the image so that the tiles fit evenly within the screen.");
    AddTip(IDC_OPT_SMART_MINIMIZE, "Only stretch or shrink the image if it doesn't distort it too much");
    AddTip(IDC_OPT_TOOLTIPS, "Whether or not to display these popup notes");

    SetSpinRange(m_hWnd, IDC_OPT_HOURS_SPIN, 0, 24);
    SetSpinRange(m_hWnd, IDC_OPT_MINUTES_SPIN, 0, 59);
    SetSpinRange(m_hWnd, IDC_OPT_TILE_SPIN, 0, 100);
    SetSpinRange(m_hWnd, IDC_OPT_STRETCH_SPIN, 0, 100);
    SetSpinRange(m_hWnd, IDC_OPT_HOURS_FROM_SPIN, 1, 12);
    SetSpinRange(m_hWnd, IDC_OPT_HOURS_TO_SPIN, 1, 12);
    SetSpinRange(m_hWnd, IDC_OPT_MINUTES_FROM_SPIN, 0, 59);
    SetSpinRange(m_hWnd, IDC_OPT_MINUTES_TO_SPIN, 0, 59);

    // Numbers, AM/PM and smart tiling are the record's when the page opens.
    OptionsValues fresh = OptionsFromSettings(gApp.GetSettings());
    m_values.Hours = fresh.Hours;
    m_values.Minutes = fresh.Minutes;
    m_values.HoursFrom = fresh.HoursFrom;
    m_values.MinutesFrom = fresh.MinutesFrom;
    m_values.HoursTo = fresh.HoursTo;
    m_values.MinutesTo = fresh.MinutesTo;
    m_values.AMPMFrom = fresh.AMPMFrom;
    m_values.AMPMTo = fresh.AMPMTo;
    m_values.TilePercentage = fresh.TilePercentage;
    m_values.StretchPercentage = fresh.StretchPercentage;
    m_values.SmartTiling = fresh.SmartTiling;

    const OptionsValues& v = m_values;
    SetDlgInt(m_hWnd, IDC_OPT_HOURS, v.Hours);
    SetDlgInt(m_hWnd, IDC_OPT_MINUTES, v.Minutes);
    SetDlgInt(m_hWnd, IDC_OPT_TILE, v.TilePercentage);
    SetDlgInt(m_hWnd, IDC_OPT_STRETCH, v.StretchPercentage);
    SetDlgInt(m_hWnd, IDC_OPT_HOURS_FROM, v.HoursFrom);
    SetDlgInt(m_hWnd, IDC_OPT_MINUTES_FROM, v.MinutesFrom);
    SetDlgInt(m_hWnd, IDC_OPT_HOURS_TO, v.HoursTo);
    SetDlgInt(m_hWnd, IDC_OPT_MINUTES_TO, v.MinutesTo);
    for (int id : {IDC_OPT_AMPM_FROM, IDC_OPT_AMPM_TO}) {
        SendDlgItemMessageA(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("AM"));
        SendDlgItemMessageA(m_hWnd, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("PM"));
    }
    SendDlgItemMessageA(m_hWnd, IDC_OPT_AMPM_FROM, CB_SETCURSEL, static_cast<WPARAM>(v.AMPMFrom), 0);
    SendDlgItemMessageA(m_hWnd, IDC_OPT_AMPM_TO, CB_SETCURSEL, static_cast<WPARAM>(v.AMPMTo), 0);
    SetCheck(m_hWnd, IDC_OPT_SMART_NEVER, v.SmartTiling == 0);
    SetCheck(m_hWnd, IDC_OPT_SMART_ALWAYS, v.SmartTiling == 1);
    SetCheck(m_hWnd, IDC_OPT_SMART_MINIMIZE, v.SmartTiling == 2);
    SetCheck(m_hWnd, IDC_OPT_TOOLTIPS, v.ShowToolTips);
    SetCheck(m_hWnd, IDC_OPT_AUTOSTART, v.AutoStart);
    SetCheck(m_hWnd, IDC_OPT_CHANGE_ON_START, v.ChangeOnStartup);
    SetCheck(m_hWnd, IDC_OPT_SCREENSAVER, v.TestForScreensaver);
    SetCheck(m_hWnd, IDC_OPT_TRANSPARENT, v.UseTransparentIcons);
    SetCheck(m_hWnd, IDC_OPT_AUTO_COLOR, v.ChooseIconColor);
    SetCheck(m_hWnd, IDC_OPT_EXIT_AFTER, v.ExitAfterChange);
    SetCheck(m_hWnd, IDC_OPT_DONT_CHANGE, v.DontChange);
    SetCheck(m_hWnd, IDC_OPT_SEAMLESS, v.CreateSeamless);
    return TRUE;
}

bool COptionsPage::ReadControls() {
    OptionsValues v = m_values;
    HWND h = m_hWnd;
    v.ShowToolTips = GetCheck(h, IDC_OPT_TOOLTIPS);
    v.AutoStart = GetCheck(h, IDC_OPT_AUTOSTART);
    if (!ReadDlgInt(h, IDC_OPT_HOURS, 0, 24, v.Hours)) return false;
    if (!ReadDlgInt(h, IDC_OPT_MINUTES, 0, 59, v.Minutes)) return false;
    if (!ReadDlgInt(h, IDC_OPT_TILE, 0, 100, v.TilePercentage)) return false;
    v.ChangeOnStartup = GetCheck(h, IDC_OPT_CHANGE_ON_START);
    if (!ReadDlgInt(h, IDC_OPT_STRETCH, v.StretchPercentage)) return false;
    v.TestForScreensaver = GetCheck(h, IDC_OPT_SCREENSAVER);
    v.UseTransparentIcons = GetCheck(h, IDC_OPT_TRANSPARENT);
    v.ChooseIconColor = GetCheck(h, IDC_OPT_AUTO_COLOR);
    v.ExitAfterChange = GetCheck(h, IDC_OPT_EXIT_AFTER);
    if (!ReadDlgInt(h, IDC_OPT_HOURS_FROM, 1, 12, v.HoursFrom)) return false;
    if (!ReadDlgInt(h, IDC_OPT_HOURS_TO, 1, 12, v.HoursTo)) return false;
    if (!ReadDlgInt(h, IDC_OPT_MINUTES_FROM, 0, 59, v.MinutesFrom)) return false;
    v.DontChange = GetCheck(h, IDC_OPT_DONT_CHANGE);
    if (!ReadDlgInt(h, IDC_OPT_MINUTES_TO, 0, 59, v.MinutesTo)) return false;
    v.CreateSeamless = GetCheck(h, IDC_OPT_SEAMLESS);
    LRESULT from = SendDlgItemMessageA(h, IDC_OPT_AMPM_FROM, CB_GETCURSEL, 0, 0);
    LRESULT to = SendDlgItemMessageA(h, IDC_OPT_AMPM_TO, CB_GETCURSEL, 0, 0);
    if (from == 0 || from == 1) v.AMPMFrom = static_cast<int32_t>(from);
    if (to == 0 || to == 1) v.AMPMTo = static_cast<int32_t>(to);
    v.SmartTiling = GetCheck(h, IDC_OPT_SMART_NEVER)      ? 0
                    : GetCheck(h, IDC_OPT_SMART_ALWAYS)   ? 1
                    : GetCheck(h, IDC_OPT_SMART_MINIMIZE) ? 2
                                                          : -1;
    m_values = v;
    return true;
}

bool COptionsPage::StorePage() {
    if (!ReadControls()) return false;
    StoreOptions(m_values, gApp.GetSettings(), gApp.UninstallRequested());
    return true;
}

bool COptionsPage::OnApply() {
    if (StorePage()) gApp.GetSettings().SaveGeneral(gApp.GetProfile());
    return true;
}

void COptionsPage::PickColor(Color& colour, int idSwatch) {
    CHOOSECOLORA cc = {};
    cc.lStructSize = sizeof(cc);
    cc.hwndOwner = m_hWnd;
    cc.rgbResult = colour & 0xFFFFFF;
    cc.lpCustColors = m_custom;
    cc.Flags = CC_FULLOPEN | CC_RGBINIT;
    if (!ChooseColorA(&cc)) return;
    colour = cc.rgbResult & 0xFFFFFF;
    InvalidateRect(Item(idSwatch), nullptr, TRUE);
}

bool COptionsPage::OnCommand(int id, int code, HWND hCtl) {
    if (code != BN_CLICKED) return CSheetPage::OnCommand(id, code, hCtl);
    switch (id) {
    case IDC_OPT_BG_CHANGE:
        PickColor(m_values.BackgroundColor, IDC_OPT_BG_SWATCH);
        return true;
    case IDC_OPT_TEXT_CHANGE:
        PickColor(m_values.IconTextColor, IDC_OPT_TEXT_SWATCH);
        return true;
    case IDC_OPT_TOOLTIPS: {
        bool bOn = GetCheck(m_hWnd, IDC_OPT_TOOLTIPS);
        // The fields are read as when leaving the page (a bad one is
        // reported), but the switch takes effect whatever they hold.
        ReadControls();
        m_values.ShowToolTips = bOn;
        gApp.GetSettings().ShowToolTips = bOn;
        if (CConfigProp* pSheet = gApp.OpenSheet()) pSheet->ActivateToolTips(bOn);
        return true;
    }
    default:
        return CSheetPage::OnCommand(id, code, hCtl);
    }
}

INT_PTR COptionsPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    // The swatches are drawn by the page, so they show their colour after
    // every repaint.
    if (msg == WM_DRAWITEM) {
        auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
        if (dis->CtlID != IDC_OPT_BG_SWATCH && dis->CtlID != IDC_OPT_TEXT_SWATCH) return FALSE;
        Color c = dis->CtlID == IDC_OPT_BG_SWATCH ? m_values.BackgroundColor : m_values.IconTextColor;
        PaintSwatch(dis, c);
        return TRUE;
    }
    return FALSE;
}

}  // namespace mv::win
