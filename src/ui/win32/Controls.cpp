#include "ui/win32/Controls.h"

#include <algorithm>
#include <vector>

#include "resource.h"
#include "ui/win32/Window.h"

namespace mv::win {

// ---------------------------------------------------------------- CToolTip

CToolTip::~CToolTip() {
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
}

bool CToolTip::Create(HWND hParent) {
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    m_hWnd = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hParent, nullptr, GetModuleHandleA(nullptr),
                             nullptr);
    if (m_hWnd) SendMessageA(m_hWnd, TTM_SETMAXTIPWIDTH, 0, 300);
    return m_hWnd != nullptr;
}

void CToolTip::Activate(bool bOn) {
    if (m_hWnd) SendMessageA(m_hWnd, TTM_ACTIVATE, bOn ? TRUE : FALSE, 0);
}

bool CToolTip::AddWindowTool(HWND hControl, const char* sText) {
    if (!m_hWnd || !hControl) return false;
    TTTOOLINFOA ti = {};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    ti.hwnd = GetParent(hControl);
    ti.uId = reinterpret_cast<UINT_PTR>(hControl);
    ti.lpszText = const_cast<char*>(sText);
    return SendMessageA(m_hWnd, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti)) != FALSE;
}

// ---------------------------------------------------------------- CHorzListBox

CHorzListBox::~CHorzListBox() { Detach(); }

bool CHorzListBox::Attach(HWND hList) {
    Detach();
    if (!hList) return false;
    if (!SetWindowSubclass(hList, SubclassProc, 1, reinterpret_cast<DWORD_PTR>(this))) return false;
    m_hWnd = hList;
    m_widths.Clear();
    m_tabStops.clear();
    m_bHaveTabStops = false;
    return true;
}

void CHorzListBox::Detach() {
    if (m_hWnd) {
        if (IsWindow(m_hWnd)) RemoveWindowSubclass(m_hWnd, SubclassProc, 1);
        m_hWnd = nullptr;
    }
}

LRESULT CALLBACK CHorzListBox::SubclassProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR ref) {
    auto* self = reinterpret_cast<CHorzListBox*>(ref);
    if (msg == WM_NCDESTROY) {
        RemoveWindowSubclass(hWnd, SubclassProc, 1);
        if (self) self->m_hWnd = nullptr;
        return DefSubclassProc(hWnd, msg, wParam, lParam);
    }
    if (!self) return DefSubclassProc(hWnd, msg, wParam, lParam);
    try {
        return self->Handle(msg, wParam, lParam);
    } catch (...) {
        return LB_ERR;
    }
}

LRESULT CHorzListBox::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    LRESULT r = DefSubclassProc(m_hWnd, msg, wParam, lParam);
    switch (msg) {
    case LB_ADDSTRING:
    case LB_INSERTSTRING:
        if (r != LB_ERR && r != LB_ERRSPACE && lParam) {
            // One default tab stop of 2 dialog units before the first measure;
            // when the list box takes it, every item, this one included, is
            // measured again.
            bool bRemeasured = false;
            if (!m_bHaveTabStops) {
                int two = 2;
                SendMessageW(m_hWnd, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(&two));
                bRemeasured = m_bHaveTabStops;
            }
            if (!bRemeasured) m_widths.Insert(static_cast<int>(r), Measure(reinterpret_cast<const wchar_t*>(lParam)));
            ApplyExtent();
        }
        break;
    case LB_DELETESTRING:
        if (r != LB_ERR) {
            m_widths.Erase(static_cast<int>(wParam));
            ApplyExtent();
        }
        break;
    case LB_SETTABSTOPS:
        if (r) {
            int n = static_cast<int>(wParam);
            const int* stops = reinterpret_cast<const int*>(lParam);
            m_tabStops.clear();
            m_bHaveTabStops = true;
            if (n > 0 && stops) {
                HDC hdc = GetDC(m_hWnd);
                HGDIOBJ old = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
                SIZE sz = {};
                const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
                GetTextExtentPoint32A(hdc, kAlphabet, 52, &sz);
                int avg = AverageCharWidth(sz.cx);
                for (int i = 0; i < n; ++i) m_tabStops.push_back(TabStopPixels(stops[i], avg));
                SelectObject(hdc, old);
                ReleaseDC(m_hWnd, hdc);
            }
            MeasureAll();
            ApplyExtent();
        }
        break;
    case LB_RESETCONTENT:
        m_widths.Clear();
        ApplyExtent();
        break;
    default:
        break;
    }
    return r;
}

int CHorzListBox::Measure(const wchar_t* sText) {
    HDC hdc = GetDC(m_hWnd);
    HGDIOBJ old = SelectObject(hdc, reinterpret_cast<HFONT>(SendMessageA(m_hWnd, WM_GETFONT, 0, 0)));
    int len = static_cast<int>(wcslen(sText));
    int width = 0;
    if (GetWindowLongA(m_hWnd, GWL_STYLE) & LBS_USETABSTOPS) {
        DWORD ext = GetTabbedTextExtentW(hdc, sText, len, static_cast<int>(m_tabStops.size()),
                                         m_tabStops.empty() ? nullptr : m_tabStops.data());
        width = LOWORD(ext);
    } else {
        SIZE sz = {};
        GetTextExtentPoint32W(hdc, sText, len, &sz);
        width = sz.cx;
    }
    SelectObject(hdc, old);
    ReleaseDC(m_hWnd, hdc);
    return width + 6;
}

void CHorzListBox::MeasureAll() {
    int n = static_cast<int>(SendMessageA(m_hWnd, LB_GETCOUNT, 0, 0));
    std::vector<int> widths;
    for (int i = 0; i < n; ++i) {
        int len = static_cast<int>(SendMessageW(m_hWnd, LB_GETTEXTLEN, i, 0));
        if (len < 0) len = 0;
        std::wstring s(static_cast<size_t>(len) + 1, L'\0');
        SendMessageW(m_hWnd, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&s[0]));
        widths.push_back(Measure(s.c_str()));
    }
    m_widths.Assign(std::move(widths));
}

void CHorzListBox::ApplyExtent() { SendMessageA(m_hWnd, LB_SETHORIZONTALEXTENT, m_widths.Largest(), 0); }

// ---------------------------------------------------------------- number fields

void SetDlgInt(HWND hDlg, int id, int32_t value) { SetDlgItemTextA(hDlg, id, std::to_string(value).c_str()); }

static bool FailField(HWND hDlg, int id, const std::string& sMessage) {
    ShowFieldMessage(GetParent(hDlg) ? GetParent(hDlg) : hDlg, sMessage);
    HWND hField = GetDlgItem(hDlg, id);
    SetFocus(hField);
    SendMessageA(hField, EM_SETSEL, 0, -1);
    return false;
}

bool ReadDlgInt(HWND hDlg, int id, int32_t& value) {
    IntFieldResult r = ParseIntField(GetDlgText(hDlg, id));
    if (!r.ok) return FailField(hDlg, id, r.sMessage);
    value = r.value;
    return true;
}

bool ReadDlgInt(HWND hDlg, int id, int32_t lo, int32_t hi, int32_t& value) {
    IntFieldResult r = ParseIntField(GetDlgText(hDlg, id), lo, hi);
    if (!r.ok) return FailField(hDlg, id, r.sMessage);
    value = r.value;
    return true;
}

void SetSpinRange(HWND hDlg, int idSpin, int lo, int hi) {
    SendDlgItemMessageA(hDlg, idSpin, UDM_SETRANGE32, lo, hi);
}

void SetupPercentSlider(HWND hDlg, int id, int pos) {
    HWND h = GetDlgItem(hDlg, id);
    SendMessageA(h, TBM_SETRANGE, FALSE, MAKELPARAM(0, 100));
    SendMessageA(h, TBM_SETTICFREQ, 10, 0);
    SendMessageA(h, TBM_SETPOS, TRUE, pos);
}

void PaintSwatch(const DRAWITEMSTRUCT* dis, Color colour) {
    HBRUSH hBrush = CreateSolidBrush(colour & 0xFFFFFF);
    FillRect(dis->hDC, &dis->rcItem, hBrush);
    DeleteObject(hBrush);
    FrameRect(dis->hDC, &dis->rcItem, static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH)));
}

void ShowFieldMessage(HWND hOwner, const std::string& sText) {
    std::string sTitle = LoadString(IDR_MAINFRAME_TITLE);
    MessageBoxA(hOwner, sText.c_str(), sTitle.empty() ? "Murivane" : sTitle.c_str(), MB_OK | MB_ICONEXCLAMATION);
}

namespace {

std::string ItemText(HWND hCtl, UINT lenMsg, UINT textMsg, int i) {
    // The length asked first may be larger than the text: Windows leaves room
    // for double-byte characters when the caller and the control differ in
    // character set (the folder list is subclassed, so it is a Unicode
    // window). The count the copy returns is the text's. Asked in UTF-16, the
    // room is never too small, whatever the code page.
    LRESULT len = SendMessageW(hCtl, lenMsg, static_cast<WPARAM>(i), 0);
    if (len < 0) return std::string();
    std::wstring w(static_cast<size_t>(len) + 1, L'\0');
    LRESULT got = SendMessageW(hCtl, textMsg, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&w[0]));
    if (got <= 0) return std::string();
    w.resize(static_cast<size_t>(got < len ? got : len));
    return NarrowText(w);
}

}  // namespace

std::string ListItemText(HWND hList, int i) { return ItemText(hList, LB_GETTEXTLEN, LB_GETTEXT, i); }
std::string ComboItemText(HWND hCombo, int i) { return ItemText(hCombo, CB_GETLBTEXTLEN, CB_GETLBTEXT, i); }

}  // namespace mv::win
