#include "ui/win32/InfoPage.h"

#include <shellapi.h>
#include <shlwapi.h>

#include "app/SystemFacts.h"
#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"
#include "ui/InfoRules.h"

namespace mv::win {

namespace {

const CInfoPage::Link kLinks[] = {
    {IDC_LINK_WEB, "overview", "Click here to go to Murivane's web site"},
    {IDC_LINK_FAQ, "questions", "Online answers to common support questions. Please read before emailing for support."},
    {IDC_LINK_HOME, "about", "Read about Murivane and the people who make it"},
};

// The address of a section of the installed help document, as shown (no
// scheme) and in full.
std::string ShownAddress(const char* sSection) { return "Murivane.htm#" + std::string(sSection); }

// The install folder's path in UTF-8, whatever the program's code page.
std::string Utf8(const std::string& s) {
    if (GetACP() == CP_UTF8 || s.empty()) return s;
    int n = MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    if (n <= 0) return s;
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, s.data(), static_cast<int>(s.size()), &w[0], n);
    int m = WideCharToMultiByte(CP_UTF8, 0, w.data(), n, nullptr, 0, nullptr, nullptr);
    if (m <= 0) return s;
    std::string r(static_cast<size_t>(m), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), n, &r[0], m, nullptr, nullptr);
    return r;
}

std::string FullAddress(const char* sSection) {
    return FileSectionAddress(Utf8(HelpPath(gApp.GetSettings().InstallFolder)), sSection);
}

// Opens a section of the help document. Handed to the file's own
// association, a file: address often loses its "#section" on the way, so it
// goes to the user's browser (the program that opens http addresses) as its
// argument; without a browser, to the file's association after all.
void OpenSection(HWND hWnd, const std::string& sAddress) {
    char sBrowser[MAX_PATH * 2] = {};
    DWORD n = sizeof(sBrowser);
    if (SUCCEEDED(AssocQueryStringA(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, "http", "open", sBrowser, &n)) &&
        sBrowser[0]) {
        const std::string sArgument = "\"" + sAddress + "\"";
        HINSTANCE h = ShellExecuteA(hWnd, "open", sBrowser, sArgument.c_str(), nullptr, SW_SHOWMAXIMIZED);
        if (reinterpret_cast<INT_PTR>(h) > 32) return;
    }
    ShellExecuteA(hWnd, "open", sAddress.c_str(), "", "", SW_SHOWMAXIMIZED);
}

}  // namespace

CInfoPage::CInfoPage() : CSheetPage(IDD_INFO) {
    m_sHeading = "Murivane v" + GetProductVersion();
    m_sText = "Answers to common support questions are available on " + ShownAddress(kLinks[1].sSection) +
              ". Please read these before emailing for support.\r\n\r\n"
              "UNINSTALL\r\n"
              "For information on uninstalling Murivane, see the Uninstall page on the next tab.";
}

BOOL CInfoPage::OnInitDialog() {
    CreateToolTips();
    SetDlgText(m_hWnd, IDC_INFO_HEADING, m_sHeading);
    SetDlgText(m_hWnd, IDC_INFO_TEXT, m_sText);
    for (const Link& link : kLinks) {
        AddTip(link.id, link.sTip);
        SetDlgText(m_hWnd, link.id, ShownAddress(link.sSection));
    }
    return TRUE;
}

bool CInfoPage::OnCommand(int id, int code, HWND hCtl) {
    if (code == EN_SETFOCUS) {
        for (const Link& link : kLinks) {
            if (link.id != id) continue;
            // The focus moves on to Help, and the link opens in the browser.
            SendMessageA(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(IDC_HELP_BUTTON)), TRUE);
            OpenSection(m_hWnd, FullAddress(link.sSection));
            return true;
        }
    }
    return CSheetPage::OnCommand(id, code, hCtl);
}

INT_PTR CInfoPage::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CTLCOLORSTATIC) {
        int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        for (const Link& link : kLinks) {
            if (link.id != id) continue;
            HDC hdc = reinterpret_cast<HDC>(wParam);
            // Blue on whatever the page is drawn with (a themed page is not
            // the button face); the text is set once and never scrolls.
            SetTextColor(hdc, RGB(0, 0, 255));
            SetBkMode(hdc, TRANSPARENT);
            return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
        }
    }
    return FALSE;
}

}  // namespace mv::win
