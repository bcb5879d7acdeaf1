#pragma once
#include <optional>
#include <string>
#include <vector>

#include "app/OutputFolder.h"
#include "app/Random.h"
#include "config/Settings.h"
#include "shell/History.h"
#include "shell/MonitorPicks.h"
#include "platform/SystemState.h"
#include "shell/PauseRules.h"
#include "shell/TrayCommand.h"
#include "wallpaper/BackgroundChanger.h"
#include "wallpaper/MonitorLayout.h"

namespace mv {

// Tray states: one icon, menu and tool tip each.
enum TrayState { kTrayNone = 0, kTrayWaiting = 128, kTrayDisabled = 129, kTrayChanging = 130, kTrayFractal = 131 };

// Minutes since midnight of a quiet-hours end: hour 1..12 (12 counts as 0),
// plus 720 for PM.
int QuietMinutes(uint32_t uHours, uint32_t uMinutes, uint32_t uAmPm);
// True when no scheduled change may happen at hour:minute (local, 24-hour).
bool IsQuietTime(const Settings& s, int hour, int minute);
// The change interval in seconds, Hours x 3600 + Minutes x 60.
uint64_t IntervalSeconds(const Settings& s);
// The extension of a path: the text after its last '.', or nothing.
std::optional<std::string> ExtensionOf(const std::string& sPath);

// What the main window does for the change cycle: its timers, the tray, the
// collection, the pipeline and the fractal worker.
class CycleHost {
public:
    virtual ~CycleHost() = default;
    virtual void SetChangeTimer(uint64_t milliseconds) = 0;  // timer 1, replaces any period
    virtual void KillChangeTimer() = 0;
    virtual void SetFractalTimer() = 0;                       // timer 2, 5000 ms
    virtual void KillFractalTimer() = 0;
    virtual void SetTrayState(TrayState state) = 0;
    // A state with a tool tip of its own instead of the state's.
    virtual void SetTrayState(TrayState state, const std::string& sTip) { SetTrayState(state); }
    virtual void LocalTime(int& hour, int& minute) = 0;
    virtual bool ScreenSaverCheckApplies() = 0;  // the system can tell, and TestForScreensaver is on
    virtual bool IsScreenSaverRunning() = 0;
    virtual bool IsUsingActiveDesktop() = 0;
    virtual void EnsureActiveDesktop() = 0;
    virtual uint32_t ImageCount() = 0;
    virtual int FractalProb() = 0;
    virtual std::string NextImage() = 0;
    virtual void ReloadCollection() = 0;
    // The current collection's name (empty when the host does not tell).
    virtual std::string CollectionName() { return std::string(); }
    // Whether NextImage walks the collection in order (else it draws at random).
    virtual bool PicturesInOrder() { return false; }
    // Whether the collection has pictures and the user has excluded every one.
    virtual bool AllPicturesExcluded() { return false; }
    // What the change found: every picture excluded (so a fractal came
    // instead, and the tool tip says why), or not.
    virtual void ReportAllExcluded(bool bAll) {}
    // Why the last change left the desktop as it was, or what else is wrong
    // (a folder of the collection gone), for the tool tip; empty when all is
    // well. Taking it clears the change's failure.
    virtual std::string TakeChangeFailure() { return std::string(); }
    // The pipeline, synchronously: a picture (hint 0) or the fractal file.
    virtual void ChangeBackground(const std::string& sPath, const std::string& sExt, Color hint) = 0;
    virtual void StartFractalWorker() = 0;   // fractal running is already set
    virtual void StopFractal() = 0;          // clears fractal running
    virtual bool TakeFractalDone(std::string& sPath, Color& average) = 0;  // under the lock
    virtual void Close() = 0;                // posts WM_CLOSE
    virtual bool ShowSettings() = 0;         // modal; true on OK
    virtual void RebuildColorTable() = 0;
    virtual void SaveGeneral() = 0;
    virtual void RemoveStartupShortcut() = 0;
    virtual void StartDisplayProperties() = 0;

    // Several monitors. A host that does not tell has the screen alone, and
    // every change goes through ChangeBackground as it always did.
    virtual MonitorLayout Monitors() { return MonitorLayout(); }
    // The monitor of Monitors() under the mouse pointer; -1 when not known.
    virtual int MonitorAtPointer() { return -1; }
    // A picture's size from its header, without decoding.
    virtual std::optional<Size> PictureSize(const std::string& sPath) { return std::nullopt; }
    // The pipeline over several monitors, synchronously.
    virtual void ChangeBackgroundMonitors(const MonitorLayout& layout, bool bAcross,
                                          const std::vector<MonitorPicture>& pictures) {}
    // The same, with the layout forced on the pictures (a host that cannot
    // force one lays them out as a change would).
    virtual void ChangeBackgroundMonitorsForced(const MonitorLayout& layout, bool bAcross,
                                                const std::vector<MonitorPicture>& pictures,
                                                const ForcedLayout& forced) {
        ChangeBackgroundMonitors(layout, bAcross, pictures);
    }
    // One worker rendering a fractal of each size in turn; fractal running is already set.
    virtual void StartFractalWorkers(const std::vector<Size>& sizes) { StartFractalWorker(); }
    // The finished fractals, one picture each, in the order of their sizes.
    virtual bool TakeFractalPictures(std::vector<MonitorPicture>& pictures) {
        std::string sPath;
        Color average = 0;
        if (!TakeFractalDone(sPath, average)) return false;
        pictures.assign(1, MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), average});
        return true;
    }
    // The short wait after the display changes, before the wallpaper is
    // composed again (so a burst of changes composes once).
    virtual void SetLayoutTimer() {}
    virtual void KillLayoutTimer() {}

    // Pauses: the system's state (a host that cannot tell is never paused),
    // and a timer that looks again every few seconds while a pause holds a
    // change.
    virtual SystemState* System() { return nullptr; }
    virtual void SetPauseTimer() {}
    virtual void KillPauseTimer() {}

    // The history of wallpapers and the commands on the one showing.
    virtual bool ReadHistory(History& history) { return false; }
    virtual void WriteHistory(const History& history) {}
    // Whether a picture can be shown again: its file is there and the user
    // has not excluded it.
    virtual bool PictureAvailable(const std::string& sPath) { return true; }
    // The recipes of the fractals of the job just taken, in their order.
    virtual std::vector<FractalRecipe> FractalRecipes() { return {}; }
    // The file of the i-th fractal of a job (from 0), beside the wallpaper.
    // A fractal is always rendered into a file of its own, never into the
    // wallpaper, so the wallpaper can be composed again from it.
    virtual std::string FractalFile(int i) { return MonitorFractalFileName(i); }
    // Renders fractals from their recipes (their seeds, sizes and look), the
    // k-th into FractalFile(files[k]); TakeFractalPictures then gives them in
    // the recipes' order. Fractal running is already set.
    virtual void StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) {}
    // A picture with the layout that was forced on it.
    virtual void ChangeBackgroundForced(const std::string& sPath, const std::string& sExt, const ForcedLayout& forced) {
        ChangeBackground(sPath, sExt, 0);
    }
    virtual void KeepFractals(const std::vector<FractalRecipe>& recipes) {}
    virtual void ShowPictureInFolder(const std::string& sPath) {}
    // Adds the picture to the current collection's pictures never to show again.
    virtual void ExcludePicture(const std::string& sPath) {}
};

// Which of the commands on the wallpaper showing can be used now.
struct WallpaperCommands {
    bool bPrevious = false;
    bool bKeepFractal = false;
    bool bShowPicture = false;
    bool bNeverShow = false;
};

// The schedule of the tray instance: when a change happens, what it shows,
// and what each tray command does.
class ChangeCycle {
public:
    ChangeCycle(Settings& settings, Random& rand, CycleHost& host) : m_settings(settings), m_rand(rand), m_host(host) {}

    void Start();                     // after creation: tray 128, first change after 1 s or the interval
    void OnChangeTimer();             // timer 1
    void OnFractalTimer();            // timer 2, or the worker's word that its picture is ready
    // The worker could not make its picture (no memory, or a failure): the
    // tray waits again, with the reason when there is one, and the schedule
    // goes on at the next interval.
    void OnFractalFailed(const std::string& sReason);
    void ChangeWallpaper(bool bForce);
    void StartChangeTimer(int64_t seconds);

    void OnChangeWallpaperCommand() { ChangeWallpaper(true); }
    // A change of one monitor only (an index into Monitors()): it gets a
    // picture picked for it alone and the others keep what they show, each
    // composed again from its own source; the history records the whole
    // desktop. A change of every monitor instead with one monitor, when the
    // monitors do not each have a picture of their own, when what the others
    // show is not known, or when the collection has no picture for it.
    void ChangeOneMonitor(int monitor);
    // A command given on another copy's command line or by a hot key: Done,
    // or Refused when it cannot be used now (as the tray menu greys it).
    // Next's monitor is kAllMonitors, kMonitorAtPointer or a number from 1.
    CommandStatus OnCommand(const TrayCommandRecord& record);
    // A render is under way: the command that started it is not over yet.
    bool Rendering() const { return m_bComputing; }
    // Makes one change and closes, as a tray that ends after each change
    // would (the program started with a command and no tray to take it).
    void SetOneChangeOnly() { m_bOneChangeOnly = true; }
    void OnRefreshImageList();
    void OnDisable();
    void OnEnable();
    void OnStopFractal();
    void OnSettings();
    void OnExit();
    // The history size was changed (by the settings sheet of another copy
    // of the program): the history is trimmed to it at once.
    void OnHistorySizeChanged();
    void OnDisplayProperties() { m_host.StartDisplayProperties(); }
    // The monitors or their work areas changed: the wallpaper now showing
    // is composed again for the new layout, from the same pictures.
    void OnDisplayChange() { m_host.SetLayoutTimer(); }
    void OnLayoutTimer();
    // The pause timer, or the session or power state changed: a change held
    // by a pause that has ended happens now, once.
    void OnPauseCheck();
    // Why the schedule is held, if it is.
    PauseReason Pause() const { return m_pauses.Owed() ? m_pauses.Reason() : PauseReason::None; }

    // Steps back to the last wallpaper before the one showing that can be
    // shown again (a fractal is rendered again from its recipe); a change
    // afterwards steps forward again before anything new is picked.
    void OnPreviousWallpaper();
    void OnKeepFractal();
    void OnShowPictureInFolder();
    // Never shows the picture showing again, and changes the wallpaper at once.
    void OnNeverShowPicture();
    WallpaperCommands Commands();
    // The picture showing (the primary monitor's), or nothing for a fractal.
    std::string CurrentPicture() const;
    const History& WallpaperHistory() const { return m_history; }

    bool Enabled() const { return m_bEnabled; }
    bool SettingsOpen() const { return m_bSettingsOpen; }
    const std::string& LastPicture() const { return m_sLastPicture; }
    // What the wallpaper now showing was made from, per monitor.
    const std::vector<MonitorPicture>& LastPictures() const { return m_lastPictures; }

private:
    // The resting state: waiting, or disabled while the user has disabled
    // the program (a change the user forces does not enable it). Waiting
    // while a pause holds a change, the tip tells why.
    // After a change, waiting says what failed, if anything did.
    void ShowNormalTray() {
        const std::string sFailure = m_host.TakeChangeFailure();
        if (m_bEnabled && m_pauses.Owed())
            m_host.SetTrayState(kTrayWaiting, PauseToolTip(m_pauses.Reason()));
        else if (m_bEnabled && !sFailure.empty())
            m_host.SetTrayState(kTrayWaiting, sFailure);
        else
            m_host.SetTrayState(m_bEnabled ? kTrayWaiting : kTrayDisabled);
    }
    // A change starts: a held change is dropped, the timers and any fractal
    // under way stop, and the tray shows the change.
    void BeginChange();
    void AfterChange();
    // A picture for each monitor (or one for all), then the pipeline.
    void ChangeMonitorsToPictures(const MonitorLayout& layout, uint32_t n);
    // In order, the pictures left waiting by the last change stay first in
    // line, unless the collection changed size or is walked at random now;
    // those that can no longer be shown are dropped.
    void PrepareWalk(uint32_t n);
    // Applies pictures given per monitor of the layout (one, for the same
    // picture everywhere and for one across all) and remembers them.
    // With recipes (one per picture), the pictures are those fractals.
    // A forced layout goes with the pictures and is kept for recompositions.
    void ApplyToMonitors(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                         const std::vector<FractalRecipe>* pRecipes = nullptr, const ForcedLayout& forced = {});
    // A picture on monitor i of the layout, the others keeping their own
    // sources; composed when bCompose or when the display changed since the
    // wallpaper was. Recorded as a new history entry.
    void PutOnOneMonitor(const MonitorLayout& layout, size_t i, const MonitorPicture& picture,
                         const ForcedLayout& forced, bool bCompose);
    void Remember(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                  const std::vector<FractalRecipe>* pRecipes = nullptr, const ForcedLayout& forced = {});
    // What the wallpaper showing was made from, rebuilt from the history's
    // current entry when the program starts.
    void RestoreFromEntry(const HistoryEntry& entry);

    // The wallpaper showing laid out again for another layout, from its own
    // pictures or fractals: each monitor keeps its source where its device is
    // still there; a monitor without one gets a picture picked for it alone,
    // or (when bMayRender) a new fractal, rendered first. True when a render
    // started; the wallpaper is then composed when it ends.
    bool Relayout(const MonitorLayout& layout, bool bMayRender);
    bool ComposeFor(const MonitorLayout& layout, bool bMayRender);
    // A picture for one monitor, as a change for it alone would pick.
    std::string PickFor(const Monitor& monitor);
    // A new fractal for a monitor of the given size, with the look of a
    // fractal showing (or the settings' look when none is known).
    FractalRecipe NewRecipe(Size size, const FractalRecipe* pLook);
    // Renders the fractals of the monitors that have none and composes
    // everything when they are done.
    void StartFill(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                   std::vector<FractalRecipe> recipes, std::vector<size_t> missing);
    // Renders the fractals remembered from their recipes when their files
    // are not known (after a start), then composes them for the monitors
    // there are then.
    bool StartRestore();
    // A fractal change, replay or fill is over: the history and the schedule.
    void FinishFractal(const std::vector<FractalRecipe>& jobRecipes);
    // A scheduled change is due: true when a pause holds it (the tray then
    // says why, and the pause timer runs).
    bool HoldForPause();
    // The schedule starts again: a held change is forgotten. True when one was held.
    bool DropPause();

    // The history: a new wallpaper recorded, the file written, an entry shown again.
    size_t HistoryLimit() const;
    PictureCheck Availability();
    void RecordChange(HistoryEntry entry);
    void SaveHistory();
    void ShowEntry(const HistoryEntry& entry);

    Settings& m_settings;
    Random& m_rand;
    CycleHost& m_host;
    bool m_bEnabled = true;
    bool m_bSettingsOpen = false;
    bool m_bOneChangeOnly = false;
    bool m_bExitAfterSettings = false;  // a change ended while the sheet was open
    std::string m_sLastPicture;
    std::vector<MonitorPicture> m_lastPictures;
    MonitorLayout m_lastLayout;
    std::vector<FractalRecipe> m_lastRecipes;  // one per picture, when the wallpaper is fractals and they are known
    ForcedLayout m_lastForced;                 // the layout forced on the pictures showing
    bool m_bLastFractal = false;
    bool m_bComputing = false;           // a fractal is under way
    // What the fractals under way are for: a change, a history entry shown
    // again, the monitors a display change left without one, or the
    // fractals showing rendered again after a start.
    enum class FractalJob { Change, Replay, Fill, Restore };
    FractalJob m_job = FractalJob::Change;    // the render under way
    FractalJob m_origin = FractalJob::Change;  // what started it (a fill follows a change, a replay or a display change)
    MonitorLayout m_jobLayout;                 // the monitors when the render started
    struct Fill {
        MonitorLayout layout;
        std::vector<MonitorPicture> pictures;  // per monitor of layout, the missing ones empty
        std::vector<FractalRecipe> recipes;    // likewise, or none when not known
        std::vector<size_t> missing;           // the monitors being rendered, in the job's order
    } m_fill;
    History m_history;
    HistoryEntry m_current;    // what the wallpaper showing was made from
    HistoryEntry m_replay;     // the entry whose fractals are being rendered again
    PauseGate m_pauses;
    InOrderWalk m_walk;  // in order: where the walk stands, and what waits from the last change

public:
    // A picture another copy of the program put on the desktop (the settings
    // sheet's Preview), with the layout forced on it, on one monitor of the
    // layout (the others keeping what they show) or on all (-1): it becomes
    // the wallpaper showing, recorded in the history, and what a display
    // change composes again.
    void OnPictureApplied(const std::string& sPath, const ForcedLayout& forced, int monitor = -1);
};

}  // namespace mv
