#pragma once
#include <atomic>
#include <functional>
#include <string>

#include "Patterns/Color.h"
#include "Patterns/FractalKernel.h"

namespace mv {

class Image;
class PatternCalculator;
struct Palette;

// The tray tool tip while a fractal is computed: percent done and the
// remaining time, in minutes from 60 s on (rounded, at least 1), otherwise in
// seconds (truncated, at least 1).
std::string ProgressText(int iPercent, double fRemainingSeconds);

struct RenderResult {
    bool bCompleted = false;  // every column done and not stopped
    Color average = 0;        // mean colour of the picture when completed
};

// Renders the set-up pattern into a valid 24-bit picture, column by column,
// one Compute per pixel coloured through the palette. A pattern that can
// compute columns is rendered by several threads, each taking the next band
// of columns, and in vector lanes; otherwise one thread computes pixel by
// pixel. The running flag is tested before every column and every few
// dozen pixels; clearing it stops every thread, and the render returns once
// all have ended. Progress texts go to the callback, from one thread at a
// time, at most once per whole percent of columns done, and only rising;
// the clock gives whole seconds (any origin).
using ProgressFn = std::function<void(const std::string&)>;
using ClockFn = std::function<long long()>;

// How a render may use the machine.
struct RenderOptions {
    int iWorkers = 0;                    // threads; 0 means one per processor
    std::function<void()> onWorkerStart; // run first on every thread the render starts
    fractal_kernel::SimdLevel simd = fractal_kernel::SimdLevel::Best;
    // Told each new whole percent instead of the progress callback, for a
    // caller that reports the progress of several pictures as one.
    std::function<void(int iPercent)> onPercent;
};

RenderResult RenderFractal(Image& target, PatternCalculator& pattern, const Palette& palette,
                           const std::atomic<bool>& running, const ProgressFn& progress, const ClockFn& clock,
                           const RenderOptions& options = RenderOptions());

// Whole seconds of the steady clock, the default for RenderFractal.
long long SteadySeconds();

}  // namespace mv
