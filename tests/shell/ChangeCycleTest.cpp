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

// Every picture of the collection excluded: the change is a fractal, as for
// an empty collection, and the tool tip says why; once a picture can be
// shown again, pictures come back and the tip is the usual one.
TEST_F(Cycle, EverythingExcludedMakesAFractalAndSaysSo) {
    struct Excluding : FakeHost {
        bool all = true;
        bool reported = false;
        bool AllPicturesExcluded() override { return all; }
        void ReportAllExcluded(bool b) override { reported = b; }
        // The collection gives nothing while every picture is excluded.
        std::string NextImage() override { return all ? std::string() : FakeHost::NextImage(); }
        std::string TakeChangeFailure() override { return reported ? "all excluded" : std::string(); }
    } h;
    ChangeCycle c{settings, rand, h};
    h.images = {"c:\\p\\a.jpg", "c:\\p\\b.jpg"};
    h.fractalProb = 0;  // pictures only, while there are any to show
    c.OnChangeTimer();
    EXPECT_TRUE(h.changed.empty());
    EXPECT_EQ(h.tray, kTrayFractal);
    EXPECT_TRUE(h.fractalRunning);
    h.fractalDone = true;
    c.OnFractalTimer();
    ASSERT_EQ(h.changed.size(), 1u);
    EXPECT_EQ(h.changed[0], "C:\\Windows\\Murivane.bmp|bmp");
    EXPECT_EQ(h.tray, kTrayWaiting);
    EXPECT_EQ(h.tip, "all excluded");
    EXPECT_EQ(h.changeTimerMs, 1800 * 1000);  // the schedule goes on

    // A picture can be shown again.
    h.all = false;
    h.fractalDone = false;
    c.OnChangeTimer();
    ASSERT_EQ(h.changed.size(), 2u);
    EXPECT_EQ(h.changed[1], "c:\\p\\a.jpg|jpg");
    EXPECT_EQ(h.tip, "");
}

// A new history size holds as soon as the settings are closed with OK: the
// oldest entries go at once and the file is written; 0 empties it, and
// "Previous" can no longer be used.
TEST_F(Cycle, HistorySizeChangesTakeEffectAtOnce) {
    struct Recording : FakeHost {
        History written;
        int writes = 0;
        void WriteHistory(const History& h) override { written = h, ++writes; }
    } h;
    ChangeCycle c{settings, rand, h};
    h.images = {"a.jpg", "b.jpg", "c.jpg", "d.jpg"};
    for (int i = 0; i < 4; ++i) c.OnChangeWallpaperCommand();
    ASSERT_EQ(h.written.entries().size(), 4u);
    EXPECT_TRUE(c.Commands().bPrevious);

    settings.HistorySize = 2;
    h.settingsOk = false;  // Cancel changes nothing
    c.OnSettings();
    EXPECT_EQ(h.written.entries().size(), 4u);
    h.settingsOk = true;
    c.OnSettings();
    ASSERT_EQ(h.written.entries().size(), 2u);
    EXPECT_EQ(h.written.entries()[0].pictures, (std::vector<std::string>{"c.jpg"}));
    EXPECT_EQ(h.written.entries()[1].pictures, (std::vector<std::string>{"d.jpg"}));
    EXPECT_EQ(h.written.position(), 1u);  // d.jpg still the one showing
    EXPECT_TRUE(c.Commands().bPrevious);

    // OK in the settings of another copy of the program: the tray is told.
    settings.HistorySize = 1;
    c.OnHistorySizeChanged();
    ASSERT_EQ(h.written.entries().size(), 1u);
    EXPECT_EQ(h.written.entries()[0].pictures, (std::vector<std::string>{"d.jpg"}));
    EXPECT_FALSE(c.Commands().bPrevious);

    settings.HistorySize = 0;
    c.OnSettings();
    EXPECT_TRUE(h.written.entries().empty());
    EXPECT_FALSE(c.Commands().bPrevious);
    EXPECT_EQ(c.CurrentPicture(), "d.jpg");  // still showing, still its commands
}

TEST(TrayMenus, ToolTips) {
    EXPECT_EQ(TrayToolTipFor(kTrayWaiting), "Murivane");
    EXPECT_EQ(TrayToolTipFor(kTrayDisabled), "");
    EXPECT_TRUE(ToolTipFits(std::string(63, 'x')));
    EXPECT_FALSE(ToolTipFits(std::string(64, 'x')));
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
    std::vector<int> jobFiles;                        // the files of the render under way
    std::vector<std::vector<FractalRecipe>> recipeJobs;  // each render of given recipes
    bool layoutTimer = false;
    MonitorLayout Monitors() override { return layout; }
    std::optional<Size> PictureSize(const std::string& p) override { return ShapeOf(p); }
    void ChangeBackgroundMonitors(const MonitorLayout& l, bool bAcross, const std::vector<MonitorPicture>& p) override {
        EXPECT_EQ(l, layout);
        monitorChanges.push_back(p);
        across.push_back(bAcross);
        forcedOn.push_back(false);
    }
    // Whether each change over the monitors had a tiled layout forced on it,
    // and each change of one screen.
    std::vector<bool> forcedOn, forcedOne;
    void ChangeBackgroundMonitorsForced(const MonitorLayout& l, bool bAcross, const std::vector<MonitorPicture>& p,
                                        const ForcedLayout& f) override {
        ChangeBackgroundMonitors(l, bAcross, p);
        forcedOn.back() = f.bForcePosition && f.bDoTiling;
    }
    void ChangeBackground(const std::string& p, const std::string& e, Color hint) override {
        FakeHost::ChangeBackground(p, e, hint);
        forcedOne.push_back(false);
    }
    void ChangeBackgroundForced(const std::string& p, const std::string& e, const ForcedLayout& f) override {
        ChangeBackground(p, e, 0);
        forcedOne.back() = f.bForcePosition && f.bDoTiling;
    }
    void StartFractalWorkers(const std::vector<Size>& sizes) override {
        fractalSizes = sizes;
        jobFiles.clear();
        jobRecipes.clear();
        for (size_t i = 0; i < sizes.size(); ++i) {
            jobFiles.push_back(static_cast<int>(i));
            FractalRecipe r;
            r.fractalSeed = 1000 + static_cast<int32_t>(i);
            r.size = sizes[i];
            jobRecipes.push_back(r);
        }
        log.push_back("workers");
    }
    void StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) override {
        recipeJobs.push_back(recipes);
        jobRecipes = recipes;
        fractalSizes.clear();
        for (const FractalRecipe& r : recipes) fractalSizes.push_back(r.size);
        jobFiles = files;
        log.push_back("recipes");
    }
    std::string FractalFile(int i) override { return "F" + std::to_string(i) + ".bmp"; }
    std::vector<FractalRecipe> jobRecipes;
    std::vector<FractalRecipe> FractalRecipes() override { return jobRecipes; }
    bool TakeFractalPictures(std::vector<MonitorPicture>& p) override {
        if (!fractalDone) return false;
        p.clear();
        for (size_t i = 0; i < jobFiles.size(); ++i)
            p.push_back({FractalFile(jobFiles[i]), "bmp", static_cast<Color>(i + 1)});
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

// In order over landscape, portrait and landscape monitors: a picture a
// monitor passes over for its shape waits for the next monitor or the next
// change, so every picture is shown once a round.
TEST(CycleInOrder, EveryPictureOnceARoundWhateverTheMonitorsShapes) {
    struct Ordered : MonitorHost {
        std::set<std::string> gone;
        bool PicturesInOrder() override { return true; }
        bool PictureAvailable(const std::string& s) override { return gone.count(s) == 0; }
    };
    using Strings = std::vector<std::string>;
    const Strings landscape{"L1.jpg", "L2.jpg", "L3.jpg", "L4.jpg", "L5.jpg", "L6.jpg", "L7.jpg", "L8.jpg", "L9.jpg"};
    Settings settings;
    settings.MatchMonitorShape = true;
    Random rand{1};
    {
        // The portrait monitor looks at 8 landscape pictures and takes the
        // first; the rest go to the monitors after it.
        Ordered mh;
        mh.images = landscape;
        ChangeCycle c(settings, rand, mh);
        for (int i = 0; i < 3; ++i) c.OnChangeWallpaperCommand();
        ASSERT_EQ(mh.monitorChanges.size(), 3u);
        EXPECT_EQ(Paths(mh.monitorChanges[0]), (Strings{"L1.jpg", "L2.jpg", "L3.jpg"}));
        EXPECT_EQ(Paths(mh.monitorChanges[1]), (Strings{"L4.jpg", "L5.jpg", "L6.jpg"}));
        EXPECT_EQ(Paths(mh.monitorChanges[2]), (Strings{"L7.jpg", "L8.jpg", "L9.jpg"}));
        // The next round starts from the top.
        c.OnChangeWallpaperCommand();
        EXPECT_EQ(Paths(mh.monitorChanges[3]), (Strings{"L1.jpg", "L2.jpg", "L3.jpg"}));
    }
    {
        // Two portrait pictures for three rounds of the portrait monitor:
        // it takes them as they come, then the first landscape one left in
        // the round rather than one of the next round.
        Ordered mh;
        mh.images = {"L1.jpg", "L2.jpg", "P1.jpg", "L3.jpg", "L4.jpg", "L5.jpg", "P2.jpg", "L6.jpg", "L7.jpg"};
        ChangeCycle c(settings, rand, mh);
        for (int i = 0; i < 3; ++i) c.OnChangeWallpaperCommand();
        ASSERT_EQ(mh.monitorChanges.size(), 3u);
        EXPECT_EQ(Paths(mh.monitorChanges[0]), (Strings{"L1.jpg", "P1.jpg", "L2.jpg"}));
        EXPECT_EQ(Paths(mh.monitorChanges[1]), (Strings{"L3.jpg", "P2.jpg", "L4.jpg"}));
        EXPECT_EQ(Paths(mh.monitorChanges[2]), (Strings{"L5.jpg", "L6.jpg", "L7.jpg"}));
    }
    {
        // What waits and has been excluded since is passed over; reloading
        // the collection drops what waits.
        Ordered mh;
        mh.images = landscape;
        ChangeCycle c(settings, rand, mh);
        c.OnChangeWallpaperCommand();  // L1 L2 L3, L4 .. L9 waiting
        mh.gone = {"L4.jpg"};
        c.OnChangeWallpaperCommand();
        EXPECT_EQ(Paths(mh.monitorChanges[1]), (Strings{"L5.jpg", "L6.jpg", "L7.jpg"}));
        c.OnRefreshImageList();  // L8 and L9 dropped
        c.OnChangeWallpaperCommand();
        EXPECT_EQ(Paths(mh.monitorChanges[2]), (Strings{"L1.jpg", "L2.jpg", "L3.jpg"}));
    }
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
    void StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>&) override {
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

// ------------------------------------------------- display changes, composed for real

#include "image/ImageBMP.h"
#include "image/PictureFile.h"
#include "image/TestPictures.h"
#include "platform/portable/MemoryDesktop.h"
#include "platform/portable/MemoryRegistry.h"
#include "platform/portable/PortableEnvironment.h"
#include "support/TempDir.h"
#include "wallpaper/DefaultChangeSteps.h"

namespace {

constexpr Color kDateMark = 0x00FF00FF;  // no picture or fractal here has it

// A tenth of a 1920x1080 primary (DISPLAY1), a portrait monitor on its right
// and a larger one on its left; or the primary alone.
MonitorLayout Tenth(bool bThree) {
    MonitorLayout l;
    l.monitors = {At(0, 0, 192, 108, true, "\\\\.\\DISPLAY1")};
    if (bThree) {
        l.monitors.push_back(At(192, 0, 108, 192, false, "\\\\.\\DISPLAY2"));
        l.monitors.push_back(At(-256, 0, 256, 144, false, "\\\\.\\DISPLAY3"));
    }
    return l;
}

// The program's pipeline over memory seams, its date a 3x3 mark at the
// primary monitor's corner. A fractal is rendered at once as one colour of
// its own seeds, into its own file as the program does; it is taken when the
// test says the render ended.
struct ComposingHost : FakeHost, DateStamper {
    test::TempDir dir;
    MemoryRegistry store;
    Profile profile{store, "Quorvale", "Murivane"};
    MemoryDesktop desktop;
    PortableEnvironment env{dir.Path()};
    Settings& settings;
    Random& rand;
    std::unique_ptr<DefaultChangeSteps> steps;
    std::vector<int> jobFiles;
    std::vector<FractalRecipe> jobRecipes;

    ComposingHost(Settings& s, Random& r) : settings(s), rand(r) {
        settings.ShowDate = true;
        settings.TilePercentage = 0;  // every picture stretched over its monitor
        settings.StretchPercentage = 0;
        settings.CreateSeamless = false;
        settings.BackgroundColor = 0x00404040;
        steps = std::make_unique<DefaultChangeSteps>(settings, store, desktop, env, nullptr, [] { return false; }, this);
        SetLayout(Tenth(false));
    }
    void SetLayout(const MonitorLayout& l) {
        desktop.monitors = l;
        desktop.screen = {l.Primary().rect.Width(), l.Primary().rect.Height()};
    }
    void StampDate(Image& screen, Color) override {
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x) screen.SetPixel(x, y, kDateMark);
    }
    std::string Picture(const std::string& name, int w, int h, Color c) {
        test::Pixels px;
        px.width = w, px.height = h;
        for (int i = 0; i < w * h; ++i)
            px.data.insert(px.data.end(), {uint8_t(RedOf(c)), uint8_t(GreenOf(c)), uint8_t(BlueOf(c))});
        test::BmpLayout bmp;
        bmp.width = w, bmp.height = h, bmp.bits = test::BmpRows24(px);
        const std::string path = dir.File(name);
        EXPECT_TRUE(test::WriteBytes(path, test::MakeBmp(bmp)));
        return path;
    }
    static Color ColourOf(const FractalRecipe& r) {
        return MakeRGB(static_cast<uint8_t>(20 + (r.fractalSeed & 0x7F)), static_cast<uint8_t>(20 + (r.paletteSeed & 0x7F)),
                       static_cast<uint8_t>(150 + ((r.fractalSeed >> 8) & 0x3F)));
    }
    void Render(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) {
        jobRecipes = recipes;
        jobFiles = files;
        for (size_t k = 0; k < recipes.size(); ++k) {
            const std::string name = MonitorFractalFileName(files[k]);
            Picture(name, recipes[k].size.cx, recipes[k].size.cy, ColourOf(recipes[k]));
        }
        fractalRunning = true;
    }
    FractalRecipe Drawn(Size size) {
        FractalRecipe r;
        r.paletteSeed = rand.next();
        r.fractalSeed = rand.next();
        r.size = size;
        return r;
    }

    MonitorLayout Monitors() override { return desktop.Monitors(); }
    std::optional<Size> PictureSize(const std::string& p) override { return PictureFileSize(p); }
    BackgroundChanger Changer() {
        return BackgroundChanger(ChangeContext{settings, profile, desktop, env, *steps, [] { return false; }, nullptr});
    }
    void ChangeBackground(const std::string& p, const std::string& e, Color hint) override {
        Changer().ChangeBackground(p, e, hint, false, false, false, false);
    }
    void ChangeBackgroundMonitors(const MonitorLayout& l, bool bAcross, const std::vector<MonitorPicture>& p) override {
        Changer().ChangeBackgroundMonitors(l, bAcross, p, WallpaperArrangement::Span);
    }
    void StartFractalWorker() override { Render({Drawn(desktop.screen)}, {0}); }
    void StartFractalWorkers(const std::vector<Size>& sizes) override {
        std::vector<FractalRecipe> recipes;
        std::vector<int> files;
        for (size_t i = 0; i < sizes.size(); ++i) {
            recipes.push_back(Drawn(sizes[i]));
            files.push_back(static_cast<int>(i));
        }
        Render(recipes, files);
    }
    void StartFractalRecipes(const std::vector<FractalRecipe>& recipes, const std::vector<int>& files) override {
        Render(recipes, files);
    }
    std::string FractalFile(int i) override { return OutputFile(env, MonitorFractalFileName(i)); }
    std::vector<FractalRecipe> FractalRecipes() override { return jobRecipes; }
    bool TakeFractalPictures(std::vector<MonitorPicture>& p) override {
        if (!fractalRunning) return false;  // stopped, or taken already
        fractalRunning = false;
        p.clear();
        for (int i : jobFiles) p.push_back({FractalFile(i), "bmp", 0});
        return true;
    }
};

// The wallpaper on every monitor is its own source composed alone: a source
// of one colour (never the wallpaper file) fills the monitor's whole part of
// the bitmap, which covers the monitors' bounds; every monitor's source is a
// different one, and the date is on the primary monitor, once.
void ExpectEachMonitorShowsItsOwnSource(ComposingHost& host, const ChangeCycle& cycle, const std::string& step) {
    SCOPED_TRACE(step);
    const MonitorLayout layout = host.desktop.Monitors();
    const Rect b = layout.Bounds();
    Image wallpaper = ImageBMP(host.dir.Path() + "\\Murivane.bmp");
    ASSERT_TRUE(wallpaper.IsValid());
    ASSERT_EQ(wallpaper.Width(), b.Width());
    ASSERT_EQ(wallpaper.Height(), b.Height());
    const std::vector<MonitorPicture>& sources = cycle.LastPictures();
    ASSERT_EQ(sources.size(), layout.monitors.size());
    std::set<std::string> paths;
    std::set<Color> colours;
    int marks = 0;
    for (size_t i = 0; i < layout.monitors.size(); ++i) {
        const Monitor& m = layout.monitors[i];
        EXPECT_EQ(sources[i].sPath.find("Murivane.bmp"), std::string::npos) << sources[i].sPath;
        Image source = ImageBMP(sources[i].sPath);
        ASSERT_TRUE(source.IsValid()) << sources[i].sPath;
        const Color own = source.Pixel(0, 0);
        paths.insert(sources[i].sPath);
        colours.insert(own);
        int wrong = 0;
        for (int y = m.rect.top; y < m.rect.bottom; ++y)
            for (int x = m.rect.left; x < m.rect.right; ++x) {
                // The bitmap spans the bounds: virtual point (x, y) is its pixel (x - left, y - top).
                const Color c = wallpaper.Pixel(x - b.left, y - b.top);
                const bool bMark = m.bPrimary && x - m.rect.left < 3 && y - m.rect.top < 3;
                if (c == kDateMark) ++marks;
                if (c != (bMark ? kDateMark : own)) ++wrong;
            }
        EXPECT_EQ(wrong, 0) << "monitor " << i;
    }
    EXPECT_EQ(marks, 9);  // one date
    EXPECT_EQ(paths.size(), layout.monitors.size());
    EXPECT_EQ(colours.size(), layout.monitors.size());
}

}  // namespace

// Docking and undocking: 1, 3, 1 and 3 monitors again, with a fractal and
// with pictures. The wallpaper is always composed from each monitor's own
// picture or fractal, never from the dated wallpaper.
TEST(SeveralMonitorsDisplayChanges, EveryMonitorIsComposedFromItsOwnSourceEachTime) {
    for (bool bFractal : {true, false}) {
        SCOPED_TRACE(bFractal ? "fractal" : "pictures");
        Settings settings;
        Random rand{7};
        ComposingHost host(settings, rand);
        if (!bFractal) {
            const Color colours[] = {0x000000C0, 0x0000C000, 0x00C00000, 0x0000C0C0, 0x00C000C0, 0x00C0C000};
            for (int i = 0; i < 6; ++i) {
                const bool bPortrait = i % 3 == 1;
                host.images.push_back(host.Picture("p" + std::to_string(i) + ".bmp", bPortrait ? 90 : 160,
                                                   bPortrait ? 160 : 90, colours[i]));
            }
        }
        ChangeCycle cycle(settings, rand, host);
        cycle.OnChangeWallpaperCommand();
        if (bFractal) cycle.OnFractalTimer();
        ExpectEachMonitorShowsItsOwnSource(host, cycle, "one monitor");
        for (int round = 0; round < 2; ++round) {
            host.SetLayout(Tenth(true));
            cycle.OnDisplayChange();
            cycle.OnLayoutTimer();
            // The two new monitors' fractals are rendered first.
            if (bFractal) {
                EXPECT_EQ(host.tray, kTrayFractal);
                cycle.OnFractalTimer();
            }
            EXPECT_EQ(host.tray, kTrayWaiting);
            ExpectEachMonitorShowsItsOwnSource(host, cycle, "three monitors, round " + std::to_string(round));
            host.SetLayout(Tenth(false));
            cycle.OnLayoutTimer();
            ExpectEachMonitorShowsItsOwnSource(host, cycle, "one again, round " + std::to_string(round));
        }
    }
}

// The display changes while a fractal renders: it is laid out for the
// monitors there are when it ends, and "Stop fractal" leaves the wallpaper
// showing laid out for them.
TEST(SeveralMonitorsDisplayChanges, DuringARenderTheEndOrTheStopFitsTheMonitorsThereAreThen) {
    Settings settings;
    Random rand{11};
    ComposingHost host(settings, rand);
    ChangeCycle cycle(settings, rand, host);
    cycle.OnChangeWallpaperCommand();  // an empty collection: a fractal for one monitor
    host.SetLayout(Tenth(true));
    cycle.OnLayoutTimer();             // skipped while it renders
    cycle.OnFractalTimer();            // rendered for one: the other two get theirs
    EXPECT_EQ(host.tray, kTrayFractal);
    cycle.OnFractalTimer();
    ExpectEachMonitorShowsItsOwnSource(host, cycle, "one to three while rendering");
    EXPECT_EQ(cycle.WallpaperHistory().entries().size(), 1u);
    EXPECT_EQ(cycle.WallpaperHistory().entries().back().fractals.size(), 3u);

    // Several to one while a render for three is under way.
    cycle.OnChangeWallpaperCommand();
    host.SetLayout(Tenth(false));
    cycle.OnLayoutTimer();
    cycle.OnFractalTimer();
    ExpectEachMonitorShowsItsOwnSource(host, cycle, "three to one while rendering");

    // Pictures on one monitor; a render starts, the display grows, the user stops it.
    const std::string wide = host.Picture("wide.bmp", 160, 90, 0x000000C0);
    const std::string tall = host.Picture("tall.bmp", 90, 160, 0x0000C000);
    const std::string wide2 = host.Picture("wide2.bmp", 160, 90, 0x00C00000);
    host.images = {wide, tall, wide2};
    host.fractalProb = 0;
    cycle.OnChangeWallpaperCommand();
    host.fractalProb = 100;
    cycle.OnChangeWallpaperCommand();
    host.SetLayout(Tenth(true));
    cycle.OnLayoutTimer();
    cycle.OnStopFractal();
    EXPECT_EQ(host.tray, kTrayWaiting);
    ExpectEachMonitorShowsItsOwnSource(host, cycle, "stopped after one to three");
}

// History entries know the monitors they were shown on; shown again on
// others, each monitor gets the picture or fractal of its device, a monitor
// the entry did not know gets a new one, and there is always one per monitor.
TEST(CycleHistory, EntriesComeBackOnOtherMonitorsByTheirDevices) {
    struct Host : MonitorHost {
        History file;
        History written;
        bool ReadHistory(History& h) override {
            h = file;
            return true;
        }
        void WriteHistory(const History& h) override { written = h; }
    } mh;
    Settings settings;
    Random rand{3};
    const Monitor d1 = ThreeScreens().monitors[0], d2 = ThreeScreens().monitors[1];
    Monitor d3 = ThreeScreens().monitors[2];
    Monitor d4 = At(3000, 0, 1280, 1024, false, "\\\\.\\DISPLAY4");
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg", "L3.jpg", "P2.jpg", "L4.jpg", "L5.jpg", "P3.jpg", "L6.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.OnChangeWallpaperCommand();
    c.OnChangeWallpaperCommand();
    ASSERT_EQ(mh.written.entries().size(), 2u);
    const HistoryEntry& first = mh.written.entries()[0];
    EXPECT_EQ(first.pictures, (std::vector<std::string>{"L1.jpg", "P1.jpg", "L2.jpg"}));
    EXPECT_EQ(first.devices, (std::vector<std::string>{d1.sDevice, d2.sDevice, d3.sDevice}));
    EXPECT_EQ(first.monitorMode, static_cast<int32_t>(kPicturePerMonitor));
    EXPECT_EQ(first.primary, 0);

    // Two of the monitors, in another order: each its own picture.
    mh.layout.monitors = {d2, d1};
    c.OnPreviousWallpaper();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"P1.jpg", "L1.jpg"}));
    // A fourth monitor the entry never saw gets a picture as a change picks one.
    mh.layout.monitors = {d1, d2, d3, d4};
    c.OnChangeWallpaperCommand();  // forward to the second entry
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"L3.jpg", "P2.jpg", "L4.jpg", "L5.jpg"}));
    // One monitor, the one on the left: its own picture through the one-screen pipeline.
    d3.bPrimary = true;
    mh.layout.monitors = {d3};
    c.OnPreviousWallpaper();
    EXPECT_EQ(mh.changed.back(), "L2.jpg|jpg");

    // Fractals: the one of each device again; a new monitor gets one of its own size.
    mh.layout = ThreeScreens();
    c.OnChangeWallpaperCommand();  // forward to the last entry
    mh.fractalProb = 100;
    c.OnChangeWallpaperCommand();
    mh.fractalDone = true;
    c.OnFractalTimer();
    mh.fractalDone = false;
    ASSERT_EQ(mh.written.entries().back().fractals.size(), 3u);
    EXPECT_EQ(mh.written.entries().back().devices[2], d3.sDevice);
    mh.fractalProb = 0;
    c.OnChangeWallpaperCommand();
    Monitor d2Primary = d2;
    d2Primary.bPrimary = true;
    mh.layout.monitors = {d4, d2Primary};
    c.OnPreviousWallpaper();
    ASSERT_EQ(mh.recipeJobs.back().size(), 2u);
    EXPECT_EQ(mh.recipeJobs.back()[1].fractalSeed, 1001);  // DISPLAY2's
    const FractalRecipe fresh = mh.recipeJobs.back()[0];
    EXPECT_EQ(fresh.size.cx, 1280);
    EXPECT_EQ(fresh.size.cy, 1024);
    EXPECT_TRUE(fresh.fractalSeed < 1000 || fresh.fractalSeed > 1002) << fresh.fractalSeed;  // drawn anew
    mh.fractalDone = true;
    c.OnFractalTimer();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"F0.bmp", "F1.bmp"}));

    // An entry of an older file knows no monitors: by position when the
    // count is the same, else its first picture on the primary monitor.
    Host old;
    old.images = {"L7.jpg"};
    HistoryEntry e;
    e.pictures = {"a.jpg", "b.jpg", "c.jpg"};
    old.file.Record(e, 10);
    HistoryEntry z;
    z.pictures = {"z.jpg"};
    old.file.Record(z, 10);
    ChangeCycle c2(settings, rand, old);
    c2.Start();
    old.layout.monitors = {d2, d1};
    c2.OnPreviousWallpaper();
    EXPECT_EQ(Paths(old.monitorChanges.back()), (std::vector<std::string>{"L7.jpg", "a.jpg"}));
    old.layout = ThreeScreens();
    c2.OnChangeWallpaperCommand();
    c2.OnPreviousWallpaper();
    EXPECT_EQ(Paths(old.monitorChanges.back()), (std::vector<std::string>{"a.jpg", "b.jpg", "c.jpg"}));
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
    EXPECT_EQ(mh.written.entries().back().pictures, (std::vector<std::string>{"L1.jpg", "P1.jpg", "x.png"}));
    mh.layout.monitors.erase(mh.layout.monitors.begin() + 1);  // the portrait monitor goes
    c.OnLayoutTimer();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>{"L1.jpg", "x.png"}));
}

namespace {
// Monitors with a history file read at the start.
struct StartedHost : MonitorHost {
    History file, written;
    std::set<std::string> gone;
    bool inOrder = false;
    std::vector<std::string> reloadTo;  // the collection after OK on the settings, when given
    bool ReadHistory(History& h) override {
        h = file;
        return true;
    }
    void WriteHistory(const History& h) override { written = h; }
    bool PicturesInOrder() override { return inOrder; }
    bool PictureAvailable(const std::string& s) override { return gone.count(s) == 0; }
    void ReloadCollection() override {
        if (!reloadTo.empty()) images = reloadTo;
    }
};

FractalRecipe Seeded(int32_t seed, Size size) {
    FractalRecipe r;
    r.paletteSeed = r.fractalSeed = seed;
    r.size = size;
    return r;
}
}  // namespace

// In order, the pictures a change left waiting come first for a monitor a
// display change adds, and stay first after OK on the settings when the
// collection is the same.
TEST(CycleInOrder, DisplayChangesAndSettingsTakeWaitingPicturesFirst) {
    using Strings = std::vector<std::string>;
    Settings settings;
    settings.MatchMonitorShape = true;
    Random rand{1};
    StartedHost mh;
    mh.inOrder = true;
    mh.images = {"L1.jpg", "L2.jpg", "L3.jpg", "L4.jpg", "L5.jpg", "L6.jpg", "L7.jpg", "L8.jpg", "L9.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.OnChangeWallpaperCommand();  // L1 L2 L3, L4 .. L9 waiting
    c.OnSettings();                // OK, the same collection
    c.OnChangeWallpaperCommand();
    ASSERT_EQ(mh.monitorChanges.size(), 2u);
    EXPECT_EQ(Paths(mh.monitorChanges[1]), (Strings{"L4.jpg", "L5.jpg", "L6.jpg"}));
    // A fourth monitor, portrait: it finds no portrait picture among those
    // waiting and none is left in the round, so it takes the first waiting.
    mh.layout.monitors.push_back(At(3000, 0, 1080, 1920, false, "\\\\.\\DISPLAY4"));
    c.OnDisplayChange();
    c.OnLayoutTimer();
    ASSERT_EQ(mh.monitorChanges.size(), 3u);
    EXPECT_EQ(Paths(mh.monitorChanges[2]), (Strings{"L4.jpg", "L5.jpg", "L6.jpg", "L7.jpg"}));
    // The round ends with the two left, then the next starts: all nine shown once.
    c.OnChangeWallpaperCommand();
    EXPECT_EQ(Paths(mh.monitorChanges[3]), (Strings{"L8.jpg", "L9.jpg", "L1.jpg", "L2.jpg"}));
    // Another collection after OK: what waited from the old one is dropped.
    mh.reloadTo = {"A1.jpg", "A2.jpg", "A3.jpg", "A4.jpg"};
    mh.next = 0;
    c.OnSettings();
    c.OnChangeWallpaperCommand();
    EXPECT_EQ(Paths(mh.monitorChanges[4]), (Strings{"A1.jpg", "A2.jpg", "A3.jpg", "A4.jpg"}));
}

// After a restart the wallpaper showing is the history's current entry: the
// first display change composes it again, pictures from their files and
// fractals rendered again from their recipes.
TEST(CycleHistory, AfterAStartTheFirstDisplayChangeComposesTheCurrentEntry) {
    const MonitorLayout three = ThreeScreens();
    Settings settings;
    Random rand{1};
    {
        StartedHost mh;
        mh.images = {"L7.jpg"};
        HistoryEntry e;
        e.pictures = {"L1.jpg", "P1.jpg", "L2.jpg"};
        e.monitorMode = kPicturePerMonitor;
        e.devices = {three.monitors[0].sDevice, three.monitors[1].sDevice, three.monitors[2].sDevice};
        mh.file.Record(e, 10);
        ChangeCycle c(settings, rand, mh);
        c.Start();
        c.OnLayoutTimer();  // the same monitors: nothing to do
        EXPECT_TRUE(mh.monitorChanges.empty() && mh.changed.empty());
        // The portrait monitor goes, the others keep their pictures.
        mh.layout.monitors.erase(mh.layout.monitors.begin() + 1);
        c.OnDisplayChange();
        c.OnLayoutTimer();
        ASSERT_EQ(mh.monitorChanges.size(), 1u);
        EXPECT_EQ(Paths(mh.monitorChanges[0]), (std::vector<std::string>{"L1.jpg", "L2.jpg"}));
        EXPECT_EQ(mh.next, 0u);  // nothing picked
    }
    {
        StartedHost mh;
        HistoryEntry e;
        e.fractals = {Seeded(11, {1920, 1080}), Seeded(12, {1080, 1920}), Seeded(13, {2560, 1440})};
        e.monitorMode = kPicturePerMonitor;
        e.devices = {three.monitors[0].sDevice, three.monitors[1].sDevice, three.monitors[2].sDevice};
        mh.file.Record(e, 10);
        ChangeCycle c(settings, rand, mh);
        c.Start();
        // Undocked: the fractals are rendered again, then the primary's is shown.
        mh.layout.monitors.resize(1);
        c.OnDisplayChange();
        c.OnLayoutTimer();
        ASSERT_EQ(mh.recipeJobs.size(), 1u);
        EXPECT_EQ(mh.recipeJobs[0], e.fractals);
        EXPECT_EQ(mh.tray, kTrayFractal);
        mh.fractalDone = true;
        c.OnFractalTimer();
        EXPECT_EQ(mh.changed, (std::vector<std::string>{"F0.bmp|bmp"}));
        EXPECT_EQ(mh.tray, kTrayWaiting);
        EXPECT_TRUE(mh.written.entries().empty());  // the same wallpaper: nothing recorded
    }
}

// A layout forced on a picture (the Preview's, or an entry's) stays with it
// when the wallpaper is composed again; a change drops it.
TEST(CycleHistory, AForcedLayoutSurvivesDisplayChanges) {
    Settings settings;
    settings.MultipleMonitors = kSamePictureEverywhere;
    Random rand{1};
    StartedHost mh;
    mh.images = {"L1.jpg", "L2.jpg", "L3.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.OnChangeWallpaperCommand();
    const ForcedLayout tiled{true, true, false, false};
    c.OnPictureApplied("x.bmp", tiled);
    mh.layout.monitors.pop_back();
    c.OnLayoutTimer();
    ASSERT_EQ(mh.forcedOn.size(), 2u);
    EXPECT_EQ(Paths(mh.monitorChanges[1]), (std::vector<std::string>(2, "x.bmp")));
    EXPECT_TRUE(mh.forcedOn[1]);
    mh.layout.monitors.pop_back();  // one screen
    c.OnLayoutTimer();
    ASSERT_EQ(mh.forcedOne.size(), 1u);
    EXPECT_EQ(mh.changed[0], "x.bmp|bmp");
    EXPECT_TRUE(mh.forcedOne[0]);
    // Back on three monitors from the history: still tiled, and after the next display change.
    mh.layout = ThreeScreens();
    c.OnChangeWallpaperCommand();  // L2
    EXPECT_FALSE(mh.forcedOn.back());
    c.OnPreviousWallpaper();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>(3, "x.bmp")));
    EXPECT_TRUE(mh.forcedOn.back());
    mh.layout.monitors.pop_back();
    c.OnLayoutTimer();
    EXPECT_TRUE(mh.forcedOn.back());
}

// A picture applied from elsewhere while a render is under way stops it; on
// one monitor, the entry names what the others show; just after a display
// change, the wallpaper is composed for the monitors there are now.
TEST(CycleHistory, PictureAppliedDuringARenderOrAfterADisplayChange) {
    Settings settings;
    Random rand{1};
    StartedHost mh;
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.OnChangeWallpaperCommand();
    mh.fractalProb = 100;
    c.OnChangeWallpaperCommand();
    ASSERT_TRUE(mh.fractalTimer);
    c.OnPictureApplied("x.png", ForcedLayout{}, 2);
    EXPECT_FALSE(mh.fractalTimer);
    EXPECT_EQ(mh.tray, kTrayWaiting);
    EXPECT_GT(mh.changeTimerMs, 0);  // the schedule goes on
    mh.fractalDone = true;
    c.OnFractalTimer();  // what the stopped render made is not shown
    EXPECT_EQ(mh.monitorChanges.size(), 1u);
    EXPECT_EQ(c.CurrentPicture(), "x.png");
    EXPECT_EQ(mh.written.entries().back().pictures, (std::vector<std::string>{"L1.jpg", "P1.jpg", "x.png"}));
    // The portrait monitor has just gone and the layout timer has not come:
    // the picture goes on the first monitor, the left one keeps its own.
    mh.layout.monitors.erase(mh.layout.monitors.begin() + 1);
    c.OnDisplayChange();
    c.OnPictureApplied("y.png", ForcedLayout{}, 0);
    ASSERT_EQ(mh.monitorChanges.size(), 2u);
    EXPECT_EQ(Paths(mh.monitorChanges[1]), (std::vector<std::string>{"y.png", "x.png"}));
    EXPECT_EQ(mh.written.entries().back().pictures, (std::vector<std::string>{"y.png", "x.png"}));
    c.OnLayoutTimer();
    EXPECT_EQ(mh.monitorChanges.size(), 2u);
}

// An entry shown again under another monitor mode: the same picture on
// every monitor stays so, and fractals are rendered from their seeds at the
// sizes they are shown at now.
TEST(CycleHistory, EntriesOfAnotherMonitorModeAreLaidOutForTheModeNow) {
    const MonitorLayout three = ThreeScreens();
    Settings settings;
    Random rand{1};
    StartedHost mh;
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg", "L3.jpg"};
    HistoryEntry across;  // one fractal across the desktop, 2560+1920+1080 by 1920
    across.fractals = {Seeded(21, {5560, 1920})};
    across.monitorMode = kOnePictureAcross;
    across.devices = {three.monitors[0].sDevice};
    HistoryEntry each;  // a fractal per monitor
    each.fractals = {Seeded(31, {1920, 1080}), Seeded(32, {1080, 1920}), Seeded(33, {2560, 1440})};
    each.monitorMode = kPicturePerMonitor;
    each.devices = {three.monitors[0].sDevice, three.monitors[1].sDevice, three.monitors[2].sDevice};
    HistoryEntry same;  // one picture on every monitor
    same.pictures = {"L9.jpg"};
    same.monitorMode = kSamePictureEverywhere;
    same.devices = {three.monitors[0].sDevice};
    HistoryEntry last;
    last.pictures = {"z.jpg"};
    for (const HistoryEntry* e : {&across, &each, &same, &last}) mh.file.Record(*e, 10);
    ChangeCycle c(settings, rand, mh);
    c.Start();
    c.OnPreviousWallpaper();
    EXPECT_EQ(Paths(mh.monitorChanges.back()), (std::vector<std::string>(3, "L9.jpg")));
    // Per-monitor fractals shown across: the primary's, at the desktop's size.
    settings.MultipleMonitors = kOnePictureAcross;
    c.OnPreviousWallpaper();
    ASSERT_EQ(mh.recipeJobs.size(), 1u);
    ASSERT_EQ(mh.recipeJobs[0].size(), 1u);
    EXPECT_EQ(mh.recipeJobs[0][0].fractalSeed, 31);
    EXPECT_EQ(mh.recipeJobs[0][0].size.cx, 5560);
    EXPECT_EQ(mh.recipeJobs[0][0].size.cy, 1920);
    mh.fractalDone = true;
    c.OnFractalTimer();
    EXPECT_TRUE(mh.across.back());
    mh.fractalDone = false;
    // The fractal across shown per monitor: the primary gets it at its own
    // size, the others new ones at theirs.
    settings.MultipleMonitors = kPicturePerMonitor;
    c.OnPreviousWallpaper();
    ASSERT_EQ(mh.recipeJobs.size(), 2u);
    ASSERT_EQ(mh.recipeJobs[1].size(), 3u);
    EXPECT_EQ(mh.recipeJobs[1][0].fractalSeed, 21);
    EXPECT_EQ(mh.recipeJobs[1][0].size.cx, 1920);
    EXPECT_EQ(mh.recipeJobs[1][0].size.cy, 1080);
    EXPECT_EQ(mh.recipeJobs[1][1].size.cx, 1080);
    EXPECT_EQ(mh.recipeJobs[1][2].size.cx, 2560);
}

namespace {
// Monitors with a history, a pointer and the pictures excluded.
struct CommandHost : StartedHost {
    int pointer = -1;
    std::vector<std::string> excluded;
    int MonitorAtPointer() override { return pointer; }
    void ExcludePicture(const std::string& s) override { excluded.push_back(s); }
};
}  // namespace

// Commands from the command line or a hot key: one monitor changes alone
// (by number from 1, or under the pointer) and the history records the whole
// desktop; each command is refused where the tray menu greys it.
TEST(CycleCommands, OneMonitorChangesAloneAndCommandsAreRefusedWhereTheMenuGreysThem) {
    Settings settings;
    settings.MultipleMonitors = kPicturePerMonitor;
    Random rand{1};
    CommandHost mh;
    mh.images = {"L1.jpg", "P1.jpg", "L2.jpg", "L3.jpg", "P2.jpg", "L4.jpg"};
    ChangeCycle c(settings, rand, mh);
    c.Start();
    // Nothing shown yet, so nothing to go back to, keep or exclude.
    EXPECT_EQ(c.OnCommand({TrayCommand::Previous, kAllMonitors}), CommandStatus::Refused);
    EXPECT_EQ(c.OnCommand({TrayCommand::Never, kAllMonitors}), CommandStatus::Refused);
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, kAllMonitors}), CommandStatus::Done);
    ASSERT_EQ(mh.monitorChanges.size(), 1u);
    const std::vector<std::string> before = Paths(mh.monitorChanges.back());
    ASSERT_EQ(before.size(), 3u);

    // Monitor 3 (the third of the layout) alone: the first two keep theirs.
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, 3}), CommandStatus::Done);
    ASSERT_EQ(mh.monitorChanges.size(), 2u);
    std::vector<std::string> now = Paths(mh.monitorChanges.back());
    ASSERT_EQ(now.size(), 3u);
    EXPECT_EQ(now[0], before[0]);
    EXPECT_EQ(now[1], before[1]);
    EXPECT_NE(now[2], before[2]);
    EXPECT_FALSE(now[2].empty());
    EXPECT_EQ(mh.written.entries().back().pictures, now);  // the whole desktop, as a new entry
    EXPECT_EQ(mh.written.entries().size(), 2u);
    EXPECT_GT(mh.changeTimerMs, 0);  // the schedule goes on

    // The monitor under the pointer: the portrait one, the second.
    mh.pointer = 1;
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, kMonitorAtPointer}), CommandStatus::Done);
    const std::vector<std::string> third = Paths(mh.monitorChanges.back());
    EXPECT_EQ(third[0], now[0]);
    EXPECT_NE(third[1], now[1]);
    EXPECT_EQ(third[2], now[2]);
    // A monitor the desktop does not have, or a pointer off every monitor: refused, nothing changes.
    mh.pointer = -1;
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, kMonitorAtPointer}), CommandStatus::Refused);
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, 4}), CommandStatus::Refused);
    EXPECT_EQ(mh.monitorChanges.size(), 3u);

    // Back one step: the desktop before the pointer's change, whole.
    EXPECT_EQ(c.OnCommand({TrayCommand::Previous, kAllMonitors}), CommandStatus::Done);
    EXPECT_EQ(Paths(mh.monitorChanges.back()), now);
    // A picture shows: Keep is refused, Never excludes the primary's and changes.
    EXPECT_EQ(c.OnCommand({TrayCommand::Keep, kAllMonitors}), CommandStatus::Refused);
    EXPECT_EQ(c.OnCommand({TrayCommand::Never, kAllMonitors}), CommandStatus::Done);
    EXPECT_EQ(mh.excluded, (std::vector<std::string>{now[0]}));
    EXPECT_EQ(c.OnCommand({TrayCommand::Disable, kAllMonitors}), CommandStatus::Done);
    EXPECT_EQ(mh.tray, kTrayDisabled);
    EXPECT_EQ(c.OnCommand({TrayCommand::Enable, kAllMonitors}), CommandStatus::Done);
    EXPECT_EQ(mh.tray, kTrayWaiting);
    EXPECT_FALSE(mh.closed);
    EXPECT_EQ(c.OnCommand({TrayCommand::Exit, kAllMonitors}), CommandStatus::Done);
    EXPECT_TRUE(mh.closed);

    // The same picture on every monitor: a monitor cannot change alone, so all do.
    settings.MultipleMonitors = kSamePictureEverywhere;
    const size_t changes = mh.monitorChanges.size();
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, 2}), CommandStatus::Done);
    ASSERT_EQ(mh.monitorChanges.size(), changes + 1);
    const std::vector<std::string> same = Paths(mh.monitorChanges.back());
    EXPECT_EQ(same, std::vector<std::string>(3, same[0]));
}

// One screen: a monitor's number is the whole wallpaper; a copy that makes a
// single change closes after it, a fractal's once rendered, or when it fails.
TEST(CycleCommands, OneScreenAndASingleChangeThatCloses) {
    Settings settings;
    Random rand{1};
    FakeHost h;
    h.images = {"a.jpg", "b.jpg"};
    ChangeCycle c(settings, rand, h);
    c.Start();
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, 2}), CommandStatus::Done);
    EXPECT_EQ(h.changed.size(), 1u);
    EXPECT_EQ(c.OnCommand({TrayCommand::Next, kMonitorAtPointer}), CommandStatus::Done);
    EXPECT_EQ(h.changed.size(), 2u);
    EXPECT_FALSE(h.closed);

    FakeHost once;
    once.images = {"a.jpg"};
    ChangeCycle c2(settings, rand, once);
    c2.SetOneChangeOnly();
    c2.Start();
    EXPECT_EQ(c2.OnCommand({TrayCommand::Next, kAllMonitors}), CommandStatus::Done);
    EXPECT_EQ(once.changed.size(), 1u);
    EXPECT_TRUE(once.closed);

    FakeHost fractal;  // no pictures: a fractal, closed once it is shown
    ChangeCycle c3(settings, rand, fractal);
    c3.SetOneChangeOnly();
    c3.Start();
    EXPECT_EQ(c3.OnCommand({TrayCommand::Next, kAllMonitors}), CommandStatus::Done);
    EXPECT_TRUE(c3.Rendering());
    EXPECT_FALSE(fractal.closed);
    c3.OnFractalFailed("no memory");
    EXPECT_TRUE(fractal.closed);
}
