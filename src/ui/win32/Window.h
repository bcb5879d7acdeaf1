#pragma once
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <string>
#include <vector>

namespace mv::win {

// The shared window procedure of dialogs and property pages.
template <typename T>
INT_PTR DispatchBound(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam, T* bound, bool bForgetWindow);

// A window object bound to its HWND from WM_NCCREATE to WM_NCDESTROY. The
// object's HandleMessage sees every message; exceptions stop at the boundary.
class CWindow {
public:
    CWindow() = default;
    virtual ~CWindow();
    CWindow(const CWindow&) = delete;
    CWindow& operator=(const CWindow&) = delete;

    HWND Hwnd() const { return m_hWnd; }
    static bool RegisterWindowClass(const char* sClass, HICON hIcon = nullptr);
    bool Create(DWORD exStyle, const char* sClass, const char* sTitle, DWORD style, int x, int y, int cx, int cy,
                HWND hParent, HMENU hMenu);

protected:
    virtual LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
    LRESULT Default(UINT msg, WPARAM wParam, LPARAM lParam) { return DefWindowProcA(m_hWnd, msg, wParam, lParam); }
    HWND m_hWnd = nullptr;

private:
    static LRESULT CALLBACK StaticWndProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
};

// A dialog from a template, modal or modeless. The object is bound at
// WM_INITDIALOG and unbound at WM_NCDESTROY.
class CDialog {
public:
    explicit CDialog(int iTemplate) : m_iTemplate(iTemplate) {}
    virtual ~CDialog();
    CDialog(const CDialog&) = delete;
    CDialog& operator=(const CDialog&) = delete;

    INT_PTR DoModal(HWND hOwner);
    bool CreateModeless(HWND hOwner);
    HWND Hwnd() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual bool OnCommand(int id, int code, HWND hCtl) { return false; }
    virtual LRESULT OnNotify(NMHDR* pHdr) { return 0; }
    virtual void OnOK() { End(IDOK); }
    virtual void OnCancel() { End(IDCANCEL); }
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return FALSE; }
    void End(INT_PTR result);

    HWND m_hWnd = nullptr;
    int m_iTemplate;
    bool m_bModal = false;

private:
    template <typename T>
    friend INT_PTR DispatchBound(HWND, UINT, WPARAM, LPARAM, T*, bool);
    static INT_PTR CALLBACK StaticDlgProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
};

class CPropertySheet;
class CToolTip;

// One page of a property sheet. PSN_SETACTIVE, PSN_KILLACTIVE and PSN_APPLY
// become virtual calls whose results go to DWLP_MSGRESULT.
class CPropertyPage {
public:
    explicit CPropertyPage(int iTemplate) : m_iTemplate(iTemplate) {}
    virtual ~CPropertyPage() = default;
    CPropertyPage(const CPropertyPage&) = delete;
    CPropertyPage& operator=(const CPropertyPage&) = delete;

    HWND Hwnd() const { return m_hWnd; }
    HWND Item(int id) const { return GetDlgItem(m_hWnd, id); }
    bool WasShown() const { return m_hWnd != nullptr; }
    PROPSHEETPAGEA Describe();
    void SetSheet(CPropertySheet* pSheet) { m_pSheet = pSheet; }
    // The page's tool tips, when it has any.
    virtual CToolTip* ToolTip() { return nullptr; }

protected:
    virtual BOOL OnInitDialog() { return TRUE; }
    virtual bool OnCommand(int id, int code, HWND hCtl) { return false; }
    virtual LRESULT OnNotify(NMHDR* pHdr) { return 0; }
    virtual bool OnSetActive() { return true; }
    virtual bool OnKillActive() { return true; }  // false keeps the page active
    // OK was pressed; false when the page could not store what it shows (it
    // has said why): the sheet then stays open with the user's edits.
    virtual bool OnApply() { return true; }
    virtual INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return FALSE; }
    CPropertySheet* Sheet() const { return m_pSheet; }

    HWND m_hWnd = nullptr;
    int m_iTemplate;
    CPropertySheet* m_pSheet = nullptr;

private:
    template <typename T>
    friend INT_PTR DispatchBound(HWND, UINT, WPARAM, LPARAM, T*, bool);
    static INT_PTR CALLBACK StaticPageProc(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam);
    INT_PTR Dispatch(UINT msg, WPARAM wParam, LPARAM lParam);
};

// A modal property sheet without an Apply button.
class CPropertySheet {
public:
    CPropertySheet(std::string sCaption, HWND hOwner) : m_sCaption(std::move(sCaption)), m_hOwner(hOwner) {}
    virtual ~CPropertySheet() = default;

    void AddPage(CPropertyPage* pPage) { m_pages.push_back(pPage); }
    // True when the sheet was closed with OK.
    bool DoModal();
    HWND Hwnd() const { return m_hWnd; }
    void NoteApplied() { m_bApplied = true; }
    void NoteWindow(HWND hSheet);
    const std::vector<CPropertyPage*>& Pages() const { return m_pages; }

private:
    // Passes WM_DISPLAYCHANGE, which only top-level windows receive, on to
    // the pages that have a window.
    static LRESULT CALLBACK SheetSubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);

    std::string m_sCaption;
    HWND m_hOwner;
    HWND m_hWnd = nullptr;
    bool m_bApplied = false;
    bool m_bPlaced = false;
    std::vector<CPropertyPage*> m_pages;
};

// Control access.
void SetCheck(HWND hDlg, int id, bool bChecked);
bool GetCheck(HWND hDlg, int id);
void SetDlgText(HWND hDlg, int id, const std::string& sText);
std::string GetDlgText(HWND hDlg, int id);
// UTF-16 text in the program's code page.
std::string NarrowText(const std::wstring& w);
std::string LoadString(UINT id);
// A text from the resources with its first %s replaced by sArg.
std::string LoadString(UINT id, const std::string& sArg);

// The two message boxes of the program.
void ShowError(HWND hOwner, const std::string& sText);
void ShowNote(const std::string& sText);
// The collections file could not be saved: the edits are kept, OK tries again.
void ShowSaveFailed(HWND hOwner);

}  // namespace mv::win
