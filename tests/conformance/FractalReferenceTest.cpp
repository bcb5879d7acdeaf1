// The fractal pictures of fixed seeds, pixel for pixel: the table holds the
// hash of each picture and its average colour as the first release of the
// renderer drew them. Every later renderer (vector paths, several workers)
// must keep them, in the native and in the Windows build alike.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "Patterns/FractalSeed.h"
#include "config/Settings.h"

using namespace mv;

namespace {

struct Reference {
    int seed;
    uint64_t hash;
    uint32_t average;
};

// Brightness 50 and the default colour weights; the tables were
// written by `fractal_tool --hashes`.
const Reference kSmall[] = {  // 160 x 120
#include "conformance/FractalReference160.inc"
};
const Reference kLarge[] = {  // 1920 x 1080
#include "conformance/FractalReference1080.inc"
};

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

void Check(const Reference& r, int width, int height, const RenderOptions& options) {
    Settings settings;
    SeedPicture s = RenderSeed(r.seed, width, height, 50, settings.ColorTable, options);
    ASSERT_TRUE(s.result.bCompleted) << "seed " << r.seed;
    EXPECT_EQ(PictureHash(s.image), r.hash) << "seed " << r.seed << " at " << width << " x " << height;
    EXPECT_EQ(s.result.average, r.average) << "seed " << r.seed << " at " << width << " x " << height;
}

}  // namespace

// Each path the processor offers, each on one thread and on several.
TEST(FractalReference, SmallPicturesOfFourHundredSeeds) {
    using fractal_kernel::SimdLevel;
    std::vector<SimdLevel> levels = {SimdLevel::Scalar, SimdLevel::Sse2};
    if (fractal_kernel::BestLevel() == SimdLevel::Avx2) levels.push_back(SimdLevel::Avx2);
    for (SimdLevel level : levels) {
        RenderOptions options;
        options.simd = level;
        options.iWorkers = level == SimdLevel::Sse2 ? 1 : 3;
        for (const Reference& r : kSmall) {
            // The one-point path is the slow one: a spread of seeds, with every transform among them.
            if (level == SimdLevel::Scalar && r.seed % 5 != 0) continue;
            Check(r, 160, 120, options);
        }
    }
}

// Under the sanitizers, which slow the maths down many times, two of them;
// fractal_tool --hashes checks all in a Release build.
TEST(FractalReference, ScreenSizedPictures) {
    RenderOptions options;
    for (const Reference& r : kLarge)
        if (!kSanitized || r.seed == 7 || r.seed == 115) Check(r, 1920, 1080, options);
}
