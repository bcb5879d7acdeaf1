#pragma once
#include <windows.h>

#include <string>

namespace mv::win {

// The shell's folder browser, limited to file-system folders.
class qvFolderBrowser {
public:
    virtual ~qvFolderBrowser() = default;
    // True when a folder with a file-system path was chosen; m_sFolder holds
    // it then, and is empty otherwise. An empty title shows the default one.
    bool Browse(HWND hOwner, const std::string& sTitle);
    const std::string& folder() const { return m_sFolder; }

private:
    std::string m_sFolder;
};

}  // namespace mv::win
