#include "shell/win32/MainAppWnd.h"

#include "config/HotKey.h"
#include "ui/win32/HotKeysPage.h"

#include <shlobj.h>

#include <algorithm>
#include <ctime>
#include <iterator>

#include "app/OutputFolder.h"
#include "app/win32/App.h"
#include "app/win32/Shell.h"
#include "image/PictureFile.h"
#include "platform/win32/Win32FileOps.h"
#include "resource.h"
#include "shell/AppliedPicture.h"
#include "shell/KeptFractals.h"
#include "shell/win32/TrayMenuStates.h"
#include "shell/FirstStart.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/DefaultChangeSteps.h"
#include "wallpaper/win32/Win32DateStamper.h"
#include "wallpaper/win32/Win32IconCaptions.h"

namespace mv::win {

CMainAppWnd::CMainAppWnd() : m_trace(gApp.Env()) {}

CMainAppWnd::~CMainAppWnd() { StopThreads(); }

void CMainAppWnd::StopThreads() {
    StopFractal();
    JoinWorker();
    // Exit does not wait for fractals being kept: they stop where they are.
    if (m_pKeeperGoOn) *m_pKeeperGoOn = false;
    if (m_keeper.joinable()) m_keeper.join();
}

bool CMainAppWnd::CreateHidden(const std::string& sTitle) {
    RegisterWindowClass(kClassName, LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDI_MURIVANE)));
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    // Popup with a caption's border bits (0xC0000000), never shown.
    return Create(0, kClassName, sTitle.c_str(), 0xC0000000, 0, 0, cx, cy, nullptr, nullptr);
}

LRESULT CMainAppWnd::HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    if (m_uTaskbarCreated && msg == m_uTaskbarCreated) {
        m_tray.Readd();
        ShowWelcomeIfDue();
        return 0;
    }
    // A copy that gave a command waits while the render it started is under way.
    if (m_uCommandUnderWay && msg == m_uCommandUnderWay) return m_pCycle && m_pCycle->Rendering() ? 1 : 0;
    if (m_uSettingsSaved && msg == m_uSettingsSaved) {
        // The history size holds at once; the rest as the tray reads it.
        Settings& settings = gApp.GetSettings();
        settings.HistorySize = std::min<uint32_t>(gApp.GetProfile().GetInt(kConfigSection, "HistorySize", 50),
                                                  Settings::kMaxHistorySize);
        if (m_pCycle && !m_pCycle->SettingsOpen()) m_pCycle->OnHistorySizeChanged();
        settings.LoadHotKeys(gApp.GetProfile());
        RegisterHotKeys();
        return 0;
    }
    switch (msg) {
    case WM_CREATE:
        return OnCreate();
    case WM_TIMER:
        if (wParam == kChangeTimer)
            m_pCycle->OnChangeTimer();
        else if (wParam == kFractalTimer)
            m_pCycle->OnFractalTimer();
        else if (wParam == kLayoutTimer)
            m_pCycle->OnLayoutTimer();
        else if (wParam == kPauseTimer)
            m_pCycle->OnPauseCheck();
        return 0;
    case WM_WTSSESSION_CHANGE:
        if (m_system.OnSessionChange(wParam, lParam)) m_pCycle->OnPauseCheck();
        return 0;
    case WM_POWERBROADCAST:
        // Battery saver may have come on or gone off.
        if (wParam == PBT_APMPOWERSTATUSCHANGE) m_pCycle->OnPauseCheck();
        return TRUE;
    case WM_DISPLAYCHANGE:
        m_pCycle->OnDisplayChange();
        return 0;
    case WM_SETTINGCHANGE:
        if (wParam == SPI_SETWORKAREA) m_pCycle->OnDisplayChange();
        break;
    case kTrayCallback:
        m_tray.OnTrayNotification(wParam, lParam);
        return 0;
    case kFractalFinished:
        OnFractalFinished(static_cast<uint32_t>(wParam), static_cast<FractalOutcome>(lParam));
        return 0;
    case kFractalsKept:
        OnFractalsKept();
        return 0;
    case WM_HOTKEY:
        if (wParam == 1) RunTrayCommand({TrayCommand::Next, kAllMonitors});
        if (wParam == 2) RunTrayCommand({TrayCommand::Previous, kAllMonitors});
        if (wParam == 3) RunTrayCommand({TrayCommand::Next, kMonitorAtPointer});
        return 0;
    case WM_COPYDATA:
        return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case ID_CHANGE_WALLPAPER: m_pCycle->OnChangeWallpaperCommand(); return 0;
        case ID_SETTINGS: m_pCycle->OnSettings(); return 0;
        case ID_REFRESH_IMAGES: m_pCycle->OnRefreshImageList(); return 0;
        case ID_DISPLAY_PROPERTIES: m_pCycle->OnDisplayProperties(); return 0;
        case ID_DISABLE: m_pCycle->OnDisable(); return 0;
        case ID_ENABLE: m_pCycle->OnEnable(); return 0;
        case ID_EXIT: m_pCycle->OnExit(); return 0;
        case ID_STOP_FRACTAL: m_pCycle->OnStopFractal(); return 0;
        case ID_PREVIOUS_WALLPAPER: m_pCycle->OnPreviousWallpaper(); return 0;
        case ID_KEEP_FRACTAL: m_pCycle->OnKeepFractal(); return 0;
        case ID_SHOW_PICTURE_IN_FOLDER: m_pCycle->OnShowPictureInFolder(); return 0;
        case ID_NEVER_SHOW_PICTURE: m_pCycle->OnNeverShowPicture(); return 0;
        default: break;
        }
        break;
    case WM_CLOSE:
        DestroyWindow(m_hWnd);
        return 0;
    case WM_DESTROY:
        OnDestroy();
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return Default(msg, wParam, lParam);
}

int CMainAppWnd::OnCreate() {
    CycleHost& host = *this;
    m_pCycle = std::make_unique<ChangeCycle>(gApp.GetSettings(), gApp.rand, host);
    m_uTaskbarCreated = RegisterWindowMessageA("TaskbarCreated");
    m_uSettingsSaved = RegisterWindowMessageA(kSettingsSavedMessage);
    m_uCommandUnderWay = RegisterWindowMessageA(kCommandUnderWayMessage);
    LoadCollection(true);
    gApp.GetSettings().RebuildColorTable();
    if (gApp.RunModeValue() == kRunTray) {
        m_tray.SetMenuPreparer([this](HMENU hMenu) { PrepareTrayMenu(hMenu); });
        m_tray.Create(m_hWnd, kTrayCallback);
        m_system.WatchSession(m_hWnd);
        m_pCycle->Start();
        RegisterHotKeys();
        ShowWelcomeIfDue();
    } else if (gApp.RunModeValue() == kRunOnce) {
        // One change for a command no tray took; the window closes after it.
        m_pCycle->SetOneChangeOnly();
        m_pCycle->Start();
        m_onceStatus = m_pCycle->OnCommand(gApp.OnceCommand());
        if (m_onceStatus != CommandStatus::Done) PostMessageA(m_hWnd, WM_CLOSE, 0, 0);
    }
    return 0;
}

void CMainAppWnd::OnDestroy() {
    UnregisterHotKeys();
    // A last try for exclusions not saved yet, before they are lost with the process.
    if (!m_pendingExcludes.empty()) SavePendingExcludes();
    StopThreads();
    KillTimer(m_hWnd, kChangeTimer);
    KillTimer(m_hWnd, kFractalTimer);
    KillTimer(m_hWnd, kLayoutTimer);
    KillTimer(m_hWnd, kPauseTimer);
    m_system.StopWatching();
    m_pActiveDesktop.reset();
    m_tray.SetState(0);
    if (gApp.RunModeValue() == kRunOnce) gApp.SetOnceOutcome(m_onceStatus, m_sChangeFailure);
}

void CMainAppWnd::LoadCollection(bool bLowerCase) {
    std::string sName = GetCurrentCollection(gApp.GetProfile());
    bool bTrace = IsTraceCollection(sName);
    gApp.SetTrace(bTrace);
    m_trace.SetOn(bTrace);
    if (bTrace) m_trace.StartNewTraceFile();
    auto pCollection = std::make_unique<RCollection>(sName);
    Win32Ini ini(OutputFile(gApp.Env(), kIniFileName));
    pCollection->Load(ini, bLowerCase);
    // Pictures never to be shown again whose save failed stay excluded; the
    // next save writes them.
    for (const auto& pending : m_pendingExcludes)
        if (pending.first == sName) pCollection->AddExclude(pending.second);
    pCollection->BuildImageList(m_lister);
    // A folder that is gone (a drive unplugged, a folder renamed) is said in
    // the tool tip for as long as the collection is in use.
    m_sMissingFolder.clear();
    for (const std::string& sFolder : pCollection->folders()) {
        if (!gApp.Env().FileExists(sFolder)) {
            m_sMissingFolder = MissingFolderText(sFolder);
            break;
        }
    }
    m_pCollection = std::move(pCollection);
}

std::string CMainAppWnd::TakeChangeFailure() {
    std::string sText = std::move(m_sChangeFailure);
    m_sChangeFailure.clear();
    if (!sText.empty()) return sText;
    if (m_bSaveFailed) return LoadString(IDS_TRAY_SAVE_FAILED);
    if (!m_sMissingFolder.empty()) return m_sMissingFolder;
    if (m_bAllExcluded) return LoadString(IDS_ALL_PICTURES_EXCLUDED);
    return m_sHotKeyTaken;
}

void CMainAppWnd::JoinWorker() {
    if (m_worker.joinable()) m_worker.join();
}

void CMainAppWnd::ShowWelcomeIfDue() {
    Profile& profile = gApp.GetProfile();
    // Where the shell is not there yet, the balloon waits for it (TaskbarCreated).
    if (WelcomeDue(profile) && m_tray.ShowBalloon(kWelcomeTitle, kWelcomeText)) RememberWelcome(profile);
}

// ------------------------------------------------------------------ CycleHost

void CMainAppWnd::SetChangeTimer(uint64_t milliseconds) {
    SetTimer(m_hWnd, kChangeTimer, static_cast<UINT>(milliseconds), nullptr);
}
void CMainAppWnd::KillChangeTimer() { KillTimer(m_hWnd, kChangeTimer); }
void CMainAppWnd::SetFractalTimer() { SetTimer(m_hWnd, kFractalTimer, 5000, nullptr); }
void CMainAppWnd::KillFractalTimer() { KillTimer(m_hWnd, kFractalTimer); }
// Only the tray instance has an icon to show the state on.
void CMainAppWnd::SetTrayState(TrayState state) {
    if (gApp.RunModeValue() == kRunTray) m_tray.SetState(state);
}
void CMainAppWnd::SetTrayState(TrayState state, const std::string& sTip) {
    if (gApp.RunModeValue() == kRunTray) m_tray.SetState(state, sTip.c_str());
}

void CMainAppWnd::LocalTime(int& hour, int& minute) {
    std::tm t = gApp.Env().LocalTime();
    hour = t.tm_hour;
    minute = t.tm_min;
}

bool CMainAppWnd::ScreenSaverCheckApplies() {
    if (!gApp.GetSettings().TestForScreensaver) return false;
    return CanTellScreenSaverRunning(GetVersionFacts());
}

bool CMainAppWnd::IsScreenSaverRunning() {
    bool bRunning = false;
    return gApp.DesktopSeam().IsScreenSaverRunning(bRunning) && bRunning;
}

bool CMainAppWnd::IsUsingActiveDesktop() { return gApp.IsUsingActiveDesktop(); }

void CMainAppWnd::EnsureActiveDesktop() {
    if (gApp.IsActiveDesktopInstalled() && !m_pActiveDesktop) m_pActiveDesktop = Win32ActiveDesktop::Create();
}

uint32_t CMainAppWnd::ImageCount() { return m_pCollection ? static_cast<uint32_t>(m_pCollection->ImageCount()) : 0; }
int CMainAppWnd::FractalProb() { return m_pCollection ? m_pCollection->fractalProb() : 0; }

std::string CMainAppWnd::NextImage() {
    Win32Ini ini(OutputFile(gApp.Env(), kIniFileName));
    bool bSaved = true;
    std::string sPath = m_pCollection->NextImage(ini, gApp.rand, &bSaved);
    // Exclusions a failed save left go with this write.
    if (bSaved && !m_pendingExcludes.empty()) bSaved = SavePendingExcludes();
    m_bSaveFailed = !bSaved;
    return sPath;
}

void CMainAppWnd::ReloadCollection() { LoadCollection(false); }

void CMainAppWnd::ChangeBackground(const std::string& sPath, const std::string& sExt, Color hint) {
    m_sChangeFailure = gApp.RunChange(m_pActiveDesktop.get(), &m_trace, [&](BackgroundChanger& changer) {
        changer.ChangeBackground(sPath, sExt, hint, false, false, false, false);
    });
    // A fractal on one screen is rendered into a file of its own, which the
    // wallpaper is composed from; the last image shown is the wallpaper it
    // became, as it always was.
    if (sPath == FractalFile(0))
        gApp.GetProfile().WriteString(kConfigSection, "LastImageShown", OutputFile(gApp.Env(), kWallpaperFileName));
}

void CMainAppWnd::ChangeBackgroundMonitors(const MonitorLayout& layout, bool bAcross,
                                           const std::vector<MonitorPicture>& pictures) {
    m_sChangeFailure = gApp.RunChange(m_pActiveDesktop.get(), &m_trace, [&](BackgroundChanger& changer) {
        changer.ChangeBackgroundMonitors(layout, bAcross, pictures, gApp.Arrangement());
    });
}

void CMainAppWnd::ChangeBackgroundMonitorsForced(const MonitorLayout& layout, bool bAcross,
                                                 const std::vector<MonitorPicture>& pictures,
                                                 const ForcedLayout& forced) {
    m_sChangeFailure = gApp.RunChange(m_pActiveDesktop.get(), &m_trace, [&](BackgroundChanger& changer) {
        changer.ChangeBackgroundMonitors(layout, bAcross, pictures, gApp.Arrangement(), forced);
    });
}

MonitorLayout CMainAppWnd::Monitors() { return gApp.DesktopSeam().Monitors(); }

int CMainAppWnd::MonitorAtPointer() {
    POINT pt = {};
    if (!GetCursorPos(&pt)) return -1;
    const MonitorLayout layout = Monitors();
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
        const Rect& r = layout.monitors[i].rect;
        if (pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom) return static_cast<int>(i);
    }
    return -1;
}

std::optional<Size> CMainAppWnd::PictureSize(const std::string& sPath) {
    return PictureFileSize(sPath);
}

void CMainAppWnd::SetLayoutTimer() { SetTimer(m_hWnd, kLayoutTimer, kLayoutWaitMs, nullptr); }
void CMainAppWnd::KillLayoutTimer() { KillTimer(m_hWnd, kLayoutTimer); }
void CMainAppWnd::SetPauseTimer() { SetTimer(m_hWnd, kPauseTimer, kPauseCheckMs, nullptr); }
void CMainAppWnd::KillPauseTimer() { KillTimer(m_hWnd, kPauseTimer); }

void CMainAppWnd::StartFractalWorker() {
    CApp& app = gApp;
    FractalJobInput in;
    // The worker's two seeds are drawn here, in the order the worker would
    // draw them, so the application's generator is only used on this thread.
    in.paletteSeed = app.rand.next();
    in.fractalSeed = app.rand.next();
    in.screen = app.DesktopSeam().ScreenSize();
    // A file of its own, never the wallpaper: the wallpaper is composed
    // from it, and composed again from it when the display changes.
    in.sOutputPath = FractalFile(0);
    m_sFractalPath = in.sOutputPath;
    m_fractalPaths.clear();
    StartJob(std::move(in));
}

void CMainAppWnd::StartFractalWorkers(const std::vector<Size>& sizes) {
    CApp& app = gApp;
    FractalJobInput in;
    m_fractalPaths.clear();
    for (size_t i = 0; i < sizes.size(); ++i) {
        FractalPlan plan;
        plan.paletteSeed = app.rand.next();
        plan.fractalSeed = app.rand.next();
        plan.screen = sizes[i];
        // Each monitor's fractal has a file of its own beside the wallpaper,
        // so the wallpaper can be composed again from it.
        plan.sOutputPath = FractalFile(static_cast<int>(i));
        m_fractalPaths.push_back(plan.sOutputPath);
        in.plans.push_back(plan);
    }
    if (!in.plans.empty()) {
        in.paletteSeed = in.plans.front().paletteSeed;
        in.fractalSeed = in.plans.front().fractalSeed;
        in.screen = in.plans.front().screen;
        in.sOutputPath = in.plans.front().sOutputPath;
    }
    m_sFractalPath = in.sOutputPath;
    StartJob(std::move(in));
}

void CMainAppWnd::StartJob(FractalJobInput in, const FractalRecipe* pLook) {
    StopFractal();
    JoinWorker();
    CApp& app = gApp;
    in.brightness = app.GetSettings().Brightness;
    in.table = app.GetSettings().ColorTable;
    // What it takes to render the same pictures again.
    FractalRecipe look;
    look.brightness = in.brightness;
    std::copy(std::begin(app.GetSettings().Colors), std::end(app.GetSettings().Colors), look.weights.begin());
    if (pLook) look = *pLook;
    // The table is built from the very weights recorded (for the settings'
    // own weights this is the table the settings hold).
    in.brightness = look.brightness;
    in.table.Build(look.weights.data());
    m_jobRecipes.clear();
    auto addRecipe = [&](int32_t paletteSeed, int32_t fractalSeed, Size size) {
        FractalRecipe r = look;
        r.paletteSeed = paletteSeed;
        r.fractalSeed = fractalSeed;
        r.size = size;
        m_jobRecipes.push_back(r);
    };
    if (in.plans.empty()) addRecipe(in.paletteSeed, in.fractalSeed, in.screen);
    for (const FractalPlan& plan : in.plans) addRecipe(plan.paletteSeed, plan.fractalSeed, plan.screen);
    in.pTrace = &m_trace;
    in.onWorkerStart = [] { SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST); };
    in.jobId = ++m_uJobId;
    auto job = std::make_shared<FractalJobState>();
    m_pJob = job;
    FractalJobHost* pHost = this;
    HWND hWnd = m_hWnd;
    m_worker = std::thread([pHost, in, job, hWnd] {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST);
        FractalOutcome outcome = FractalOutcome::Failed;
        try {
            outcome = RunFractalJob(in, *job, *pHost, gApp.Env());
        } catch (...) {
            // Out of memory while saving, say: the job is over, the schedule goes on.
            job->Stop();
        }
        // Told at once, so a finished picture is applied without waiting for timer 2.
        PostMessageA(hWnd, kFractalFinished, in.jobId, static_cast<LPARAM>(outcome));
    });
}

bool CMainAppWnd::TakeFractalPictures(std::vector<MonitorPicture>& pictures) {
    if (!m_pJob || !m_pJob->IsDone()) return false;
    JoinWorker();
    m_iGroups = m_pJob->groups;
    m_average = m_pJob->average;
    pictures.clear();
    if (m_fractalPaths.empty()) {
        pictures.push_back(MonitorPicture{m_sFractalPath, ExtensionOf(m_sFractalPath).value_or(""), m_average});
    } else {
        for (size_t i = 0; i < m_fractalPaths.size() && i < m_pJob->averages.size(); ++i)
            pictures.push_back(MonitorPicture{m_fractalPaths[i], "bmp", m_pJob->averages[i]});
    }
    m_pJob.reset();
    return true;
}

void CMainAppWnd::OnFractalFinished(uint32_t jobId, FractalOutcome outcome) {
    if (jobId != m_uJobId || !m_pJob) return;  // a report of a job that was stopped or replaced
    switch (outcome) {
    case FractalOutcome::Published:
        m_pCycle->OnFractalTimer();
        break;
    case FractalOutcome::NoMemory:
    case FractalOutcome::Failed:
        JoinWorker();
        m_pJob.reset();
        m_pCycle->OnFractalFailed(outcome == FractalOutcome::NoMemory ? kFractalNoMemoryText : "");
        break;
    case FractalOutcome::Stopped:
        break;
    }
}

void CMainAppWnd::StopFractal() {
    if (m_pJob) m_pJob->Stop();
}

bool CMainAppWnd::TakeFractalDone(std::string& sPath, Color& average) {
    if (!m_pJob || !m_pJob->IsDone()) return false;
    JoinWorker();
    m_iGroups = m_pJob->groups;
    m_average = m_pJob->average;
    sPath = m_sFractalPath;
    average = m_average;
    m_pJob.reset();
    return true;
}

void CMainAppWnd::Close() { PostMessageA(m_hWnd, WM_CLOSE, 0, 0); }

bool CMainAppWnd::ShowSettings() {
    const bool bOk = gApp.ShowSettings(nullptr);
    if (bOk) RegisterHotKeys();
    return bOk;
}

void CMainAppWnd::UnregisterHotKeys() {
    for (int i = 0; i < 3; ++i)
        if (m_bHotKeys[i]) UnregisterHotKey(m_hWnd, i + 1);
    for (bool& b : m_bHotKeys) b = false;
}

void CMainAppWnd::RegisterHotKeys() {
    UnregisterHotKeys();
    const Settings& s = gApp.GetSettings();
    const uint32_t keys[3] = {s.HotKeyNext, s.HotKeyPrevious, s.HotKeyNextHere};
    const bool bHadTaken = !m_sHotKeyTaken.empty();
    m_sHotKeyTaken.clear();
    for (int i = 0; i < 3; ++i) {
        const std::optional<HotKeyRegistration> r = RegistrationFor(keys[i]);
        if (!r) continue;
        m_bHotKeys[i] = RegisterHotKey(m_hWnd, i + 1, r->modifiers, r->virtualKey) != FALSE;
        if (!m_bHotKeys[i] && m_sHotKeyTaken.empty()) {
            m_sHotKeyTaken = LoadString(IDS_HOTKEY_TAKEN_TIP, HotKeyDisplayName(keys[i]));
        }
    }
    // Said in the tip while the tray waits; the next change keeps saying it.
    if (!m_pCycle || !m_pCycle->Enabled() || m_pCycle->Rendering()) return;
    if (!m_sHotKeyTaken.empty())
        SetTrayState(kTrayWaiting, m_sHotKeyTaken);
    else if (bHadTaken)
        SetTrayState(kTrayWaiting);
}

void CMainAppWnd::RebuildColorTable() { gApp.GetSettings().RebuildColorTable(); }

void CMainAppWnd::SaveGeneral() { gApp.GetSettings().SaveGeneral(gApp.GetProfile()); }

void CMainAppWnd::RemoveStartupShortcut() { ::mv::win::RemoveStartupShortcut(gApp.Title()); }

void CMainAppWnd::StartDisplayProperties() {
    char command[] = "control.exe desk.cpl";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(nullptr, command, nullptr, nullptr, TRUE, NORMAL_PRIORITY_CLASS, nullptr, nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

// ------------------------------------------------ history and wallpaper commands

bool CMainAppWnd::ReadHistory(History& history) {
    return LoadHistoryFile(OutputFile(gApp.Env(), kHistoryFileName), history);
}

void CMainAppWnd::WriteHistory(const History& history) {
    SaveHistoryFile(Win32FileOps::Instance(), OutputFile(gApp.Env(), kHistoryFileName), history);
}

bool CMainAppWnd::PictureAvailable(const std::string& sPath) {
    if (m_pCollection && m_pCollection->IsExcluded(sPath)) return false;
    return GetFileAttributesA(sPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string CMainAppWnd::FractalFile(int i) { return OutputFile(gApp.Env(), MonitorFractalFileName(i)); }

void CMainAppWnd::StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) {
    if (recipes.empty() || files.size() != recipes.size()) return;
    FractalJobInput in;
    m_fractalPaths.clear();
    for (size_t i = 0; i < recipes.size(); ++i) {
        FractalPlan plan;
        plan.paletteSeed = recipes[i].paletteSeed;
        plan.fractalSeed = recipes[i].fractalSeed;
        plan.screen = recipes[i].size;
        plan.sOutputPath = FractalFile(files[i]);
        m_fractalPaths.push_back(plan.sOutputPath);
        in.plans.push_back(plan);
    }
    in.paletteSeed = recipes.front().paletteSeed;
    in.fractalSeed = recipes.front().fractalSeed;
    in.screen = recipes.front().size;
    in.sOutputPath = m_fractalPaths.front();
    m_sFractalPath = in.sOutputPath;
    StartJob(std::move(in), &recipes.front());
}

void CMainAppWnd::ChangeBackgroundForced(const std::string& sPath, const std::string& sExt,
                                         const ForcedLayout& forced) {
    m_sChangeFailure = gApp.RunChange(m_pActiveDesktop.get(), &m_trace, [&](BackgroundChanger& changer) {
        changer.ChangeBackground(sPath, sExt, 0, forced.bForcePosition, forced.bDoTiling, forced.bDoStretching,
                                 forced.bDoTileSeamless);
    });
}

void CMainAppWnd::KeepFractals(const std::vector<FractalRecipe>& recipes) {
    // One at a time: the one under way tells when it is done.
    if (m_keeper.joinable()) return;
    auto pKept = std::make_shared<std::vector<std::string>>();
    m_pKept = pKept;
    // The Pictures folder, made if the user has none yet.
    char pictures[MAX_PATH + 1] = {};
    const std::string sPictures =
        SUCCEEDED(SHGetFolderPathA(nullptr, CSIDL_MYPICTURES | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, pictures))
            ? std::string(pictures)
            : gApp.Env().PicturesFolder();
    TraceSink* pTrace = &m_trace;
    HWND hWnd = m_hWnd;
    auto pGoOn = std::make_shared<std::atomic<bool>>(true);
    m_pKeeperGoOn = pGoOn;
    m_keeper = std::thread([recipes, sPictures, pKept, pTrace, hWnd, pGoOn] {
        SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_BELOW_NORMAL);
        try {
            *pKept = ::mv::KeepFractals(gApp.Env(), sPictures, recipes, pTrace, pGoOn.get());
        } catch (...) {
            pKept->clear();  // no memory: told as a failure
        }
        PostMessageA(hWnd, kFractalsKept, 0, 0);
    });
}

void CMainAppWnd::OnFractalsKept() {
    if (!m_keeper.joinable() || !m_pKept) return;
    m_keeper.join();
    m_tray.ShowBalloon(KeptFractalsTitle(*m_pKept), KeptFractalsText(*m_pKept));
    m_pKept.reset();
}

void CMainAppWnd::ShowPictureInFolder(const std::string& sPath) {
    // The shell's own program by its full path: by its bare name the
    // program's folder and the current folder would be searched first. The
    // system's Windows folder, not a user's own one on a terminal server.
    char windows[MAX_PATH + 1] = {};
    const UINT n = GetSystemWindowsDirectoryA(windows, MAX_PATH);
    if (n == 0 || n > MAX_PATH) return;
    const std::string sExplorer = std::string(windows) + "\\explorer.exe";
    std::string command = "\"" + sExplorer + "\" /select,\"" + sPath + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (CreateProcessA(sExplorer.c_str(), &command[0], nullptr, nullptr, FALSE, NORMAL_PRIORITY_CLASS, nullptr,
                       nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
}

void CMainAppWnd::ExcludePicture(const std::string& sPath) {
    m_pendingExcludes.emplace_back(m_pCollection ? m_pCollection->name() : GetCurrentCollection(gApp.GetProfile()),
                                   sPath);
    if (m_pCollection) m_pCollection->AddExclude(sPath);
    m_bSaveFailed = !SavePendingExcludes();
}

bool CMainAppWnd::SavePendingExcludes() {
    // Each collection as the file has it now: the save adds the pictures to
    // those it excludes and leaves every other key as it is.
    Win32Ini ini(OutputFile(gApp.Env(), kIniFileName));
    std::vector<std::pair<std::string, std::string>> left;
    for (size_t i = 0; i < m_pendingExcludes.size(); ++i) {
        const std::string& sName = m_pendingExcludes[i].first;
        bool bEarlier = false;
        for (size_t k = 0; k < i && !bEarlier; ++k) bEarlier = m_pendingExcludes[k].first == sName;
        if (bEarlier) continue;  // saved with its collection's first
        RCollection fresh(sName);
        fresh.Load(ini, false);
        for (const auto& pending : m_pendingExcludes)
            if (pending.first == sName) fresh.AddExclude(pending.second);
        if (fresh.Save(ini, gApp.UninstallRequested())) continue;
        for (const auto& pending : m_pendingExcludes)
            if (pending.first == sName) left.push_back(pending);
    }
    m_pendingExcludes = std::move(left);
    return m_pendingExcludes.empty();
}

LRESULT CMainAppWnd::OnCopyData(const COPYDATASTRUCT* pData) {
    // What another process sends is checked whole before anything is done with it.
    if (!pData || !m_pCycle || gApp.RunModeValue() != kRunTray) return 0;
    if (pData->dwData == kTrayCommandTag) {
        const std::optional<TrayCommandRecord> record = DecodeTrayCommand(pData->lpData, pData->cbData);
        if (!record) return 0;
        if (RunTrayCommand(*record) != CommandStatus::Done) return kCommandRefused;
        return m_pCycle->Rendering() ? kCommandUnderWay : kCommandDone;
    }
    if (pData->dwData != kAppliedPictureTag) return 0;
    const std::optional<AppliedPicture> applied = DecodeAppliedPicture(pData->lpData, pData->cbData);
    if (!applied) return 0;
    m_pCycle->OnPictureApplied(applied->sPath, applied->forced, applied->monitor);
    return TRUE;
}

CommandStatus CMainAppWnd::RunTrayCommand(const TrayCommandRecord& record) {
    return m_pCycle ? m_pCycle->OnCommand(record) : CommandStatus::Refused;
}

void CMainAppWnd::PrepareTrayMenu(HMENU hMenu) { GreyWallpaperCommands(hMenu, m_pCycle->Commands()); }

}  // namespace mv::win
