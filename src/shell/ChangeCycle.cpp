#include "shell/ChangeCycle.h"

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
    ShowNormalTray();
    StartChangeTimer(m_settings.ChangeOnStartup ? 1 : 0);
}

void ChangeCycle::StartChangeTimer(int64_t seconds) {
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
    if (m_host.ScreenSaverCheckApplies() && m_host.IsScreenSaverRunning()) return;
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

void ChangeCycle::ChangeWallpaper(bool bForce) {
    m_host.KillChangeTimer();
    m_host.StopFractal();
    m_host.SetTrayState(kTrayChanging);

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

    const uint32_t n = m_host.ImageCount();
    bool bFractal = true;
    if (n > 0) {
        double u = m_rand.uniform();
        bFractal = m_host.FractalProb() / 100.0 >= u;
    }
    if (!bFractal) {
        std::string sExt;
        std::optional<std::string> found;
        for (uint32_t i = 0; i < n; ++i) {
            std::string sPath = m_host.NextImage();
            if (auto ext = ExtensionOf(sPath)) sExt = *ext;
            if (m_host.IsUsingActiveDesktop() || sExt != "gif") {
                found = sPath;
                break;
            }
        }
        if (found) {
            m_host.ChangeBackground(*found, sExt, 0);
            m_sLastPicture = *found;
        }
        AfterChange();
        return;
    }
    m_host.SetTrayState(kTrayFractal);
    m_host.StartFractalWorker();
    m_host.SetFractalTimer();
}

void ChangeCycle::OnFractalTimer() {
    std::string sPath;
    Color average = 0;
    if (!m_host.TakeFractalDone(sPath, average)) return;
    m_host.KillFractalTimer();
    m_host.ChangeBackground(sPath, ExtensionOf(sPath).value_or(""), average);
    m_sLastPicture = sPath;
    if (m_settings.ExitAfterChange) {
        m_host.Close();
    } else {
        ShowNormalTray();
        StartChangeTimer(0);
    }
}

void ChangeCycle::OnFractalFailed(const std::string& sReason) {
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
    m_host.KillChangeTimer();
    m_host.SetTrayState(kTrayDisabled);
}

void ChangeCycle::OnEnable() {
    m_bEnabled = true;
    StartChangeTimer(0);
    ShowNormalTray();
}

void ChangeCycle::OnStopFractal() {
    m_host.StopFractal();
    ShowNormalTray();
    StartChangeTimer(0);
}

void ChangeCycle::OnSettings() {
    if (m_bSettingsOpen) return;
    m_host.KillChangeTimer();
    m_bSettingsOpen = true;
    if (m_host.ShowSettings()) {
        m_host.ReloadCollection();
        m_host.RebuildColorTable();
        if (!m_settings.UseTray) m_host.Close();
    }
    m_bSettingsOpen = false;
    StartChangeTimer(0);
}

void ChangeCycle::OnExit() {
    if (m_bSettingsOpen) return;
    m_settings.AutoStart = false;
    m_host.SaveGeneral();
    m_host.RemoveStartupShortcut();
    m_host.Close();
}

}  // namespace mv
