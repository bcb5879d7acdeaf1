#pragma once
#include "ui/AdvancedRules.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Advanced page: what several monitors show, with a drawing of the
// monitors as the system arranges them.
class CAdvancedPage : public CSheetPage {
public:
    CAdvancedPage();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    // Leaving the page copies its values into the settings record.
    bool OnKillActive() override {
        StorePage();
        return true;
    }
    void OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ReadControls();
    void StorePage();
    // The shape check box is enabled only for a picture on each monitor.
    void EnableShapeChoice();
    void PaintLayout(const DRAWITEMSTRUCT* dis) const;

    AdvancedValues m_values;
    MonitorLayout m_layout;
};

}  // namespace mv::win
