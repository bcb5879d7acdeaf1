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

#if defined(__i386__) || defined(__x86_64__)
#include <cmath>
#include <cstring>
#include <random>

#include "Patterns/Fractal.h"
#include "Patterns/FractalKernel.h"

namespace {

void OnePoint(int iAdjZ, float re, float im, float& outRe, float& outIm, void*) {
    PatternFractal::Complex w = PatternFractal::Transform(iAdjZ, PatternFractal::Complex(re, im));
    outRe = w.real();
    outIm = w.imag();
}

}  // namespace

// The sin, cos and log transforms skip their exact value on the steps that
// cannot make a new minimum: the minima of every orbit must still be the
// bits the one-point loop finds, over many constants, windows and limits.
TEST(FractalKernel, MinimaOfTheTransformsMatchTheOnePointLoop) {
    using namespace fractal_kernel;
    std::mt19937 rng(11);
    std::uniform_real_distribution<float> u(-1.0f, 1.0f);
    const int kColumns = kSanitized ? 6 : 24, kPoints = 256;
    int mismatches = 0;
    for (int trial = 0; trial < 90; ++trial) {
        Params p;
        p.iAdjZ = 2 + trial % 3;
        const int flags = 1 + (trial / 3) % 3;
        p.bUseMinNormZ = flags & 1;
        p.bUseMinAbsReal = flags & 2;
        p.fBailout = static_cast<float>(4 + trial % 21);
        p.cr = 1.2f * u(rng), p.ci = 1.2f * u(rng);
        p.fScaleX = 1.0f + 2.0f * std::fabs(u(rng)), p.fScaleY = 1.0f + 2.0f * std::fabs(u(rng));
        p.fCentreX = 0.5f * u(rng), p.fCentreY = 0.5f * u(rng);
        std::vector<float> ys(kPoints);
        std::vector<Orbit> sse2(kPoints), avx2(kPoints);
        for (int column = 0; column < kColumns; ++column) {
            const float x = u(rng);
            for (float& y : ys) y = u(rng);
            OrbitsSse2(p, x, ys.data(), kPoints, sse2.data(), &OnePoint, nullptr);
            if (BestLevel() == SimdLevel::Avx2) OrbitsAvx2(p, x, ys.data(), kPoints, avx2.data(), &OnePoint, nullptr);
            for (int k = 0; k < kPoints; ++k) {
                float zr = x * p.fScaleX + p.fCentreX, zi = ys[static_cast<size_t>(k)] * p.fScaleY + p.fCentreY;
                float minNorm = p.bUseMinNormZ ? 2.0f * p.fBailout * p.fBailout : 0.0f;
                float minRe = p.bUseMinAbsReal ? p.fBailout : 0.0f;
                int i = 0;
                while (i < p.iMaxIter - 1 && zr * zr + zi * zi < p.fBailout) {
                    const float sr = zr * zr - zi * zi, pr = zr * zi;
                    zr = sr + p.cr;
                    zi = pr + pr + p.ci;
                    float wr, wi;
                    OnePoint(p.iAdjZ, zr, zi, wr, wi, nullptr);
                    const float nm = wr * wr + wi * wi;
                    if (p.bUseMinNormZ && nm < minNorm) minNorm = nm;
                    if (p.bUseMinAbsReal && std::fabs(wr) < minRe) minRe = std::fabs(wr);
                    ++i;
                }
                for (const Orbit* o : {&sse2[static_cast<size_t>(k)], &avx2[static_cast<size_t>(k)]}) {
                    if (o == &avx2[static_cast<size_t>(k)] && BestLevel() != SimdLevel::Avx2) continue;
                    const bool bSame = o->i == i && std::memcmp(&o->fMinNorm, &minNorm, 4) == 0 &&
                                       std::memcmp(&o->fMinRe, &minRe, 4) == 0;
                    if (!bSame && ++mismatches <= 5)
                        ADD_FAILURE() << "transform " << p.iAdjZ << " flags " << flags << ": steps " << o->i << "/" << i
                                      << ", min norm " << o->fMinNorm << "/" << minNorm << ", min re " << o->fMinRe
                                      << "/" << minRe;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}
#endif
