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
