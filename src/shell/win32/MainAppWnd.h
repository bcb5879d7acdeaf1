#pragma once
#include "ui/win32/Window.h"

namespace mv::win {

// The tray instance's hidden main window, titled with the application title.
class CMainAppWnd : public CWindow {
public:
    static constexpr const char* kClassName = "MurivaneFrame";
    bool CreateHidden(const std::string& sTitle);

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

}  // namespace mv::win
