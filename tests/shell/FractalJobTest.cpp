#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "image/Image.h"
#include "platform/portable/PortableEnvironment.h"
#include "platform/portable/PosixFileOps.h"
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
    // The wallpaper takes its place slowly: the job is stopped meanwhile.
    struct SlowReplace : PosixFileOps {
        std::atomic<bool> renaming{false};
        bool Replace(const std::string& a, const std::string& b) override {
            renaming = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            return PosixFileOps::Replace(a, b);
        }
    } slow;
    test::TempDir dir;
    PortableEnvironment env(dir.Path());
    env.UseFiles(&slow);
    RecordingHost host;
    FractalJobState state;
    FractalOutcome outcome = FractalOutcome::Failed;
    std::thread worker([&] { outcome = RunFractalJob(Input(dir.Path(), 64, 48), state, host, env); });
    for (int i = 0; i < 10000 && !slow.renaming; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_TRUE(slow.renaming) << "the job never replaced the wallpaper through the file seam";
    state.Stop();
    dir.WriteFile("Murivane.bmp", "the picture the user chose");
    worker.join();
    EXPECT_EQ(outcome, FractalOutcome::Published);
    EXPECT_FALSE(state.IsDone());
    std::vector<uint8_t> bytes = dir.ReadFile("Murivane.bmp");
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the picture the user chose");
}

// A job that renders a picture for each monitor publishes the set as a
// whole: stopped after its first picture, or failing to publish part way,
// it leaves the set that was there before as it was, and no temporary file.
TEST(FractalJob, ASetOfPicturesIsPublishedAllOrNothing) {
    struct FailingRename : PortableEnvironment {
        using PortableEnvironment::PortableEnvironment;
        std::string failOnto;  // the next rename onto this path fails (once)
        bool RenameFile(const std::string& a, const std::string& b) override {
            if (b == failOnto) {
                failOnto.clear();
                return false;
            }
            return PortableEnvironment::RenameFile(a, b);
        }
    };
    struct StoppingHost : RecordingHost {
        FractalJobState* pState = nullptr;
        int stopAbove = 101;  // stops the job once the progress passes this percent
        void SetToolTip(const std::string& s) override {
            RecordingHost::SetToolTip(s);
            int percent = 0;
            if (std::sscanf(s.c_str(), "Creating fractal, %d%%", &percent) == 1 && percent > stopAbove) pState->Stop();
        }
    };
    test::TempDir dir;
    FailingRename env(dir.Path());
    const std::string old1 = "the first monitor's picture", old2 = "the second monitor's picture";
    auto Job = [&](int stopAbove) {
        FractalJobInput in = Input(dir.Path(), 0, 0);
        // The first picture is a fifth of the pixels.
        in.plans = {{11, 22, {100, 60}, dir.Path() + "\\Murivane1.bmp"}, {33, 44, {200, 120}, dir.Path() + "\\Murivane2.bmp"}};
        dir.WriteFile("Murivane1.bmp", old1);
        dir.WriteFile("Murivane2.bmp", old2);
        FractalJobState state;
        StoppingHost host;
        host.pState = &state;
        host.stopAbove = stopAbove;
        return RunFractalJob(in, state, host, env);
    };
    // The file's text, or what kind of file it is (a picture would flood the log).
    auto Text = [&](const char* name) {
        const std::vector<uint8_t> bytes = dir.ReadFile(name);
        const std::string text(bytes.begin(), bytes.end());
        return text.rfind("BM", 0) == 0 ? "a bitmap of " + std::to_string(bytes.size()) + " bytes" : text;
    };
    auto FilesInFolder = [&] {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.Path()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    };
    const std::vector<std::string> kSet = {"Murivane1.bmp", "Murivane2.bmp"};

    // Stopped while the second picture renders: the first is not published either.
    EXPECT_EQ(Job(25), FractalOutcome::Stopped);
    EXPECT_EQ(Text("Murivane1.bmp"), old1);
    EXPECT_EQ(Text("Murivane2.bmp"), old2);
    EXPECT_EQ(FilesInFolder(), kSet);

    // The second file cannot be replaced: the first is put back as it was.
    env.failOnto = dir.Path() + "\\Murivane2.bmp";
    EXPECT_EQ(Job(101), FractalOutcome::Failed);
    EXPECT_EQ(Text("Murivane1.bmp"), old1);
    EXPECT_EQ(Text("Murivane2.bmp"), old2);
    EXPECT_EQ(FilesInFolder(), kSet);

    // Finished: both replaced, each a bitmap of its own plan's size.
    EXPECT_EQ(Job(101), FractalOutcome::Published);
    EXPECT_EQ(dir.ReadFile("Murivane1.bmp").size(), 54u + Image::BytesPerRow(100, 24) * 60u);
    EXPECT_EQ(dir.ReadFile("Murivane2.bmp").size(), 54u + Image::BytesPerRow(200, 24) * 120u);
    EXPECT_EQ(FilesInFolder(), kSet);
}
