#include "shell/ChangeCycle.h"

#include <algorithm>
#include <set>

#include "shell/MonitorPicks.h"

namespace mv {

namespace {

// The monitors that count sources were made for: one each when there are as
// many as monitors, else the one for the primary monitor; no names when the
// layout does not tell them.
void SourceMonitors(const MonitorLayout& layout, size_t count, std::vector<std::string>& devices, int& primary) {
    devices.clear();
    primary = 0;
    const int iPrimary = layout.PrimaryIndex();
    if (count > 1 && count == layout.monitors.size()) {
        for (const Monitor& m : layout.monitors) devices.push_back(m.sDevice);
        primary = std::max(iPrimary, 0);
    } else if (count == 1 && iPrimary >= 0) {
        devices.push_back(layout.Primary().sDevice);
    }
    if (std::all_of(devices.begin(), devices.end(), [](const std::string& d) { return d.empty(); })) devices.clear();
}

// For each monitor of a layout, which of count sources made for the given
// monitors is its own (-1: none). A monitor takes the source of its device;
// the primary monitor, when its device had none, takes the old primary's
// unless that monitor is still there. Without device names the sources go
// by position when there are as many, else to the primary alone.
std::vector<int> SourcesFor(const MonitorLayout& to, const std::vector<std::string>& devices, int primary,
                            size_t count) {
    std::vector<int> map(to.monitors.size(), -1);
    if (count == 0) return map;
    if (devices.size() != count && count == to.monitors.size()) {
        for (size_t i = 0; i < map.size(); ++i) map[i] = static_cast<int>(i);
        return map;
    }
    std::vector<bool> taken(count, false);
    if (devices.size() == count) {
        for (size_t i = 0; i < to.monitors.size(); ++i) {
            const std::string& sDevice = to.monitors[i].sDevice;
            for (size_t j = 0; j < count && !sDevice.empty(); ++j)
                if (!taken[j] && devices[j] == sDevice) {
                    map[i] = static_cast<int>(j);
                    taken[j] = true;
                    break;
                }
        }
    }
    const size_t oldPrimary = primary >= 0 && static_cast<size_t>(primary) < count ? static_cast<size_t>(primary) : 0;
    const int iPrimary = to.PrimaryIndex();
    if (iPrimary >= 0 && map[static_cast<size_t>(iPrimary)] < 0 && !taken[oldPrimary])
        map[static_cast<size_t>(iPrimary)] = static_cast<int>(oldPrimary);
    return map;
}

bool IsForced(const ForcedLayout& f) {
    return f.bForcePosition || f.bDoTiling || f.bDoStretching || f.bDoTileSeamless;
}

}  // namespace

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
        if (const HistoryEntry* pCurrent = m_history.Current()) {
            m_current = *pCurrent;
            RestoreFromEntry(m_current);
        }
    }
    ShowNormalTray();
    StartChangeTimer(m_settings.ChangeOnStartup ? 1 : 0);
}

void ChangeCycle::RestoreFromEntry(const HistoryEntry& entry) {
    const size_t count = entry.IsFractal() ? entry.fractals.size() : entry.pictures.size();
    if (count == 0) return;
    // The monitors it was shown on: those there are now when the entry names
    // the same devices, else monitors named as the entry names them, so the
    // next display change composes it again.
    const MonitorLayout now = m_host.Monitors();
    std::vector<std::string> devices;
    int primary = 0;
    SourceMonitors(now, count, devices, primary);
    MonitorLayout made;
    if (devices == entry.devices && (devices.empty() || primary == entry.primary)) {
        made = now;
    } else {
        for (size_t k = 0; k < count; ++k) {
            Monitor m;
            if (entry.devices.size() == count) m.sDevice = entry.devices[k];
            m.bPrimary = static_cast<int32_t>(k) == entry.primary;
            made.monitors.push_back(m);
        }
    }
    if (entry.IsFractal()) {
        // Its files may have been written by later renders since: the
        // fractals are rendered again from their recipes when needed.
        Remember(made, std::vector<MonitorPicture>(count), &entry.fractals);
        return;
    }
    // A picture gone since is picked anew for its monitor when needed.
    std::vector<MonitorPicture> pictures;
    for (const std::string& sPath : entry.pictures) {
        const bool bThere = !sPath.empty() && m_host.PictureAvailable(sPath);
        pictures.push_back(bThere ? MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0} : MonitorPicture());
    }
    const size_t iShown =
        entry.primary >= 0 && static_cast<size_t>(entry.primary) < count ? static_cast<size_t>(entry.primary) : 0;
    m_sLastPicture = pictures[iShown].sPath;
    if (std::all_of(pictures.begin(), pictures.end(), [](const MonitorPicture& p) { return p.sPath.empty(); })) return;
    Remember(made, std::move(pictures), nullptr, entry.forced);
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
    // A running screen saver skips the change, unless a pause holds it: a
    // change due while the session is locked is owed even while the saver
    // runs, and one owed already stays owed for the pause's end.
    if (m_host.ScreenSaverCheckApplies() && m_host.IsScreenSaverRunning()) {
        SystemState* pSystem = m_host.System();
        if (!pSystem || CurrentPause(m_settings, *pSystem) == PauseReason::None) return;
    }
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
    if (m_settings.ExitAfterChange || m_bOneChangeOnly) {
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
    m_job = m_origin = FractalJob::Change;
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

    uint32_t n = m_host.ImageCount();
    // Every picture excluded: taken as an empty collection, and said.
    const bool bAllExcluded = n > 0 && m_host.AllPicturesExcluded();
    m_host.ReportAllExcluded(bAllExcluded);
    if (bAllExcluded) n = 0;
    PrepareWalk(n);
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
        // (or, while Active Desktop is in use, handed to it). In order, a
        // picture left waiting by a change over several monitors comes first.
        std::string sPath;
        if (!m_walk.waiting.empty()) {
            sPath = std::move(m_walk.waiting.front().sPath);
            m_walk.waiting.pop_front();
        } else {
            sPath = m_host.NextImage();
        }
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
    m_job = m_origin = FractalJob::Change;
    m_jobLayout = layout;
    if (layout.IsMultiple())
        m_host.StartFractalWorkers(FractalSizes(layout, m_settings.MultipleMonitors));
    else
        m_host.StartFractalWorker();
    m_host.SetFractalTimer();
}

void ChangeCycle::PrepareWalk(uint32_t n) {
    if (!m_host.PicturesInOrder() || m_walk.count != n) {
        m_walk.Clear();
        m_walk.count = n;
        return;
    }
    auto& waiting = m_walk.waiting;
    waiting.erase(std::remove_if(waiting.begin(), waiting.end(),
                                 [this](const InOrderWalk::Waiting& w) { return !m_host.PictureAvailable(w.sPath); }),
                  waiting.end());
}

void ChangeCycle::ChangeMonitorsToPictures(const MonitorLayout& layout, uint32_t n) {
    PictureSource source;
    source.next = [this] { return m_host.NextImage(); };
    source.size = [this](const std::string& sPath) { return m_host.PictureSize(sPath); };
    source.count = n;
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    InOrderWalk* pWalk = m_host.PicturesInOrder() ? &m_walk : nullptr;
    std::vector<std::string> picks;
    if (mode == kPicturePerMonitor) {
        picks = PickPictures(layout, m_settings.MatchMonitorShape, source, pWalk);
    } else {
        MonitorLayout primary;
        primary.monitors.push_back(layout.Primary());
        picks = PickPictures(primary, false, source, pWalk);
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

void ChangeCycle::ApplyToMonitors(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                                  const std::vector<FractalRecipe>* pRecipes, const ForcedLayout& forced) {
    if (pictures.empty()) return;
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    const bool bAcross = mode == kOnePictureAcross;
    std::vector<MonitorPicture> perMonitor = pictures;
    std::vector<FractalRecipe> recipes;
    if (pRecipes && pRecipes->size() == pictures.size()) recipes = *pRecipes;
    if (mode == kSamePictureEverywhere) {
        perMonitor.assign(layout.monitors.size(), pictures.front());
        if (!recipes.empty()) recipes.assign(layout.monitors.size(), recipes.front());
    }
    if (IsForced(forced))
        m_host.ChangeBackgroundMonitorsForced(layout, bAcross, perMonitor, forced);
    else
        m_host.ChangeBackgroundMonitors(layout, bAcross, perMonitor);
    const int iPrimary = layout.PrimaryIndex();
    const size_t iShown = bAcross || iPrimary < 0 ? 0 : static_cast<size_t>(iPrimary);
    m_sLastPicture = perMonitor[std::min(iShown, perMonitor.size() - 1)].sPath;
    const ForcedLayout kept = forced;  // forced may be the one remembered
    Remember(layout, std::move(perMonitor), pRecipes ? &recipes : nullptr, kept);
}

void ChangeCycle::Remember(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                           const std::vector<FractalRecipe>* pRecipes, const ForcedLayout& forced) {
    m_lastForced = forced;
    m_lastLayout = layout;
    m_lastPictures = std::move(pictures);
    m_bLastFractal = pRecipes != nullptr;
    m_lastRecipes.clear();
    if (pRecipes && pRecipes->size() == m_lastPictures.size()) m_lastRecipes = *pRecipes;
}

std::string ChangeCycle::PickFor(const Monitor& monitor) {
    const uint32_t n = m_host.ImageCount();
    if (n == 0) return std::string();
    // In order, what waits from the last change comes first, and what this
    // monitor passes over waits for the next.
    PrepareWalk(n);
    PictureSource source;
    source.next = [this] { return m_host.NextImage(); };
    source.size = [this](const std::string& sPath) { return m_host.PictureSize(sPath); };
    source.count = n;
    MonitorLayout alone;
    alone.monitors.push_back(monitor);
    const std::vector<std::string> picks =
        PickPictures(alone, m_settings.MatchMonitorShape, source, m_host.PicturesInOrder() ? &m_walk : nullptr);
    return picks.empty() ? std::string() : picks.front();
}

FractalRecipe ChangeCycle::NewRecipe(Size size, const FractalRecipe* pLook) {
    FractalRecipe r;
    if (pLook) {
        r = *pLook;
    } else {
        r.brightness = m_settings.Brightness;
        std::copy(std::begin(m_settings.Colors), std::end(m_settings.Colors), r.weights.begin());
    }
    // Drawn in the order a fractal change draws them: the palette's, then the pattern's.
    r.paletteSeed = m_rand.next();
    r.fractalSeed = m_rand.next();
    r.size = size;
    return r;
}

bool ChangeCycle::Relayout(const MonitorLayout& layout, bool bMayRender) {
    if (m_lastPictures.empty() || layout == m_lastLayout) return false;
    // One screen before and after: the shell lays the wallpaper out again itself.
    if (!layout.IsMultiple() && !m_lastLayout.IsMultiple()) {
        m_lastLayout = layout;
        return false;
    }
    return ComposeFor(layout, bMayRender);
}

bool ChangeCycle::ComposeFor(const MonitorLayout& layout, bool bMayRender) {
    if (m_lastPictures.empty()) return false;
    const size_t count = m_lastPictures.size();
    // Fractals known by their recipes alone (after a start) are rendered first.
    if (m_bLastFractal && m_lastRecipes.size() == count &&
        std::any_of(m_lastPictures.begin(), m_lastPictures.end(), [](const MonitorPicture& p) { return p.sPath.empty(); }))
        return bMayRender && StartRestore();
    const ForcedLayout forced = m_lastForced;
    std::vector<std::string> devices;
    int primary = 0;
    SourceMonitors(m_lastLayout, count, devices, primary);
    if (static_cast<size_t>(primary) >= count) primary = 0;
    const bool bRecipes = m_lastRecipes.size() == count;
    // The old primary's source, or the first there is.
    auto fallback = [&]() -> size_t {
        if (!m_lastPictures[static_cast<size_t>(primary)].sPath.empty()) return static_cast<size_t>(primary);
        for (size_t j = 0; j < count; ++j)
            if (!m_lastPictures[j].sPath.empty()) return j;
        return static_cast<size_t>(primary);
    };
    const std::vector<int> map = SourcesFor(layout, devices, primary, count);

    if (!layout.IsMultiple()) {
        const size_t j = map.size() == 1 && map[0] >= 0 && !m_lastPictures[static_cast<size_t>(map[0])].sPath.empty()
                             ? static_cast<size_t>(map[0])
                             : fallback();
        const MonitorPicture picture = m_lastPictures[j];
        if (picture.sPath.empty()) return false;
        if (IsForced(forced))
            m_host.ChangeBackgroundForced(picture.sPath, picture.sExt, forced);
        else
            m_host.ChangeBackground(picture.sPath, picture.sExt, picture.colorHint);
        m_sLastPicture = picture.sPath;
        std::vector<FractalRecipe> recipes;
        if (bRecipes) recipes.push_back(m_lastRecipes[j]);
        Remember(layout, {picture}, m_bLastFractal ? &recipes : nullptr, forced);
        return false;
    }

    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    if (mode != kPicturePerMonitor) {
        // One picture for all: the one there was, or the primary monitor's.
        const int iPrimary = layout.PrimaryIndex();
        size_t j = 0;
        if (count > 1) {
            const int mapped = iPrimary >= 0 ? map[static_cast<size_t>(iPrimary)] : -1;
            j = mapped >= 0 && !m_lastPictures[static_cast<size_t>(mapped)].sPath.empty()
                    ? static_cast<size_t>(mapped)
                    : fallback();
        }
        std::vector<FractalRecipe> recipes;
        if (bRecipes) recipes.push_back(m_lastRecipes[j]);
        ApplyToMonitors(layout, {m_lastPictures[j]}, m_bLastFractal ? &recipes : nullptr, forced);
        return false;
    }

    std::vector<MonitorPicture> pictures(layout.monitors.size());
    std::vector<FractalRecipe> recipes(bRecipes ? layout.monitors.size() : 0);
    std::vector<size_t> missing;
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
        const int j = map[i];
        if (j >= 0 && !m_lastPictures[static_cast<size_t>(j)].sPath.empty()) {
            pictures[i] = m_lastPictures[static_cast<size_t>(j)];
            if (bRecipes) recipes[i] = m_lastRecipes[static_cast<size_t>(j)];
        } else {
            missing.push_back(i);
        }
    }
    if (!missing.empty() && m_bLastFractal && bMayRender) {
        StartFill(layout, std::move(pictures), std::move(recipes), std::move(missing));
        return true;
    }
    for (size_t i : missing) {
        if (!m_bLastFractal) {
            const std::string sPath = PickFor(layout.monitors[i]);
            if (!sPath.empty()) {
                pictures[i] = MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0};
                continue;
            }
        }
        // Nothing new for it (an empty collection, or a render stopped):
        // the primary monitor's source, composed for this one.
        const size_t j = fallback();
        pictures[i] = m_lastPictures[j];
        if (bRecipes) recipes[i] = m_lastRecipes[j];
    }
    ApplyToMonitors(layout, std::move(pictures), m_bLastFractal ? &recipes : nullptr, forced);
    return false;
}

bool ChangeCycle::StartRestore() {
    std::vector<int> files;
    for (size_t k = 0; k < m_lastRecipes.size(); ++k) files.push_back(static_cast<int>(k));
    m_job = FractalJob::Restore;
    m_origin = FractalJob::Fill;  // the same wallpaper: nothing new is recorded
    m_jobLayout = m_lastLayout;
    m_bComputing = true;
    m_host.SetTrayState(kTrayFractal);
    m_host.StartFractalRecipes(m_lastRecipes, files);
    m_host.SetFractalTimer();
    return true;
}

void ChangeCycle::StartFill(const MonitorLayout& layout, std::vector<MonitorPicture> pictures,
                            std::vector<FractalRecipe> recipes, std::vector<size_t> missing) {
    // Files no monitor that keeps its fractal is composed from.
    std::set<std::string> used;
    for (const MonitorPicture& p : pictures)
        if (!p.sPath.empty()) used.insert(p.sPath);
    const FractalRecipe* pLook = m_lastRecipes.empty() ? nullptr : &m_lastRecipes.front();
    std::vector<FractalRecipe> fresh;
    std::vector<int> files;
    int k = 0;
    for (size_t i : missing) {
        while (used.count(m_host.FractalFile(k)) != 0) ++k;
        files.push_back(k++);
        const Rect& r = layout.monitors[i].rect;
        fresh.push_back(NewRecipe({r.Width(), r.Height()}, pLook));
    }
    m_fill = Fill{layout, std::move(pictures), std::move(recipes), std::move(missing)};
    m_job = FractalJob::Fill;
    m_jobLayout = layout;
    m_bComputing = true;
    m_host.SetTrayState(kTrayFractal);
    m_host.StartFractalRecipes(fresh, files);
    m_host.SetFractalTimer();
}

void ChangeCycle::OnLayoutTimer() {
    m_host.KillLayoutTimer();
    // A fractal under way is laid out on the monitors there are when it is done.
    if (m_bComputing) return;
    if (Relayout(m_host.Monitors(), true)) m_origin = FractalJob::Fill;
}

void ChangeCycle::OnFractalTimer() {
    // What a render stopped since would bring is not applied.
    if (!m_bComputing) return;
    std::vector<MonitorPicture> pictures;
    if (!m_host.TakeFractalPictures(pictures) || pictures.empty()) return;
    m_bComputing = false;
    m_host.KillFractalTimer();
    std::vector<FractalRecipe> recipes = m_host.FractalRecipes();
    const std::vector<FractalRecipe> jobRecipes = recipes;
    if (recipes.size() != pictures.size()) recipes.clear();
    if (m_job == FractalJob::Fill) {
        // The new fractals join those the other monitors kept.
        Fill& f = m_fill;
        if (f.recipes.size() != f.pictures.size() || recipes.empty()) f.recipes.clear();
        for (size_t k = 0; k < f.missing.size() && k < pictures.size(); ++k) {
            f.pictures[f.missing[k]] = pictures[k];
            if (!f.recipes.empty()) f.recipes[f.missing[k]] = recipes[k];
        }
        m_lastLayout = f.layout;
        m_lastPictures = f.pictures;
        m_lastRecipes = f.recipes;
    } else {
        // The fractals are for the monitors there were when the render started.
        m_lastLayout = m_jobLayout;
        m_lastPictures = pictures;
        m_lastRecipes = recipes;
    }
    m_bLastFractal = true;
    m_lastForced = ForcedLayout();
    // Laid out for the monitors there are now; a monitor that came meanwhile
    // gets a fractal of its own first.
    if (ComposeFor(m_host.Monitors(), true)) return;
    FinishFractal(jobRecipes);
}

void ChangeCycle::FinishFractal(const std::vector<FractalRecipe>& jobRecipes) {
    const bool bFilled = m_job == FractalJob::Fill;
    const bool bKnown = m_lastRecipes.size() == m_lastPictures.size();
    m_job = FractalJob::Change;
    if (m_origin == FractalJob::Fill) {
        // A display change's: the same wallpaper, with the new monitors' fractals.
        if (bKnown && m_current.IsFractal()) m_current.fractals = m_lastRecipes;
        ShowNormalTray();
        return;
    }
    if (m_origin == FractalJob::Replay) {
        m_current = m_replay;
        if (bFilled && bKnown) m_current.fractals = m_lastRecipes;
    } else {
        HistoryEntry entry;
        entry.fractals = bFilled && bKnown ? m_lastRecipes : jobRecipes;
        RecordChange(std::move(entry));
    }
    if (m_settings.ExitAfterChange && m_bSettingsOpen) {
        // Closing now would end the open sheet with the user's edits; the
        // exit waits until the sheet is closed.
        m_bExitAfterSettings = true;
        ShowNormalTray();
    } else if (m_settings.ExitAfterChange || m_bOneChangeOnly) {
        m_host.Close();
    } else {
        ShowNormalTray();
        StartChangeTimer(0);
    }
}

void ChangeCycle::OnFractalFailed(const std::string& sReason) {
    m_bComputing = false;
    if (m_bOneChangeOnly) {
        m_host.Close();
        return;
    }
    m_job = FractalJob::Change;
    m_host.KillFractalTimer();
    // The wallpaper showing still fits the monitors there are now.
    Relayout(m_host.Monitors(), false);
    if (m_bEnabled && !sReason.empty())
        m_host.SetTrayState(kTrayWaiting, sReason);
    else
        ShowNormalTray();
    StartChangeTimer(0);
}

void ChangeCycle::OnRefreshImageList() {
    m_host.SetTrayState(kTrayChanging);
    m_host.ReloadCollection();
    m_walk.Clear();
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
    m_job = FractalJob::Change;
    m_host.StopFractal();
    // The display changed while it rendered: the wallpaper showing is laid
    // out for the monitors there are now, without rendering anything more.
    Relayout(m_host.Monitors(), false);
    ShowNormalTray();
    StartChangeTimer(0);
}

void ChangeCycle::OnSettings() {
    if (m_bSettingsOpen) return;
    m_host.KillChangeTimer();
    m_bSettingsOpen = true;
    m_bExitAfterSettings = false;
    bool bClose = false;
    const uint32_t countBefore = m_host.ImageCount();
    const bool bInOrderBefore = m_host.PicturesInOrder();
    const std::string sNameBefore = m_host.CollectionName();
    if (m_host.ShowSettings()) {
        m_host.ReloadCollection();
        // What waits from the last change stays first in line unless the
        // collection changed; pictures excluded or gone since are dropped
        // when the walk goes on.
        if (m_host.ImageCount() != countBefore || m_host.PicturesInOrder() != bInOrderBefore ||
            m_host.CollectionName() != sNameBefore)
            m_walk.Clear();
        m_host.RebuildColorTable();
        OnHistorySizeChanged();
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

void ChangeCycle::OnHistorySizeChanged() {
    // A new history size holds at once: the oldest entries beyond it go,
    // and with none kept the file is emptied.
    const size_t limit = HistoryLimit();
    if (m_history.entries().size() > limit || limit == 0) {
        m_history.Trim(limit);
        SaveHistory();
    }
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
    // The monitors it is shown on, so it can be shown again on others.
    entry.monitorMode = static_cast<int32_t>(MultipleMonitorsModeOf(m_settings.MultipleMonitors));
    SourceMonitors(m_lastLayout, entry.IsFractal() ? entry.fractals.size() : entry.pictures.size(), entry.devices,
                   entry.primary);
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
    const MultipleMonitorsMode mode = MultipleMonitorsModeOf(m_settings.MultipleMonitors);
    const size_t count = entry.IsFractal() ? entry.fractals.size() : entry.pictures.size();
    // Which of the entry's pictures or fractals each monitor now gets: by
    // the monitors' device names, where the entry knows them.
    std::vector<std::string> devices = entry.devices;
    if (devices.size() != count) devices.clear();
    const int primary = entry.primary >= 0 && static_cast<size_t>(entry.primary) < count ? entry.primary : 0;
    const bool bPerMonitor = layout.IsMultiple() && mode == kPicturePerMonitor;
    MonitorLayout targets;  // the monitors that get an item each
    if (bPerMonitor) {
        targets = layout;
    } else if (layout.IsMultiple()) {
        targets.monitors.push_back(layout.Primary());
    } else {
        targets.monitors = layout.monitors;
    }
    std::vector<int> map = SourcesFor(targets, devices, primary, count);
    if (map.empty()) map.push_back(-1);  // one screen the host does not describe
    // One item for all of them: the one there was, or the primary monitor's.
    if (!bPerMonitor && map[0] < 0) map[0] = count == 1 ? 0 : primary;
    // The same picture on every monitor then: the same on every monitor now.
    if (bPerMonitor && count == 1 && entry.monitorMode == static_cast<int32_t>(kSamePictureEverywhere))
        map.assign(map.size(), 0);

    if (entry.IsFractal()) {
        m_host.SetTrayState(kTrayFractal);
        m_replay = entry;
        m_bComputing = true;
        m_job = m_origin = FractalJob::Replay;
        m_jobLayout = layout;
        // The size each is shown at now: a monitor's own, the primary's for
        // the same on all, the whole desktop's for one across them all.
        auto sizeFor = [&](size_t i) -> std::optional<Size> {
            if (targets.monitors.empty()) return std::nullopt;
            Rect r = targets.monitors[i].rect;
            if (layout.IsMultiple() && mode == kOnePictureAcross) r = layout.Bounds();
            return Size{r.Width(), r.Height()};
        };
        // Each monitor its own fractal again, from its seeds at the size it
        // has now; one that had none gets a new one.
        std::vector<FractalRecipe> recipes;
        std::vector<int> files;
        for (size_t i = 0; i < map.size(); ++i) {
            const std::optional<Size> size = sizeFor(i);
            if (map[i] >= 0) {
                recipes.push_back(entry.fractals[static_cast<size_t>(map[i])]);
                if (size) recipes.back().size = *size;
            } else {
                recipes.push_back(NewRecipe(size.value_or(Size{}), &entry.fractals[static_cast<size_t>(primary)]));
            }
            files.push_back(static_cast<int>(i));
        }
        m_host.StartFractalRecipes(recipes, files);
        m_host.SetFractalTimer();
        return;
    }
    std::vector<MonitorPicture> pictures;
    for (size_t i = 0; i < map.size(); ++i) {
        std::string sPath;
        if (map[i] >= 0) sPath = entry.pictures[static_cast<size_t>(map[i])];
        // A monitor the entry had no picture for gets one as a change would pick.
        if (sPath.empty() && bPerMonitor) sPath = PickFor(targets.monitors[i]);
        if (sPath.empty() && !bPerMonitor) sPath = entry.FirstPicture();
        pictures.push_back(MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0});
    }
    if (layout.IsMultiple()) {
        ApplyToMonitors(layout, std::move(pictures), nullptr, entry.forced);
    } else {
        const MonitorPicture& picture = pictures.front();
        m_host.ChangeBackgroundForced(picture.sPath, picture.sExt, entry.forced);
        m_sLastPicture = picture.sPath;
        Remember(layout, {picture}, nullptr, entry.forced);
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
    // A render under way would put what it was for on the desktop when it
    // ends: it stops, and a change's schedule starts again.
    const bool bStopped = m_bComputing;
    bool bRestartSchedule = false;
    if (bStopped) {
        bRestartSchedule = m_origin != FractalJob::Fill;  // a change stopped the schedule when it began
        m_host.StopFractal();
        m_host.KillFractalTimer();
        m_bComputing = false;
        m_job = m_origin = FractalJob::Change;
    }
    const MonitorLayout layout = m_host.Monitors();
    const MonitorPicture picture{sPath, ExtensionOf(sPath).value_or(""), 0};
    if (layout.IsMultiple() && monitor >= 0 && static_cast<size_t>(monitor) < layout.monitors.size()) {
        // The sheet put it on the desktop already.
        PutOnOneMonitor(layout, static_cast<size_t>(monitor), picture, forced, false);
    } else {
        Remember(layout, {picture}, nullptr, forced);
        HistoryEntry entry;
        entry.forced = forced;
        entry.pictures.push_back(sPath);
        RecordChange(std::move(entry));
    }
    m_sLastPicture = sPath;
    if (bStopped) {
        if (bRestartSchedule) StartChangeTimer(0);
        ShowNormalTray();
    }
}

void ChangeCycle::PutOnOneMonitor(const MonitorLayout& layout, size_t i, const MonitorPicture& picture,
                                  const ForcedLayout& forced, bool bCompose) {
    // One monitor changed; the others keep what they show, each from its own
    // source, and the entry names those pictures (a fractal's file is not
    // one to show again).
    HistoryEntry entry;
    entry.forced = forced;
    const size_t count = m_lastPictures.size();
    // Composed again when the display changed since the wallpaper was.
    const bool bRecompose = !(layout == m_lastLayout);
    std::vector<int> map(layout.monitors.size(), -1);
    if (count == 1) {
        map.assign(layout.monitors.size(), 0);
    } else if (count > 1) {
        std::vector<std::string> devices;
        int primary = 0;
        SourceMonitors(m_lastLayout, count, devices, primary);
        map = SourcesFor(layout, devices, primary, count);
    }
    std::vector<MonitorPicture> pictures(layout.monitors.size());
    for (size_t k = 0; k < pictures.size(); ++k) {
        if (k == i) {
            pictures[k] = picture;
        } else if (map[k] >= 0 && !m_lastPictures[static_cast<size_t>(map[k])].sPath.empty()) {
            pictures[k] = m_lastPictures[static_cast<size_t>(map[k])];
        } else if (!m_bLastFractal && bRecompose) {
            const std::string sPick = PickFor(layout.monitors[k]);
            if (!sPick.empty()) pictures[k] = MonitorPicture{sPick, ExtensionOf(sPick).value_or(""), 0};
        }
        entry.pictures.push_back(k == i || !m_bLastFractal ? pictures[k].sPath : std::string());
    }
    if (bCompose || bRecompose) {
        ApplyToMonitors(layout, std::move(pictures), nullptr, forced);
    } else {
        Remember(layout, std::move(pictures), nullptr, forced);
    }
    RecordChange(std::move(entry));
}

void ChangeCycle::ChangeOneMonitor(int monitor) {
    const MonitorLayout layout = m_host.Monitors();
    const bool bOwnPictures = MultipleMonitorsModeOf(m_settings.MultipleMonitors) == kPicturePerMonitor;
    // What each other monitor shows must be known to compose it again: a
    // fractal known by its recipe alone (after a start) has no file yet.
    const bool bOthersKnown =
        !m_lastPictures.empty() && !m_bComputing &&
        std::none_of(m_lastPictures.begin(), m_lastPictures.end(), [](const MonitorPicture& p) { return p.sPath.empty(); });
    if (!layout.IsMultiple() || !bOwnPictures || !bOthersKnown || monitor < 0 ||
        static_cast<size_t>(monitor) >= layout.monitors.size()) {
        ChangeWallpaper(true);
        return;
    }
    BeginChange();
    m_host.EnsureActiveDesktop();
    const bool bAllExcluded = m_host.ImageCount() > 0 && m_host.AllPicturesExcluded();
    m_host.ReportAllExcluded(bAllExcluded);
    const std::string sPath = bAllExcluded ? std::string() : PickFor(layout.monitors[static_cast<size_t>(monitor)]);
    if (sPath.empty()) {
        // No picture for it: the whole desktop changes, to a fractal.
        ChangeWallpaper(true);
        return;
    }
    PutOnOneMonitor(layout, static_cast<size_t>(monitor), MonitorPicture{sPath, ExtensionOf(sPath).value_or(""), 0},
                    ForcedLayout(), true);
    AfterChange();
}

CommandStatus ChangeCycle::OnCommand(const TrayCommandRecord& record) {
    switch (record.command) {
        case TrayCommand::Next: {
            if (record.monitor == kAllMonitors) {
                OnChangeWallpaperCommand();
                return CommandStatus::Done;
            }
            const MonitorLayout layout = m_host.Monitors();
            if (!layout.IsMultiple()) {
                OnChangeWallpaperCommand();
                return CommandStatus::Done;
            }
            const int index = record.monitor == kMonitorAtPointer ? m_host.MonitorAtPointer() : record.monitor - 1;
            // A monitor the desktop does not have.
            if (index < 0 || static_cast<size_t>(index) >= layout.monitors.size()) return CommandStatus::Refused;
            ChangeOneMonitor(index);
            return CommandStatus::Done;
        }
        case TrayCommand::Previous:
            if (m_bSettingsOpen || !m_history.CanGoBack(Availability())) return CommandStatus::Refused;
            OnPreviousWallpaper();
            return CommandStatus::Done;
        case TrayCommand::Keep:
            if (!m_current.IsFractal()) return CommandStatus::Refused;
            OnKeepFractal();
            return CommandStatus::Done;
        case TrayCommand::Never:
            if (m_bSettingsOpen || CurrentPicture().empty()) return CommandStatus::Refused;
            OnNeverShowPicture();
            return CommandStatus::Done;
        case TrayCommand::Disable: OnDisable(); return CommandStatus::Done;
        case TrayCommand::Enable: OnEnable(); return CommandStatus::Done;
        case TrayCommand::Refresh: OnRefreshImageList(); return CommandStatus::Done;
        case TrayCommand::Exit:
            if (m_bSettingsOpen) return CommandStatus::Refused;
            OnExit();
            return CommandStatus::Done;
    }
    return CommandStatus::Refused;
}

}  // namespace mv
