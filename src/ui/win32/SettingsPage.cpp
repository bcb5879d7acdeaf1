#include "ui/win32/SettingsPage.h"

#include "app/OutputFolder.h"
#include "app/win32/App.h"
#include "image/win32/FolderBrowser.h"
#include "image/win32/ImageSearch.h"
#include "platform/win32/Win32DirectoryLister.h"
#include "resource.h"
#include "ui/win32/PreviewDialog.h"
#include "ui/win32/TextBox.h"

namespace mv::win {

namespace {

// The worker's notes to the page: wParam is the job number, lParam the note.
constexpr UINT kSearchNoteMsg = WM_APP + 21;

// A static control shows "&" as a mnemonic unless doubled.
std::string Literal(const std::string& s) {
    std::string r;
    r.reserve(s.size());
    for (char c : s) {
        r += c;
        if (c == '&') r += '&';
    }
    return r;
}

}  // namespace

CSettingsPage::CSettingsPage() : CSheetPage(IDD_COLLECTIONS) {}

CSettingsPage::~CSettingsPage() { StopSearch(); }

Win32Ini CSettingsPage::CollectionsFile() const { return Win32Ini(OutputFile(gApp.Env(), kIniFileName)); }

std::string CSettingsPage::ComboText(int i) const { return ComboItemText(Item(IDC_COLL_COMBO), i); }

int CSettingsPage::FindFolder(const std::string& sPath) const {
    return static_cast<int>(SendMessageA(m_folderList.Hwnd(), LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                         reinterpret_cast<LPARAM>(sPath.c_str())));
}

BOOL CSettingsPage::OnInitDialog() {
    HWND hCombo = Item(IDC_COLL_COMBO);
    // The down arrow opens the list rather than changing the selection.
    SendMessageA(hCombo, CB_SETEXTENDEDUI, TRUE, 0);
    m_folderList.Attach(Item(IDC_COLL_FOLDERS));

    Win32Ini ini = CollectionsFile();
    SendMessageA(hCombo, CB_RESETCONTENT, 0, 0);
    for (const std::string& sName : ListCollectionNames(ini))
        SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sName.c_str()));
    if (SendMessageA(hCombo, CB_GETCOUNT, 0, 0) > 0) {
        std::string sCurrent = GetCurrentCollection(gApp.GetProfile());
        LRESULT i = SendMessageA(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                 reinterpret_cast<LPARAM>(sCurrent.c_str()));
        SendMessageA(hCombo, CB_SETCURSEL, i == CB_ERR ? 0 : static_cast<WPARAM>(i), 0);
    } else {
        SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDefaultCollection));
        SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
    }
    LoadSelectedCollection();
    SetupPercentSlider(m_hWnd, IDC_COLL_FRACTAL, m_pCollection ? m_pCollection->fractalProb() : 50);

    CreateToolTips();
    AddTip(IDC_COLL_COMBO, "The selected collection will be the one used by Murivane for images");
    AddTip(IDC_COLL_NEW, "Add a new collection");
    AddTip(IDC_COLL_DELETE, "Delete this collection");
    AddTip(IDC_COLL_ADD, "Select a folder to add to the list");
    AddTip(IDC_COLL_REMOVE, "Remove the selected folder from the list");
    AddTip(IDC_COLL_REMOVE_ALL, "Remove all folders from the list");
    AddTip(IDC_COLL_SEARCH, "Search your disk for images");
    AddTip(IDC_COLL_PREVIEW, "Preview the images in the selected folder");
    AddTip(IDC_COLL_CYCLE, "The images will be displayed alphabetically by folder");
    AddTip(IDC_COLL_RANDOM, "Images will be selected at random");
    AddTip(IDC_COLL_FRACTAL,
           "Slide to the right to show more fractals, or to the left to use your images more often");
    ShowLastImage();
    return TRUE;
}

void CSettingsPage::LoadSelectedCollection() {
    if (m_pCollection) {
        if (!StoreCollection()) {
            // The edited collection stays shown, with its edits, for the next try.
            ShowSaveFailed(m_hWnd);
            const std::string sName = m_pCollection->name();
            LRESULT i = SendMessageA(Item(IDC_COLL_COMBO), CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                     reinterpret_cast<LPARAM>(sName.c_str()));
            if (i != CB_ERR) SendMessageA(Item(IDC_COLL_COMBO), CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            return;
        }
        m_pCollection.reset();
    }
    HWND hCombo = Item(IDC_COLL_COMBO);
    if (SendMessageA(hCombo, CB_GETCOUNT, 0, 0) <= 0) {
        // Every collection deleted: the page goes on with "Default", as with
        // an empty file.
        SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kDefaultCollection));
        SendMessageA(hCombo, CB_SETCURSEL, 0, 0);
    }
    LRESULT sel = SendMessageA(hCombo, CB_GETCURSEL, 0, 0);
    if (sel == CB_ERR) return;
    auto pCollection = std::make_unique<RCollection>(ComboText(static_cast<int>(sel)));
    Win32Ini ini = CollectionsFile();
    pCollection->Load(ini, false);
    SendMessageA(m_folderList.Hwnd(), LB_RESETCONTENT, 0, 0);
    for (const std::string& sPath : pCollection->folders())
        SendMessageA(m_folderList.Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sPath.c_str()));
    SetCheck(m_hWnd, IDC_COLL_CYCLE, pCollection->cycle());
    SetCheck(m_hWnd, IDC_COLL_RANDOM, !pCollection->cycle());
    SetupPercentSlider(m_hWnd, IDC_COLL_FRACTAL, pCollection->fractalProb());
    m_pCollection = std::move(pCollection);
}

bool CSettingsPage::StoreCollection() {
    if (!m_pCollection) return true;
    m_pCollection->SetFractalProb(
        static_cast<int32_t>(SendDlgItemMessageA(m_hWnd, IDC_COLL_FRACTAL, TBM_GETPOS, 0, 0)));
    m_pCollection->SetCycle(GetCheck(m_hWnd, IDC_COLL_CYCLE));
    Win32Ini ini = CollectionsFile();
    return m_pCollection->Save(ini, gApp.UninstallRequested());
}

void CSettingsPage::EnableCollectionControls(bool bOn) {
    for (int id : {IDC_COLL_REMOVE, IDC_COLL_REMOVE_ALL, IDC_COLL_ADD, IDC_COLL_NEW, IDC_COLL_DELETE,
                   IDC_COLL_PREVIEW, IDC_COLL_COMBO})
        EnableWindow(Item(id), bOn ? TRUE : FALSE);
}

void CSettingsPage::StopSearch() {
    if (!m_pSearch && !m_searchThread.joinable()) return;
    HCURSOR hOld = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    if (m_pSearch) m_pSearch->Stop();
    // The worker only posts to the page, never waits on it, so this ends.
    if (m_searchThread.joinable()) m_searchThread.join();
    // A drive that ended before the stop keeps its folders, even when its
    // note is still queued behind this stop.
    if (m_pSearch && IsWindow(m_folderList.Hwnd())) AddFoundFolders(m_pSearch->TakeFound());
    m_pSearch.reset();
    ++m_uJob;  // notes still queued from the stopped job are dropped
    SetCursor(hOld);
}

void CSettingsPage::ShowStatus(const std::string& sText) {
    SetDlgText(m_hWnd, IDC_COLL_STATUS, sText);
    ShowWindow(Item(IDC_COLL_STATUS), SW_SHOW);
}

void CSettingsPage::ShowLastImage() {
    std::string sPath = gApp.GetProfile().GetString("Config", "LastImageShown", "");
    ShowStatus(sPath.empty() ? std::string() : "Last image shown: " + Literal(sPath));
}

bool CSettingsPage::OnCommand(int id, int code, HWND hCtl) {
    if (code == BN_CLICKED) {
        switch (id) {
        case IDC_COLL_NEW: OnNew(); return true;
        case IDC_COLL_DELETE: OnDelete(); return true;
        case IDC_COLL_ADD: OnAdd(); return true;
        case IDC_COLL_REMOVE: OnRemove(); return true;
        case IDC_COLL_REMOVE_ALL: OnRemoveAll(); return true;
        case IDC_COLL_SEARCH: OnSearch(); return true;
        case IDC_COLL_PREVIEW: OnPreview(); return true;
        default: break;
        }
    }
    if (id == IDC_COLL_COMBO && code == CBN_SELCHANGE) {
        // A letter typed or the wheel turned on the closed box changes the
        // selection without opening the list: the collection shown is the
        // one edited, at once.
        LRESULT sel = SendMessageA(Item(IDC_COLL_COMBO), CB_GETCURSEL, 0, 0);
        if (sel != CB_ERR && !(m_pCollection && ComboText(static_cast<int>(sel)) == m_pCollection->name()))
            LoadSelectedCollection();
        return true;
    }
    if (id == IDC_COLL_COMBO && code == CBN_CLOSEUP) {
        LoadSelectedCollection();
        return true;
    }
    return CSheetPage::OnCommand(id, code, hCtl);
}

LRESULT CSettingsPage::OnNotify(NMHDR* pHdr) {
    if (pHdr->code == PSN_RESET) StopSearch();  // Cancel
    return 0;
}

bool CSettingsPage::OnApply() {
    StopSearch();
    if (!StoreCollection()) {
        // The collection keeps the user's edits; the next OK writes them.
        ShowSaveFailed(m_hWnd);
        return false;
    }
    if (m_pCollection) SetCurrentCollection(gApp.GetProfile(), *m_pCollection);
    return true;
}

INT_PTR CSettingsPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kSearchNoteMsg) {
        OnSearchNote(wParam, lParam);
        return TRUE;
    }
    if (msg == WM_DESTROY) {
        StopSearch();
        m_folderList.Detach();
    }
    return FALSE;
}

void CSettingsPage::OnNew() {
    qvTextBox box;
    if (box.DoModal(m_hWnd) != IDOK) return;
    const std::string sName = CollectionNameAsStored(box.text());
    if (sName.empty()) return;
    HWND hCombo = Item(IDC_COLL_COMBO);
    if (SendMessageA(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(sName.c_str())) !=
        CB_ERR) {
        ShowError(m_hWnd, "This name is already used: " + sName);
        return;
    }
    if (!StoreCollection()) {
        ShowSaveFailed(m_hWnd);
        return;
    }
    LRESULT i = SendMessageA(hCombo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sName.c_str()));
    if (i >= 0) SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    m_pCollection.reset();  // stored just above
    LoadSelectedCollection();
}

void CSettingsPage::OnDelete() {
    if (!m_pCollection) return;
    const std::string sName = m_pCollection->name();
    if (!IsDeletableCollection(sName)) {
        ShowError(m_hWnd, "'Default' is the only collection that cannot be deleted.");
        return;
    }
    HWND hCombo = Item(IDC_COLL_COMBO);
    LRESULT i =
        SendMessageA(hCombo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(sName.c_str()));
    if (i == CB_ERR) return;
    Win32Ini ini = CollectionsFile();
    m_pCollection->DeleteSection(ini);
    m_pCollection.reset();
    LRESULT left = SendMessageA(hCombo, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
    int next = SelectionAfterDelete(static_cast<int>(i), left == CB_ERR ? 0 : static_cast<int>(left));
    if (next >= 0) SendMessageA(hCombo, CB_SETCURSEL, static_cast<WPARAM>(next), 0);
    LoadSelectedCollection();
    if (m_pCollection) SetCurrentCollection(gApp.GetProfile(), *m_pCollection);
}

void CSettingsPage::OnAdd() {
    qvFolderBrowser browser;
    if (!browser.Browse(m_hWnd, "Choose a folder containing your images:")) return;
    std::string sPath = browser.folder();
    if (sPath.empty() || FindFolder(sPath) != LB_ERR || !m_pCollection) return;
    if (sPath[0] >= 'A' && sPath[0] <= 'Z') sPath[0] = static_cast<char>(sPath[0] + 32);
    SendMessageA(m_folderList.Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sPath.c_str()));
    m_pCollection->AddFolder(sPath);
    m_pCollection->SetNextToUse(0);
}

void CSettingsPage::OnRemove() {
    HWND hList = m_folderList.Hwnd();
    LRESULT sel = SendMessageA(hList, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) return;
    const std::string s = ListItemText(hList, static_cast<int>(sel));
    LRESULT left = SendMessageA(hList, LB_DELETESTRING, static_cast<WPARAM>(sel), 0);
    if (m_pCollection) m_pCollection->RemoveFolder(s);
    int next = SelectionAfterDelete(static_cast<int>(sel), left == LB_ERR ? 0 : static_cast<int>(left));
    if (next >= 0) SendMessageA(hList, LB_SETCURSEL, static_cast<WPARAM>(next), 0);
}

void CSettingsPage::OnRemoveAll() {
    SendMessageA(m_folderList.Hwnd(), LB_RESETCONTENT, 0, 0);
    if (m_pCollection) m_pCollection->RemoveAllFolders();
}

void CSettingsPage::EndSearchLook() {
    ShowWindow(Item(IDC_COLL_STATUS), SW_HIDE);
    SetDlgText(m_hWnd, IDC_COLL_SEARCH, "&Search...");
    EnableCollectionControls(true);
}

void CSettingsPage::OnSearch() {
    if (m_pSearch) {  // the button reads "Stop"
        StopSearch();
        EndSearchLook();
        return;
    }
    qvImageSearch dialog;
    if (dialog.DoModal(m_hWnd) != IDOK || m_pSearch || !m_pCollection) return;
    m_pCollection->SetNextToUse(0);
    SetDlgText(m_hWnd, IDC_COLL_SEARCH, "Stop");
    EnableCollectionControls(false);
    m_searchDrives = dialog.drives();
    ShowStatus("");
    auto job = std::make_shared<DriveSearchJob>(m_searchDrives,
                                                DriveSearchJob::Patterns());
    m_pSearch = job;
    const WPARAM uJob = ++m_uJob;
    const HWND hPage = m_hWnd;
    m_searchThread = std::thread([job, uJob, hPage] {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL);
        Win32DirectoryLister lister;
        try {
            job->Run(lister, [uJob, hPage](DriveSearchJob::Note note) {
                PostMessageA(hPage, kSearchNoteMsg, uJob, static_cast<LPARAM>(note));
            });
        } catch (...) {
            // Out of memory deep in a drive: the search ends with what it had.
            PostMessageA(hPage, kSearchNoteMsg, uJob, DriveSearchJob::kFinished);
        }
    });
}

void CSettingsPage::OnSearchNote(WPARAM uJob, LPARAM note) {
    if (uJob != m_uJob || !m_pSearch) return;  // a stopped job's note
    switch (note) {
    case DriveSearchJob::kStatus:
        ShowStatus(Literal(m_pSearch->TakeStatus()));
        break;
    case DriveSearchJob::kDriveDone:
        AddFoundFolders(m_pSearch->TakeFound());
        break;
    case DriveSearchJob::kFinished:
        if (m_searchThread.joinable()) m_searchThread.join();
        AddFoundFolders(m_pSearch->TakeFound());
        m_pSearch.reset();
        ++m_uJob;
        EndSearchLook();
        break;
    default: break;
    }
}

void CSettingsPage::AddFoundFolders(const std::vector<std::string>& found) {
    for (const std::string& sPath : found) {
        if (FindFolder(sPath) != LB_ERR) continue;
        SendMessageA(m_folderList.Hwnd(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sPath.c_str()));
        if (m_pCollection) m_pCollection->AddFolder(sPath);
    }
}

void CSettingsPage::OnPreview() {
    HWND hList = m_folderList.Hwnd();
    LRESULT sel = SendMessageA(hList, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR) {
        ShowStatus("Please select a folder from the above list");
        return;
    }
    CPreviewDialog dialog;
    dialog.m_sFolder = ListItemText(hList, static_cast<int>(sel));
    dialog.DoModal(m_hWnd);
    ShowLastImage();
}

}  // namespace mv::win
