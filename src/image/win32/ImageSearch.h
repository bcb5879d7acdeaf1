#pragma once
#include <string>
#include <vector>

#include "ui/win32/Window.h"

namespace mv::win {

// The "Search" dialog: the fixed drives, of which the user picks those to
// search for image folders.
class qvImageSearch : public CDialog {
public:
    qvImageSearch();
    // The roots of the drives selected when OK was pressed, in list order.
    const std::vector<std::string>& drives() const { return m_drives; }

protected:
    BOOL OnInitDialog() override;
    void OnOK() override;

private:
    std::vector<std::string> m_drives;
};

}  // namespace mv::win
