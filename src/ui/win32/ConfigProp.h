#pragma once
#include "ui/win32/Window.h"

namespace mv::win {

// The Information page: product name and version, and where to find help.
class CInfoPage : public CPropertyPage {
public:
    CInfoPage();

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;

private:
    std::string m_sHeading;
    std::string m_sText;
};

// The settings sheet.
class CConfigProp : public CPropertySheet {
public:
    CConfigProp(const std::string& sCaption, HWND hOwner);

private:
    CInfoPage m_infoPage;
};

}  // namespace mv::win
