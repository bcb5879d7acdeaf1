// Speed of the fractal: one set-up, and full renders at 1920 x 1080 beside a
// plain scalar std::complex<float> Julia loop over the same constant, window
// and escape limit (so the same number of iterations), all in one run.
//
//   BM_FractalJuliaBaseline/SEED   the plain loop, one thread
//   BM_FractalOnePoint/SEED        pixel by pixel through Compute, one thread
//                                  (the renderer as it was before the vector paths)
//   BM_FractalRender/SEED/THREADS  the renderer; THREADS 0 is one per processor
//   BM_FractalUntransformed/SEED   the renderer on every processor, the seed's
//                                  transform left out (the same orbits)
//
// Each reports `iters`, the orbit steps of the picture, for time per step.
#include <benchmark/benchmark.h>

#include <atomic>
#include <complex>
#include <map>

#include "Patterns/Fractal.h"
#include "Patterns/FractalRender.h"
#include "Patterns/Palette.h"
#include "app/Random.h"
#include "config/Settings.h"
#include "image/Image.h"

namespace {

using namespace mv;

constexpr int kWidth = 1920, kHeight = 1080;

struct Seed {
    Palette palette;
    PatternFractal::Parameters parameters;
    double iterations = 0;  // orbit steps over the whole picture
};

// The palette and pattern the tray instance makes of an application seed.
const Seed& SeedOf(int seed) {
    static std::map<int, Seed> cache;
    auto it = cache.find(seed);
    if (it != cache.end()) return it->second;
    Seed s;
    Settings settings;
    Random app(seed);
    Random local(app.next());
    s.palette = BuildPalette(local, 50, settings.ColorTable);
    Random fractalRandom(app.next());
    PatternFractal fractal(&fractalRandom);
    fractal.SetUp(2, 1, true, 2, PatternContext{Palette::kSize, s.palette.groups, nullptr});
    s.parameters = fractal.GetParameters();
    for (int x = 0; x < kWidth; ++x)
        for (int y = 0; y < kHeight; ++y)
            s.iterations += fractal.Iterate(static_cast<float>(x) / kWidth * 2.0f - 1.0f,
                                            static_cast<float>(y) / kHeight * 2.0f - 1.0f, false);
    return cache.emplace(seed, s).first->second;
}

// Hides the column path, so the renderer goes pixel by pixel.
class OnePoint : public PatternCalculator {
public:
    explicit OnePoint(PatternFractal& f) : PatternCalculator(nullptr), m_f(f) {}
    void SetUp(int, int, bool, int, const PatternContext&) override {}
    void Compute(const float* in, float* out) override { m_f.Compute(in, out); }
    int OutputCount() const override { return 1; }

private:
    PatternFractal& m_f;
};

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

void BM_FractalJuliaBaseline(benchmark::State& state) {
    const Seed& s = SeedOf(static_cast<int>(state.range(0)));
    const PatternFractal::Parameters& p = s.parameters;
    const std::complex<float> c = p.c;
    long long sink = 0;
    for (auto _ : state) {
        for (int x = 0; x < kWidth; ++x) {
            const float re = (static_cast<float>(x) / kWidth * 2.0f - 1.0f) * p.fScaleX + p.fCentreX;
            for (int y = 0; y < kHeight; ++y) {
                std::complex<float> z(re, (static_cast<float>(y) / kHeight * 2.0f - 1.0f) * p.fScaleY + p.fCentreY);
                int i = 0;
                while (i < p.iMaxIter - 1 && std::norm(z) < p.fBailout) {
                    z = z * z + c;
                    ++i;
                }
                sink += i;
            }
        }
        benchmark::DoNotOptimize(sink);
    }
    state.counters["iters"] = s.iterations;
}

void BM_FractalOnePoint(benchmark::State& state) {
    const Seed& s = SeedOf(static_cast<int>(state.range(0)));
    PatternFractal fractal(nullptr);
    fractal.SetParameters(s.parameters);
    OnePoint pattern(fractal);
    Image image = Image::Create24(kWidth, kHeight);
    std::atomic<bool> running(true);
    for (auto _ : state) benchmark::DoNotOptimize(RenderFractal(image, pattern, s.palette, running, nullptr, nullptr));
    state.counters["iters"] = s.iterations;
}

void Render(benchmark::State& state, const Seed& s, const PatternFractal::Parameters& parameters, int iWorkers) {
    PatternFractal fractal(nullptr);
    fractal.SetParameters(parameters);
    Image image = Image::Create24(kWidth, kHeight);
    std::atomic<bool> running(true);
    RenderOptions options;
    options.iWorkers = iWorkers;
    for (auto _ : state)
        benchmark::DoNotOptimize(RenderFractal(image, fractal, s.palette, running, nullptr, nullptr, options));
    state.counters["iters"] = s.iterations;
}

void BM_FractalRender(benchmark::State& state) {
    const Seed& s = SeedOf(static_cast<int>(state.range(0)));
    Render(state, s, s.parameters, static_cast<int>(state.range(1)));
}

void BM_FractalUntransformed(benchmark::State& state) {
    const Seed& s = SeedOf(static_cast<int>(state.range(0)));
    PatternFractal::Parameters parameters = s.parameters;
    parameters.iAdjZ = 0;
    Render(state, s, parameters, 0);
}

// Seeds 1-10 for the time per step; 56 (sin), 100 (square root), 115 (log)
// and 148 (cos) colour through a transform.
void Seeds(benchmark::internal::Benchmark* b) {
    for (int seed : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 56, 100, 115, 148}) b->Arg(seed);
}
void SeedsAndThreads(benchmark::internal::Benchmark* b) {
    for (int seed : {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 56, 100, 115, 148})
        for (int threads : {1, 0}) b->Args({seed, threads});
}
BENCHMARK(BM_FractalJuliaBaseline)->Apply(Seeds)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FractalOnePoint)->Apply(Seeds)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FractalRender)->Apply(SeedsAndThreads)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FractalUntransformed)->Arg(56)->Arg(100)->Arg(115)->Arg(148)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
