// Speed of the fractal: one set-up, and a full render at a common screen size.
#include <benchmark/benchmark.h>

#include <atomic>

#include "Patterns/Fractal.h"
#include "Patterns/FractalRender.h"
#include "Patterns/Palette.h"
#include "app/Random.h"
#include "config/Settings.h"
#include "image/Image.h"

namespace {

using namespace mv;

void BM_FractalSetUp(benchmark::State& state) {
    Settings settings;
    int seed = 1;
    for (auto _ : state) {
        Random app(seed++);
        Random local(app.next());
        Palette palette = BuildPalette(local, 50, settings.ColorTable);
        Random fractalRandom(app.next());
        PatternFractal fractal(&fractalRandom);
        fractal.SetUp(2, 1, true, 2, PatternContext{Palette::kSize, palette.groups, nullptr});
        benchmark::DoNotOptimize(fractal.GetParameters());
    }
}
BENCHMARK(BM_FractalSetUp);

void BM_FractalRender(benchmark::State& state) {
    const int width = static_cast<int>(state.range(0));
    const int height = static_cast<int>(state.range(1));
    Settings settings;
    Random app(static_cast<int32_t>(state.range(2)));
    Random local(app.next());
    Palette palette = BuildPalette(local, 50, settings.ColorTable);
    Random fractalRandom(app.next());
    PatternFractal fractal(&fractalRandom);
    fractal.SetUp(2, 1, true, 2, PatternContext{Palette::kSize, palette.groups, nullptr});
    Image image = Image::Create24(width, height);
    std::atomic<bool> running(true);
    for (auto _ : state) {
        RenderResult r = RenderFractal(image, fractal, palette, running, nullptr, nullptr);
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}
BENCHMARK(BM_FractalRender)->Args({1024, 768, 1})->Args({1024, 768, 7})->Args({1920, 1080, 42})
    ->Unit(benchmark::kMillisecond);

}  // namespace
