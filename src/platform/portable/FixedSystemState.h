#pragma once
#include "platform/SystemState.h"

namespace mv {

// A system state that says what it is told: for tests and tools.
struct FixedSystemState : SystemState {
    bool bFullScreen = false;
    bool bBatterySaver = false;
    bool bLocked = false;

    bool FullScreenRunning() override { return bFullScreen; }
    bool BatterySaverOn() override { return bBatterySaver; }
    bool SessionLocked() override { return bLocked; }
};

}  // namespace mv
