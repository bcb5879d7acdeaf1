#include "shell/FractalJob.h"

#include <algorithm>

#include "Patterns/Fractal.h"
#include "app/Random.h"
#include "image/Image.h"
#include "wallpaper/Apply.h"

namespace mv {

namespace {

// One picture: palette, pattern, render. Invalid when there is no memory
// for it, unfinished when stopped.
struct Rendered {
    Image picture;
    RenderResult result;
};

Rendered RenderOne(const FractalJobInput& in, int32_t paletteSeed, int32_t fractalSeed, Size size,
                   FractalJobState& state, const ProgressFn& progress, const ClockFn& clock,
                   const std::function<void(int)>& onPercent, const std::atomic<bool>* pGoOn = nullptr) {
    Random paletteRandom(paletteSeed);
    state.palette = BuildPalette(paletteRandom, in.brightness, in.table);
    state.groups = state.palette.groups;

    Rendered out;
    out.picture = Image::Create24(size.cx, size.cy);
    if (!out.picture.IsValid()) return out;

    Random patternRandom(fractalSeed);
    PatternFractal fractal(&patternRandom);
    PatternContext context;
    context.iPaletteSize = Palette::kSize;
    context.iGroups = state.groups;
    context.pTrace = in.pTrace;
    fractal.SetUp(2, 1, true, 2, context);

    // The picture is shared out in bands over every processor.
    RenderOptions options;
    options.onWorkerStart = in.onWorkerStart;
    options.onPercent = onPercent;
    out.result =
        RenderFractal(out.picture, fractal, state.palette, pGoOn ? *pGoOn : state.running, progress, clock, options);
    return out;
}

// Renames each temporary file over its plan's file, all or nothing: the
// files replaced are first moved aside, and when a rename fails the ones
// already published are put back as they were.
bool PublishSet(Environment& env, const std::vector<std::string>& temps, const std::vector<FractalPlan>& plans) {
    struct Step {
        std::string sAside;  // the file it replaced, moved aside; empty when there was none
        bool bPublished = false;
    };
    std::vector<Step> steps;
    bool bOk = true;
    for (size_t i = 0; i < temps.size() && bOk; ++i) {
        const std::string& sTarget = plans[i].sOutputPath;
        steps.emplace_back();
        if (env.FileExists(sTarget)) {
            const std::string sAside = UniqueTempPath(sTarget);
            if (!env.RenameFile(sTarget, sAside)) {
                bOk = false;
                break;
            }
            steps.back().sAside = sAside;
        }
        steps.back().bPublished = bOk = env.RenameFile(temps[i], sTarget);
    }
    for (size_t i = 0; i < steps.size(); ++i) {
        if (!bOk) {
            const std::string& sTarget = plans[i].sOutputPath;
            if (steps[i].bPublished) env.RemoveFile(sTarget);
            if (!steps[i].sAside.empty()) env.RenameFile(steps[i].sAside, sTarget);
        } else if (!steps[i].sAside.empty()) {
            env.RemoveFile(steps[i].sAside);
        }
    }
    return bOk;
}

}  // namespace

FractalOutcome RunFractalJob(const FractalJobInput& in, FractalJobState& state, FractalJobHost& host,
                             Environment& env, const ClockFn& clock) {
    {
        std::lock_guard<std::mutex> g(state.lock);
        state.done = false;
    }
    std::string sRemembered = host.GetToolTip();
    host.SetToolTip(kFractalStartText);
    const ProgressFn progress = [&host](const std::string& sText) { host.SetToolTip(sText); };

    bool bPublished = false;
    bool bNoMemory = false;
    if (in.plans.empty()) {
        Rendered r = RenderOne(in, in.paletteSeed, in.fractalSeed, in.screen, state, progress, clock, nullptr);
        if (!r.picture.IsValid()) {
            host.SetToolTip(kFractalNoMemoryText);
            return FractalOutcome::NoMemory;
        }
        if (r.result.bCompleted && state.running) {
            // The rename publishes, under the lock Stop takes: a job stopped
            // (or superseded) before it gets there never replaces the file.
            WriteWallpaperFile(env, r.picture, in.sOutputPath, [&](const std::function<bool()>& rename) {
                std::lock_guard<std::mutex> g(state.lock);
                if (!state.running || !rename()) return false;
                state.average = r.result.average;
                state.done = true;
                state.running = false;
                bPublished = true;
                return true;
            });
        }
    } else {
        // The progress of all the pictures as one, by their share of the pixels.
        uint64_t total = 0;
        for (const FractalPlan& plan : in.plans)
            total += static_cast<uint64_t>(std::max(plan.screen.cx, 0)) * static_cast<uint64_t>(std::max(plan.screen.cy, 0));
        if (total == 0) total = 1;
        const long long start = clock ? clock() : SteadySeconds();
        uint64_t before = 0;
        int lastPercent = 0;
        std::vector<Color> averages;
        // Every picture goes to a temporary file of its own first; the set
        // is published as a whole once all of them are there, so a job that
        // stops or fails half way never leaves later rebuilds a mixed set.
        std::vector<std::string> temps;
        bool bAll = true;
        for (const FractalPlan& plan : in.plans) {
            const uint64_t pixels = static_cast<uint64_t>(plan.screen.cx) * static_cast<uint64_t>(plan.screen.cy);
            auto onPercent = [&](int iPercent) {
                const int overall = static_cast<int>((before * 100 + pixels * static_cast<uint64_t>(iPercent)) / total);
                if (overall <= lastPercent || overall <= 0) return;
                lastPercent = overall;
                const long long elapsed = (clock ? clock() : SteadySeconds()) - start;
                host.SetToolTip(ProgressText(overall, (100.0 / overall - 1.0) * static_cast<double>(elapsed)));
            };
            Rendered r = RenderOne(in, plan.paletteSeed, plan.fractalSeed, plan.screen, state, progress, clock, onPercent);
            if (!r.picture.IsValid()) {
                bNoMemory = true;
                bAll = false;
                break;
            }
            if (!r.result.bCompleted || !state.running) {
                bAll = false;
                break;
            }
            temps.push_back(UniqueTempPath(plan.sOutputPath));
            bool bSaved = false;
            try {
                bSaved = r.picture.Save(temps.back());
            } catch (...) {
                for (const std::string& sTemp : temps) env.RemoveFile(sTemp);
                throw;
            }
            if (!bSaved) {
                bAll = false;
                break;
            }
            averages.push_back(r.result.average);
            before += pixels;
        }
        if (bAll) {
            std::lock_guard<std::mutex> g(state.lock);
            if (state.running && PublishSet(env, temps, in.plans)) {
                state.averages = averages;
                state.average = averages.front();
                state.done = true;
                state.running = false;
                bPublished = true;
            }
        }
        for (const std::string& sTemp : temps) env.RemoveFile(sTemp);  // those not published
        if (bNoMemory) {
            host.SetToolTip(kFractalNoMemoryText);
            return FractalOutcome::NoMemory;
        }
    }
    if (!sRemembered.empty()) host.SetToolTip(sRemembered);
    return bPublished ? FractalOutcome::Published : state.running ? FractalOutcome::Failed : FractalOutcome::Stopped;
}

Image RenderFractalRecipe(const FractalRecipe& recipe, TraceSink* pTrace, const std::atomic<bool>* pGoOn) {
    if (pGoOn && !*pGoOn) return Image();
    FractalJobInput in;
    in.brightness = recipe.brightness;
    in.table.Build(recipe.weights.data());
    in.pTrace = pTrace;
    FractalJobState state;
    Rendered r = RenderOne(in, recipe.paletteSeed, recipe.fractalSeed, recipe.size, state,
                           [](const std::string&) {}, SteadySeconds, nullptr, pGoOn);
    if (!r.result.bCompleted) return Image();
    return std::move(r.picture);
}

}  // namespace mv
