#pragma once
#include "ui/ColorsDateRules.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Colors page: how often each of twelve hues is used in fractals, and
// their brightness. Nothing is stored until OK.
class CColorsPage : public CSheetPage {
public:
    CColorsPage();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    bool OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void ShowValues(const ColorsValues& v);
};

}  // namespace mv::win
