#include "ui/win32/PreviewDialog.h"

#include <cstring>

#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "image/DibDraw.h"
#include "image/Folder.h"
#include "image/PictureFile.h"
#include "image/Resample.h"
#include "platform/win32/Win32ActiveDesktop.h"
#include "platform/win32/Win32DirectoryLister.h"
#include "resource.h"
#include "shell/AppliedPicture.h"
#include "ui/DriveSearchJob.h"
#include "ui/PreviewRules.h"
#include "wallpaper/BackgroundChanger.h"

namespace mv::win {

namespace {

const int kLayoutButtons[] = {IDC_PREVIEW_CENTERED, IDC_PREVIEW_TILED, IDC_PREVIEW_SEAMLESS, IDC_PREVIEW_STRETCHED};

// Draws a 24-bit picture with its top-left corner at (x, y), pixel for pixel.
void Draw(HDC hdc, int x, int y, const Image& picture) {
    if (!picture.IsValid() || picture.BitCount() != 24) return;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = picture.Width();
    bmi.bmiHeader.biHeight = picture.Height();
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 24;
    bmi.bmiHeader.biCompression = BI_RGB;
    SetDIBitsToDevice(hdc, x, y, static_cast<DWORD>(picture.Width()), static_cast<DWORD>(picture.Height()), 0, 0, 0,
                      static_cast<UINT>(picture.Height()), picture.Bits(), &bmi, DIB_RGB_COLORS);
}

}  // namespace

CPreviewDialog::CPreviewDialog() : CDialog(IDD_PREVIEW) {}
CPreviewDialog::~CPreviewDialog() = default;

BOOL CPreviewDialog::OnInitDialog() {
    m_toolTip.Create(m_hWnd);
    m_toolTip.Activate(gApp.GetSettings().ShowToolTips != 0);
    m_toolTip.AddWindowTool(Item(IDC_PREVIEW_MAKE),
                            "The selected image will used for the desktop wallpaper immediately");
    Win32DirectoryLister lister;
    qvFolder folder(lister, m_sFolder);
    folder.FindFiles(DriveSearchJob::Patterns(), nullptr, false);
    std::vector<std::string> names;
    // A file two patterns match ("x.jpeg" and "*.jpe" on Windows) is listed once.
    folder.FillListBox(names, true, false);
    for (const std::string& s : names)
        SendDlgItemMessageA(m_hWnd, IDC_PREVIEW_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(s.c_str()));
    return TRUE;
}

bool CPreviewDialog::SelectedPath(std::string& sPath) const {
    HWND hList = Item(IDC_PREVIEW_LIST);
    LRESULT sel = SendMessageA(hList, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) return false;
    sPath = m_sFolder + "\\" + ListItemText(hList, static_cast<int>(sel));
    return true;
}

bool CPreviewDialog::OnCommand(int id, int code, HWND) {
    if (id == IDC_PREVIEW_LIST && code == LBN_SELCHANGE) {
        OnSelect();
        return true;
    }
    if (code != BN_CLICKED) return false;
    for (int layoutId : kLayoutButtons)
        if (id == layoutId) {
            // Stretched or not decides how the picture is placed: drawn again.
            m_shown = Image();
            InvalidatePreview();
            return false;
        }
    switch (id) {
    case IDC_PREVIEW_MAKE: OnMakeWallpaper(); return true;
    case IDC_PREVIEW_CLOSE: End(IDCANCEL); return true;
    case IDC_HELP_BUTTON: ShowHelp(gApp.GetSettings().InstallFolder); return true;
    default: return false;
    }
}

void CPreviewDialog::OnSelect() {
    std::string sPath;
    if (!SelectedPath(sPath)) return;
    const std::string sExt = PreviewExtension(sPath);
    m_pImage.reset();
    m_shown = Image();
    // Chosen by the file's signature; upright as the picture is meant to be seen.
    DecodeLimits limits;
    limits.background = gApp.GetSettings().BackgroundColor;
    m_pImage = DecodePictureFile(sPath, limits);
    for (int id : kLayoutButtons) SetCheck(m_hWnd, id, false);
    if (ExtensionIs(sExt, "gif") && !m_pImage->IsValid()) {
        SetDlgText(m_hWnd, IDC_PREVIEW_STATUS, "Sorry, GIF previews are not available.");
        m_pImage.reset();
        InvalidatePreview();
        SetCheck(m_hWnd, IDC_PREVIEW_TILED, true);
        return;
    }
    if (!m_pImage || !m_pImage->IsValid()) {
        SetDlgText(m_hWnd, IDC_PREVIEW_STATUS,
                   "Could not load the image. Perhaps it is 256 color format, rather than 24-bit.");
        m_pImage.reset();
        InvalidatePreview();
        return;
    }
    InvalidatePreview();
    HDC hScreen = GetDC(nullptr);
    const int cxScreen = GetDeviceCaps(hScreen, HORZRES), cyScreen = GetDeviceCaps(hScreen, VERTRES);
    ReleaseDC(nullptr, hScreen);
    const int pct = ScreenSharePercent(m_pImage->Width(), m_pImage->Height(), cxScreen, cyScreen);
    if (pct < 0) return;
    char text[128];
    wsprintfA(text, "Size %dx%d, %d%% of screen", m_pImage->Width(), m_pImage->Height(), pct);
    SetDlgText(m_hWnd, IDC_PREVIEW_STATUS, text);
    const Settings& s = gApp.GetSettings();
    switch (SuggestedLayout(pct, s.TilePercentage, s.StretchPercentage, s.CreateSeamless != 0)) {
    case PreviewLayout::TiledSeamlessly: SetCheck(m_hWnd, IDC_PREVIEW_SEAMLESS, true); break;
    case PreviewLayout::Tiled: SetCheck(m_hWnd, IDC_PREVIEW_TILED, true); break;
    case PreviewLayout::Stretched: SetCheck(m_hWnd, IDC_PREVIEW_STRETCHED, true); break;
    case PreviewLayout::Centered: SetCheck(m_hWnd, IDC_PREVIEW_CENTERED, true); break;
    }
}

namespace {
// The monitor, of the layout, that shows the window's settings sheet.
int MonitorShowing(const MonitorLayout& layout, HWND hWnd) {
    // The sheet the dialog belongs to decides, as the user sees it: the
    // top-level window of the dialog's owner (a page of the sheet).
    HWND hOwner = GetWindow(hWnd, GW_OWNER);
    HWND hSheet = hOwner ? GetAncestor(hOwner, GA_ROOT) : nullptr;
    HMONITOR hMonitor = MonitorFromWindow(hSheet ? hSheet : hWnd, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFOEXA info;
    std::memset(&info, 0, sizeof(info));
    info.cbSize = sizeof(info);
    if (hMonitor && GetMonitorInfoA(hMonitor, &info)) {
        const Rect rect{info.rcMonitor.left, info.rcMonitor.top, info.rcMonitor.right, info.rcMonitor.bottom};
        for (size_t i = 0; i < layout.monitors.size(); ++i)
            if (layout.monitors[i].rect == rect) return static_cast<int>(i);
    }
    return layout.PrimaryIndex();
}
}  // namespace

void CPreviewDialog::OnMakeWallpaper() {
    HCURSOR hOld = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    std::string sPath;
    if (SelectedPath(sPath)) {
        const std::string sExt = PreviewExtension(sPath);
        CApp& app = gApp;
        // A GIF the program cannot decode can only be handed to Active Desktop.
        if (ExtensionIs(sExt, "gif") && !app.IsUsingActiveDesktop() && !(m_pImage && m_pImage->IsValid())) {
            SetDlgText(m_hWnd, IDC_PREVIEW_STATUS, "GIF backgrounds are only available when using Active Desktop");
        } else {
            std::unique_ptr<Win32ActiveDesktop> pActiveDesktop;
            if (app.IsActiveDesktopInstalled()) pActiveDesktop = Win32ActiveDesktop::Create();
            const bool bTiled = GetCheck(m_hWnd, IDC_PREVIEW_TILED);
            const bool bStretched = GetCheck(m_hWnd, IDC_PREVIEW_STRETCHED);
            const bool bSeamless = GetCheck(m_hWnd, IDC_PREVIEW_SEAMLESS);
            const MonitorLayout layout = app.DesktopSeam().Monitors();
            const ForcedLayout forced{true, bTiled, bStretched, bSeamless};
            int iMonitor = -1;  // every monitor, or the one screen
            const std::string sFailure = app.RunChange(pActiveDesktop.get(), nullptr, [&](BackgroundChanger& changer) {
                if (!layout.IsMultiple()) {
                    changer.ChangeBackground(sPath, sExt, 0, true, bTiled, bStretched, bSeamless);
                    return;
                }
                // A picture for each monitor: this one goes on the monitor
                // that shows the settings, the others keep what they show.
                const MultipleMonitorsMode mode = MultipleMonitorsModeOf(app.GetSettings().MultipleMonitors);
                const MonitorPicture picture{sPath, sExt, 0};
                std::vector<MonitorPicture> pictures(layout.monitors.size(), picture);
                if (mode == kPicturePerMonitor) {
                    const int iHere = MonitorShowing(layout, m_hWnd);
                    for (size_t i = 0; i < pictures.size(); ++i)
                        if (static_cast<int>(i) != iHere) pictures[i] = MonitorPicture();
                    iMonitor = iHere;
                }
                changer.ChangeBackgroundMonitors(layout, mode == kOnePictureAcross, pictures, app.Arrangement(),
                                                 forced);
            });
            // The tray's history, its commands on the wallpaper showing and
            // its next display change act on this picture from now on.
            if (sFailure.empty()) app.TellTrayPictureApplied(AppliedPicture{sPath, forced, iMonitor}, m_hWnd);
        }
    }
    SetCursor(hOld);
}

RECT CPreviewDialog::PreviewArea() const {
    // The free space right of the list and above the status text, in client
    // coordinates.
    RECT rcList, rcStatus, rcClient;
    GetWindowRect(Item(IDC_PREVIEW_LIST), &rcList);
    GetWindowRect(Item(IDC_PREVIEW_STATUS), &rcStatus);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcList), 2);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&rcStatus), 2);
    GetClientRect(m_hWnd, &rcClient);
    RECT rc;
    rc.left = rcList.right + 4;
    rc.top = rcList.top;
    rc.right = rcClient.right - 4;
    rc.bottom = rcStatus.top - 4;
    if (rc.right < rc.left) rc.right = rc.left;
    if (rc.bottom < rc.top) rc.bottom = rc.top;
    return rc;
}

void CPreviewDialog::InvalidatePreview() {
    RECT rc = PreviewArea();
    InvalidateRect(m_hWnd, &rc, TRUE);
}

void CPreviewDialog::Paint(HDC hdc) {
    RECT rc = PreviewArea();
    FillRect(hdc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    if (!m_pImage || !m_pImage->IsValid()) return;
    // A stretched picture that keeps its shape is shown as the wallpaper
    // places it: the screen's shape, the picture filled or fitted into it.
    const Settings& settings = gApp.GetSettings();
    const PictureFit fit = PreviewFit(m_pImage->Width(), m_pImage->Height(), GetSystemMetrics(SM_CXSCREEN),
                                      GetSystemMetrics(SM_CYSCREEN), GetCheck(m_hWnd, IDC_PREVIEW_STRETCHED),
                                      settings.PictureFit);
    int cx = 0, cy = 0;
    if (fit == PictureFit::Stretch)
        FitPreview(m_pImage->Width(), m_pImage->Height(), rc.right - rc.left, rc.bottom - rc.top, cx, cy);
    else
        FitPreview(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), rc.right - rc.left,
                   rc.bottom - rc.top, cx, cy);
    if (cx <= 0 || cy <= 0) return;
    if (!m_shown.IsValid() || m_shown.Width() != cx || m_shown.Height() != cy) {
        // Shrunk by area averaging, as the wallpaper itself is.
        Image full = DrawTo24(*m_pImage);
        if (!full.IsValid()) return;
        if (fit != PictureFit::Stretch)
            m_shown = ComposeFitted(full, Size{cx, cy}, fit, settings.BackgroundColor);
        else
            m_shown = (cx == full.Width() && cy == full.Height()) ? std::move(full) : Resample24(full, cx, cy);
    }
    Draw(hdc, rc.left, rc.top, m_shown);
}

INT_PTR CPreviewDialog::HandleMessage(UINT msg, WPARAM, LPARAM) {
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(m_hWnd, &ps);
        try {
            Paint(hdc);
        } catch (...) {
        }
        EndPaint(m_hWnd, &ps);
        return TRUE;
    }
    case WM_DESTROY:
        m_pImage.reset();
        m_shown = Image();
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace mv::win
