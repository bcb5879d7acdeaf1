#pragma once
#include <atomic>
#include <memory>
#include <thread>

#include "app/TraceLog.h"
#include "config/Collection.h"
#include "platform/win32/Win32ActiveDesktop.h"
#include "platform/win32/Win32DirectoryLister.h"
#include "platform/win32/Win32Ini.h"
#include "platform/win32/Win32SystemState.h"
#include "shell/ChangeCycle.h"
#include "shell/FractalJob.h"
#include "shell/TrayCommand.h"
#include "shell/win32/TrayIcon.h"
#include "ui/win32/Window.h"

namespace mv::win {

constexpr UINT kTrayCallback = WM_USER;
// The fractal worker's last word: wParam its job, lParam its FractalOutcome.
constexpr UINT kFractalFinished = WM_APP + 1;
// The keeper of fractals is done; what it saved is in m_pKept.
constexpr UINT kFractalsKept = WM_APP + 2;
// The tray's answer to a command record (WM_COPYDATA's result); 0 when the
// record was not taken.
constexpr LRESULT kCommandDone = 1;
constexpr LRESULT kCommandRefused = 2;
constexpr LRESULT kCommandUnderWay = 3;  // a render it started has not ended yet
constexpr UINT_PTR kChangeTimer = 1;
constexpr UINT_PTR kFractalTimer = 2;
// The short wait after the display changes before the wallpaper is composed again.
constexpr UINT_PTR kLayoutTimer = 3;
constexpr UINT kLayoutWaitMs = 500;
// While a pause holds a change: how often the system's state is looked at again.
constexpr UINT_PTR kPauseTimer = 4;
constexpr UINT kPauseCheckMs = 5000;

// The tray instance's hidden main window: its timers drive the change cycle,
// its tray icon shows the cycle's state, and it owns the fractal worker.
class CMainAppWnd : public CWindow, private CycleHost, private FractalJobHost {
public:
    static constexpr const char* kClassName = "MurivaneFrame";
    // Posted to the tray by the settings sheet of another copy of the
    // program after OK: the settings it wrote that hold at once are read again.
    static constexpr const char* kSettingsSavedMessage = "Murivane settings saved";
    // Sent by a copy that gave a command answered kCommandUnderWay: 1 while
    // the render is still under way, 0 once it has ended.
    static constexpr const char* kCommandUnderWayMessage = "Murivane command under way";
    CMainAppWnd();
    ~CMainAppWnd() override;
    bool CreateHidden(const std::string& sTitle);
    // Carries out a command given on another copy's command line or by a
    // hot key; how it ended.
    CommandStatus RunTrayCommand(const TrayCommandRecord& record);

    int groups() const { return m_iGroups; }
    RCollection* Collection() { return m_pCollection.get(); }
    TraceLog& Trace() { return m_trace; }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
    int OnCreate();
    void OnDestroy();
    void LoadCollection(bool bLowerCase);
    void JoinWorker();
    // The fractal worker and the keeper, stopped and joined.
    void StopThreads();
    // The welcome balloon, when it has not been shown yet.
    void ShowWelcomeIfDue();

    // CycleHost
    void SetChangeTimer(uint64_t milliseconds) override;
    void KillChangeTimer() override;
    void SetFractalTimer() override;
    void KillFractalTimer() override;
    void SetTrayState(TrayState state) override;
    void SetTrayState(TrayState state, const std::string& sTip) override;
    void LocalTime(int& hour, int& minute) override;
    bool ScreenSaverCheckApplies() override;
    bool IsScreenSaverRunning() override;
    bool IsUsingActiveDesktop() override;
    void EnsureActiveDesktop() override;
    uint32_t ImageCount() override;
    int FractalProb() override;
    std::string NextImage() override;
    bool PicturesInOrder() override { return m_pCollection && m_pCollection->cycle(); }
    std::string CollectionName() override { return m_pCollection ? m_pCollection->name() : std::string(); }
    bool AllPicturesExcluded() override { return m_pCollection && m_pCollection->AllExcluded(); }
    void ReportAllExcluded(bool bAll) override { m_bAllExcluded = bAll; }
    std::string TakeChangeFailure() override;
    void ReloadCollection() override;
    void ChangeBackground(const std::string& sPath, const std::string& sExt, Color hint) override;
    void StartFractalWorker() override;
    void StopFractal() override;
    bool TakeFractalDone(std::string& sPath, Color& average) override;
    void Close() override;
    bool ShowSettings() override;
    void RebuildColorTable() override;
    void SaveGeneral() override;
    void RemoveStartupShortcut() override;
    void StartDisplayProperties() override;
    MonitorLayout Monitors() override;
    int MonitorAtPointer() override;
    std::optional<Size> PictureSize(const std::string& sPath) override;
    void ChangeBackgroundMonitors(const MonitorLayout& layout, bool bAcross,
                                  const std::vector<MonitorPicture>& pictures) override;
    void ChangeBackgroundMonitorsForced(const MonitorLayout& layout, bool bAcross,
                                        const std::vector<MonitorPicture>& pictures,
                                        const ForcedLayout& forced) override;
    void StartFractalWorkers(const std::vector<Size>& sizes) override;
    bool TakeFractalPictures(std::vector<MonitorPicture>& pictures) override;
    void SetLayoutTimer() override;
    void KillLayoutTimer() override;
    SystemState* System() override { return &m_system; }
    void SetPauseTimer() override;
    void KillPauseTimer() override;
    // Starts the worker on a job whose seeds, sizes and files are filled in;
    // its brightness and colours are the settings', or those of pLook.
    void StartJob(FractalJobInput in, const FractalRecipe* pLook = nullptr);

    // CycleHost: the history and the commands on the wallpaper showing.
    bool ReadHistory(History& history) override;
    void WriteHistory(const History& history) override;
    bool PictureAvailable(const std::string& sPath) override;
    std::vector<FractalRecipe> FractalRecipes() override { return m_jobRecipes; }
    std::string FractalFile(int i) override;
    void StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) override;
    void ChangeBackgroundForced(const std::string& sPath, const std::string& sExt, const ForcedLayout& forced) override;
    void KeepFractals(const std::vector<FractalRecipe>& recipes) override;
    void ShowPictureInFolder(const std::string& sPath) override;
    void ExcludePicture(const std::string& sPath) override;
    // Greys the commands on the wallpaper that cannot be used now.
    void PrepareTrayMenu(HMENU hMenu);
    void OnFractalsKept();
    // Data another copy of the program sent (WM_COPYDATA): a picture it put
    // on the desktop (TRUE when the record was whole and taken), or a command
    // (kCommandDone, kCommandRefused or kCommandUnderWay). 0 for anything else.
    LRESULT OnCopyData(const COPYDATASTRUCT* pData);

    // FractalJobHost (worker thread)
    std::string GetToolTip() override { return m_tray.GetToolTip(); }
    void SetToolTip(const std::string& sText) override { m_tray.SetToolTip(sText); }
    void OnFractalFinished(uint32_t jobId, FractalOutcome outcome);

    CTrayIcon m_tray{kTrayWaiting};
    std::unique_ptr<ChangeCycle> m_pCycle;
    std::unique_ptr<RCollection> m_pCollection;
    std::unique_ptr<Win32ActiveDesktop> m_pActiveDesktop;
    Win32DirectoryLister m_lister;
    Win32SystemState m_system;
    TraceLog m_trace;
    std::string m_sChangeFailure;  // why the last change failed
    std::string m_sMissingFolder;  // a folder of the collection that is gone
    bool m_bAllExcluded = false;   // the last change found every picture excluded
    // A save from the tray (the walk's position, a picture never to show
    // again) could not be written; the tip says so until one is.
    bool m_bSaveFailed = false;
    // Pictures excluded from the tray that the file does not hold yet, with
    // their collection's name; written with the next save.
    std::vector<std::pair<std::string, std::string>> m_pendingExcludes;
    bool SavePendingExcludes();
    UINT m_uTaskbarCreated = 0;
    UINT m_uSettingsSaved = 0;
    UINT m_uCommandUnderWay = 0;
    // The hot keys: registered from the settings (ids 1 to 3: next, previous,
    // next under the pointer); a key another program holds is named in the tip.
    void RegisterHotKeys();
    void UnregisterHotKeys();
    bool m_bHotKeys[3] = {false, false, false};
    std::string m_sHotKeyTaken;
    CommandStatus m_onceStatus = CommandStatus::Refused;  // kRunOnce: how its command ended
    int m_iGroups = 0;
    Color m_average = 0;
    std::shared_ptr<FractalJobState> m_pJob;
    uint32_t m_uJobId = 0;  // the current job's; reports of older jobs are ignored
    std::thread m_worker;
    std::string m_sFractalPath;
    std::vector<std::string> m_fractalPaths;  // one per picture of a job with plans
    std::vector<FractalRecipe> m_jobRecipes;  // the last job's, one per picture
    std::thread m_keeper;                     // renders and saves kept fractals
    std::shared_ptr<std::vector<std::string>> m_pKept;
    std::shared_ptr<std::atomic<bool>> m_pKeeperGoOn;  // cleared when the program ends
};

}  // namespace mv::win
