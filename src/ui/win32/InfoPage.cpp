#include "ui/win32/InfoPage.h"

#include <shellapi.h>

#include "app/SystemFacts.h"
#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "resource.h"

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

std::string FullAddress(const char* sSection) {
    std::string sPath = HelpPath(gApp.GetSettings().InstallFolder);
    for (char& c : sPath)
        if (c == '\\') c = '/';
    std::string sUrl = "file:///";
    for (char c : sPath) {
        if (c == ' ')
            sUrl += "%20";
        else
            sUrl += c;
    }
    return sUrl + "#" + sSection;
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
            ShellExecuteA(m_hWnd, "open", FullAddress(link.sSection).c_str(), "", "", SW_SHOWMAXIMIZED);
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
