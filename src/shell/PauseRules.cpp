#include "shell/PauseRules.h"

namespace mv {

PauseReason CurrentPause(const Settings& s, SystemState& system) {
    // Only the checks whose setting is on are made.
    if (s.PauseLocked && system.SessionLocked()) return PauseReason::Locked;
    if (s.PauseFullScreen && system.FullScreenRunning()) return PauseReason::FullScreen;
    if (s.PauseBatterySaver && system.BatterySaverOn()) return PauseReason::BatterySaver;
    return PauseReason::None;
}

std::string PauseToolTip(PauseReason reason) {
    switch (reason) {
    case PauseReason::Locked: return "Murivane: paused while the computer is locked";
    case PauseReason::FullScreen: return "Murivane: paused while a full-screen program runs";
    case PauseReason::BatterySaver: return "Murivane: paused while battery saver is on";
    case PauseReason::None: break;
    }
    return std::string();
}

bool PauseGate::OnChangeDue(PauseReason now) {
    if (now == PauseReason::None) {
        Drop();
        return true;
    }
    m_bOwed = true;
    m_reason = now;
    return false;
}

bool PauseGate::OnCheck(PauseReason now) {
    if (!m_bOwed) return false;
    if (now != PauseReason::None) {
        m_reason = now;
        return false;
    }
    Drop();
    return true;
}

}  // namespace mv
