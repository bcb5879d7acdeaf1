#pragma once
#include <string>

#include "ui/win32/Window.h"

namespace mv::win {

// The "New" dialog that asks for a collection's name. The text is returned
// as typed: not trimmed, not limited in length.
class qvTextBox : public CDialog {
public:
    qvTextBox();
    const std::string& text() const { return m_sText; }

protected:
    void OnOK() override;

private:
    std::string m_sText;
};

}  // namespace mv::win
