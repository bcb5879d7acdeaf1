#include "shell/ChangeCycle.h"

#include <algorithm>

#include "shell/MonitorPicks.h"

namespace mv {

int QuietMinutes(uint32_t uHours, uint32_t uMinutes, uint32_t uAmPm) {
    int64_t m = static_cast<int64_t>(uHours % 12) * 60 + uMinutes + (uAmPm == 1 ? 720 : 0);
    return static_cast<int>(m > 1000000 ? 1000000 : m);
}

bool IsQuietTime(const Settings& s, int hour, int minute) {
    const int now = hour * 60 + minute;
    const int from = QuietMinutes(s.HoursFrom, s.MinutesFrom, s.AMPMFrom);
    const int to = QuietMinutes(s.HoursTo, s.MinutesTo, s.AMPMTo);
    if (to > from) return from <= now && now <= to;
    return now >= from || now <= to;  // wraps past midnight, or from = to
}

uint64_t IntervalSeconds(const Settings& s) {
    return static_cast<uint64_t>(s.Hours) * 3600 + static_cast<uint64_t>(s.Minutes) * 60;
}

std::optional<std::string> ExtensionOf(const std::string& sPath) {
    size_t dot = sPath.rfind('.');
    if (dot == std::string::npos) return std::nullopt;
    return sPath.substr(dot + 1);
}

void ChangeCycle::Start() {
    if (HistoryLimit() > 0 && m_host.ReadHistory(m_history)) {
        m_history.Trim(HistoryLimit());
        if (const HistoryEntry* pCurrent = m_history.Current()) m_current = *pCurrent;
    }
    ShowNormalTray();
    StartChangeTimer(m_settings.ChangeOnStartup ? 1 : 0);
}

void ChangeCycle::StartChangeTimer(int64_t seconds) {
    if (DropPause()) ShowNormalTray();
    if (!m_bEnabled) return;
    uint64_t s = seconds > 0 ? static_cast<uint64_t>(seconds) : IntervalSeconds(m_settings);
    // A hand-edited interval of 0 h 0 min would fire without pause; the
    // Options page never stores it, so treat it as one minute.
    if (s == 0) s = 60;
    // Windows timers take at most 0x7FFFFFFF ms (about 24.8 days).
    uint64_t ms = s * 1000;
    if (ms > 0x7FFFFFFFull) ms = 0x7FFFFFFFull;
    m_host.SetChangeTimer(ms);
}

void ChangeCycle::OnChangeTimer() {
    // Nothing changes while the settings are open (a fractal that finished
    // meanwhile armed the timer); closing them starts the schedule again.
    if (m_bSettingsOpen) {
        m_host.KillChangeTimer();
        return;
    }
    if (m_host.ScreenSaverCheckApplies() && m_host.IsScreenSaverRunning()) return;
    if (HoldForPause()) return;
    ChangeWallpaper(false);
}

bool ChangeCycle::HoldForPause() {
    SystemState* pSystem = m_host.System();
    const PauseReason now = pSystem ? CurrentPause(m_settings, *pSystem) : PauseReason::None;
    if (m_pauses.OnChangeDue(now)) return false;
    // The change timer goes on: each time it comes due again the change is
    // still owed once, never twice.
    m_host.SetPauseTimer();
    ShowNormalTray();
    return true;
}

bool ChangeCycle::DropPause() {
    if (!m_pauses.Owed()) return false;
    m_pauses.Drop();
    m_host.KillPauseTimer();
    return true;
}

void ChangeCycle::OnPauseCheck() {
    if (!m_pauses.Owed()) {
        m_host.KillPauseTimer();
        return;
    }
    // While the settings are open nothing changes; closing them starts the
    // schedule again.
    if (m_bSettingsOpen) return;
    SystemState* pSystem = m_host.System();
    const PauseReason now = pSystem ? CurrentPause(m_settings, *pSystem) : PauseReason::None;
    const PauseReason before = m_pauses.Reason();
    if (!m_pauses.OnCheck(now)) {
        if (now != before) ShowNormalTray();
        return;
    }
    m_host.KillPauseTimer();
    ChangeWallpaper(false);
}

void ChangeCycle::AfterChange() {
    if (m_settings.ExitAfterChange) {
        m_host.Close();
    } else {
        StartChangeTimer(0);
        ShowNormalTray();
    }
}

void ChangeCycle::BeginChange() {
    DropPause();
    m_host.KillChangeTimer();
    m_host.StopFractal();
    m_bComputing = false;
    m_bReplaying = false;
    m_host.SetTrayState(kTrayChanging);
}

void ChangeCycle::ChangeWallpaper(bool bForce) {
    BeginChange();

    if (!bForce && m_settings.DontChange) {
        int hour = 0, minute = 0;
        m_host.LocalTime(hour, minute);
        if (IsQuietTime(m_settings, hour, minute)) {
            StartChangeTimer(0);
            ShowNormalTray();
            return;
        }
    }
    m_host.EnsureActiveDesktop();

    // After stepping back, the wallpapers shown since come again first.
    if (const HistoryEntry* pNext = m_history.Forward(Availability())) {
        ShowEntry(HistoryEntry(*pNext));
        return;
    }

    const uint32_t n = m_host.ImageCount();
    bool bFractal = true;
    if (n > 0) {
        double u = m_rand.uniform();
        bFractal = m_host.FractalProb() / 100.0 >= u;
    }
    const MonitorLayout layout = m_host.Monitors();
    if (!bFractal && layout.IsMultiple()) {
        ChangeMonitorsToPictures(layout, n);
        AfterChange();
        return;
    }
    if (!bFractal) {
        // Every listed picture can be shown: a GIF is decoded like the rest
        // (or, while Active Desktop is in use, handed to it).
        const std::string sPath = m_host.NextImage();
        const std::string sExt = ExtensionOf(sPath).value_or("");
        if (!sPath.empty()) {
            m_host.ChangeBackground(sPath, sExt, 0);
            m_sLastPicture = sPath;
            Remember(layout, {MonitorPicture{sPath, sExt, 0}});
            HistoryEntry entry;
            entry.pictures.push_back(sPath);
            RecordChange(std::move(entry));
        }
        AfterChange();
        return;
    }
    m_host.SetTrayState(kTrayFractal);
    m_bComputing = true;
    m_bFractalForMonitors = layout.IsMultiple();
    if (m_bFractalForMonitors)
        m_host.StartFractalWorkers(FractalSizes(layout, m_settings.MultipleMonitors));
    else
        m_host.StartFractalWorker();
    m_host.SetFractalTimer();
}

void ChangeCycle::ChangeMonitorsToPictures(const MonitorLayout& layout, uint32_t n) {
    PictureSource source;
    source.next = [this] { return m_host.NextImage(); };
    source.size = [this](const std::string& sPath) { return m_host.PictureSize(sPath); };
    source.count = n;
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    std::vector<std::string> picks;
    if (mode == kPicturePerMonitor) {
        picks = PickPictures(layout, m_settings.MatchMonitorShape, source);
    } else {
        MonitorLayout primary;
        primary.monitors.push_back(layout.Primary());
        picks = PickPictures(primary, false, source);
    }
    std::vector<MonitorPicture> pictures;
    bool bAny = false;
    for (const std::string& sPath : picks) {
        pictures.push_back(MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0});
        bAny = bAny || !sPath.empty();
    }
    if (!bAny) return;
    ApplyToMonitors(layout, std::move(pictures));
    HistoryEntry entry;
    entry.pictures = std::move(picks);
    RecordChange(std::move(entry));
}

void ChangeCycle::ApplyToMonitors(const MonitorLayout& layout, std::vector<MonitorPicture> pictures) {
    if (pictures.empty()) return;
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    const bool bAcross = mode == kOnePictureAcross;
    std::vector<MonitorPicture> perMonitor = pictures;
    if (mode == kSamePictureEverywhere) perMonitor.assign(layout.monitors.size(), pictures.front());
    m_host.ChangeBackgroundMonitors(layout, bAcross, perMonitor);
    const int iPrimary = layout.PrimaryIndex();
    const size_t iShown = bAcross || iPrimary < 0 ? 0 : static_cast<size_t>(iPrimary);
    m_sLastPicture = perMonitor[std::min(iShown, perMonitor.size() - 1)].sPath;
    Remember(layout, std::move(perMonitor));
}

void ChangeCycle::Remember(const MonitorLayout& layout, std::vector<MonitorPicture> pictures) {
    m_lastLayout = layout;
    m_lastPictures = std::move(pictures);
}

void ChangeCycle::OnLayoutTimer() {
    m_host.KillLayoutTimer();
    const MonitorLayout layout = m_host.Monitors();
    // A fractal under way is laid out on the monitors there are when it is done.
    if (m_bComputing || m_lastPictures.empty() || layout == m_lastLayout) return;
    // One screen before and after: the shell lays the wallpaper out again itself.
    if (!layout.IsMultiple() && !m_lastLayout.IsMultiple()) {
        m_lastLayout = layout;
        return;
    }
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    // The picture each monitor showed: by its device name where it is still
    // there, else the old primary's.
    const int iOldPrimary = m_lastLayout.PrimaryIndex();
    auto pictureOf = [&](const Monitor& m) -> MonitorPicture {
        for (size_t i = 0; i < m_lastLayout.monitors.size() && i < m_lastPictures.size(); ++i)
            if (!m.sDevice.empty() && m_lastLayout.monitors[i].sDevice == m.sDevice) return m_lastPictures[i];
        const size_t i = iOldPrimary >= 0 ? static_cast<size_t>(iOldPrimary) : 0;
        return m_lastPictures[std::min(i, m_lastPictures.size() - 1)];
    };
    if (!layout.IsMultiple()) {
        const MonitorPicture picture =
            layout.monitors.empty() ? m_lastPictures.front() : pictureOf(layout.monitors.front());
        if (picture.sPath.empty()) return;
        m_host.ChangeBackground(picture.sPath, picture.sExt, picture.colorHint);
        Remember(layout, {picture});
        return;
    }
    std::vector<MonitorPicture> pictures;
    if (mode == kPicturePerMonitor)
        for (const Monitor& m : layout.monitors) pictures.push_back(pictureOf(m));
    else
        pictures.push_back(m_lastLayout.IsMultiple() || m_lastPictures.size() == 1 ? m_lastPictures.front()
                                                                                   : pictureOf(layout.Primary()));
    ApplyToMonitors(layout, std::move(pictures));
}

void ChangeCycle::OnFractalTimer() {
    std::vector<MonitorPicture> pictures;
    if (!m_host.TakeFractalPictures(pictures) || pictures.empty()) return;
    m_bComputing = false;
    m_host.KillFractalTimer();
    const MonitorLayout layout = m_host.Monitors();
    if (m_bFractalForMonitors && layout.IsMultiple()) {
        ApplyToMonitors(layout, std::move(pictures));
    } else {
        const MonitorPicture& picture = pictures.front();
        m_host.ChangeBackground(picture.sPath, picture.sExt, picture.colorHint);
        m_sLastPicture = picture.sPath;
        Remember(layout, {picture});
    }
    if (m_bReplaying) {
        m_current = m_replay;
        m_bReplaying = false;
    } else {
        HistoryEntry entry;
        entry.fractals = m_host.FractalRecipes();
        RecordChange(std::move(entry));
    }
    if (m_settings.ExitAfterChange && m_bSettingsOpen) {
        // Closing now would end the open sheet with the user's edits; the
        // exit waits until the sheet is closed.
        m_bExitAfterSettings = true;
        ShowNormalTray();
    } else if (m_settings.ExitAfterChange) {
        m_host.Close();
    } else {
        ShowNormalTray();
        StartChangeTimer(0);
    }
}

void ChangeCycle::OnFractalFailed(const std::string& sReason) {
    m_bComputing = false;
    m_bReplaying = false;
    m_host.KillFractalTimer();
    if (m_bEnabled && !sReason.empty())
        m_host.SetTrayState(kTrayWaiting, sReason);
    else
        ShowNormalTray();
    StartChangeTimer(0);
}

void ChangeCycle::OnRefreshImageList() {
    m_host.SetTrayState(kTrayChanging);
    m_host.ReloadCollection();
    ShowNormalTray();
}

void ChangeCycle::OnDisable() {
    m_bEnabled = false;
    DropPause();
    m_host.KillChangeTimer();
    m_host.SetTrayState(kTrayDisabled);
}

void ChangeCycle::OnEnable() {
    m_bEnabled = true;
    StartChangeTimer(0);
    ShowNormalTray();
}

void ChangeCycle::OnStopFractal() {
    m_bComputing = false;
    m_bReplaying = false;
    m_host.StopFractal();
    ShowNormalTray();
    StartChangeTimer(0);
}

void ChangeCycle::OnSettings() {
    if (m_bSettingsOpen) return;
    m_host.KillChangeTimer();
    m_bSettingsOpen = true;
    m_bExitAfterSettings = false;
    bool bClose = false;
    if (m_host.ShowSettings()) {
        m_host.ReloadCollection();
        m_host.RebuildColorTable();
        bClose = !m_settings.UseTray;
    }
    m_bSettingsOpen = false;
    // A fractal finished while the sheet was open, and the option to end
    // after a change still holds.
    if (m_bExitAfterSettings && m_settings.ExitAfterChange) bClose = true;
    m_bExitAfterSettings = false;
    if (bClose) m_host.Close();
    StartChangeTimer(0);
}

void ChangeCycle::OnExit() {
    if (m_bSettingsOpen) return;
    m_settings.AutoStart = false;
    m_host.SaveGeneral();
    m_host.RemoveStartupShortcut();
    m_host.Close();
}

size_t ChangeCycle::HistoryLimit() const {
    return std::min<size_t>(m_settings.HistorySize, Settings::kMaxHistorySize);
}

PictureCheck ChangeCycle::Availability() {
    return [this](const std::string& sPath) { return m_host.PictureAvailable(sPath); };
}

void ChangeCycle::RecordChange(HistoryEntry entry) {
    m_current = entry;
    const bool bHad = !m_history.entries().empty();
    m_history.Record(std::move(entry), HistoryLimit());
    // With the history off, the file is emptied once and then left alone.
    if (HistoryLimit() > 0 || bHad) SaveHistory();
}

void ChangeCycle::SaveHistory() { m_host.WriteHistory(m_history); }

void ChangeCycle::ShowEntry(const HistoryEntry& entry) {
    SaveHistory();  // the position moved
    const MonitorLayout layout = m_host.Monitors();
    if (entry.IsFractal()) {
        m_replay = entry;
        m_bReplaying = true;
        m_host.SetTrayState(kTrayFractal);
        m_bComputing = true;
        m_bFractalForMonitors = layout.IsMultiple();
        m_host.StartFractalReplay(entry.fractals, m_bFractalForMonitors);
        m_host.SetFractalTimer();
        return;
    }
    if (layout.IsMultiple()) {
        std::vector<MonitorPicture> pictures;
        for (const std::string& sPath : entry.pictures)
            pictures.push_back(MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0});
        ApplyToMonitors(layout, std::move(pictures));
    } else {
        const std::string sPath = entry.FirstPicture();
        const std::string sExt = ExtensionOf(sPath).value_or("");
        m_host.ChangeBackgroundForced(sPath, sExt, entry.forced);
        m_sLastPicture = sPath;
        Remember(layout, {MonitorPicture{sPath, sExt, 0}});
    }
    m_current = entry;
    AfterChange();
}

void ChangeCycle::OnPreviousWallpaper() {
    const PictureCheck available = Availability();
    if (m_bSettingsOpen || !m_history.CanGoBack(available)) return;
    BeginChange();
    m_host.EnsureActiveDesktop();
    const HistoryEntry* pEntry = m_history.Back(available);
    if (pEntry) {
        ShowEntry(HistoryEntry(*pEntry));
    } else {
        ShowNormalTray();
        StartChangeTimer(0);
    }
}

std::string ChangeCycle::CurrentPicture() const {
    if (m_current.IsFractal() || m_current.IsEmpty()) return std::string();
    return !m_sLastPicture.empty() ? m_sLastPicture : m_current.FirstPicture();
}

WallpaperCommands ChangeCycle::Commands() {
    WallpaperCommands c;
    c.bPrevious = m_history.CanGoBack(Availability());
    c.bKeepFractal = m_current.IsFractal();
    c.bShowPicture = c.bNeverShow = !CurrentPicture().empty();
    return c;
}

void ChangeCycle::OnKeepFractal() {
    if (m_current.IsFractal()) m_host.KeepFractals(m_current.fractals);
}

void ChangeCycle::OnShowPictureInFolder() {
    const std::string sPath = CurrentPicture();
    if (!sPath.empty()) m_host.ShowPictureInFolder(sPath);
}

void ChangeCycle::OnNeverShowPicture() {
    const std::string sPath = CurrentPicture();
    if (sPath.empty() || m_bSettingsOpen) return;
    m_host.ExcludePicture(sPath);
    ChangeWallpaper(true);
}

void ChangeCycle::OnPictureApplied(const std::string& sPath, const ForcedLayout& forced, int monitor) {
    if (sPath.empty()) return;
    const MonitorLayout layout = m_host.Monitors();
    const MonitorPicture picture{sPath, ExtensionOf(sPath).value_or(""), 0};
    HistoryEntry entry;
    entry.forced = forced;
    if (layout.IsMultiple() && monitor >= 0 && static_cast<size_t>(monitor) < layout.monitors.size()) {
        // One monitor changed; the entry keeps the others as they are, and
        // a display change composes them from what they showed.
        const size_t i = static_cast<size_t>(monitor);
        std::vector<MonitorPicture> pictures = m_lastPictures;
        if (!(layout == m_lastLayout) || pictures.size() != layout.monitors.size())
            pictures.assign(layout.monitors.size(), picture);
        pictures[i] = picture;
        Remember(layout, std::move(pictures));
        entry.pictures.assign(layout.monitors.size(), std::string());
        entry.pictures[i] = sPath;
    } else {
        Remember(layout, {picture});
        entry.pictures.push_back(sPath);
    }
    m_sLastPicture = sPath;
    RecordChange(std::move(entry));
}

}  // namespace mv
