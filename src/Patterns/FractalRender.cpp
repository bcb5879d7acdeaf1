#include "Patterns/FractalRender.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "Patterns/Fractal.h"
#include "Patterns/FractalMath.h"
#include "Patterns/Palette.h"
#include "image/Image.h"

namespace mv {

std::string ProgressText(int iPercent, double fRemainingSeconds) {
    char sBuffer[128];
    if (fRemainingSeconds >= 60.0) {
        int minutes = TruncToInt(std::floor(fRemainingSeconds / 60.0 + 0.5));
        if (minutes < 1) minutes = 1;
        std::snprintf(sBuffer, sizeof sBuffer, "Creating fractal, %d%% done, about %d minute%s left", iPercent,
                      minutes, minutes > 1 ? "s" : "");
    } else {
        int seconds = TruncToInt(fRemainingSeconds);
        if (seconds < 1) seconds = 1;
        std::snprintf(sBuffer, sizeof sBuffer, "Creating fractal, %d%% done, about %d second%s left", iPercent,
                      seconds, seconds > 1 ? "s" : "");
    }
    return sBuffer;
}

long long SteadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

RenderResult RenderFractal(Image& target, PatternCalculator& pattern, const Palette& palette,
                           const std::atomic<bool>& running, const ProgressFn& progress, const ClockFn& clock,
                           const RenderOptions& /*options*/) {
    RenderResult result;
    if (!target.IsValid() || target.BitCount() != 24) return result;
    const int width = target.Width();
    const int height = target.Height();
    constexpr int N = Palette::kSize;
    const long long start = clock ? clock() : SteadySeconds();
    int lastPercent = 0;
    uint64_t sumR = 0, sumG = 0, sumB = 0;
    float input[2];
    float output[1];

    int x = 0;
    for (; x < width && running.load(std::memory_order_relaxed); ++x) {
        input[0] = static_cast<float>(x) / static_cast<float>(width) * 2.0f - 1.0f;
        if (x > 0) {
            int percent = static_cast<int>(static_cast<int64_t>(x) * 100 / width);
            if (percent > lastPercent) {
                lastPercent = percent;
                long long elapsed = (clock ? clock() : SteadySeconds()) - start;
                double remaining = (100.0 / percent - 1.0) * static_cast<double>(elapsed);
                if (progress) progress(ProgressText(percent, remaining));
            }
        }
        for (int y = 0; y < height && running.load(std::memory_order_relaxed); ++y) {
            input[1] = static_cast<float>(y) / static_cast<float>(height) * 2.0f - 1.0f;
            pattern.Compute(input, output);
            int index = TruncToInt(static_cast<float>(N) * output[0]) % N;
            if (index < 0) index += N;
            Color c = palette.colors[static_cast<size_t>(index)];
            target.SetPixel(x, y, c);
            sumR += static_cast<uint64_t>(RedOf(c));
            sumG += static_cast<uint64_t>(GreenOf(c));
            sumB += static_cast<uint64_t>(BlueOf(c));
        }
    }
    if (!running.load()) return result;
    uint64_t n = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (n > 0) result.average = MakeRGB(static_cast<int>(sumR / n), static_cast<int>(sumG / n), static_cast<int>(sumB / n));
    result.bCompleted = x == width;
    return result;
}

}  // namespace mv
