#pragma once
#include <windows.h>
#include <commctrl.h>

#include <string>

#include "ui/PageRules.h"

namespace mv::win {

// A tool-tip control on a page or dialog. Each tool is identified by its
// control's window, and the tool-tip control watches that window's mouse
// messages itself, so the page relays nothing.
class CToolTip {
public:
    CToolTip() = default;
    ~CToolTip();
    CToolTip(const CToolTip&) = delete;
    CToolTip& operator=(const CToolTip&) = delete;

    bool Create(HWND hParent);
    void Activate(bool bOn);
    bool AddWindowTool(HWND hControl, const char* sText);
    HWND Hwnd() const { return m_hWnd; }

private:
    HWND m_hWnd = nullptr;
};

// A list box that keeps its horizontal scroll extent equal to its widest
// item. It subclasses the list box, so LB_ADDSTRING, LB_INSERTSTRING,
// LB_DELETESTRING, LB_SETTABSTOPS and LB_RESETCONTENT sent by anyone keep
// the extent right: the list box handles each first, then the widths follow.
class CHorzListBox {
public:
    CHorzListBox() = default;
    ~CHorzListBox();
    CHorzListBox(const CHorzListBox&) = delete;
    CHorzListBox& operator=(const CHorzListBox&) = delete;

    bool Attach(HWND hList);
    void Detach();
    HWND Hwnd() const { return m_hWnd; }
    int Largest() const { return m_widths.Largest(); }

private:
    static LRESULT CALLBACK SubclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    // The subclass sees the list box's messages in their Unicode form.
    int Measure(const wchar_t* sText);
    void MeasureAll();
    void ApplyExtent();

    HWND m_hWnd = nullptr;
    ItemWidths m_widths;
    std::vector<int> m_tabStops;  // in pixels
    bool m_bHaveTabStops = false;
};

// Number fields. SetDlgInt shows a value; ReadDlgInt reads one as the
// integer exchange of a dialog does: on a bad text it shows the framework's
// message, puts the focus on the field with its text selected, and returns
// false.
void SetDlgInt(HWND hDlg, int id, int32_t value);
bool ReadDlgInt(HWND hDlg, int id, int32_t& value);
bool ReadDlgInt(HWND hDlg, int id, int32_t lo, int32_t hi, int32_t& value);
// An up-down control's range.
void SetSpinRange(HWND hDlg, int idSpin, int lo, int hi);
// A slider's range 0..100 with a tick every 10, and its position.
void SetupPercentSlider(HWND hDlg, int id, int pos);

// Paints an owner-drawn colour swatch or sample: the colour, framed in grey
// so that a white one still shows on a white page.
void PaintSwatch(const DRAWITEMSTRUCT* dis, Color colour);

// The message box of a failed field check: the program's title, the
// exclamation icon, OK.
void ShowFieldMessage(HWND hOwner, const std::string& sText);

// The text of item i of a list box or of a combo box's list, in the
// program's code page; empty when there is no such item.
std::string ListItemText(HWND hList, int i);
std::string ComboItemText(HWND hCombo, int i);

}  // namespace mv::win
