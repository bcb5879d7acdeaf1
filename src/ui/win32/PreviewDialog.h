#pragma once
#include <memory>
#include <string>

#include "image/Image.h"
#include "ui/win32/Controls.h"
#include "ui/win32/Window.h"

namespace mv::win {

// The "Preview" dialog of one folder: its pictures, a reduced copy of the
// selected one with its size and screen share, the layout the thresholds
// suggest, and "&Make wallaper now" with the layout checked.
class CPreviewDialog : public CDialog {
public:
    CPreviewDialog();
    ~CPreviewDialog() override;

    std::string m_sFolder;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    bool SelectedPath(std::string& sPath) const;
    void OnSelect();
    void OnMakeWallpaper();
    RECT PreviewArea() const;
    void Paint(HDC hdc);
    void InvalidatePreview();

    std::unique_ptr<Image> m_pImage;
    Image m_shown;  // m_pImage at the size it is drawn, 24 bits
    CToolTip m_toolTip;
};

}  // namespace mv::win
