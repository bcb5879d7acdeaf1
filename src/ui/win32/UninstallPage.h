#pragma once
#include "ui/win32/Window.h"

namespace mv::win {

// The Uninstall page: how to remove Murivane, and its first step.
class CUninstallPage : public CPropertyPage {
public:
    CUninstallPage();

protected:
    bool OnCommand(int id, int code, HWND hCtl) override;
};

}  // namespace mv::win
