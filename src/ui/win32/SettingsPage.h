#pragma once
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "config/Collection.h"
#include "platform/win32/Win32Ini.h"
#include "ui/DriveSearchJob.h"
#include "ui/win32/SheetPage.h"

namespace mv::win {

// The Collections page: which collection is current, its folders (by hand
// or by a search of whole drives), its order and its fractal share.
class CSettingsPage : public CSheetPage {
public:
    CSettingsPage();
    ~CSettingsPage() override;

protected:
    BOOL OnInitDialog() override;
    bool OnCommand(int id, int code, HWND hCtl) override;
    LRESULT OnNotify(NMHDR* pHdr) override;
    bool OnApply() override;
    INT_PTR HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    void LoadSelectedCollection();
    // Saves the collection shown; false when the file could not be written.
    bool StoreCollection();
    void EnableCollectionControls(bool bOn);
    void StopSearch();
    void ShowLastImage();
    void ShowStatus(const std::string& sText);

    void OnNew();
    void OnDelete();
    void OnAdd();
    void OnRemove();
    void OnRemoveAll();
    void OnSearch();
    void OnPreview();
    void OnSearchNote(WPARAM uJob, LPARAM note);
    // Adds the folders a search found that the list does not hold yet.
    void AddFoundFolders(const std::vector<std::string>& found);
    void EndSearchLook();

    Win32Ini CollectionsFile() const;
    int FindFolder(const std::string& sPath) const;
    std::string ComboText(int i) const;

    std::unique_ptr<RCollection> m_pCollection;
    CHorzListBox m_folderList;
    std::vector<std::string> m_searchDrives;
    // The running search: its job (shared with the worker) and thread. A
    // note from the worker counts only while its job number is m_uJob.
    std::shared_ptr<DriveSearchJob> m_pSearch;
    std::thread m_searchThread;
    WPARAM m_uJob = 0;
};

}  // namespace mv::win
