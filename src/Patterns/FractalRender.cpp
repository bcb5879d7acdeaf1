#include "Patterns/FractalRender.h"

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

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

namespace {

// The one-point render, for patterns without a column path.
RenderResult RenderOnePoint(Image& target, PatternCalculator& pattern, const Palette& palette,
                            const std::atomic<bool>& running, const ProgressFn& progress, const ClockFn& clock,
                            const RenderOptions& options) {
    RenderResult result;
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
            if (percent > lastPercent && options.onPercent) {
                lastPercent = percent;
                options.onPercent(percent);
            } else if (percent > lastPercent) {
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

// What the threads of one column render share.
class BandRender {
public:
    BandRender(Image& target, const PatternCalculator& pattern, const Palette& palette,
               const std::atomic<bool>& running, const ProgressFn& progress, const ClockFn& clock,
               const RenderOptions& options, int iWorkers)
        : m_target(target), m_pattern(pattern), m_palette(palette), m_running(running), m_progress(progress),
          m_clock(clock), m_options(options), m_iWidth(target.Width()), m_iHeight(target.Height()),
          m_ys(static_cast<size_t>(m_iHeight)) {
        for (int y = 0; y < m_iHeight; ++y)
            m_ys[static_cast<size_t>(y)] = static_cast<float>(y) / static_cast<float>(m_iHeight) * 2.0f - 1.0f;
        // Bands narrow enough to share the work out evenly, wide enough that
        // threads seldom write into the same cache lines.
        m_iBand = m_iWidth / (iWorkers * 8);
        if (m_iBand < 1) m_iBand = 1;
        if (m_iBand > 32) m_iBand = 32;
        m_start = Now();
    }

    // One thread's share: bands of columns until none is left or the render
    // is stopped. Adds its colour sums to the totals.
    void Work() {
        constexpr int N = Palette::kSize;
        constexpr int kRows = 256;  // pixels between two tests of the running flag
        // Each palette entry's bytes as the picture holds them, and spread
        // out for the colour sums: red, green and blue in 21-bit fields of
        // one word, which a column of up to kRows pixels cannot overflow.
        struct Entry {
            uint8_t bgr[4];
            uint64_t spread;
        };
        Entry entries[N];
        for (int i = 0; i < N; ++i) {
            const Color c = m_palette.colors[static_cast<size_t>(i)];
            entries[i].bgr[0] = static_cast<uint8_t>(BlueOf(c));
            entries[i].bgr[1] = static_cast<uint8_t>(GreenOf(c));
            entries[i].bgr[2] = static_cast<uint8_t>(RedOf(c));
            entries[i].bgr[3] = 0;
            entries[i].spread = static_cast<uint64_t>(RedOf(c)) | static_cast<uint64_t>(GreenOf(c)) << 21 |
                                static_cast<uint64_t>(BlueOf(c)) << 42;
        }
        constexpr uint64_t kField = (uint64_t{1} << 21) - 1;
        std::vector<float> values(static_cast<size_t>(m_iHeight));
        uint64_t sumR = 0, sumG = 0, sumB = 0;
        uint8_t* const pBits = m_target.Bits();
        const size_t stride = m_target.Stride();
        while (Running()) {
            const int x0 = m_next.fetch_add(m_iBand);
            if (x0 >= m_iWidth) break;
            const int x1 = x0 + m_iBand < m_iWidth ? x0 + m_iBand : m_iWidth;
            for (int x = x0; x < x1 && Running(); ++x) {
                const float in = static_cast<float>(x) / static_cast<float>(m_iWidth) * 2.0f - 1.0f;
                for (int y0 = 0; y0 < m_iHeight && Running(); y0 += kRows) {
                    const int n = m_iHeight - y0 < kRows ? m_iHeight - y0 : kRows;
                    float* pValues = &values[static_cast<size_t>(y0)];
                    m_pattern.ComputeColumn(in, &m_ys[static_cast<size_t>(y0)], n, pValues, m_options.simd);
                    // Rows are stored bottom up.
                    uint8_t* const pColumn = pBits + 3 * static_cast<size_t>(x);
                    const int top = m_iHeight - 1 - y0;
                    uint64_t spread = 0;
                    for (int k = 0; k < n; ++k) {
                        uint8_t* p = pColumn + static_cast<size_t>(top - k) * stride;
                        int index = TruncToInt(static_cast<float>(N) * pValues[k]) % N;
                        if (index < 0) index += N;
                        const Entry& e = entries[index];
                        std::memcpy(p, e.bgr, 2);
                        p[2] = e.bgr[2];
                        spread += e.spread;
                    }
                    sumR += spread & kField;
                    sumG += (spread >> 21) & kField;
                    sumB += spread >> 42;
                }
                if (!Running()) break;
                ColumnDone();
            }
        }
        std::lock_guard<std::mutex> g(m_sumLock);
        m_sumR += sumR;
        m_sumG += sumG;
        m_sumB += sumB;
    }

    RenderResult Result() const {
        RenderResult result;
        if (!m_running.load()) return result;
        uint64_t n = static_cast<uint64_t>(m_iWidth) * static_cast<uint64_t>(m_iHeight);
        if (n > 0)
            result.average = MakeRGB(static_cast<int>(m_sumR / n), static_cast<int>(m_sumG / n),
                                     static_cast<int>(m_sumB / n));
        result.bCompleted = m_done.load() == m_iWidth;
        return result;
    }

private:
    bool Running() const { return m_running.load(std::memory_order_relaxed); }
    long long Now() const { return m_clock ? m_clock() : SteadySeconds(); }

    // Counts a finished column and reports a new whole percent, as the
    // one-point render does before it starts column `done`.
    void ColumnDone() {
        const int done = m_done.fetch_add(1) + 1;
        if (done >= m_iWidth) return;
        const int percent = static_cast<int>(static_cast<int64_t>(done) * 100 / m_iWidth);
        if (percent <= m_lastPercent.load(std::memory_order_relaxed)) return;
        std::lock_guard<std::mutex> g(m_progressLock);
        if (percent <= m_lastPercent.load(std::memory_order_relaxed) || !Running()) return;
        m_lastPercent.store(percent, std::memory_order_relaxed);
        if (m_options.onPercent) {
            m_options.onPercent(percent);
            return;
        }
        long long elapsed = Now() - m_start;
        double remaining = (100.0 / percent - 1.0) * static_cast<double>(elapsed);
        if (m_progress) m_progress(ProgressText(percent, remaining));
    }

    Image& m_target;
    const PatternCalculator& m_pattern;
    const Palette& m_palette;
    const std::atomic<bool>& m_running;
    const ProgressFn& m_progress;
    const ClockFn& m_clock;
    const RenderOptions& m_options;
    const int m_iWidth, m_iHeight;
    std::vector<float> m_ys;
    int m_iBand = 1;
    long long m_start = 0;
    std::atomic<int> m_next{0};
    std::atomic<int> m_done{0};
    std::atomic<int> m_lastPercent{0};
    std::mutex m_progressLock;
    std::mutex m_sumLock;
    uint64_t m_sumR = 0, m_sumG = 0, m_sumB = 0;
};

}  // namespace

RenderResult RenderFractal(Image& target, PatternCalculator& pattern, const Palette& palette,
                           const std::atomic<bool>& running, const ProgressFn& progress, const ClockFn& clock,
                           const RenderOptions& options) {
    if (!target.IsValid() || target.BitCount() != 24) return RenderResult();
    if (!pattern.CanComputeColumns()) return RenderOnePoint(target, pattern, palette, running, progress, clock, options);

    int workers = options.iWorkers;
    if (workers <= 0) workers = static_cast<int>(std::thread::hardware_concurrency());
    if (workers < 1) workers = 1;
    if (workers > target.Width()) workers = target.Width();
    BandRender band(target, pattern, palette, running, progress, clock, options, workers);
    std::vector<std::thread> threads;
    for (int k = 1; k < workers; ++k) {
        try {
            threads.emplace_back([&band, &options] {
                if (options.onWorkerStart) options.onWorkerStart();
                band.Work();
            });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running share the work
        }
    }
    band.Work();
    for (std::thread& t : threads) t.join();
    return band.Result();
}

}  // namespace mv
