#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "Patterns/ColorHSL.h"
#include "Patterns/Fractal.h"
#include "Patterns/FractalRender.h"
#include "Patterns/Palette.h"
#include "app/Random.h"
#include "image/Image.h"

using namespace mv;

namespace {

// A pattern that records its inputs and answers a chosen value.
class FakePattern : public PatternCalculator {
public:
    FakePattern() : PatternCalculator(nullptr) {}
    void SetUp(int, int, bool, int, const PatternContext&) override {}
    void Compute(const float* in, float* out) override {
        inputs.emplace_back(in[0], in[1]);
        out[0] = value(in[0], in[1]);
        if (pStop && ++computed == stopAfter) pStop->store(false);
    }
    int OutputCount() const override { return 1; }
    std::function<float(float, float)> value = [](float, float) { return 0.0f; };
    std::vector<std::pair<float, float>> inputs;
    std::atomic<bool>* pStop = nullptr;
    int stopAfter = 0;
    int computed = 0;
};

Palette Ramp() {
    Palette p;
    for (int k = 0; k < Palette::kSize; ++k) p.colors[static_cast<size_t>(k)] = MakeRGB(k, 255 - k, 7);
    return p;
}

}  // namespace

TEST(FractalProgress, Texts) {
    EXPECT_EQ(ProgressText(1, (100.0 / 1 - 1) * 30), "Creating fractal, 1% done, about 50 minutes left");
    EXPECT_EQ(ProgressText(50, (100.0 / 50 - 1) * 20), "Creating fractal, 50% done, about 20 seconds left");
    EXPECT_EQ(ProgressText(30, 70), "Creating fractal, 30% done, about 1 minute left");
    EXPECT_EQ(ProgressText(30, 60), "Creating fractal, 30% done, about 1 minute left");
    EXPECT_EQ(ProgressText(30, 89.9), "Creating fractal, 30% done, about 1 minute left");
    EXPECT_EQ(ProgressText(30, 90), "Creating fractal, 30% done, about 2 minutes left");
    EXPECT_EQ(ProgressText(30, 59.9), "Creating fractal, 30% done, about 59 seconds left");
    EXPECT_EQ(ProgressText(99, 0), "Creating fractal, 99% done, about 1 second left");
    EXPECT_EQ(ProgressText(99, 1.9), "Creating fractal, 99% done, about 1 second left");
    EXPECT_EQ(ProgressText(99, 2), "Creating fractal, 99% done, about 2 seconds left");
}

TEST(FractalRender, ProgressUsesTheClock) {
    FakePattern pattern;
    Palette palette = Ramp();
    Image image = Image::Create24(200, 2);
    std::atomic<bool> running(true);
    std::vector<std::string> texts;
    long long now = 1000;
    // Each column takes 15 s: 1 % (2 columns) after 30 s, 50 % after 1500 s.
    pattern.value = [&](float, float y) {
        if (y >= 0) now += 15;
        return 0.0f;
    };
    RenderResult r = RenderFractal(image, pattern, palette, running,
                                   [&](const std::string& s) { texts.push_back(s); }, [&] { return now; });
    EXPECT_TRUE(r.bCompleted);
    ASSERT_EQ(texts.size(), 99u);  // once per whole percent, from 1 to 99
    EXPECT_EQ(texts[0], "Creating fractal, 1% done, about 50 minutes left");
    EXPECT_EQ(texts[49], "Creating fractal, 50% done, about 25 minutes left");
    EXPECT_EQ(texts[98], "Creating fractal, 99% done, about 30 seconds left");
}

TEST(FractalRender, ColumnsOuterIndexesAndAverage) {
    FakePattern pattern;
    Palette palette = Ramp();
    Image image = Image::Create24(4, 3);
    std::atomic<bool> running(true);
    pattern.value = [](float x, float y) {
        if (x < -0.9f) return 1.0f;             // column 0: index 0
        if (x < -0.4f) return 200.0f / 255;     // column 1: index 200
        if (x < 0.1f) return 1.0f / 255;        // column 2: index 1
        return y < -0.9f ? 0.0f : 254.0f / 255; // column 3
    };
    RenderResult r = RenderFractal(image, pattern, palette, running, nullptr, [] { return 0LL; });
    ASSERT_TRUE(r.bCompleted);
    ASSERT_EQ(pattern.inputs.size(), 12u);
    // x = column / width * 2 - 1, y = row / height * 2 - 1, rows inner.
    EXPECT_EQ(pattern.inputs[0], std::make_pair(-1.0f, -1.0f));
    EXPECT_EQ(pattern.inputs[1], std::make_pair(-1.0f, 1.0f / 3.0f * 2.0f - 1.0f));
    EXPECT_EQ(pattern.inputs[3], std::make_pair(-0.5f, -1.0f));
    EXPECT_EQ(pattern.inputs[11].first, 0.5f);
    EXPECT_EQ(image.Pixel(0, 0), palette.colors[0]);
    EXPECT_EQ(image.Pixel(1, 2), palette.colors[200]);
    EXPECT_EQ(image.Pixel(2, 1), palette.colors[1]);
    EXPECT_EQ(image.Pixel(3, 0), palette.colors[0]);
    EXPECT_EQ(image.Pixel(3, 1), palette.colors[254]);
    EXPECT_EQ(r.average, image.AverageColor());
    // Reds: 0,0,0, 200*3, 1*3, 0,254,254 -> 1114 / 12 = 92.
    EXPECT_EQ(RedOf(r.average), 1114 / 12);
}

TEST(FractalRender, StopsWithinAColumnAndRejectsBadTargets) {
    FakePattern pattern;
    Palette palette = Ramp();
    Image image = Image::Create24(10, 10);
    std::atomic<bool> running(true);
    pattern.pStop = &running;
    pattern.stopAfter = 35;
    RenderResult r = RenderFractal(image, pattern, palette, running, nullptr, [] { return 0LL; });
    EXPECT_FALSE(r.bCompleted);
    EXPECT_EQ(pattern.inputs.size(), 35u);  // no pixel after the flag was cleared
    EXPECT_EQ(r.average, 0u);

    std::atomic<bool> stopped(false);
    FakePattern idle;
    EXPECT_FALSE(RenderFractal(image, idle, palette, stopped, nullptr, nullptr).bCompleted);
    EXPECT_TRUE(idle.inputs.empty());

    Image invalid;
    std::atomic<bool> on(true);
    EXPECT_FALSE(RenderFractal(invalid, idle, palette, on, nullptr, nullptr).bCompleted);
}

TEST(FractalRender, OneSeedOnePicture) {
    auto render = [](int seed) {
        Random app(seed);
        float w[12];
        for (float& x : w) x = 50;
        ColorChoiceTable table;
        table.Build(w);
        Random local(app.next());
        Palette palette = BuildPalette(local, 50, table);
        Random fr(app.next());
        PatternFractal fractal(&fr);
        fractal.SetUp(2, 1, true, 2, PatternContext{Palette::kSize, palette.groups, nullptr});
        Image image = Image::Create24(64, 48);
        std::atomic<bool> running(true);
        RenderResult r = RenderFractal(image, fractal, palette, running, nullptr, nullptr);
        EXPECT_TRUE(r.bCompleted);
        EXPECT_EQ(r.average, image.AverageColor());
        return image.Block();
    };
    EXPECT_EQ(render(42), render(42));
    EXPECT_NE(render(42), render(43));
}

// The vector paths give what the one-point loop gives, for every transform
// and every mix of the colouring modifiers, the angle included (the seeds
// of the reference set never use it).
TEST(FractalRender, ColumnPathsMatchTheOnePointLoop) {
    using fractal_kernel::SimdLevel;
    std::vector<SimdLevel> levels = {SimdLevel::Scalar, SimdLevel::Sse2};
    if (fractal_kernel::BestLevel() == SimdLevel::Avx2) levels.push_back(SimdLevel::Avx2);
    const int kW = 24, kH = 37;  // a column length that is no multiple of the vector widths
    std::vector<float> ys(kH);
    for (int y = 0; y < kH; ++y) ys[static_cast<size_t>(y)] = static_cast<float>(y) / kH * 2.0f - 1.0f;
    for (int adj = 0; adj <= 10; ++adj) {
        for (int flags = 1; flags < 8; ++flags) {
            PatternFractal::Parameters p;
            p.bUseAngle = flags & 1;
            p.bUseMinNormZ = flags & 2;
            p.bUseMinAbsReal = flags & 4;
            p.iAdjZ = adj;
            p.fBailout = static_cast<float>(4 + (adj + flags) % 20);
            p.c = PatternFractal::Complex(-0.75f + 0.03f * static_cast<float>(adj), 0.11f * static_cast<float>(flags % 3));
            p.fScaleX = 1.6f;
            p.fScaleY = 1.2f;
            p.fCentreX = 0.05f;
            PatternFractal f(nullptr);
            f.SetParameters(p);
            ASSERT_TRUE(f.CanComputeColumns());
            for (SimdLevel level : levels) {
                std::vector<float> out(kH);
                for (int x = 0; x < kW; ++x) {
                    float in[2] = {static_cast<float>(x) / kW * 2.0f - 1.0f, 0.0f};
                    f.ComputeColumn(in[0], ys.data(), kH, out.data(), level);
                    for (int y = 0; y < kH; ++y) {
                        in[1] = ys[static_cast<size_t>(y)];
                        float expected;
                        f.Compute(in, &expected);
                        ASSERT_EQ(out[static_cast<size_t>(y)], expected)
                            << "transform " << adj << " flags " << flags << " level " << static_cast<int>(level)
                            << " at " << x << ", " << y;
                    }
                }
            }
        }
    }
}

// Several threads: every one starts through the hook, progress only rises
// and ends on 99 %, the picture is the one thread's; a stop ends them all.
TEST(FractalRender, BandsOnSeveralThreads) {
    Random app(7);
    float w[12];
    for (float& x : w) x = 50;
    ColorChoiceTable table;
    table.Build(w);
    Random local(app.next());
    Palette palette = BuildPalette(local, 50, table);
    Random fr(app.next());
    PatternFractal fractal(&fr);
    fractal.SetUp(2, 1, true, 2, PatternContext{Palette::kSize, palette.groups, nullptr});

    auto render = [&](int workers, std::vector<int>* percents, int stopAt, std::atomic<int>* started) {
        Image image = Image::Create24(300, 80);
        std::atomic<bool> running(true);
        RenderOptions options;
        options.iWorkers = workers;
        if (started) options.onWorkerStart = [started] { ++*started; };
        RenderResult r = RenderFractal(
            image, fractal, palette, running,
            [&](const std::string& s) {
                int percent = std::stoi(s.substr(s.find(", ") + 2));
                if (percents) percents->push_back(percent);
                if (percent >= stopAt) running = false;
            },
            [] { return 0LL; }, options);
        if (r.bCompleted) {
            EXPECT_EQ(r.average, image.AverageColor());
        }
        return std::make_pair(r, image.Block());
    };

    std::atomic<int> started(0);
    std::vector<int> percents;
    auto many = render(4, &percents, 100, &started);
    auto one = render(1, nullptr, 100, nullptr);
    EXPECT_EQ(started.load(), 3);
    ASSERT_TRUE(many.first.bCompleted);
    EXPECT_EQ(many.second, one.second);
    EXPECT_EQ(many.first.average, one.first.average);
    ASSERT_FALSE(percents.empty());
    for (size_t k = 1; k < percents.size(); ++k) EXPECT_GT(percents[k], percents[k - 1]);
    EXPECT_EQ(percents.back(), 99);

    percents.clear();
    auto stopped = render(4, &percents, 30, nullptr);
    EXPECT_FALSE(stopped.first.bCompleted);
    EXPECT_EQ(stopped.first.average, 0u);
    ASSERT_FALSE(percents.empty());
    EXPECT_EQ(percents.back(), 30);  // nothing reported after the stop
}
