#pragma once
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Information page: product name and version, the information text and
// three links into the help document.
class CInfoPage : public CSheetPage {
public:
    CInfoPage();

    struct Link {
        int id;
        const char* sSection;  // anchor in the help document
        const char* sTip;
    };

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    std::string m_sHeading;
    std::string m_sText;
};

}  // namespace mv::win
