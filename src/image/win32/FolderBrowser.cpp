#include "image/win32/FolderBrowser.h"

#include <shlobj.h>

namespace mv::win {

bool qvFolderBrowser::Browse(HWND hOwner, const std::string& sTitle) {
    m_sFolder.clear();
    char displayName[MAX_PATH] = {};
    const std::string sShown = sTitle.empty() ? "Choose a folder containing your files:" : sTitle;
    BROWSEINFOA bi = {};
    bi.hwndOwner = hOwner;
    bi.pidlRoot = nullptr;
    bi.pszDisplayName = displayName;
    bi.lpszTitle = sShown.c_str();
    bi.ulFlags = BIF_RETURNONLYFSDIRS | BIF_DONTGOBELOWDOMAIN;
    bi.lpfn = nullptr;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (!pidl) return false;
    char path[MAX_PATH] = {};
    bool bOk = SHGetPathFromIDListA(pidl, path) != FALSE && path[0] != '\0';
    IMalloc* pMalloc = nullptr;
    if (SUCCEEDED(SHGetMalloc(&pMalloc)) && pMalloc) {
        pMalloc->Free(pidl);
        pMalloc->Release();
    }
    if (bOk) m_sFolder = path;
    return bOk;
}

}  // namespace mv::win
