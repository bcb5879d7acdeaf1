#pragma once
#include "ui/PageRules.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Options page: interval, thresholds, colours, switches, quiet hours and
// smart tiling.
class COptionsPage : public CSheetPage {
public:
    COptionsPage();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    bool OnKillActive() override { return StorePage(); }
    bool OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // Reads the controls in the page's order, validating each; false at the
    // first invalid field, which has been reported and holds the focus.
    bool ReadControls();
    bool StorePage();
    void PickColor(Color& colour, int idSwatch);

    OptionsValues m_values;
    COLORREF m_custom[16] = {};
};

}  // namespace mv::win
