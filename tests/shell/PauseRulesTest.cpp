// The pauses over hours of a fake clock: scheduled changes wait for the end
// of a pause and then happen once; the user's own changes never wait.
#include <gtest/gtest.h>

#include <optional>

#include "platform/portable/FixedSystemState.h"
#include "shell/ChangeCycle.h"
#include "shell/PauseRules.h"
#include "shell/TrayMenus.h"

using namespace mv;

namespace {

constexpr uint64_t kMinute = 60 * 1000;

// A periodic window timer on the fake clock.
struct FakeTimer {
    std::optional<uint64_t> next;
    uint64_t period = 0;
    void Set(uint64_t now, uint64_t ms) { period = ms, next = now + ms; }
    void Kill() { next.reset(); }
};

// The main window as the schedule sees it, with its timers on a fake clock.
struct ClockHost : CycleHost {
    FixedSystemState system;
    uint64_t now = 0;
    FakeTimer change, pause;
    int changes = 0;
    TrayState tray = kTrayNone;
    std::string tip;

    void SetChangeTimer(uint64_t ms) override { change.Set(now, ms); }
    void KillChangeTimer() override { change.Kill(); }
    void SetPauseTimer() override { pause.Set(now, 5000); }
    void KillPauseTimer() override { pause.Kill(); }
    SystemState* System() override { return &system; }
    void SetTrayState(TrayState s) override { tray = s, tip = TrayToolTipFor(s); }
    void SetTrayState(TrayState s, const std::string& t) override { tray = s, tip = t; }
    void ChangeBackground(const std::string&, const std::string&, Color) override { ++changes; }
    uint32_t ImageCount() override { return 1; }
    int FractalProb() override { return 0; }
    std::string NextImage() override { return "c:\\p\\a.jpg"; }
    void LocalTime(int& h, int& m) override { h = 12, m = 0; }
    bool saverRunning = false;  // the screen saver check applies when one runs
    bool ScreenSaverCheckApplies() override { return saverRunning; }
    bool IsScreenSaverRunning() override { return saverRunning; }
    void SetFractalTimer() override {}
    void KillFractalTimer() override {}
    bool IsUsingActiveDesktop() override { return false; }
    void EnsureActiveDesktop() override {}
    void ReloadCollection() override {}
    void StartFractalWorker() override {}
    void StopFractal() override {}
    bool TakeFractalDone(std::string&, Color&) override { return false; }
    void Close() override {}
    bool ShowSettings() override { return true; }
    void RebuildColorTable() override {}
    void SaveGeneral() override {}
    void RemoveStartupShortcut() override {}
    void StartDisplayProperties() override {}
};

struct Pauses : ::testing::Test {
    Settings settings;  // every pause on, a change every 30 minutes
    Random rand{1};
    ClockHost host;
    ChangeCycle cycle{settings, rand, host};

    void SetUp() override {
        settings.ChangeOnStartup = false;
        cycle.Start();
    }
    // Moves the clock on, firing the timers that come due in time order.
    void Run(uint64_t ms) {
        const uint64_t until = host.now + ms;
        for (;;) {
            FakeTimer* first = nullptr;
            for (FakeTimer* t : {&host.change, &host.pause})
                if (t->next && *t->next <= until && (!first || *t->next < *first->next)) first = t;
            if (!first) break;
            host.now = *first->next;
            *first->next += first->period;
            if (first == &host.change)
                cycle.OnChangeTimer();
            else
                cycle.OnPauseCheck();
        }
        host.now = until;
    }
};

}  // namespace

TEST_F(Pauses, HeldChangesHappenOnceWhenThePauseEndsAndUserChangesNeverWait) {
    // Three hours of a full-screen program: six changes come due, none happens.
    host.system.bFullScreen = true;
    Run(180 * kMinute);
    EXPECT_EQ(host.changes, 0);
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.tip, "Murivane: paused while a full-screen program runs");
    EXPECT_EQ(cycle.Pause(), PauseReason::FullScreen);

    // Locked as well: the lock is what the tray tells.
    host.system.bLocked = true;
    Run(kMinute);
    EXPECT_EQ(host.tip, "Murivane: paused while the computer is locked");
    host.system.bLocked = false;

    // The program ends: one change within a few seconds, not a burst, the
    // tip back to normal, and the next one a whole interval later.
    host.system.bFullScreen = false;
    Run(6000);
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(host.tip, "Murivane");
    EXPECT_EQ(cycle.Pause(), PauseReason::None);
    EXPECT_FALSE(host.pause.next) << "the pause timer stops with the pause";
    Run(29 * kMinute);
    EXPECT_EQ(host.changes, 1);
    Run(2 * kMinute);
    EXPECT_EQ(host.changes, 2);

    // Battery saver holds the next one; the user's own change does not wait,
    // and it settles what was owed: nothing more when battery saver goes off.
    host.system.bBatterySaver = true;
    Run(30 * kMinute);
    EXPECT_EQ(host.changes, 2);
    EXPECT_EQ(host.tip, "Murivane: paused while battery saver is on");
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changes, 3);
    EXPECT_EQ(host.tip, "Murivane");
    host.system.bBatterySaver = false;
    Run(10 * kMinute);
    EXPECT_EQ(host.changes, 3);

    // A session unlocked tells the window at once: the held change happens
    // then, without waiting for the pause timer.
    host.system.bLocked = true;
    Run(25 * kMinute);
    EXPECT_EQ(host.changes, 3);
    host.system.bLocked = false;
    cycle.OnPauseCheck();
    EXPECT_EQ(host.changes, 4);

    // Disabled while paused: the pause's end changes nothing.
    host.system.bLocked = true;
    Run(35 * kMinute);
    cycle.OnDisable();
    host.system.bLocked = false;
    Run(60 * kMinute);
    EXPECT_EQ(host.changes, 4);
    EXPECT_EQ(host.tray, kTrayDisabled);

    for (PauseReason r : {PauseReason::Locked, PauseReason::FullScreen, PauseReason::BatterySaver})
        EXPECT_TRUE(ToolTipFits(PauseToolTip(r)));
}

TEST_F(Pauses, EachSettingTurnsItsOwnPauseOff) {
    struct Case {
        bool Settings::*setting;
        bool FixedSystemState::*state;
    };
    for (Case c : {Case{&Settings::PauseFullScreen, &FixedSystemState::bFullScreen},
                   Case{&Settings::PauseBatterySaver, &FixedSystemState::bBatterySaver},
                   Case{&Settings::PauseLocked, &FixedSystemState::bLocked}}) {
        host.system = FixedSystemState();
        host.system.*c.state = true;
        settings.PauseFullScreen = settings.PauseBatterySaver = settings.PauseLocked = true;
        const int before = host.changes;
        Run(30 * kMinute);
        EXPECT_EQ(host.changes, before) << "held while the setting is on";
        settings.*c.setting = false;
        Run(6000);  // the next look at the state lets the owed change go
        EXPECT_EQ(host.changes, before + 1);
        Run(30 * kMinute);
        EXPECT_EQ(host.changes, before + 2) << "not held while the setting is off";
    }
}

// Locking a session starts the screen saver with it: a change due then is
// still owed to the lock and happens once on unlock. A screen saver alone
// skips the change, as ever.
TEST_F(Pauses, AChangeDueWhileLockedHappensOnUnlockEvenUnderAScreenSaver) {
    host.system.bLocked = true;
    host.saverRunning = true;
    Run(65 * kMinute);  // two changes come due
    EXPECT_EQ(host.changes, 0);
    EXPECT_EQ(cycle.Pause(), PauseReason::Locked);
    EXPECT_EQ(host.tip, "Murivane: paused while the computer is locked");
    // Unlocked: the saver ends and the window hears of the session at once.
    host.system.bLocked = false;
    host.saverRunning = false;
    cycle.OnPauseCheck();
    EXPECT_EQ(host.changes, 1);
    Run(20 * kMinute);
    EXPECT_EQ(host.changes, 1);

    // The screen saver without the lock: the change is skipped, not owed.
    host.saverRunning = true;
    Run(30 * kMinute);
    EXPECT_EQ(host.changes, 1);
    EXPECT_EQ(cycle.Pause(), PauseReason::None);
    host.saverRunning = false;
    Run(6000);
    EXPECT_EQ(host.changes, 1);
}
