#include "shell/FractalJob.h"

#include "Patterns/Fractal.h"
#include "app/Random.h"
#include "image/Image.h"
#include "wallpaper/Apply.h"

namespace mv {

FractalOutcome RunFractalJob(const FractalJobInput& in, FractalJobState& state, FractalJobHost& host,
                             Environment& env, const ClockFn& clock) {
    {
        std::lock_guard<std::mutex> g(state.lock);
        state.done = false;
    }
    std::string sRemembered = host.GetToolTip();
    host.SetToolTip(kFractalStartText);

    Random paletteRandom(in.paletteSeed);
    state.palette = BuildPalette(paletteRandom, in.brightness, in.table);
    state.groups = state.palette.groups;

    Image picture = Image::Create24(in.screen.cx, in.screen.cy);
    if (!picture.IsValid()) {
        host.SetToolTip(kFractalNoMemoryText);
        return FractalOutcome::NoMemory;
    }

    Random patternRandom(in.fractalSeed);
    PatternFractal fractal(&patternRandom);
    PatternContext context;
    context.iPaletteSize = Palette::kSize;
    context.iGroups = state.groups;
    context.pTrace = in.pTrace;
    fractal.SetUp(2, 1, true, 2, context);

    // The picture is shared out in bands over every processor.
    RenderOptions options;
    options.onWorkerStart = in.onWorkerStart;
    RenderResult result =
        RenderFractal(picture, fractal, state.palette, state.running,
                      [&host](const std::string& sText) { host.SetToolTip(sText); }, clock, options);

    bool bPublished = false;
    if (result.bCompleted && state.running) {
        // The rename publishes, under the lock Stop takes: a job stopped
        // (or superseded) before it gets there never replaces the file.
        WriteWallpaperFile(env, picture, in.sOutputPath, [&](const std::function<bool()>& rename) {
            std::lock_guard<std::mutex> g(state.lock);
            if (!state.running || !rename()) return false;
            state.average = result.average;
            state.done = true;
            state.running = false;
            bPublished = true;
            return true;
        });
    }
    if (!sRemembered.empty()) host.SetToolTip(sRemembered);
    return bPublished ? FractalOutcome::Published : state.running ? FractalOutcome::Failed : FractalOutcome::Stopped;
}

}  // namespace mv
