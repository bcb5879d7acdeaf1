#pragma once

namespace mv {

// The system's state that can hold the wallpaper's schedule: what runs on
// the screen, the power plan and the session.
class SystemState {
public:
    virtual ~SystemState() = default;
    // A full-screen program (a game, a video) or a presentation runs.
    virtual bool FullScreenRunning() = 0;
    // Battery saver is on.
    virtual bool BatterySaverOn() = 0;
    // The session is locked, or disconnected from its console or remote client.
    virtual bool SessionLocked() = 0;
};

}  // namespace mv
