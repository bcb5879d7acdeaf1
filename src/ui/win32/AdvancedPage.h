#pragma once
#include <string>

#include "ui/AdvancedRules.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Advanced page: what several monitors show, with a drawing of the
// monitors as the system arranges them; when scheduled changes pause; how
// many wallpapers the history keeps, and the excluded pictures shown again.
class CAdvancedPage : public CSheetPage {
public:
    CAdvancedPage();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    // Leaving the page copies its values into the settings record; a bad
    // history size keeps the page open.
    bool OnKillActive() override { return StorePage(); }
    bool OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    // False when the history size is not a number in its range (the user
    // has been told, and the field has the focus).
    bool ReadControls();
    bool StorePage();
    // Asks, then marks the current collection's excluded pictures to be
    // shown again when the sheet is OK'd.
    void OnShowExcluded();
    // The shape check box is enabled only for a picture on each monitor.
    void EnableShapeChoice();
    void PaintLayout(const DRAWITEMSTRUCT* dis) const;

    AdvancedValues m_values;
    MonitorLayout m_layout;
    // The collection whose exclusions OK clears; empty for none.
    std::string m_sClearExcludes;
    std::string m_sFitTip;
};

}  // namespace mv::win
