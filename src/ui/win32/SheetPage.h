#pragma once
#include "ui/win32/Controls.h"
#include "ui/win32/Window.h"

namespace mv::win {

// A settings page with tool tips: created on the page when its dialog is
// initialised and switched on or off with ShowToolTips.
class CSheetPage : public CPropertyPage {
public:
    explicit CSheetPage(int iTemplate) : CPropertyPage(iTemplate) {}
    CToolTip* ToolTip() override { return &m_toolTip; }

protected:
    void CreateToolTips();
    void AddTip(int id, const char* sText) { m_toolTip.AddWindowTool(Item(id), sText); }
    // "&Help" on a page opens the help document.
    bool OnCommand(int id, int code, HWND hCtl) override;

    CToolTip m_toolTip;
};

}  // namespace mv::win
