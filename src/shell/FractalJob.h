#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "Patterns/ColorHSL.h"
#include "Patterns/FractalRender.h"
#include "Patterns/Palette.h"
#include "image/Image.h"
#include "platform/Environment.h"
#include "platform/Trace.h"
#include "shell/History.h"

namespace mv {

constexpr const char* kFractalStartText = "Creating fractal";
constexpr const char* kFractalNoMemoryText = "Currently not enough resources or memory to create fractal";

// One picture of a job that renders several (a fractal for each monitor):
// its own seeds, size and file.
struct FractalPlan {
    int32_t paletteSeed = 0;
    int32_t fractalSeed = 0;
    Size screen;
    std::string sOutputPath;
};

// Everything one fractal needs, taken on the user-interface thread before the
// worker starts (so the worker never touches the application's generator).
struct FractalJobInput {
    uint32_t jobId = 0;       // tags what the worker reports, so a late report of an old job is ignored
    int32_t paletteSeed = 0;  // gApp.rand.next(), for the palette
    int32_t fractalSeed = 0;  // gApp.rand.next(), for the pattern
    int brightness = 50;
    ColorChoiceTable table;
    Size screen;
    std::string sOutputPath;
    TraceSink* pTrace = nullptr;
    // Run first on each further thread the render starts (the platform
    // lowers its priority there, as it does for the worker's own).
    std::function<void()> onWorkerStart;
    // Several pictures rendered in turn, instead of the one above; the
    // progress covers them all and nothing counts as done before the last.
    std::vector<FractalPlan> plans;
};

// One worker's own flags: a stopped worker stays stopped whatever later
// changes do, because each worker has its own.
struct FractalJobState {
    std::atomic<bool> running{true};
    std::mutex lock;
    bool done = false;
    Color average = 0;
    std::vector<Color> averages;  // each plan's, when the job had plans
    int groups = 0;
    Palette palette;

    // Stops the job and discards a picture it finished but nobody applied
    // yet. The job publishes its file under the lock, so once Stop returns
    // the job can no longer replace the wallpaper file.
    void Stop() {
        std::lock_guard<std::mutex> g(lock);
        running = false;
        done = false;
    }
    bool IsDone() {
        std::lock_guard<std::mutex> g(lock);
        return done;
    }
};

// How a job ended.
enum class FractalOutcome { Published, Stopped, NoMemory, Failed };

// What the worker shows while it works.
class FractalJobHost {
public:
    virtual ~FractalJobHost() = default;
    virtual std::string GetToolTip() = 0;
    virtual void SetToolTip(const std::string& sText) = 0;
};

// The worker's procedure: palette, pattern, render, file. Returns when the
// picture is published (renamed over the output file), the job was stopped,
// or the picture could not be made (its tool tip then tells why).
FractalOutcome RunFractalJob(const FractalJobInput& in, FractalJobState& state, FractalJobHost& host,
                             Environment& env, const ClockFn& clock = ClockFn());

// The fractal of a recipe rendered on this thread (with the render's own
// helpers), exactly as the worker rendered it; invalid when there is no
// memory for it, or when pGoOn is given and is cleared meanwhile.
Image RenderFractalRecipe(const FractalRecipe& recipe, TraceSink* pTrace = nullptr,
                          const std::atomic<bool>* pGoOn = nullptr);

}  // namespace mv
