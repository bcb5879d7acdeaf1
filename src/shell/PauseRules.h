#pragma once
#include <string>

#include "config/Settings.h"
#include "platform/SystemState.h"

namespace mv {

// Why scheduled changes are held, if they are.
enum class PauseReason { None, Locked, FullScreen, BatterySaver };

// The pause that applies now: each only while its setting is on. A locked
// session comes first (nobody sees the desktop), then a full-screen program,
// then battery saver.
PauseReason CurrentPause(const Settings& s, SystemState& system);

// The tray's tool tip while a pause holds the schedule (each fits the tool
// tip's 64 characters); empty for none.
std::string PauseToolTip(PauseReason reason);

// Scheduled changes held by a pause. However many come due while it lasts,
// one change is owed, and it is released once, when the pause ends.
class PauseGate {
public:
    // A scheduled change is due: true when it may happen now; otherwise it
    // is owed until the pause ends.
    bool OnChangeDue(PauseReason now);
    // The state was looked at again: true when the owed change is to happen
    // now (and is no longer owed).
    bool OnCheck(PauseReason now);
    // The schedule starts again (a change happened, the user disabled the
    // program, the settings were closed): nothing is owed any more.
    void Drop() {
        m_bOwed = false;
        m_reason = PauseReason::None;
    }
    bool Owed() const { return m_bOwed; }
    // The pause holding the owed change.
    PauseReason Reason() const { return m_reason; }

private:
    bool m_bOwed = false;
    PauseReason m_reason = PauseReason::None;
};

}  // namespace mv
