#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "image/Image.h"
#include "platform/portable/PortableEnvironment.h"
#include "shell/FractalJob.h"
#include "support/TempDir.h"

using namespace mv;

namespace {
struct RecordingHost : FractalJobHost {
    std::mutex m;
    std::string tip = "Murivane";
    std::vector<std::string> tips;
    std::string GetToolTip() override {
        std::lock_guard<std::mutex> g(m);
        return tip;
    }
    void SetToolTip(const std::string& s) override {
        std::lock_guard<std::mutex> g(m);
        tip = s;
        tips.push_back(s);
    }
};

FractalJobInput Input(const std::string& folder, int w, int h) {
    FractalJobInput in;
    in.paletteSeed = 11;
    in.fractalSeed = 22;
    float weights[12] = {60, 25, 60, 25, 15, 15, 20, 30, 30, 20, 15, 20};
    in.table.Build(weights);
    in.screen = {w, h};
    in.sOutputPath = folder + "\\Murivane.bmp";
    return in;
}
}  // namespace

TEST(FractalJob, CompletesWritesTheFileAndRestoresTheToolTip) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    RecordingHost host;
    FractalJobState state;
    long long seconds = 0;
    RunFractalJob(Input(dir.Path(), 120, 90), state, host, env, [&] { return seconds++; });
    EXPECT_TRUE(state.IsDone());
    EXPECT_FALSE(state.running);
    EXPECT_GT(state.groups, 0);
    EXPECT_EQ(dir.ReadFile("Murivane.bmp").size(), 54u + Image::BytesPerRow(120, 24) * 90u);
    ASSERT_GE(host.tips.size(), 3u);
    EXPECT_EQ(host.tips.front(), "Creating fractal");
    EXPECT_EQ(host.tips[1].rfind("Creating fractal, 1% done, about ", 0), 0u);
    EXPECT_EQ(host.tip, "Murivane");

    // The same seeds make the same picture.
    test::TempDir dir2;
    PortableEnvironment env2(dir2.Path());
    RecordingHost host2;
    FractalJobState state2;
    RunFractalJob(Input(dir2.Path(), 120, 90), state2, host2, env2);
    EXPECT_EQ(dir.ReadFile("Murivane.bmp"), dir2.ReadFile("Murivane.bmp"));
    EXPECT_EQ(state.average, state2.average);
}

TEST(FractalJob, StoppedJobWritesNothingAndStaysStopped) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    RecordingHost host;
    FractalJobState state;
    state.Stop();
    RunFractalJob(Input(dir.Path(), 200, 150), state, host, env);
    EXPECT_FALSE(state.IsDone());
    EXPECT_FALSE(env.FileExists(dir.Path() + "\\Murivane.bmp"));

    // Stopped from another thread while it renders.
    FractalJobState running;
    std::thread worker([&] { RunFractalJob(Input(dir.Path(), 1600, 1200), running, host, env); });
    running.Stop();
    worker.join();
    EXPECT_FALSE(running.IsDone());
    EXPECT_FALSE(env.FileExists(dir.Path() + "\\Murivane.bmp"));
}

TEST(FractalJob, NoPictureMeansTheNotEnoughMemoryToolTip) {
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    RecordingHost host;
    FractalJobState state;
    EXPECT_EQ(RunFractalJob(Input(dir.Path(), 0, 0), state, host, env), FractalOutcome::NoMemory);
    EXPECT_EQ(host.tip, "Currently not enough resources or memory to create fractal");
    EXPECT_FALSE(state.IsDone());
}

// A job stopped while it publishes finishes its rename before Stop returns,
// so whatever the stopping thread writes afterwards stays; and a finished
// picture nobody applied yet is discarded by the stop.
TEST(FractalJob, StopWaitsForAPublishInProgressAndDiscardsTheResult) {
    struct SlowRename : PortableEnvironment {
        using PortableEnvironment::PortableEnvironment;
        std::atomic<bool> renaming{false};
        bool RenameFile(const std::string& a, const std::string& b) override {
            renaming = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return PortableEnvironment::RenameFile(a, b);
        }
    };
    test::TempDir dir;
    SlowRename env(dir.Path());
    RecordingHost host;
    FractalJobState state;
    FractalOutcome outcome = FractalOutcome::Failed;
    std::thread worker([&] { outcome = RunFractalJob(Input(dir.Path(), 64, 48), state, host, env); });
    while (!env.renaming) std::this_thread::yield();
    state.Stop();
    dir.WriteFile("Murivane.bmp", "the picture the user chose");
    worker.join();
    EXPECT_EQ(outcome, FractalOutcome::Published);
    EXPECT_FALSE(state.IsDone());
    std::vector<uint8_t> bytes = dir.ReadFile("Murivane.bmp");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the picture the user chose");
}
