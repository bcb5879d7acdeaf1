#include "shell/FractalJob.h"

#include "Patterns/Fractal.h"
#include "app/Random.h"
#include "image/Image.h"
#include "wallpaper/Apply.h"

namespace mv {

void RunFractalJob(const FractalJobInput& in, FractalJobState& state, FractalJobHost& host, Environment& env,
                   const ClockFn& clock) {
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
        sRemembered = kFractalNoMemoryText;
        host.ShowWaitingTray();
        host.SetToolTip(sRemembered);
        return;
    }

    Random patternRandom(in.fractalSeed);
    PatternFractal fractal(&patternRandom);
    PatternContext context;
    context.iPaletteSize = Palette::kSize;
    context.iGroups = state.groups;
    context.pTrace = in.pTrace;
    fractal.SetUp(2, 1, true, 2, context);

    RenderResult result =
        RenderFractal(picture, fractal, state.palette, state.running,
                      [&host](const std::string& sText) { host.SetToolTip(sText); }, clock);

    if (result.bCompleted && state.running) {
        state.average = result.average;
        WriteWallpaperFile(env, picture, in.sOutputPath);
        std::lock_guard<std::mutex> g(state.lock);
        if (state.running) {
            state.done = true;
            state.running = false;
        }
    }
    if (!sRemembered.empty()) host.SetToolTip(sRemembered);
}

}  // namespace mv
