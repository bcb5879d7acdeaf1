#include "ui/win32/Window.h"

#include "resource.h"

namespace mv::win {

namespace {
const char kDialogObject[] = "MurivaneDialogObject";
}  // namespace

// Binds a dialog object to its window at WM_INITDIALOG (bound is the object
// the creator handed over), finds it for every later message, dispatches with
// exceptions stopped here, and unbinds it at WM_NCDESTROY.
template <typename T>
INT_PTR DispatchBound(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, T* bound, bool bForgetWindow) {
    T* self = bound;
    if (msg == WM_INITDIALOG && self)
        SetPropA(hWnd, kDialogObject, self);
    else if (msg != WM_INITDIALOG)
        self = static_cast<T*>(GetPropA(hWnd, kDialogObject));
    if (!self) return FALSE;
    INT_PTR result = FALSE;
    try {
        result = self->Dispatch(msg, wParam, lParam);
    } catch (...) {
        result = FALSE;
    }
    if (msg == WM_NCDESTROY) {
        RemovePropA(hWnd, kDialogObject);
        if (bForgetWindow) self->m_hWnd = nullptr;
    }
    return result;
}

// ---------------------------------------------------------------- CWindow

CWindow::~CWindow() {
    if (m_hWnd) {
        SetWindowLongPtrA(m_hWnd, GWLP_USERDATA, 0);
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        DestroyWindow(h);
    }
}

bool CWindow::RegisterWindowClass(const char* sClass, HICON hIcon) {
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExA(GetModuleHandleA(nullptr), sClass, &wc)) return true;
    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = StaticWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hIcon = hIcon;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = sClass;
    return RegisterClassExA(&wc) != 0;
}

bool CWindow::Create(DWORD exStyle, const char* sClass, const char* sTitle, DWORD style, int x, int y, int cx,
                     int cy, HWND hParent, HMENU hMenu) {
    HWND h = CreateWindowExA(exStyle, sClass, sTitle, style, x, y, cx, cy, hParent, hMenu, GetModuleHandleA(nullptr),
                             this);
    return h != nullptr;
}

LRESULT CWindow::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return Default(msg, wParam, lParam); }

LRESULT CALLBACK CWindow::StaticWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CWindow* self = nullptr;
    if (msg == WM_NCCREATE) {
        auto* cs = reinterpret_cast<CREATESTRUCTA*>(lParam);
        self = static_cast<CWindow*>(cs->lpCreateParams);
        if (self) {
            self->m_hWnd = hWnd;
            SetWindowLongPtrA(hWnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
    } else {
        self = reinterpret_cast<CWindow*>(GetWindowLongPtrA(hWnd, GWLP_USERDATA));
    }
    if (!self) return DefWindowProcA(hWnd, msg, wParam, lParam);
    LRESULT result = 0;
    try {
        result = self->HandleMessage(msg, wParam, lParam);
    } catch (...) {
        result = DefWindowProcA(hWnd, msg, wParam, lParam);
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hWnd, GWLP_USERDATA, 0);
        self->m_hWnd = nullptr;
    }
    return result;
}

// ---------------------------------------------------------------- CDialog

CDialog::~CDialog() {
    if (m_hWnd && !m_bModal) {
        HWND h = m_hWnd;
        m_hWnd = nullptr;
        RemovePropA(h, kDialogObject);
        DestroyWindow(h);
    }
}

INT_PTR CDialog::DoModal(HWND hOwner) {
    m_bModal = true;
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_iTemplate), hOwner, StaticDlgProc,
                           reinterpret_cast<LPARAM>(this));
}

bool CDialog::CreateModeless(HWND hOwner) {
    m_bModal = false;
    return CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(m_iTemplate), hOwner, StaticDlgProc,
                              reinterpret_cast<LPARAM>(this)) != nullptr;
}

void CDialog::End(INT_PTR result) {
    if (!m_hWnd) return;
    if (m_bModal)
        EndDialog(m_hWnd, result);
    else
        DestroyWindow(m_hWnd);
}

INT_PTR CALLBACK CDialog::StaticDlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CDialog* bound = nullptr;
    if (msg == WM_INITDIALOG) {
        bound = reinterpret_cast<CDialog*>(lParam);
        if (bound) bound->m_hWnd = hWnd;
    }
    return DispatchBound(hWnd, msg, wParam, lParam, bound, true);
}

INT_PTR CDialog::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (OnCommand(id, HIWORD(wParam), reinterpret_cast<HWND>(lParam))) return TRUE;
        if (id == IDOK) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        LRESULT r = OnNotify(reinterpret_cast<NMHDR*>(lParam));
        SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, r);
        return r != 0;
    }
    default:
        return HandleMessage(msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------- CPropertyPage

PROPSHEETPAGEA CPropertyPage::Describe() {
    PROPSHEETPAGEA psp = {};
    psp.dwSize = sizeof(psp);
    psp.dwFlags = PSP_DEFAULT;
    psp.hInstance = GetModuleHandleA(nullptr);
    psp.pszTemplate = MAKEINTRESOURCEA(m_iTemplate);
    psp.pfnDlgProc = StaticPageProc;
    psp.lParam = reinterpret_cast<LPARAM>(this);
    return psp;
}

INT_PTR CALLBACK CPropertyPage::StaticPageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    CPropertyPage* bound = nullptr;
    if (msg == WM_INITDIALOG) {
        bound = reinterpret_cast<CPropertyPage*>(reinterpret_cast<PROPSHEETPAGEA*>(lParam)->lParam);
        if (bound) {
            bound->m_hWnd = hWnd;
            if (bound->m_pSheet) bound->m_pSheet->NoteWindow(GetParent(hWnd));
        }
    }
    // A page keeps its window handle after it is gone: it tells that the page was shown.
    return DispatchBound(hWnd, msg, wParam, lParam, bound, false);
}

INT_PTR CPropertyPage::Dispatch(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        return OnInitDialog();
    case WM_COMMAND:
        return OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam)) ? TRUE : FALSE;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        switch (hdr->code) {
        case PSN_SETACTIVE:
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, OnSetActive() ? 0 : -1);
            return TRUE;
        case PSN_KILLACTIVE:
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, OnKillActive() ? FALSE : TRUE);
            return TRUE;
        case PSN_APPLY:
            if (!OnApply()) {
                SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, PSNRET_INVALID_NOCHANGEPAGE);
                return TRUE;
            }
            if (m_pSheet) m_pSheet->NoteApplied();
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        default: {
            LRESULT r = OnNotify(hdr);
            SetWindowLongPtrA(m_hWnd, DWLP_MSGRESULT, r);
            return r != 0;
        }
        }
    }
    default:
        return HandleMessage(msg, wParam, lParam);
    }
}

// ---------------------------------------------------------------- CPropertySheet

void CPropertySheet::NoteWindow(HWND hSheet) {
    m_hWnd = hSheet;
    if (m_bPlaced || !hSheet) return;
    m_bPlaced = true;
    SetWindowSubclass(hSheet, SheetSubclassProc, 1, reinterpret_cast<DWORD_PTR>(this));
    // Centred over the owner, or on the work area when there is none.
    RECT area, rc;
    if (!m_hOwner || !IsWindowVisible(m_hOwner) || !GetWindowRect(m_hOwner, &area))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    GetWindowRect(hSheet, &rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    int x = area.left + ((area.right - area.left) - cx) / 2;
    int y = area.top + ((area.bottom - area.top) - cy) / 2;
    SetWindowPos(hSheet, nullptr, x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

LRESULT CALLBACK CPropertySheet::SheetSubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                                   DWORD_PTR ref) {
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hWnd, SheetSubclassProc, 1);
    } else if (msg == WM_DISPLAYCHANGE) {
        auto* self = reinterpret_cast<CPropertySheet*>(ref);
        for (CPropertyPage* p : self->m_pages)
            if (p->Hwnd() && IsWindow(p->Hwnd())) SendMessageA(p->Hwnd(), WM_DISPLAYCHANGE, wParam, lParam);
    }
    return DefSubclassProc(hWnd, msg, wParam, lParam);
}

bool CPropertySheet::DoModal() {
    std::vector<PROPSHEETPAGEA> pages;
    for (CPropertyPage* p : m_pages) {
        p->SetSheet(this);
        pages.push_back(p->Describe());
    }
    PROPSHEETHEADERA psh = {};
    psh.dwSize = sizeof(psh);
    psh.dwFlags = PSH_PROPSHEETPAGE | PSH_NOAPPLYNOW;
    psh.hwndParent = m_hOwner;
    psh.hInstance = GetModuleHandleA(nullptr);
    psh.pszCaption = m_sCaption.c_str();
    psh.nPages = static_cast<UINT>(pages.size());
    psh.nStartPage = 0;
    psh.ppsp = pages.data();
    m_bApplied = false;
    m_bPlaced = false;
    INT_PTR r = PropertySheetA(&psh);
    m_hWnd = nullptr;
    return r > 0 && m_bApplied;
}

// ---------------------------------------------------------------- helpers

void SetCheck(HWND hDlg, int id, bool bChecked) { CheckDlgButton(hDlg, id, bChecked ? BST_CHECKED : BST_UNCHECKED); }
bool GetCheck(HWND hDlg, int id) { return IsDlgButtonChecked(hDlg, id) == BST_CHECKED; }
void SetDlgText(HWND hDlg, int id, const std::string& sText) { SetDlgItemTextA(hDlg, id, sText.c_str()); }

std::string GetDlgText(HWND hDlg, int id) {
    // The length asked first may be larger than the text (a field subclassed
    // by its tip or its up-down control is a Unicode window, and an ANSI
    // caller is given room for double-byte characters): the count the copy
    // returns is the text's.
    HWND h = GetDlgItem(hDlg, id);
    int n = GetWindowTextLengthW(h);
    if (n <= 0) return std::string();
    std::wstring w(static_cast<size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(h, &w[0], n + 1);
    if (got <= 0) return std::string();
    w.resize(static_cast<size_t>(got < n ? got : n));
    return NarrowText(w);
}

std::string NarrowText(const std::wstring& w) {
    int n = WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    if (n <= 0) return std::string();
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_ACP, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

std::string LoadString(UINT id) {
    char buffer[1024] = {};
    int n = LoadStringA(GetModuleHandleA(nullptr), id, buffer, sizeof(buffer));
    return std::string(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string LoadString(UINT id, const std::string& sArg) {
    std::string sText = LoadString(id);
    const size_t at = sText.find("%s");
    if (at != std::string::npos) sText.replace(at, 2, sArg);
    return sText;
}

void ShowError(HWND hOwner, const std::string& sText) {
    MessageBoxA(hOwner, sText.c_str(), "Error", MB_OK | MB_ICONSTOP);
}

void ShowSaveFailed(HWND hOwner) {
    MessageBoxA(hOwner, LoadString(IDS_SAVE_FAILED).c_str(), LoadString(IDR_MAINFRAME_TITLE).c_str(),
                MB_OK | MB_ICONEXCLAMATION);
}

void ShowNote(const std::string& sText) {
    MessageBoxA(GetForegroundWindow(), sText.c_str(), "Note", MB_OK | MB_ICONINFORMATION);
}

}  // namespace mv::win
