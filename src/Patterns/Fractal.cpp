#include "Patterns/Fractal.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <vector>

#include "Patterns/FractalMath.h"
#include "app/Random.h"
#include "platform/Trace.h"

namespace mv {

int PatternCalculator::ComputeSigned(const float* pInput, float* pOutput) {
    Compute(pInput, pOutput);
    int n = OutputCount();
    for (int k = 0; k < n; ++k) pOutput[k] = 2.0f * pOutput[k] - 1.0f;
    return n;
}

namespace {

using Complex = PatternFractal::Complex;

inline Complex Square(Complex z) {
    float re = z.real(), im = z.imag();
    return Complex(re * re - im * im, re * im + im * re);
}

inline float Norm(Complex z) { return z.real() * z.real() + z.imag() * z.imag(); }

// Rounds the magnitude up from a fractional part of 0.49999999999 on, keeping
// the sign.
inline float RoundHalfUp(float v) {
    float a = std::fabs(v);
    float whole = std::floor(a);
    float r = (static_cast<double>(a - whole) >= 0.49999999999) ? whole + 1.0f : whole;
    return v < 0 ? -r : r;
}

constexpr float kPiF = 3.14159265358979323846f;

}  // namespace

Complex PatternFractal::Transform(int iAdjZ, Complex z, TraceSink* pTrace) {
    float re = z.real(), im = z.imag();
    switch (iAdjZ) {
        case 1: return Square(z);
        case 2: return ComplexSin(z, pTrace);
        case 3: return ComplexCos(z, pTrace);
        case 4: return (re == 0.0f && im == 0.0f) ? z : ComplexLog(z, pTrace);
        case 5: return ComplexSqrt(z, pTrace);
        case 6: return Complex(re - std::trunc(re), im - std::trunc(im));
        case 7: return Complex(std::trunc(re + 0.5f), std::trunc(im + 0.5f));
        case 8: return Complex(re - RoundHalfUp(re), im - RoundHalfUp(im));
        case 9: return Complex(re - std::floor(re), im - std::floor(im));
        case 10: return Complex(re - std::ceil(re), im - std::ceil(im));
        default: return z;
    }
}

int PatternFractal::Iterate(float x, float y, bool bColouring) const {
    Complex z(x * m_fScaleX + m_fCentreX, y * m_fScaleY + m_fCentreY);
    Complex w = z;
    float fMinNorm = m_bUseMinNormZ ? 2.0f * m_fBailout * m_fBailout : 0.0f;
    float fMinRe = m_bUseMinAbsReal ? m_fBailout : 0.0f;
    const float cr = m_c.real(), ci = m_c.imag();
    int i = 0;
    while (i < m_iMaxIter - 1 && Norm(z) < m_fBailout) {
        Complex sq = Square(z);
        z = Complex(sq.real() + cr, sq.imag() + ci);
        if (bColouring) {
            w = m_iAdjZ == 0 ? z : Transform(m_iAdjZ, z, m_pTrace);
            if (m_bUseMinNormZ) {
                float n = Norm(w);
                if (n < fMinNorm) fMinNorm = n;
            }
            if (m_bUseMinAbsReal) {
                float a = std::fabs(w.real());
                if (a < fMinRe) fMinRe = a;
            }
        }
        ++i;
    }
    if (!bColouring) return i;
    return Finish(i, z.real(), w, fMinNorm, fMinRe);
}

namespace {

// The escape count wraps at the limit m; the palette's size, a power of two,
// wraps with a mask instead of a division.
struct CountWrap {
    int m;
    bool bPow2;
    explicit CountWrap(int iMax) : m(iMax), bPow2(iMax > 0 && (iMax & (iMax - 1)) == 0) {}
    int operator()(int v) const { return bPow2 && v >= 0 ? v & (m - 1) : v % m; }
    // The two minimum modifiers, added to the count i.
    int AddMinima(int i, bool bNorm, bool bRe, float fMinNorm, float fMinRe) const {
        if (bNorm) i = (*this)(i + TruncToInt(static_cast<float>(m) * fMinNorm));
        if (bRe) i = (*this)(i + TruncToInt(static_cast<float>(m) * fMinRe));
        return i;
    }
};

}  // namespace

int PatternFractal::Finish(int i, float zr, Complex w, float fMinNorm, float fMinRe) const {
    const CountWrap wrap(m_iMaxIter);
    if (m_bUseAngle) {
        if (zr == 0.0f) {
            i = 0;
        } else {
            float a = (CheckedAtan2(w.imag(), w.real(), m_pTrace) / kPiF + 1.0f) / 2.0f;
            float e = (0.25f - (a - 0.5f) * (a - 0.5f)) * 4.0f;
            i = wrap(std::abs(TruncToInt(static_cast<float>(m_iMaxIter) * e)));
        }
    }
    return wrap.AddMinima(i, m_bUseMinNormZ, m_bUseMinAbsReal, fMinNorm, fMinRe);
}

void PatternFractal::Compute(const float* pInput, float* pOutput) {
    pOutput[0] = static_cast<float>(Iterate(pInput[0], pInput[1], true)) / static_cast<float>(m_iMaxIter - 1);
}

#if defined(__i386__) || defined(__x86_64__)
#define MV_FRACTAL_KERNEL 1
#else
#define MV_FRACTAL_KERNEL 0
#endif

namespace {

// The one-point transform, for the rare vector lane outside the range the
// vector maths covers.
void OnePointTransform(int iAdjZ, float re, float im, float& outRe, float& outIm, void* pContext) {
    Complex w = PatternFractal::Transform(iAdjZ, Complex(re, im), static_cast<TraceSink*>(pContext));
    outRe = w.real();
    outIm = w.imag();
}

}  // namespace

bool PatternFractal::CanComputeColumns() const { return m_bReady && !(m_pTrace && m_pTrace->IsOn()); }

void PatternFractal::ComputeColumn(float x, const float* pYs, int n, float* pOutput,
                                   fractal_kernel::SimdLevel level) const {
    using namespace fractal_kernel;
    const float fDivisor = static_cast<float>(m_iMaxIter - 1);
#if MV_FRACTAL_KERNEL
    const SimdLevel best = BestLevel();
    if (level == SimdLevel::Best || (level == SimdLevel::Avx2 && best != SimdLevel::Avx2)) level = best;
#else
    level = SimdLevel::Scalar;
#endif
    if (level == SimdLevel::Scalar) {
        for (int k = 0; k < n; ++k) pOutput[k] = static_cast<float>(Iterate(x, pYs[k], true)) / fDivisor;
        return;
    }
#if MV_FRACTAL_KERNEL
    Params p;
    p.fScaleX = m_fScaleX;
    p.fCentreX = m_fCentreX;
    p.fScaleY = m_fScaleY;
    p.fCentreY = m_fCentreY;
    p.cr = m_c.real();
    p.ci = m_c.imag();
    p.fBailout = m_fBailout;
    p.iMaxIter = m_iMaxIter;
    p.iAdjZ = m_iAdjZ;
    p.bUseAngle = m_bUseAngle;
    p.bUseMinNormZ = m_bUseMinNormZ;
    p.bUseMinAbsReal = m_bUseMinAbsReal;
    auto orbits = level == SimdLevel::Avx2 ? &OrbitsAvx2 : &OrbitsSse2;
    constexpr int kBlock = 256;
    Orbit block[kBlock];
    for (int k0 = 0; k0 < n; k0 += kBlock) {
        const int m = n - k0 < kBlock ? n - k0 : kBlock;
        orbits(p, x, pYs + k0, m, block, &OnePointTransform, m_pTrace);
        if (!m_bUseAngle) {
            // Finish without the angle, the settings held outside the loop.
            const CountWrap wrap(m_iMaxIter);
            const bool bNorm = m_bUseMinNormZ, bRe = m_bUseMinAbsReal;
            for (int k = 0; k < m; ++k) {
                const Orbit& o = block[k];
                pOutput[k0 + k] = static_cast<float>(wrap.AddMinima(o.i, bNorm, bRe, o.fMinNorm, o.fMinRe)) / fDivisor;
            }
            continue;
        }
        for (int k = 0; k < m; ++k) {
            const Orbit& o = block[k];
            Complex w(o.wr, o.wi);
            if (!o.bTransformed) {
                // The orbit did not follow w; only the angle needs the last one.
                w = Complex(o.zr, o.zi);
                if (o.i > 0 && m_iAdjZ != 0) w = Transform(m_iAdjZ, w, m_pTrace);
            }
            pOutput[k0 + k] = static_cast<float>(Finish(o.i, o.zr, w, o.fMinNorm, o.fMinRe)) / fDivisor;
        }
    }
#endif
}

void PatternFractal::SetUp(int /*iInputs*/, int /*iOutputs*/, bool bNoAngle, int /*iFourth*/,
                           const PatternContext& context) {
    if (m_bReady || !m_pRandom) return;
    Random& r = *m_pRandom;
    m_pTrace = context.pTrace;
    int tries = 0;
    m_iMaxIter = context.iPaletteSize < 2 ? 2 : context.iPaletteSize;

    // The order of the draws below decides the picture a seed gives.
    m_bUseAngle = !bNoAngle && r.uniform() < 0.15;
    m_bUseMinNormZ = r.uniform() < 0.15;
    m_bUseMinAbsReal = r.uniform() < 0.15;
    bool bApplyMods = r.below(2) != 0;
    m_iAdjZ = 0;
    if (m_bUseAngle || m_bUseMinNormZ || m_bUseMinAbsReal) {
        if (r.uniform() >= 0.8) m_iAdjZ = r.skewed(11, 2);
    }

    std::vector<char> seen(static_cast<size_t>(m_iMaxIter / 8 + 1));
    for (;;) {
        ++tries;
        m_fBailout = static_cast<float>(r.skewed(20, 3) + 4);

        // The Julia constant, inside the escape limit.
        float re, im;
        do {
            double u1 = r.uniform();
            double u2 = r.uniform();
            re = static_cast<float>(u1 * 1.75 * u2);
            if (r.uniform() < 0.9) re = -re;
            int s;
            if (r.uniform() >= 0.85)
                s = r.sign();
            else
                s = re > 0.0f ? -1 : (re < 0.0f ? 1 : 0);
            double u3 = r.uniform();
            double u4 = r.uniform();
            im = static_cast<float>(u3 * 1.75 * u4 * s);
            m_c = Complex(re, im);
        } while (!(Norm(m_c) < m_fBailout));

        // The view window: four free ends, or a square around the origin.
        float x1, y1, x2, y2;
        do {
            if (r.uniform() >= 0.75) {
                float* ends[4] = {&x1, &y1, &x2, &y2};
                for (float* pEnd : ends) {
                    double d = r.symmetric();
                    double u = r.uniform();
                    *pEnd = static_cast<float>(u * (2.0 * d));
                }
            } else {
                double d = r.symmetric();
                double u = r.uniform();
                float h = std::fabs(static_cast<float>(u * u * u * (2.0 * d)));
                x1 = y1 = -h;
                x2 = y2 = h;
            }
        } while (!(static_cast<double>(x2 - x1) >= 0.001 && static_cast<double>(y2 - y1) >= 0.001));

        m_fScaleX = (x2 - x1) / 2.0f;
        m_fCentreX = (x1 + x2) / 2.0f;
        m_fScaleY = (y2 - y1) / 2.0f;
        m_fCentreY = (y1 + y2) / 2.0f;
        m_bReady = true;

        // A sample of 16 points: all must escape, over enough distinct bands.
        std::fill(seen.begin(), seen.end(), 0);
        int buckets = 0;
        static const float kSample[4] = {0.0f, 0.25f, 0.5f, 0.75f};
        for (int ix = 0; ix < 4 && m_bReady; ++ix) {
            for (int iy = 0; iy < 4 && m_bReady; ++iy) {
                int v = Iterate(kSample[ix], kSample[iy], bApplyMods);
                if (v < m_iMaxIter - 1) {
                    if (!seen[static_cast<size_t>(v / 8)]) {
                        seen[static_cast<size_t>(v / 8)] = 1;
                        ++buckets;
                    }
                } else {
                    m_bReady = false;
                }
            }
        }
        int divisor = static_cast<int>(std::sqrt(static_cast<double>(tries))) + context.iGroups;
        int need = divisor == 0 ? 128 : 128 / divisor;
        if (tries > 1000 || (m_bReady && buckets >= need)) break;
        m_bReady = false;
    }
    // Accepted, also when the attempts ran out on a failed sample.
    m_bReady = true;
    m_bApplyMods = bApplyMods;
    m_iTries = tries;

    TraceSink* pTrace = context.pTrace;
    if (pTrace && pTrace->IsOn()) {
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "tries", tries));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "m_bUseAngle", m_bUseAngle ? 1 : 0));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "m_bUseMinNormZ", m_bUseMinNormZ ? 1 : 0));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "m_bUseMinAbsReal", m_bUseMinAbsReal ? 1 : 0));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "m_iAdjZ", m_iAdjZ));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "bApplyMods", bApplyMods ? 1 : 0));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "gApp.pSceneWnd()->groups()", context.iGroups));
    }
}

PatternFractal::Parameters PatternFractal::GetParameters() const {
    Parameters p;
    p.bUseAngle = m_bUseAngle;
    p.bUseMinNormZ = m_bUseMinNormZ;
    p.bUseMinAbsReal = m_bUseMinAbsReal;
    p.bApplyMods = m_bApplyMods;
    p.iMaxIter = m_iMaxIter;
    p.fBailout = m_fBailout;
    p.fScaleX = m_fScaleX;
    p.fCentreX = m_fCentreX;
    p.fScaleY = m_fScaleY;
    p.fCentreY = m_fCentreY;
    p.iAdjZ = m_iAdjZ;
    p.c = m_c;
    p.iTries = m_iTries;
    return p;
}

void PatternFractal::SetParameters(const Parameters& p) {
    m_bUseAngle = p.bUseAngle;
    m_bUseMinNormZ = p.bUseMinNormZ;
    m_bUseMinAbsReal = p.bUseMinAbsReal;
    m_bApplyMods = p.bApplyMods;
    m_iMaxIter = p.iMaxIter < 2 ? 2 : p.iMaxIter;
    m_fBailout = p.fBailout;
    m_fScaleX = p.fScaleX;
    m_fCentreX = p.fCentreX;
    m_fScaleY = p.fScaleY;
    m_fCentreY = p.fCentreY;
    m_iAdjZ = p.iAdjZ;
    m_c = p.c;
    m_iTries = p.iTries;
    m_bReady = true;
}

}  // namespace mv
