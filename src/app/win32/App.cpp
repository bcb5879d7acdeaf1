#include "app/win32/App.h"

#include <commctrl.h>

#include <clocale>

#include "app/CommandLine.h"
#include "app/OutputFolder.h"
#include "platform/Trace.h"
#include "platform/win32/Win32DirectoryLister.h"
#include "platform/win32/Win32FileOps.h"
#include "platform/win32/Win32Ini.h"
#include "app/win32/Shell.h"
#include "resource.h"
#include "shell/AppliedPicture.h"
#include "shell/FirstStart.h"
#include "shell/KeptFractals.h"
#include "shell/win32/MainAppWnd.h"
#include "ui/win32/ConfigProp.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "wallpaper/win32/Win32DateStamper.h"
#include "wallpaper/win32/Win32IconCaptions.h"

namespace mv::win {

CApp gApp;

CApp::CApp() : m_profile(m_registry, "Quorvale", "Murivane") {}

CApp::~CApp() {
    m_pMainWnd.reset();
    if (m_hMutex) CloseHandle(m_hMutex);
}

bool CApp::IsUsingActiveDesktop() const { return ::mv::win::IsUsingActiveDesktop(m_bActiveDesktopInstalled); }

std::string CApp::RunChange(ActiveDesktop* pActiveDesktop, TraceSink* pTrace,
                            const std::function<void(BackgroundChanger&)>& change) {
    auto usingAD = [this] { return IsUsingActiveDesktop(); };
    Win32DateStamper dateStamper(m_settings);
    Win32IconCaptions iconCaptions(m_settings, usingAD);
    DefaultChangeSteps steps(m_settings, m_registry, m_desktop, m_env, pActiveDesktop, usingAD, &dateStamper,
                             &iconCaptions);
    BackgroundChanger changer(ChangeContext{m_settings, m_profile, m_desktop, m_env, steps, usingAD, pTrace});
    try {
        change(changer);
    } catch (...) {
        // Out of memory half way: the desktop keeps what it had.
        return "Murivane: not enough memory to change the wallpaper";
    }
    return changer.LastFailure();
}

WallpaperArrangement CApp::Arrangement() const {
    const VersionFacts v = GetVersionFacts();
    return ArrangementFor(v.major, v.minor);
}

HWND CApp::FindTrayWindow() const { return FindWindowA(CMainAppWnd::kClassName, m_sTitle.c_str()); }

bool CApp::TellTrayPictureApplied(const AppliedPicture& applied, HWND hFrom) const {
    HWND hTray = FindTrayWindow();
    if (!hTray) return false;
    std::vector<uint8_t> record = EncodeAppliedPicture(applied);
    if (record.empty()) return false;
    COPYDATASTRUCT data = {};
    data.dwData = kAppliedPictureTag;
    data.cbData = static_cast<DWORD>(record.size());
    data.lpData = record.data();
    // A tray that hangs does not hang the sheet with it.
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(hTray, WM_COPYDATA, reinterpret_cast<WPARAM>(hFrom), reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 5000, &result) != 0 &&
           result != 0;
}

bool CApp::InitInstance(const std::vector<std::string>& args) {
    CommandLine cmd = ParseCommandLine(args);
    if (cmd.seed) rand.seed(*cmd.seed);
    // Dates in the user's own language and form, not the runtime's "C" locale.
    std::setlocale(LC_TIME, "");

    // Whether another copy holds the mutex only decides the clean-up below.
    m_hMutex = CreateMutexA(nullptr, FALSE, "QuorvaleMurivane");
    const bool bOnlyCopy = m_hMutex && GetLastError() != ERROR_ALREADY_EXISTS;

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES | ICC_BAR_CLASSES | ICC_TAB_CLASSES};
    InitCommonControlsEx(&icc);

    Registry registry(m_registry);
    m_bActiveDesktopInstalled = ::mv::win::IsActiveDesktopInstalled(registry);
    std::string sTitle = LoadString(IDR_MAINFRAME_TITLE);
    if (!sTitle.empty()) m_sTitle = sTitle;
    {
        // The profile's first start belongs to whichever instance runs first,
        // before the sheet or the tray shows anything.
        Win32Ini ini(OutputFile(m_env, kIniFileName));
        Win32DirectoryLister lister;
        PrepareFirstStart(m_profile, m_env, ini, lister);
    }
    // Temporary files a copy that ended half way through a save left beside
    // the program's files and the kept fractals; not while another copy
    // runs, which could be writing one of them.
    if (bOnlyCopy) {
        const std::string sPictures = m_env.PicturesFolder();
        Win32FileOps::RemoveLeftTemporaryFiles(
            {OutputFolder(m_env), sPictures.empty() ? std::string() : sPictures + "\\" + kKeptFractalsFolder});
    }
    m_settings.Load(m_profile, m_desktop);

    if (cmd.command || cmd.bHelp || cmd.bMistake) {
        RunCommandLine(cmd);
        return m_iRunMode == kRunOnce;
    }
    if (cmd.bTray) {
        m_iRunMode = kRunTray;
        m_pMainWnd = std::make_unique<CMainAppWnd>();
        if (!m_pMainWnd->CreateHidden(m_sTitle)) return false;
        if (m_bTrace)
            m_pMainWnd->Trace().TraceLine(FormatTrace(__FILE__, __LINE__, "rand.seed()", rand.seed()));
        return true;
    }
    m_iRunMode = kRunSettings;
    ShowSettings(GetForegroundWindow());
    return false;
}

namespace {

// Where the command line's output goes: the standard handle a script gave
// the program, else the console of the program that started it, if any.
class CommandOutput {
public:
    explicit CommandOutput(DWORD std) {
        HANDLE h = GetStdHandle(std);
        if (h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN) {
            m_h = h;
            return;
        }
        if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) return;
        m_h = CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                          nullptr);
        if (m_h == INVALID_HANDLE_VALUE) m_h = nullptr;
        m_bOwned = m_h != nullptr;
    }
    ~CommandOutput() {
        if (m_bOwned) CloseHandle(m_h);
    }
    bool Write(const std::string& sText) {
        if (!m_h) return false;
        // Lines end as Windows ends them.
        std::string s;
        for (char c : sText) {
            if (c == '\n') s += '\r';
            s += c;
        }
        s += "\r\n";
        DWORD written = 0;
        return WriteFile(m_h, s.data(), static_cast<DWORD>(s.size()), &written, nullptr) && written == s.size();
    }

private:
    HANDLE m_h = nullptr;
    bool m_bOwned = false;
};

constexpr DWORD kCommandWaitMs = 60000;

}  // namespace

void CApp::RunCommandLine(const CommandLine& cmd) {
    m_iRunMode = kRunSettings;  // no tray of its own unless it makes a change itself
    if (cmd.bHelp) {
        m_iExitCode = static_cast<int>(CommandStatus::Done);
        const std::string sHelp = LoadString(IDS_COMMAND_HELP);
        if (!CommandOutput(STD_OUTPUT_HANDLE).Write(sHelp))
            MessageBoxA(nullptr, sHelp.c_str(), m_sTitle.c_str(), MB_OK | MB_ICONINFORMATION);
        return;
    }
    if (cmd.bMistake || !cmd.command) {
        m_iExitCode = static_cast<int>(CommandStatus::Mistake);
        const std::string sText = LoadString(IDS_COMMAND_MISTAKE, cmd.sMistake);
        if (!CommandOutput(STD_ERROR_HANDLE).Write(sText))
            MessageBoxA(nullptr, sText.c_str(), m_sTitle.c_str(), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    const TrayCommandRecord& record = *cmd.command;
    HWND hTray = FindTrayWindow();
    if (!hTray && record.command == TrayCommand::Next) {
        // No tray to take it: one change, as the tray would make it.
        m_onceCommand = record;
        m_iRunMode = kRunOnce;
        m_iExitCode = static_cast<int>(CommandStatus::Refused);  // until the change is made
        m_pMainWnd = std::make_unique<CMainAppWnd>();
        // A title of its own: it is not the tray, and no other copy may take it for one.
        if (!m_pMainWnd->CreateHidden(m_sTitle + " /next")) m_iRunMode = kRunSettings;
        return;
    }
    CommandStatus status = CommandStatus::NoTray;
    if (hTray) status = SendToTray(hTray, record);
    m_iExitCode = static_cast<int>(status);
    if (status == CommandStatus::NoTray)
        CommandOutput(STD_ERROR_HANDLE).Write(LoadString(IDS_COMMAND_NO_TRAY));
    else if (status == CommandStatus::Refused)
        CommandOutput(STD_ERROR_HANDLE).Write(LoadString(IDS_COMMAND_REFUSED));
}

CommandStatus CApp::SendToTray(HWND hTray, const TrayCommandRecord& record) {
    std::vector<uint8_t> bytes = EncodeTrayCommand(record);
    if (bytes.empty()) return CommandStatus::Mistake;
    COPYDATASTRUCT data = {};
    data.dwData = kTrayCommandTag;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = bytes.data();
    const DWORD start = GetTickCount();
    auto left = [&]() -> DWORD {
        const DWORD spent = GetTickCount() - start;
        return spent >= kCommandWaitMs ? 0 : kCommandWaitMs - spent;
    };
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutA(hTray, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kCommandWaitMs,
                             &answer))
        return IsWindow(hTray) ? CommandStatus::Refused : CommandStatus::NoTray;
    if (answer == static_cast<DWORD_PTR>(kCommandRefused) || answer == 0) return CommandStatus::Refused;
    if (record.command == TrayCommand::Exit) {
        // Carried out once the tray has gone.
        while (IsWindow(hTray) && left() > 0) Sleep(50);
        return IsWindow(hTray) ? CommandStatus::Refused : CommandStatus::Done;
    }
    if (answer != static_cast<DWORD_PTR>(kCommandUnderWay)) return CommandStatus::Done;
    // A render the command started: done when it has ended.
    const UINT uUnderWay = RegisterWindowMessageA(CMainAppWnd::kCommandUnderWayMessage);
    while (left() > 0) {
        DWORD_PTR busy = 0;
        if (!SendMessageTimeoutA(hTray, uUnderWay, 0, 0, SMTO_ABORTIFHUNG, left(), &busy))
            return CommandStatus::Refused;
        if (busy == 0) return CommandStatus::Done;
        Sleep(100);
    }
    return CommandStatus::Refused;
}

void CApp::SetOnceOutcome(CommandStatus status, const std::string& sFailure) {
    m_iExitCode = static_cast<int>(sFailure.empty() ? status : CommandStatus::Refused);
    if (!sFailure.empty()) CommandOutput(STD_ERROR_HANDLE).Write(sFailure);
}

int CApp::Run() {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

void CApp::ExitInstance() { m_pMainWnd.reset(); }

bool CApp::ShowSettings(HWND hOwner) {
    bool bOK = false;
    {
        CConfigProp sheet(m_sTitle, hOwner);
        m_pOpenSheet = &sheet;
        bOK = sheet.DoModal();
        if (bOK) {
            HWND hTray = FindTrayWindow();
            if (!m_settings.UseTray && hTray) {
                PostMessageA(hTray, WM_CLOSE, 0, 0);
            } else if (m_settings.UseTray && !hTray) {
                RunProgram(ExecutablePath(), "/tray", NORMAL_PRIORITY_CLASS);
            } else if (hTray && m_iRunMode == kRunSettings) {
                // The tray of another copy reads again what holds at once.
                PostMessageA(hTray, RegisterWindowMessageA(CMainAppWnd::kSettingsSavedMessage), 0, 0);
            }
            if (m_settings.AutoStart && m_settings.UseTray)
                CreateStartupShortcut(m_sTitle);
            else
                RemoveStartupShortcut(m_sTitle);
        }
        m_pOpenSheet = nullptr;
    }
    if (m_bUninstall) Settings::DeleteAll(m_profile, m_env);
    return bOK;
}

}  // namespace mv::win
