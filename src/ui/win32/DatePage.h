#pragma once
#include "ui/ColorsDateRules.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Date page: whether, where and in which font the date is stamped on the
// wallpaper, with a sample of today's date in the chosen font and style.
class CDatePage : public CSheetPage {
public:
    CDatePage();
    ~CDatePage() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    bool OnKillActive() override { return StorePage(); }
    bool OnApply() override;

private:
    // Reads the page's copies from the controls; false when the size is
    // invalid, which has been reported and holds the focus.
    bool ReadControls();
    bool StorePage();
    void UpdateSample();
    std::array<bool, 5> PositionChecks() const;

    DateValues m_values;
    HFONT m_hSampleFont = nullptr;
};

}  // namespace mv::win
