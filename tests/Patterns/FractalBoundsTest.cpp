// The cheap bounds the vector orbit loop uses to skip exact transforms: a
// step is only ever dropped because its bounds put it surely above another,
// so the bounds must hold for the exact one-point values, bit for bit.
#if defined(__x86_64__) || defined(__i386__)
#define MV_KERNEL_WIDTH 4
#define MV_KERNEL_NAME OrbitsForBoundsTest
#include "Patterns/FractalKernelImpl.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "Patterns/Fractal.h"

namespace mv {
namespace fractal_kernel {
namespace {

float ExactRe(int iAdjZ, float x, float y) {
    return std::fabs(PatternFractal::Transform(iAdjZ, PatternFractal::Complex(x, y)).real());
}
float ExactNorm(int iAdjZ, float x, float y) { return std::norm(PatternFractal::Transform(iAdjZ, PatternFractal::Complex(x, y))); }

// Points across the orbits' range, and pairs close enough that their
// bounds overlap or nearly do, where a margin too thin would show.
struct Points {
    std::mt19937 rng{5};
    void Pair(float& x1, float& y1, float& x2, float& y2) {
        std::uniform_real_distribution<float> u(-1.0f, 1.0f);
        const float r = std::exp(3.0f * u(rng)), a = 3.2f * u(rng);
        x1 = r * std::cos(a), y1 = r * std::sin(a);
        if (rng() % 8 == 0) {  // on the unit circle, where the log's value is near 0
            const float m = std::sqrt(x1 * x1 + y1 * y1);
            x1 /= m, y1 /= m;
        }
        if (rng() % 2) {  // a few units in the last place apart
            x2 = x1, y2 = y1;
            for (int i = static_cast<int>(rng() % 6); i > 0; --i) x2 = std::nextafter(x2, rng() % 2 ? 1e9f : -1e9f);
            for (int i = static_cast<int>(rng() % 6); i > 0; --i) y2 = std::nextafter(y2, rng() % 2 ? 1e9f : -1e9f);
        } else {
            const float e = std::pow(10.0f, -3.0f - 4.0f * std::fabs(u(rng)));
            x2 = x1 * (1.0f + e * u(rng)), y2 = y1 * (1.0f + e * u(rng));
        }
    }
};

TEST(FractalBounds, LogBoundsOrderTheExactValues) {
    Points points;
    int checked = 0, wrong = 0;
    for (int t = 0; t < 200000; ++t) {
        VF x[2], y[2], lo[2], hi[2];
        VI sure[2];
        for (int k = 0; k < W; ++k) points.Pair(x[0][k], y[0][k], x[1][k], y[1][k]);
        for (int j = 0; j < 2; ++j) ValueBounds<4, false>(x[j], y[j], lo[j], hi[j], sure[j]);
        for (int k = 0; k < W; ++k) {
            if (!sure[0][k] || !sure[1][k]) continue;
            const float a = ExactRe(4, x[0][k], y[0][k]), b = ExactRe(4, x[1][k], y[1][k]);
            // Surely below means no larger, exactly.
            if (hi[0][k] < lo[1][k]) ++checked, wrong += a > b;
            if (hi[1][k] < lo[0][k]) ++checked, wrong += b > a;
        }
    }
    EXPECT_GT(checked, 100000);
    EXPECT_EQ(wrong, 0);
}

TEST(FractalBounds, SinAndCosBoundsHoldTheExactValues) {
    Points points;
    for (int adj : {2, 3}) {
        int wrong = 0, covered = 0;
        for (int t = 0; t < 100000; ++t) {
            VF x, y, loRe, hiRe, loNorm, hiNorm;
            VI sure, sureNorm;
            float unused;
            for (int k = 0; k < W; ++k) points.Pair(x[k], y[k], unused, unused);
            if (adj == 2) {
                ValueBounds<2, false>(x, y, loRe, hiRe, sure);
                ValueBounds<2, true>(x, y, loNorm, hiNorm, sureNorm);
            } else {
                ValueBounds<3, false>(x, y, loRe, hiRe, sure);
                ValueBounds<3, true>(x, y, loNorm, hiNorm, sureNorm);
            }
            for (int k = 0; k < W; ++k) {
                if (!sure[k]) continue;
                ++covered;
                const float re = ExactRe(adj, x[k], y[k]), nm = ExactNorm(adj, x[k], y[k]);
                wrong += !(loRe[k] <= re && re <= hiRe[k]) + !(loNorm[k] <= nm && nm <= hiNorm[k]);
            }
        }
        EXPECT_GT(covered, 100000) << "transform " << adj;
        EXPECT_EQ(wrong, 0) << "transform " << adj;
    }
}

}  // namespace
}  // namespace fractal_kernel
}  // namespace mv
#endif
