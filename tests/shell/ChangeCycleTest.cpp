#include <gtest/gtest.h>

#include "shell/ChangeCycle.h"
#include "shell/TrayMenus.h"

#include <set>

using namespace mv;

namespace {

// The window as the schedule sees it: timers, tray and collection recorded.
struct FakeHost : CycleHost {
    std::vector<std::string> log;
    int64_t changeTimerMs = -1;  // -1: off
    bool fractalTimer = false;
    TrayState tray = kTrayNone;
    int hour = 12, minute = 0;
    bool saverApplies = true, saverRunning = false, usingAD = false;
    std::vector<std::string> images;
    size_t next = 0;
    int fractalProb = 0;
    bool fractalRunning = false, fractalDone = false;
    bool settingsOk = true;
    bool closed = false;
    std::vector<std::string> changed;
    Color lastHint = 0;

    void SetChangeTimer(uint64_t ms) override { changeTimerMs = static_cast<int64_t>(ms); }
    void KillChangeTimer() override { changeTimerMs = -1; }
    void SetFractalTimer() override { fractalTimer = true; }
    void KillFractalTimer() override { fractalTimer = false; }
    void SetTrayState(TrayState s) override {
        tray = s;
        tip.clear();
        log.push_back("tray " + std::to_string(s));
    }
    void SetTrayState(TrayState s, const std::string& t) override {
        SetTrayState(s);
        tip = t;
    }
    std::string tip;
    void LocalTime(int& h, int& m) override { h = hour, m = minute; }
    bool ScreenSaverCheckApplies() override { return saverApplies; }
    bool IsScreenSaverRunning() override { return saverRunning; }
    bool IsUsingActiveDesktop() override { return usingAD; }
    void EnsureActiveDesktop() override { log.push_back("ad"); }
    uint32_t ImageCount() override { return static_cast<uint32_t>(images.size()); }
    int FractalProb() override { return fractalProb; }
    std::string NextImage() override { return images[next++ % images.size()]; }
    void ReloadCollection() override { log.push_back("reload"); }
    void ChangeBackground(const std::string& p, const std::string& e, Color hint) override {
        changed.push_back(p + "|" + e);
        lastHint = hint;
    }
    void StartFractalWorker() override {
        fractalRunning = true;
        log.push_back("worker");
    }
    void StopFractal() override { fractalRunning = false; }
    bool TakeFractalDone(std::string& p, Color& avg) override {
        if (!fractalDone) return false;
        p = "C:\\Windows\\Murivane.bmp";
        avg = 0x123456;
        return true;
    }
    void Close() override { closed = true; }
    bool ShowSettings() override {
        log.push_back("settings");
        return settingsOk;
    }
    void RebuildColorTable() override { log.push_back("colors"); }
    void SaveGeneral() override { log.push_back("save"); }
    void RemoveStartupShortcut() override { log.push_back("unshortcut"); }
    void StartDisplayProperties() override { log.push_back("desk.cpl"); }
};

struct Cycle : ::testing::Test {
    Settings settings;
    Random rand{1};
    FakeHost host;
    ChangeCycle cycle{settings, rand, host};
};

}  // namespace

TEST(QuietHours, EveryCaseOfTheRule) {
    Settings s;  // 8:00 PM to 8:00 AM
    for (auto [h, m] : {std::pair{20, 0}, {23, 59}, {0, 0}, {8, 0}}) EXPECT_TRUE(IsQuietTime(s, h, m)) << h << ":" << m;
    for (auto [h, m] : {std::pair{8, 1}, {19, 59}, {12, 0}}) EXPECT_FALSE(IsQuietTime(s, h, m)) << h << ":" << m;
    s.HoursFrom = 9, s.AMPMFrom = 0, s.HoursTo = 5, s.AMPMTo = 1;  // 9 AM to 5 PM
    EXPECT_FALSE(IsQuietTime(s, 8, 59));
    EXPECT_TRUE(IsQuietTime(s, 9, 0));
    EXPECT_TRUE(IsQuietTime(s, 17, 0));
    EXPECT_FALSE(IsQuietTime(s, 17, 1));
    s.HoursFrom = 12, s.AMPMFrom = 0, s.HoursTo = 6, s.AMPMTo = 0;  // 12 AM to 6 AM
    EXPECT_TRUE(IsQuietTime(s, 0, 0));
    EXPECT_TRUE(IsQuietTime(s, 6, 0));
    EXPECT_FALSE(IsQuietTime(s, 6, 1));
    EXPECT_FALSE(IsQuietTime(s, 23, 59));
    s.HoursFrom = 12, s.MinutesFrom = 30, s.AMPMFrom = 1, s.HoursTo = 1, s.AMPMTo = 1;  // 12:30 PM to 1 PM
    EXPECT_TRUE(IsQuietTime(s, 12, 30));
    EXPECT_TRUE(IsQuietTime(s, 13, 0));
    EXPECT_FALSE(IsQuietTime(s, 12, 29));
    EXPECT_FALSE(IsQuietTime(s, 0, 30));
    s.HoursFrom = s.HoursTo = 3, s.MinutesFrom = s.MinutesTo = 15, s.AMPMFrom = s.AMPMTo = 0;  // from = to
    for (int h = 0; h < 24; h += 5) EXPECT_TRUE(IsQuietTime(s, h, 7));
}

TEST_F(Cycle, StartArmsTheFirstChange) {
    settings.ChangeOnStartup = true;
    cycle.Start();
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.changeTimerMs, 1000);
    settings.ChangeOnStartup = false;
    cycle.Start();
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);  // 0 h 30 min
    settings.Hours = 24, settings.Minutes = 59;
    cycle.StartChangeTimer(0);
    EXPECT_EQ(host.changeTimerMs, (24 * 3600 + 59 * 60) * 1000);
    settings.Hours = 0, settings.Minutes = 0;  // a hand-edited zero interval never spins
    cycle.StartChangeTimer(0);
    EXPECT_EQ(host.changeTimerMs, 60 * 1000);
    settings.Hours = 100000;  // beyond what a timer can hold
    cycle.StartChangeTimer(0);
    EXPECT_EQ(host.changeTimerMs, 0x7FFFFFFF);
}

TEST_F(Cycle, PictureChangeThenWaitForTheInterval) {
    host.images = {"c:\\p\\a.jpg", "c:\\p\\b.png"};
    cycle.OnChangeTimer();
    ASSERT_EQ(host.changed.size(), 1u);
    EXPECT_EQ(host.changed[0], "c:\\p\\a.jpg|jpg");
    EXPECT_EQ(host.lastHint, 0u);
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);
    EXPECT_EQ(cycle.LastPicture(), "c:\\p\\a.jpg");
    // The tray showed "changing" during the change.
    EXPECT_NE(std::find(host.log.begin(), host.log.end(), "tray 130"), host.log.end());
}

TEST_F(Cycle, QuietHoursHoldScheduledChangesButNotForcedOnes) {
    host.images = {"c:\\a.jpg"};
    settings.DontChange = true;
    host.hour = 23;
    cycle.OnChangeTimer();
    EXPECT_TRUE(host.changed.empty());
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.size(), 1u);
}

TEST_F(Cycle, ScreenSaverSkipsOnlyTimerChanges) {
    host.images = {"c:\\a.jpg"};
    host.saverRunning = true;
    cycle.StartChangeTimer(0);
    cycle.OnChangeTimer();
    EXPECT_TRUE(host.changed.empty());
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);  // still armed
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.size(), 1u);
    host.saverApplies = false;
    cycle.OnChangeTimer();
    EXPECT_EQ(host.changed.size(), 2u);
}

TEST_F(Cycle, PictureOrFractal) {
    // No images: always a fractal, without a draw.
    Random before = rand;
    cycle.ChangeWallpaper(false);
    EXPECT_EQ(host.tray, kTrayFractal);
    EXPECT_TRUE(host.fractalRunning);
    EXPECT_TRUE(host.fractalTimer);
    EXPECT_EQ(host.changeTimerMs, -1);  // timer 1 off while computing
    EXPECT_EQ(before.next(), rand.next());
    // FractalProb 100 with images: always a fractal.
    host.images = {"c:\\a.jpg"};
    host.fractalProb = 100;
    for (int i = 0; i < 50; ++i) {
        cycle.ChangeWallpaper(false);
        ASSERT_EQ(host.tray, kTrayFractal);
    }
    EXPECT_TRUE(host.changed.empty());
    // FractalProb 0: pictures.
    host.fractalProb = 0;
    for (int i = 0; i < 50; ++i) cycle.ChangeWallpaper(false);
    EXPECT_EQ(host.changed.size(), 50u);
}

TEST_F(Cycle, FractalCompletionAppliesTheFileWithItsAverageColour) {
    cycle.ChangeWallpaper(false);
    cycle.OnFractalTimer();
    EXPECT_TRUE(host.changed.empty());  // not done yet
    host.fractalDone = true;
    cycle.OnFractalTimer();
    ASSERT_EQ(host.changed.size(), 1u);
    EXPECT_EQ(host.changed[0], "C:\\Windows\\Murivane.bmp|bmp");
    EXPECT_EQ(host.lastHint, 0x123456u);
    EXPECT_FALSE(host.fractalTimer);
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);

    // A fractal that could not be made: waiting again, with the reason, and
    // the next change at the interval.
    host.fractalDone = false;
    cycle.ChangeWallpaper(false);
    EXPECT_EQ(host.tray, kTrayFractal);
    EXPECT_EQ(host.changeTimerMs, -1);
    cycle.OnFractalFailed("Currently not enough resources or memory to create fractal");
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.tip, "Currently not enough resources or memory to create fractal");
    EXPECT_FALSE(host.fractalTimer);
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);
}

// GIFs are decoded like other pictures: shown with or without Active Desktop.
TEST_F(Cycle, GifsArePicturesWithOrWithoutActiveDesktop) {
    host.images = {"c:\\a.gif", "c:\\b.GIF"};
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed, (std::vector<std::string>{"c:\\a.gif|gif"}));
    host.usingAD = true;
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.back(), "c:\\b.GIF|GIF");
    EXPECT_EQ(host.tray, kTrayWaiting);
}

TEST_F(Cycle, DisableEnableAndForcedChangesWhileDisabled) {
    host.images = {"c:\\a.jpg"};
    cycle.StartChangeTimer(0);
    cycle.OnDisable();
    EXPECT_EQ(host.tray, kTrayDisabled);
    EXPECT_EQ(host.changeTimerMs, -1);
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.size(), 1u);
    EXPECT_EQ(host.tray, kTrayDisabled);  // a forced change does not enable the program
    EXPECT_EQ(host.changeTimerMs, -1);  // no timer while disabled
    cycle.OnEnable();
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);
    EXPECT_EQ(host.tray, kTrayWaiting);
}

TEST_F(Cycle, StopRefreshExitAndSettings) {
    cycle.ChangeWallpaper(false);
    cycle.OnStopFractal();
    EXPECT_FALSE(host.fractalRunning);
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_EQ(host.changeTimerMs, 1800 * 1000);
    EXPECT_TRUE(host.fractalTimer);  // left running, finds nothing

    host.log.clear();
    cycle.OnRefreshImageList();
    EXPECT_EQ(host.log, (std::vector<std::string>{"tray 130", "reload", "tray 128"}));

    host.log.clear();
    cycle.OnSettings();
    EXPECT_EQ(host.log, (std::vector<std::string>{"settings", "reload", "colors"}));
    EXPECT_FALSE(host.closed);
    settings.UseTray = false;
    cycle.OnSettings();
    EXPECT_TRUE(host.closed);
    host.closed = false;
    host.settingsOk = false;
    host.log.clear();
    cycle.OnSettings();
    EXPECT_EQ(host.log, (std::vector<std::string>{"settings"}));

    host.log.clear();
    settings.AutoStart = true;
    cycle.OnExit();
    EXPECT_FALSE(settings.AutoStart);
    EXPECT_EQ(host.log, (std::vector<std::string>{"save", "unshortcut"}));
    EXPECT_TRUE(host.closed);
}

TEST_F(Cycle, ExitWhileSettingsOpenDoesNothing) {
    struct Reentrant : FakeHost {
        ChangeCycle* c = nullptr;
        bool ShowSettings() override {
            c->OnExit();      // the tray's Exit while the sheet is up
            c->OnSettings();  // a second Settings command
            return false;
        }
    } h;
    ChangeCycle c(settings, rand, h);
    h.c = &c;
    c.OnSettings();
    EXPECT_FALSE(h.closed);
    EXPECT_TRUE(h.log.empty());
}

// A fractal started before the sheet opened may finish under it: it is shown,
// but the schedule waits and the program ends only once the sheet is closed.
TEST_F(Cycle, FractalFinishingUnderTheOpenSheetChangesNothingMoreUntilItCloses) {
    struct UnderSheet : FakeHost {
        ChangeCycle* c = nullptr;
        Settings* s = nullptr;
        bool bTurnOff = false;
        bool ShowSettings() override {
            fractalDone = true;
            c->OnFractalTimer();
            EXPECT_EQ(changed.size(), 1u);
            EXPECT_FALSE(closed);  // the sheet and its edits stay
            c->OnChangeTimer();    // the timer the fractal armed
            EXPECT_EQ(changed.size(), 1u);
            EXPECT_FALSE(closed);
            if (bTurnOff) s->ExitAfterChange = false;
            return true;
        }
    };
    for (bool bTurnOff : {false, true}) {
        SCOPED_TRACE(bTurnOff ? "option turned off in the sheet" : "option kept");
        settings.ExitAfterChange = true;
        UnderSheet h;
        h.fractalProb = 100;
        ChangeCycle c(settings, rand, h);
        h.c = &c, h.s = &settings, h.bTurnOff = bTurnOff;
        c.ChangeWallpaper(false);
        ASSERT_TRUE(h.fractalRunning);
        c.OnSettings();
        EXPECT_EQ(h.closed, !bTurnOff);
        EXPECT_EQ(h.changeTimerMs, 1800 * 1000);
    }
}

TEST_F(Cycle, ExitAfterChangeCloses) {
    settings.ExitAfterChange = true;
    host.images = {"c:\\a.jpg"};
    cycle.OnChangeTimer();
    EXPECT_TRUE(host.closed);
}

TEST(TrayMenus, StatesItemsAndClicks) {
    EXPECT_EQ(TrayMenuFor(kTrayWaiting).front().id, kCmdChangeWallpaper);
    EXPECT_EQ(TrayMenuFor(kTrayWaiting).size(), 8u);
    EXPECT_STREQ(TrayMenuFor(kTrayDisabled)[4].text, "&Enable Murivane");
    EXPECT_EQ(TrayMenuFor(kTrayChanging).front().id, kCmdChanging);
    EXPECT_EQ(TrayMenuFor(kTrayFractal).front().id, kCmdStopFractal);
    EXPECT_EQ(TrayMenuFor(kTrayFractal).back().id, kCmdExit);
    EXPECT_EQ(TrayToolTipFor(kTrayWaiting), "Murivane");
    EXPECT_EQ(TrayToolTipFor(kTrayDisabled), "");
    EXPECT_TRUE(ToolTipFits(std::string(63, 'x')));
    EXPECT_FALSE(ToolTipFits(std::string(64, 'x')));

    uint64_t now = 1000;
    ClickFilter f([&] { return now; });
    now += 200;
    EXPECT_FALSE(f.Accept());  // within 300 ms of the start
    now += 200;
    EXPECT_TRUE(f.Accept());
    now += 200;
    EXPECT_FALSE(f.Accept());  // two clicks 200 ms apart: one command
    now += 400;
    EXPECT_TRUE(f.Accept());   // 400 ms apart: two
}

// ---------------------------------------------------------------- monitors

#include "shell/MonitorPicks.h"

namespace {

Monitor At(int left, int top, int w, int h, bool bPrimary, const char* sDevice) {
    Monitor m;
    m.rect = m.work = {left, top, left + w, top + h};
    m.bPrimary = bPrimary;
    m.sDevice = sDevice;
    return m;
}

MonitorLayout ThreeScreens() {
    MonitorLayout l;
    l.monitors = {At(0, 0, 1920, 1080, true, "\\\\.\\DISPLAY1"), At(1920, 0, 1080, 1920, false, "\\\\.\\DISPLAY2"),
                  At(-2560, 0, 2560, 1440, false, "\\\\.\\DISPLAY3")};
    return l;
}

// Pictures named by their shape: "L..." landscape, "P..." portrait, "G..." unknown.
std::optional<Size> ShapeOf(const std::string& s) {
    if (s.empty() || s[0] == 'G') return std::nullopt;
    return s[0] == 'P' ? Size{600, 900} : Size{900, 600};
}

struct MonitorHost : FakeHost {
    MonitorLayout layout = ThreeScreens();
    std::vector<std::vector<MonitorPicture>> monitorChanges;
    std::vector<bool> across;
    std::vector<Size> fractalSizes;
    bool layoutTimer = false;
    MonitorLayout Monitors() override { return layout; }
    std::optional<Size> PictureSize(const std::string& p) override { return ShapeOf(p); }
    void ChangeBackgroundMonitors(const MonitorLayout& l, bool bAcross, const std::vector<MonitorPicture>& p) override {
        EXPECT_EQ(l, layout);
        monitorChanges.push_back(p);
        across.push_back(bAcross);
    }
    void StartFractalWorkers(const std::vector<Size>& sizes) override {
        fractalSizes = sizes;
        log.push_back("workers");
    }
    bool TakeFractalPictures(std::vector<MonitorPicture>& p) override {
        if (!fractalDone) return false;
        p.clear();
        for (size_t i = 0; i < fractalSizes.size(); ++i)
            p.push_back({"F" + std::to_string(i) + ".bmp", "bmp", static_cast<Color>(i + 1)});
        return true;
    }
    void SetLayoutTimer() override { layoutTimer = true; }
    void KillLayoutTimer() override { layoutTimer = false; }
};

std::vector<std::string> Paths(const std::vector<MonitorPicture>& pictures) {
    std::vector<std::string> out;
    for (const auto& p : pictures) out.push_back(p.sPath);
    return out;
}

}  // namespace

TEST(MonitorPicks, ShapesAreMatchedWithoutLosingPicturesAndNeverLoop) {
    std::vector<std::string> images{"L1.jpg", "L2.jpg", "P1.jpg", "L3.jpg", "P2.jpg"};
    size_t next = 0;
    PictureSource source;
    source.next = [&] { return images[next++ % images.size()]; };
    source.size = ShapeOf;
    source.count = static_cast<uint32_t>(images.size());
    // In order: consecutive pictures, the portrait monitor looking ahead for
    // a portrait one; the landscape picture it passed goes to the next monitor.
    EXPECT_EQ(PickPictures(ThreeScreens(), true, source), (std::vector<std::string>{"L1.jpg", "P1.jpg", "L2.jpg"}));
    next = 0;
    EXPECT_EQ(PickPictures(ThreeScreens(), false, source), (std::vector<std::string>{"L1.jpg", "L2.jpg", "P1.jpg"}));
    // Nothing of the right shape: what came first, after at most eight looks.
    images = {"L1.jpg", "L2.jpg", "L3.jpg"};
    next = 0;
    MonitorLayout portrait;
    portrait.monitors = {At(0, 0, 1080, 1920, true, "")};
    EXPECT_EQ(PickPictures(portrait, true, source), (std::vector<std::string>{"L1.jpg"}));
    EXPECT_LE(next, static_cast<size_t>(kShapeLookahead));
    // An empty collection: every monitor keeps what it has.
    source.next = [] { return std::string(); };
    EXPECT_EQ(PickPictures(ThreeScreens(), true, source), (std::vector<std::string>(3)));
}

TEST_F(Cycle, SeveralMonitorsGetTheirPicturesFractalsAndKeepThemWhenTheLayoutChanges) {
    MonitorHost mh;
    ChangeCycle c{settings, rand, mh};
    mh.images = {"L1.jpg", "L2.jpg", "P1.jpg", "L3.jpg"};
    mh.fractalProb = 0;
    // A picture for each monitor (the default).
    c.ChangeWallpaper(true);
    ASSERT_EQ(mh.monitorChanges.size(), 1u);
    EXPECT_EQ(Paths(mh.monitorChanges[0]), (std::vector<std::string>{"L1.jpg", "P1.jpg", "L2.jpg"}));
    EXPECT_FALSE(mh.across[0]);
    EXPECT_TRUE(mh.changed.empty());
    EXPECT_EQ(c.LastPicture(), "L1.jpg");
    // The same picture everywhere, and one across all: one pick.
    settings.MultipleMonitors = kSamePictureEverywhere;
    c.ChangeWallpaper(true);
    EXPECT_EQ(Paths(mh.monitorChanges[1]), (std::vector<std::string>(3, "L3.jpg")));
    settings.MultipleMonitors = kOnePictureAcross;
    c.ChangeWallpaper(true);
    EXPECT_EQ(Paths(mh.monitorChanges[2]), (std::vector<std::string>{"L1.jpg"}));
    EXPECT_TRUE(mh.across[2]);

    // The display changes: composed again from the same pictures, no new picks.
    settings.MultipleMonitors = kPicturePerMonitor;
    c.ChangeWallpaper(true);
    const auto shown = mh.monitorChanges.back();
    const size_t drawn = mh.next;
    c.OnDisplayChange();
    EXPECT_TRUE(mh.layoutTimer);
    c.OnLayoutTimer();  // nothing changed after all
    EXPECT_EQ(mh.monitorChanges.size(), 4u);
    mh.layout.monitors.pop_back();                        // the left monitor goes
    std::swap(mh.layout.monitors[0], mh.layout.monitors[1]);  // and the order changes
    c.OnLayoutTimer();
    ASSERT_EQ(mh.monitorChanges.size(), 5u);
    EXPECT_EQ(mh.next, drawn);
    EXPECT_EQ(Paths(mh.monitorChanges[4]), (std::vector<std::string>{shown[1].sPath, shown[0].sPath}));
    // Down to one monitor: the primary's picture through the one-screen pipeline.
    mh.layout.monitors = {mh.layout.monitors[1]};
    c.OnLayoutTimer();
    ASSERT_EQ(mh.changed.size(), 1u);
    EXPECT_EQ(mh.changed[0], shown[0].sPath + "|jpg");

    // Fractals: one per monitor at its size, or one at the primary's or the
    // whole rectangle's; on one monitor, the one worker as ever.
    mh.layout = ThreeScreens();
    mh.fractalProb = 100;
    c.ChangeWallpaper(true);
    EXPECT_EQ(mh.fractalSizes.size(), 3u);
    EXPECT_EQ(mh.fractalSizes[1].cy, 1920);
    mh.fractalDone = true;
    c.OnFractalTimer();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"F0.bmp", "F1.bmp", "F2.bmp"}));
    EXPECT_EQ(mh.monitorChanges.back()[2].colorHint, 3u);
    mh.fractalDone = false;
    settings.MultipleMonitors = kSamePictureEverywhere;
    c.ChangeWallpaper(true);
    ASSERT_EQ(mh.fractalSizes.size(), 1u);
    EXPECT_EQ(mh.fractalSizes[0].cx, 1920);
    settings.MultipleMonitors = kOnePictureAcross;
    c.ChangeWallpaper(true);
    EXPECT_EQ(mh.fractalSizes[0].cx, 1920 + 1080 + 2560);
    mh.layout.monitors.resize(1);
    c.ChangeWallpaper(true);
    EXPECT_EQ(mh.log.back(), "worker");
}

namespace {
// A host with a history file and pictures that can vanish; its fractal job
// tells its recipe and is rendered again on request.
struct HistoryHost : FakeHost {
    std::set<std::string> gone;
    History written;
    std::vector<FractalRecipe> replayed;
    bool PictureAvailable(const std::string& s) override { return gone.count(s) == 0; }
    void WriteHistory(const History& h) override { written = h; }
    std::vector<FractalRecipe> FractalRecipes() override {
        FractalRecipe r;
        r.fractalSeed = 77;
        return {r};
    }
    void StartFractalReplay(const std::vector<FractalRecipe>& recipes, bool) override {
        replayed = recipes;
        fractalRunning = true;
    }
};
}  // namespace

TEST(CycleHistory, PreviousStepsBackOverVanishedPicturesAndChangesComeForwardFirst) {
    Settings settings;
    Random rand{1};
    HistoryHost host;
    host.images = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    ChangeCycle cycle(settings, rand, host);
    cycle.Start();
    EXPECT_FALSE(cycle.Commands().bPrevious);
    host.fractalProb = 100;  // a fractal first, then three pictures
    cycle.OnChangeWallpaperCommand();
    host.fractalDone = true;
    cycle.OnFractalTimer();
    EXPECT_TRUE(cycle.Commands().bKeepFractal);
    EXPECT_FALSE(cycle.Commands().bNeverShow);
    host.fractalProb = 0;
    for (int i = 0; i < 3; ++i) cycle.OnChangeWallpaperCommand();
    ASSERT_EQ(host.changed.size(), 4u);  // the fractal's file, then a, b, c
    EXPECT_EQ(cycle.CurrentPicture(), "c.jpg");
    const WallpaperCommands now = cycle.Commands();
    EXPECT_TRUE(now.bPrevious && now.bShowPicture && now.bNeverShow && !now.bKeepFractal);

    // Back past the vanished "b" to "a", then to the fractal, rendered again.
    host.gone = {"b.jpg"};
    cycle.OnPreviousWallpaper();
    EXPECT_EQ(host.changed.back(), "a.jpg|jpg");
    EXPECT_EQ(host.written.position(), 1u);
    cycle.OnPreviousWallpaper();
    ASSERT_EQ(host.replayed.size(), 1u);
    EXPECT_EQ(host.replayed[0].fractalSeed, 77);
    EXPECT_EQ(host.tray, kTrayFractal);
    cycle.OnFractalTimer();
    EXPECT_EQ(host.tray, kTrayWaiting);
    EXPECT_TRUE(cycle.Commands().bKeepFractal);
    EXPECT_FALSE(cycle.Commands().bPrevious);
    ASSERT_EQ(host.written.entries().size(), 4u);  // stepping does not record

    // Forward again over what was shown since ("b" still gone), then new picks.
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.back(), "a.jpg|jpg");
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.back(), "c.jpg|jpg");
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.back(), "d.jpg|jpg");
    EXPECT_EQ(host.written.entries().size(), 5u);
    EXPECT_EQ(host.written.position(), 4u);

    // With the history off nothing is kept, and Previous does nothing.
    settings.HistorySize = 0;
    cycle.OnChangeWallpaperCommand();
    EXPECT_TRUE(host.written.entries().empty());
    const size_t shown = host.changed.size();
    cycle.OnPreviousWallpaper();
    EXPECT_EQ(host.changed.size(), shown);
}

// Previous over several monitors: each monitor gets back the picture it showed.
TEST(CycleHistory, SeveralMonitorsGetBackWhatEachShowed) {
    Settings settings;
    Random rand{1};
    MonitorHost mh;
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg", "L3.jpg", "P2.jpg", "L4.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.OnChangeWallpaperCommand();
    c.OnChangeWallpaperCommand();
    ASSERT_EQ(mh.monitorChanges.size(), 2u);
    const std::vector<MonitorPicture> first = mh.monitorChanges[0];
    c.OnPreviousWallpaper();
    ASSERT_EQ(mh.monitorChanges.size(), 3u);
    EXPECT_EQ(mh.monitorChanges.back(), first);
    EXPECT_EQ(c.CurrentPicture(), first[0].sPath);  // the primary monitor's
    c.OnChangeWallpaperCommand();
    EXPECT_EQ(mh.monitorChanges.back(), mh.monitorChanges[1]);
}

namespace {
// A history host that also tells which picture the tray's commands act on,
// and the layout a picture is shown again with.
struct AppliedHost : HistoryHost {
    std::vector<std::string> shownInFolder, excluded;
    std::vector<ForcedLayout> forcedShown;
    void ShowPictureInFolder(const std::string& s) override { shownInFolder.push_back(s); }
    void ExcludePicture(const std::string& s) override { excluded.push_back(s); }
    void ChangeBackgroundForced(const std::string& p, const std::string& e, const ForcedLayout& f) override {
        forcedShown.push_back(f);
        ChangeBackground(p, e, 0);
    }
};
struct AppliedMonitorHost : MonitorHost {
    History written;
    void WriteHistory(const History& h) override { written = h; }
};
}  // namespace

// A picture the settings sheet's Preview put on the desktop becomes the one
// the tray's commands, its history and its next display change act on.
TEST(CycleHistory, PictureAppliedElsewhereBecomesTheWallpaperShowing) {
    Settings settings;
    Random rand{1};
    AppliedHost host;
    host.images = {"a.jpg", "b.jpg"};
    ChangeCycle cycle(settings, rand, host);
    cycle.Start();
    cycle.OnChangeWallpaperCommand();
    ASSERT_EQ(cycle.CurrentPicture(), "a.jpg");

    const ForcedLayout tiled{true, true, false, false};
    cycle.OnPictureApplied("c:\\other\\x.bmp", tiled);
    EXPECT_EQ(host.changed.size(), 1u);  // already on the desktop: nothing is drawn again
    EXPECT_EQ(cycle.CurrentPicture(), "c:\\other\\x.bmp");
    ASSERT_EQ(host.written.entries().size(), 2u);
    EXPECT_EQ(host.written.position(), 1u);
    EXPECT_EQ(host.written.entries()[1].pictures, (std::vector<std::string>{"c:\\other\\x.bmp"}));
    EXPECT_TRUE(host.written.entries()[1].forced.bDoTiling);
    cycle.OnShowPictureInFolder();
    EXPECT_EQ(host.shownInFolder, (std::vector<std::string>{"c:\\other\\x.bmp"}));

    // Back to "a", then forward: the picture again, tiled as it was forced.
    cycle.OnPreviousWallpaper();
    EXPECT_EQ(host.changed.back(), "a.jpg|jpg");
    cycle.OnChangeWallpaperCommand();
    EXPECT_EQ(host.changed.back(), "c:\\other\\x.bmp|bmp");
    ASSERT_FALSE(host.forcedShown.empty());
    EXPECT_TRUE(host.forcedShown.back().bForcePosition && host.forcedShown.back().bDoTiling);
    cycle.OnNeverShowPicture();
    EXPECT_EQ(host.excluded, (std::vector<std::string>{"c:\\other\\x.bmp"}));

    // Several monitors: on the monitor that showed the sheet only; a display
    // change composes that monitor from it and the others from their own.
    Settings s2;
    AppliedMonitorHost mh;
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg"};
    ChangeCycle c(s2, rand, mh);
    c.OnChangeWallpaperCommand();
    ASSERT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"L1.jpg", "P1.jpg", "L2.jpg"}));
    c.OnPictureApplied("x.png", ForcedLayout{}, 2);
    EXPECT_EQ(c.CurrentPicture(), "x.png");
    EXPECT_EQ(mh.written.entries().back().pictures, (std::vector<std::string>{"", "", "x.png"}));
    mh.layout.monitors.erase(mh.layout.monitors.begin() + 1);  // the portrait monitor goes
    c.OnLayoutTimer();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"L1.jpg", "x.png"}));
}
