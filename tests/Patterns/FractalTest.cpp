#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <string>
#include <vector>

#include "Patterns/Fractal.h"
#include "Patterns/FractalMath.h"
#include "app/Random.h"
#include "platform/Trace.h"

using namespace mv;
using Params = PatternFractal::Parameters;
using Complex = PatternFractal::Complex;

namespace {

class CaptureTrace : public TraceSink {
public:
    bool IsOn() const override { return bOn; }
    void TraceLine(const std::string& s) override { lines.push_back(s); }
    bool bOn = true;
    std::vector<std::string> lines;
};

Params Plain(Complex c, float bailout = 4.0f) {
    Params p;
    p.iMaxIter = 256;
    p.fBailout = bailout;
    p.fScaleX = p.fScaleY = 1.0f;
    p.c = c;
    return p;
}

PatternFractal With(const Params& p) {
    PatternFractal f(nullptr);
    f.SetParameters(p);
    return f;
}

// What one accepted first attempt draws, in the documented order.
struct Expected {
    bool bAngle, bMinNorm, bMinAbsReal, bApplyMods;
    int iAdjZ;
    float fBailout;
    Complex c;
    float x1, y1, x2, y2;
};

Expected DrawFirstAttempt(Random& r, bool bNoAngle) {
    Expected e{};
    e.bAngle = bNoAngle ? false : r.uniform() < 0.15;
    e.bMinNorm = r.uniform() < 0.15;
    e.bMinAbsReal = r.uniform() < 0.15;
    e.bApplyMods = r.below(2) != 0;
    e.iAdjZ = 0;
    if ((e.bAngle || e.bMinNorm || e.bMinAbsReal) && r.uniform() >= 0.8) e.iAdjZ = r.skewed(11, 2);
    e.fBailout = static_cast<float>(r.skewed(20, 3) + 4);
    for (;;) {
        double a = r.uniform();
        double b = r.uniform();
        float re = static_cast<float>(a * 1.75 * b);
        if (r.uniform() < 0.9) re = -re;
        double s = r.uniform() >= 0.85 ? r.sign() : (re > 0 ? -1.0 : (re < 0 ? 1.0 : 0.0));
        double c = r.uniform();
        double d = r.uniform();
        float im = static_cast<float>(c * 1.75 * d * s);
        e.c = Complex(re, im);
        if (re * re + im * im < e.fBailout) break;
    }
    for (;;) {
        if (r.uniform() >= 0.75) {
            float* ends[4] = {&e.x1, &e.y1, &e.x2, &e.y2};
            for (float* p : ends) {
                double d = r.symmetric();
                *p = static_cast<float>(r.uniform() * 2 * d);
            }
        } else {
            double d = r.symmetric();
            double u = r.uniform();
            float h = std::fabs(static_cast<float>(u * u * u * 2 * d));
            e.x1 = e.y1 = -h;
            e.x2 = e.y2 = h;
        }
        if (e.x2 - e.x1 >= 0.001f && e.y2 - e.y1 >= 0.001f) break;
    }
    return e;
}

}  // namespace

TEST(PatternFractal, SetUpDrawsInTheDocumentedOrder) {
    // With 127 colour groups the first attempt needs a single band, so it is
    // accepted whenever all 16 sample points escape.
    int checked = 0;
    for (int seed = 1; seed <= 400 && checked < 25; ++seed) {
        for (bool bNoAngle : {true, false}) {
            Random r(seed), twin(seed);
            PatternFractal f(&r);
            f.SetUp(2, 1, bNoAngle, 2, PatternContext{256, 127, nullptr});
            Params p = f.GetParameters();
            ASSERT_TRUE(f.IsReady());
            if (p.iTries != 1) continue;
            ++checked;
            Expected e = DrawFirstAttempt(twin, bNoAngle);
            EXPECT_EQ(p.bUseAngle, e.bAngle) << seed;
            EXPECT_EQ(p.bUseMinNormZ, e.bMinNorm) << seed;
            EXPECT_EQ(p.bUseMinAbsReal, e.bMinAbsReal) << seed;
            EXPECT_EQ(p.bApplyMods, e.bApplyMods) << seed;
            EXPECT_EQ(p.iAdjZ, e.iAdjZ) << seed;
            EXPECT_EQ(p.fBailout, e.fBailout) << seed;
            EXPECT_EQ(p.c, e.c) << seed;
            EXPECT_EQ(p.fScaleX, (e.x2 - e.x1) / 2) << seed;
            EXPECT_EQ(p.fCentreX, (e.x1 + e.x2) / 2) << seed;
            EXPECT_EQ(p.fScaleY, (e.y2 - e.y1) / 2) << seed;
            EXPECT_EQ(p.fCentreY, (e.y1 + e.y2) / 2) << seed;
            // Nothing else was drawn.
            EXPECT_EQ(r.next(), twin.next()) << seed;
            if (!p.bUseAngle && !p.bUseMinNormZ && !p.bUseMinAbsReal) { EXPECT_EQ(p.iAdjZ, 0); }
        }
    }
    EXPECT_GE(checked, 10);
}

TEST(PatternFractal, SetUpAcceptanceAndReEntry) {
    Random r(7);
    PatternFractal f(&r);
    EXPECT_FALSE(f.IsReady());
    // No colour groups: the first attempt needs 128 bands and cannot pass.
    f.SetUp(2, 1, true, 2, PatternContext{256, 0, nullptr});
    Params p = f.GetParameters();
    EXPECT_TRUE(f.IsReady());
    EXPECT_GT(p.iTries, 1);
    EXPECT_LE(p.iTries, 1001);
    EXPECT_FALSE(p.bUseAngle);
    EXPECT_GE(p.fBailout, 4.0f);
    EXPECT_LE(p.fBailout, 23.0f);
    EXPECT_LT(std::norm(p.c), p.fBailout);
    EXPECT_GE(p.fScaleX * 2, 0.001f);
    EXPECT_GE(p.fScaleY * 2, 0.001f);
    EXPECT_GE(p.iAdjZ, 0);
    EXPECT_LE(p.iAdjZ, 10);

    // A second call keeps everything and draws nothing.
    Random twin(0);
    twin = r;
    f.SetUp(2, 1, false, 2, PatternContext{256, 20, nullptr});
    Params q = f.GetParameters();
    EXPECT_EQ(q.c, p.c);
    EXPECT_EQ(q.fBailout, p.fBailout);
    EXPECT_EQ(q.iTries, p.iTries);
    EXPECT_EQ(r.next(), twin.next());

    // The same seed gives the same parameters.
    Random r2(7);
    PatternFractal g(&r2);
    g.SetUp(2, 1, true, 2, PatternContext{256, 0, nullptr});
    EXPECT_EQ(g.GetParameters().c, p.c);
    EXPECT_EQ(g.GetParameters().fCentreX, p.fCentreX);

    // Accepted parameters have all 16 sample points escaping (unless the
    // attempts ran out).
    if (p.iTries <= 1000) {
        for (float sx : {0.0f, 0.25f, 0.5f, 0.75f})
            for (float sy : {0.0f, 0.25f, 0.5f, 0.75f}) EXPECT_LT(f.Iterate(sx, sy, p.bApplyMods), 255);
    }
}

TEST(PatternFractal, SetUpTracesSevenValues) {
    Random r(3);
    CaptureTrace trace;
    PatternFractal f(&r);
    f.SetUp(2, 1, true, 2, PatternContext{256, 9, &trace});
    Params p = f.GetParameters();
    ASSERT_EQ(trace.lines.size(), 7u);
    const char* labels[7] = {" : tries = ",       " : m_bUseAngle = ", " : m_bUseMinNormZ = ",
                             " : m_bUseMinAbsReal = ", " : m_iAdjZ = ",    " : bApplyMods = ",
                             " : gApp.pSceneWnd()->groups() = "};
    std::string values[7] = {std::to_string(p.iTries), std::to_string(p.bUseAngle),
                             std::to_string(p.bUseMinNormZ), std::to_string(p.bUseMinAbsReal),
                             std::to_string(p.iAdjZ), std::to_string(p.bApplyMods), "9"};
    for (int k = 0; k < 7; ++k) {
        std::string suffix = std::string(labels[k]) + values[k];
        const std::string& line = trace.lines[static_cast<size_t>(k)];
        ASSERT_GE(line.size(), suffix.size());
        EXPECT_EQ(line.substr(line.size() - suffix.size()), suffix) << line;
        EXPECT_NE(line.find("Fractal"), std::string::npos) << line;
        EXPECT_NE(line.find(" line "), std::string::npos) << line;
    }
    // Switched off: nothing written.
    CaptureTrace off;
    off.bOn = false;
    Random r2(3);
    PatternFractal g(&r2);
    g.SetUp(2, 1, true, 2, PatternContext{256, 9, &off});
    EXPECT_TRUE(off.lines.empty());
}

TEST(PatternFractal, IterateEscapesAndCounts) {
    // Never escapes: 255 steps, Compute 1.0, ComputeSigned 1.0.
    PatternFractal still = With(Plain(Complex(0, 0)));
    EXPECT_EQ(still.Iterate(0, 0, true), 255);
    EXPECT_EQ(still.Iterate(0, 0, false), 255);
    float in[2] = {0, 0}, out[1] = {-1};
    still.Compute(in, out);
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_EQ(static_cast<int>(256 * out[0]) % 256, 0);
    EXPECT_EQ(still.ComputeSigned(in, out), 1);
    EXPECT_EQ(out[0], 1.0f);

    // Starting outside the limit: no step at all. Norm 2.25 < 4: one step to 2.25.
    Params p = Plain(Complex(0, 0));
    p.fScaleX = 3.0f;
    PatternFractal wide = With(p);
    EXPECT_EQ(wide.Iterate(1.0f, 0.0f, true), 0);    // z = 3
    EXPECT_EQ(wide.Iterate(0.5f, 0.0f, true), 1);    // z = 1.5, then 2.25
    // The escape test is strict: norm exactly at the limit escapes.
    PatternFractal atLimit = With(Plain(Complex(0, 2)));
    EXPECT_EQ(atLimit.Iterate(0, 0, true), 1);

    // c = 0.5 from 0: 0.5, 0.75, 1.0625, 1.6289, 3.153 (escapes after 5).
    PatternFractal half = With(Plain(Complex(0.5f, 0)));
    EXPECT_EQ(half.Iterate(0, 0, true), 5);
    float o[1];
    half.ComputeSigned(in, o);
    EXPECT_FLOAT_EQ(o[0], 2.0f * 5 / 255 - 1);
}

TEST(PatternFractal, ColouringModifiers) {
    // Smallest norm 0.25 over the orbit 0.5, 0.75, ...: 5 + 256 * 0.25.
    Params p = Plain(Complex(0.5f, 0));
    p.bUseMinNormZ = true;
    EXPECT_EQ(With(p).Iterate(0, 0, true), 69);
    EXPECT_EQ(With(p).Iterate(0, 0, false), 5);
    p.bUseMinNormZ = false;
    p.bUseMinAbsReal = true;  // smallest |re| 0.5: 5 + 128
    EXPECT_EQ(With(p).Iterate(0, 0, true), 133);
    p.bUseMinNormZ = true;    // both: (5 + 64 + 128) mod 256
    EXPECT_EQ(With(p).Iterate(0, 0, true), 197);
    // The norm offset wraps modulo 256.
    p = Plain(Complex(0.5f, 0), 10.0f);
    p.bUseMinNormZ = true;
    p.fScaleX = 0.0f;
    p.fCentreX = 1.5f;  // orbit 2.75, 8.06: smallest norm 7.5625, 256 * 7.5625 = 1936
    EXPECT_EQ(With(p).Iterate(0, 0, true), (2 + 1936) % 256);

    // Angle: a final z with real part 0 gives 0 before the offsets.
    Params a = Plain(Complex(0, 2));
    a.bUseAngle = true;
    EXPECT_EQ(With(a).Iterate(0, 0, true), 0);
    a.bUseMinAbsReal = true;  // smallest |re| is 0
    EXPECT_EQ(With(a).Iterate(0, 0, true), 0);
    // atan2(2, 2) = pi/4: a = 0.625, e = 0.9375, 256 * e = 240.
    Params b = Plain(Complex(2, 2));
    b.bUseAngle = true;
    EXPECT_EQ(With(b).Iterate(0, 0, true), 240);
    EXPECT_EQ(With(b).Iterate(0, 0, false), 1);
    // atan2(0, 3) = 0: a = 0.5, e = 1, 256 mod 256 = 0; atan2(0, -3) = pi: e = 0.
    Params c = Plain(Complex(3, 0));
    c.bUseAngle = true;
    EXPECT_EQ(With(c).Iterate(0, 0, true), 0);
    c.c = Complex(-3, 0);
    EXPECT_EQ(With(c).Iterate(0, 0, true), 0);
    // The angle is taken from the transformed value: z*z of (2, 2) is (0, 8),
    // atan2 = pi/2: a = 0.75, e = 0.75, 192.
    b.iAdjZ = 1;
    EXPECT_EQ(With(b).Iterate(0, 0, true), 192);
}

TEST(PatternFractal, Transforms) {
    auto T = [](int k, float re, float im) { return PatternFractal::Transform(k, Complex(re, im)); };
    EXPECT_EQ(T(0, 1.5f, -2.0f), Complex(1.5f, -2.0f));
    EXPECT_EQ(T(1, 1.0f, 2.0f), Complex(-3.0f, 4.0f));
    auto Near = [](Complex a, std::complex<double> b) {
        return std::abs(std::complex<double>(a.real(), a.imag()) - b) < 1e-5 * (1 + std::abs(b));
    };
    for (Complex z : {Complex(0.3f, -1.7f), Complex(-2.5f, 0.4f), Complex(4.0f, 3.0f), Complex(-0.001f, -5.0f)}) {
        std::complex<double> zd(z.real(), z.imag());
        EXPECT_TRUE(Near(T(2, z.real(), z.imag()), std::sin(zd))) << z;
        EXPECT_TRUE(Near(T(3, z.real(), z.imag()), std::cos(zd))) << z;
        EXPECT_TRUE(Near(T(4, z.real(), z.imag()), std::log(zd))) << z;
        EXPECT_TRUE(Near(T(5, z.real(), z.imag()), std::sqrt(zd))) << z;
    }
    EXPECT_EQ(T(4, 0, 0), Complex(0, 0));  // log of 0 is z itself
    EXPECT_EQ(T(4, 1, 0), Complex(0, 0));
    EXPECT_EQ(T(5, -4, 0), Complex(0, 2));  // principal root
    EXPECT_EQ(T(5, -4, -0.0f), Complex(0, -2));
    EXPECT_EQ(T(6, 2.75f, -2.75f), Complex(0.75f, -0.75f));
    EXPECT_EQ(T(7, 2.75f, -2.75f), Complex(3.0f, -2.0f));
    EXPECT_EQ(T(7, 2.25f, -0.25f), Complex(2.0f, 0.0f));
    EXPECT_EQ(T(8, 2.5f, -2.5f), Complex(-0.5f, 0.5f));
    EXPECT_EQ(T(8, 2.25f, -2.75f), Complex(0.25f, 0.25f));
    EXPECT_EQ(T(9, 2.75f, -2.75f), Complex(0.75f, 0.25f));
    EXPECT_EQ(T(10, 2.75f, -2.75f), Complex(-0.25f, -0.75f));
    EXPECT_EQ(T(11, 2.75f, -2.75f), Complex(2.75f, -2.75f));  // unknown: unchanged
}

TEST(FractalMath, MatchesTheLibraryAndTurnsErrorsIntoZero) {
    double worst = 0;
    for (int k = -4000; k <= 4000; ++k) {
        double x = k * 0.0123457;
        auto rel = [](double a, double b) { return std::fabs(a - b) / (1e-300 + std::fmax(1.0, std::fabs(b))); };
        worst = std::fmax(worst, rel(fmath::Sin(x), std::sin(x)));
        worst = std::fmax(worst, rel(fmath::Cos(x), std::cos(x)));
        worst = std::fmax(worst, rel(fmath::Atan(x), std::atan(x)));
        worst = std::fmax(worst, rel(fmath::Atan2(x, 1.5 - k * 0.0007), std::atan2(x, 1.5 - k * 0.0007)));
        worst = std::fmax(worst, std::fabs(fmath::Exp(x / 100) / std::exp(x / 100) - 1));
        worst = std::fmax(worst, std::fabs(fmath::Sinh(x / 200) - std::sinh(x / 200)) / std::fmax(1e-3, std::fabs(std::sinh(x / 200))));
        worst = std::fmax(worst, std::fabs(fmath::Cosh(x / 200) / std::cosh(x / 200) - 1));
        if (x > 0) {
            worst = std::fmax(worst, rel(fmath::Log(x), std::log(x)));
            worst = std::fmax(worst, std::fabs(fmath::Pow(x / 50, 1.0 / 3) / std::pow(x / 50, 1.0 / 3) - 1));
        }
    }
    EXPECT_LT(worst, 1e-14);
    EXPECT_EQ(fmath::Atan2(0.0, -0.0), std::atan2(0.0, -0.0));
    EXPECT_EQ(fmath::Atan2(-0.0, -1.0), std::atan2(-0.0, -1.0));
    EXPECT_EQ(fmath::Atan2(0.0, 0.0), 0.0);
    EXPECT_EQ(fmath::Log(1.0), 0.0);
    EXPECT_EQ(fmath::Pow(0.0, 3.0), 0.0);
    EXPECT_EQ(fmath::Pow(1.0, 0.25), 1.0);
    // The palette's easing powers: exact where the result is representable,
    // and otherwise (almost always) the library's correctly rounded value.
    EXPECT_EQ(fmath::PowInt(0.5, 2), 0.25);
    EXPECT_EQ(fmath::PowInt(0.75, 3), 0.421875);
    EXPECT_EQ(fmath::Root(0.25, 2), 0.5);
    EXPECT_EQ(fmath::Root(0.125, 3), 0.5);
    EXPECT_EQ(fmath::Root(0.5, 1), 0.5);
    EXPECT_EQ(fmath::Root(0.0, 4), 0.0);
    int same = 0, total = 0;
    for (int k = 1; k < 100; ++k)
        for (int e = 2; e <= 9; ++e, total += 2) {
            double t = k / 100.0;
            same += fmath::PowInt(t, e) == std::pow(t, e);
            same += fmath::Root(t, e) == std::pow(t, 1.0 / e);
            ASSERT_NEAR(fmath::Root(t, e), std::pow(t, 1.0 / e), 1e-15);
        }
    EXPECT_GT(same, total * 9 / 10);

    // A failing function reports through the hook and gives 0.
    CaptureTrace trace;
    EXPECT_EQ(ComplexSin(Complex(2.0f, 3000.0f), &trace), Complex(0.0f, 0.0f));
    std::string all;
    for (const std::string& line : trace.lines) all += line + "\n";
    EXPECT_NE(all.find(" : except->type = 3\n"), std::string::npos) << all;
    EXPECT_NE(all.find(" : except->name = cosh\n"), std::string::npos) << all;
    EXPECT_EQ(ComplexCos(Complex(3e7f, 0.0f)), Complex(0.0f, 0.0f));  // beyond the reduction range
    EXPECT_EQ(TruncToInt(std::nan("")), 0);
    EXPECT_EQ(TruncToInt(3e10), 0);
    EXPECT_EQ(TruncToInt(-2.9), -2);
}
