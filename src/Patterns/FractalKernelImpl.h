// The vector orbit loop, included once per instruction set with
// MV_KERNEL_WIDTH (floats a vector) and MV_KERNEL_NAME (the entry point) set.
// Every expression here repeats, lane by lane, an expression of the
// one-point code in Fractal.cpp and FractalMath.cpp in the same order: the
// results are the same bits. Built with -ffp-contract=off.
#include <immintrin.h>

#include <cstdint>
#include <cstring>

#include "Patterns/FractalKernel.h"

namespace mv {
namespace fractal_kernel {
namespace {

constexpr int W = MV_KERNEL_WIDTH;
typedef float VF __attribute__((vector_size(W * 4)));
typedef int32_t VI __attribute__((vector_size(W * 4)));
typedef double VD __attribute__((vector_size(W * 8)));
typedef int64_t VL __attribute__((vector_size(W * 8)));
typedef uint64_t VU __attribute__((vector_size(W * 8)));

// The constants of FractalMath.cpp.
constexpr double kPi = 3.14159265358979323846;
constexpr double kPiOver2 = 1.57079632679489661923;
constexpr double kPiOver4 = 0.78539816339744830962;
constexpr double kTwoOverPi = 0.63661977236758134308;
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kLn2 = 0.69314718055994530942;
constexpr double kInvLn2 = 1.44269504088896340736;
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kTanPiOver8 = 0.41421356237309504880;

inline VF SplatF(float v) { return VF{} + v; }
inline VD SplatD(double v) { return VD{} + v; }

inline bool Any(VI m) {
#if MV_KERNEL_WIDTH == 8
    __m256 v;
    std::memcpy(&v, &m, sizeof v);
    return _mm256_movemask_ps(v) != 0;
#else
    __m128 v;
    std::memcpy(&v, &m, sizeof v);
    return _mm_movemask_ps(v) != 0;
#endif
}

inline VI ToI(VL m) { return __builtin_convertvector(m, VI); }
inline VL ToL(VI m) { return __builtin_convertvector(m, VL); }
inline VD ToD(VF v) { return __builtin_convertvector(v, VD); }
inline VF ToF(VD v) { return __builtin_convertvector(v, VF); }

inline VD AbsD(VD v) { return reinterpret_cast<VD>(reinterpret_cast<VL>(v) & 0x7FFFFFFFFFFFFFFFll); }
inline VF AbsF(VF v) { return reinterpret_cast<VF>(reinterpret_cast<VI>(v) & 0x7FFFFFFF); }
inline VL SignBitD(VD v) { return reinterpret_cast<VL>(v) < 0; }

inline VD SqrtD(VD v) {
    double a[W];
    std::memcpy(a, &v, sizeof a);
#if MV_KERNEL_WIDTH == 8
    for (int k = 0; k < W; k += 4) _mm256_storeu_pd(a + k, _mm256_sqrt_pd(_mm256_loadu_pd(a + k)));
#else
    for (int k = 0; k < W; k += 2) _mm_storeu_pd(a + k, _mm_sqrt_pd(_mm_loadu_pd(a + k)));
#endif
    VD r;
    std::memcpy(&r, a, sizeof r);
    return r;
}

// Nearest: the magnitude plus one half, truncated; the sign put back for
// negative values. Lanes must stay below 2^31.
inline VD Nearest(VD v) {
    VD a = AbsD(v);
    VD n = __builtin_convertvector(__builtin_convertvector(a + 0.5, VI), VD);
    return v < 0.0 ? -n : n;
}

// 2^k for whole k in the normal range.
inline VD Pow2(VD k) {
    VL e = ToL(__builtin_convertvector(k, VI)) + 1023;
    return reinterpret_cast<VD>(e << 52);
}

inline VD SinKernel(VD r) {
    VD r2 = r * r;
    VD m = -r2;
    VD p = SplatD(1.0 / 1307674368000.0);
    p = p * m + 1.0 / 6227020800.0;
    p = p * m + 1.0 / 39916800.0;
    p = p * m + 1.0 / 362880.0;
    p = p * m + 1.0 / 5040.0;
    p = p * m + 1.0 / 120.0;
    p = p * m + 1.0 / 6.0;
    p = p * m + 1.0;
    return r * p;
}

inline VD CosKernel(VD r) {
    VD r2 = r * r;
    VD m = -r2;
    VD p = SplatD(1.0 / 20922789888000.0);
    p = p * m + 1.0 / 87178291200.0;
    p = p * m + 1.0 / 479001600.0;
    p = p * m + 1.0 / 3628800.0;
    p = p * m + 1.0 / 40320.0;
    p = p * m + 1.0 / 720.0;
    p = p * m + 1.0 / 24.0;
    p = p * m + 1.0 / 2.0;
    p = p * m + 1.0;
    return p;
}

// sin and cos of x from one reduction; |x| < 1e6 in every lane.
template <bool bSin, bool bCos>
inline void SinCos(VD x, VD& s, VD& c) {
    VD k = Nearest(x * kTwoOverPi);
    VD r = (x - k * kPio2Hi) - k * kPio2Lo;
    VI q = __builtin_convertvector(k, VI) & 3;
    VL odd = ToL((q & 1) != 0);
    VD sk = SinKernel(r), ck = CosKernel(r);
    if (bSin) {
        VD v = odd ? ck : sk;
        s = ToL(q >= 2) ? -v : v;
    }
    if (bCos) {
        VD v = odd ? sk : ck;
        c = ToL((q == 1) | (q == 2)) ? -v : v;
    }
}

// exp(a) for 0 <= a < 700 in every lane.
inline VD ExpSmall(VD x) {
    VD k = Nearest(x * kInvLn2);
    VD r = (x - k * kLn2Hi) - k * kLn2Lo;
    VD p = SplatD(1.0 / 6227020800.0);
    p = p * r + 1.0 / 479001600.0;
    p = p * r + 1.0 / 39916800.0;
    p = p * r + 1.0 / 3628800.0;
    p = p * r + 1.0 / 362880.0;
    p = p * r + 1.0 / 40320.0;
    p = p * r + 1.0 / 5040.0;
    p = p * r + 1.0 / 720.0;
    p = p * r + 1.0 / 120.0;
    p = p * r + 1.0 / 24.0;
    p = p * r + 1.0 / 6.0;
    p = p * r + 1.0 / 2.0;
    p = p * r + 1.0;
    p = p * r + 1.0;
    return p * Pow2(k);
}

// sinh and cosh of y from one exponential; |y| < 700 in every lane.
template <bool bSinh, bool bCosh>
inline void SinhCosh(VD y, VD& sh, VD& ch) {
    VD a = AbsD(y);
    VD e = ExpSmall(a);
    VD inv = 1.0 / e;
    if (bCosh) ch = (e + inv) / 2.0;
    if (bSinh) {
        VD big = (e - inv) / 2.0;
        big = y < 0.0 ? -big : big;
        VL small = a < 0.5;
        if (Any(ToI(small))) {
            VD x2 = y * y;
            VD p = SplatD(1.0 / 1307674368000.0);
            p = p * x2 + 1.0 / 6227020800.0;
            p = p * x2 + 1.0 / 39916800.0;
            p = p * x2 + 1.0 / 362880.0;
            p = p * x2 + 1.0 / 5040.0;
            p = p * x2 + 1.0 / 120.0;
            p = p * x2 + 1.0 / 6.0;
            p = p * x2 + 1.0;
            sh = small ? y * p : big;
        } else {
            sh = big;
        }
    }
}

// log of a positive normal double.
inline VD LogPositive(VD x) {
    VU bits = reinterpret_cast<VU>(x);
    VL e = reinterpret_cast<VL>(bits >> 52) - 1022;
    VD m = reinterpret_cast<VD>((bits & 0x000FFFFFFFFFFFFFull) | (1022ull << 52));
    VL low = m < kSqrtHalf;
    m = low ? m * 2.0 : m;
    e = low ? e - 1 : e;
    VD s = (m - 1.0) / (m + 1.0);
    VD s2 = s * s;
    VD p = SplatD(0.0);
    for (int k = 11; k >= 0; --k) p = p * s2 + 1.0 / (2 * k + 1);
    return __builtin_convertvector(e, VD) * kLn2 + 2.0 * s * p;
}

struct AtanTable {
    double c[23];
    AtanTable() {
        for (int k = 22; k >= 0; --k) c[k] = 1.0 / (2 * k + 1) * ((k & 1) ? -1.0 : 1.0);
    }
};
const AtanTable kAtan;

inline VD AtanUnit(VD t) {
    VL big = t > kTanPiOver8;
    VD offset = big ? SplatD(kPiOver4) : SplatD(0.0);
    t = big ? (t - 1.0) / (t + 1.0) : t;
    VD t2 = t * t;
    VD p = SplatD(0.0);
    for (int k = 22; k >= 0; --k) p = p * t2 + kAtan.c[k];
    return offset + t * p;
}

inline VD Atan(VD x) {
    VL neg = x < 0.0;
    VD a = neg ? -x : x;
    VL over = a > 1.0;
    VD u = AtanUnit(over ? 1.0 / a : a);
    VD r = over ? kPiOver2 - u : u;
    return neg ? -r : r;
}

// atan2 of finite lanes.
inline VD Atan2(VD y, VD x) {
    VD at = Atan(y / x);
    VL ySign = SignBitD(y);
    VD r = x > 0.0 ? at : (ySign ? at - kPi : at + kPi);
    VD onAxis = y > 0.0 ? SplatD(kPiOver2) : SplatD(-kPiOver2);
    VD origin = SignBitD(x) ? (ySign ? SplatD(-kPi) : SplatD(kPi)) : y;
    onAxis = y == 0.0 ? origin : onAxis;
    return x == 0.0 ? onAxis : r;
}

// Truncation, floor and ceiling of floats with the signs of the library's.
inline VF TruncF(VF v) {
    VI big = ~(AbsF(v) < 8388608.0f);
    VF t = __builtin_convertvector(__builtin_convertvector(big ? SplatF(0.0f) : v, VI), VF);
    t = reinterpret_cast<VF>(reinterpret_cast<VI>(t) | (reinterpret_cast<VI>(v) & static_cast<int32_t>(0x80000000u)));
    return big ? v : t;
}
inline VF FloorF(VF v) {
    VF t = TruncF(v);
    return t > v ? t - 1.0f : t;
}
inline VF CeilF(VF v) {
    VF t = TruncF(v);
    return t < v ? t + 1.0f : t;
}
inline VF RoundHalfUpF(VF v) {
    VF a = AbsF(v);
    VF whole = FloorF(a);
    VF r = (a - whole) >= 0.5f ? whole + 1.0f : whole;
    return v < 0.0f ? -r : r;
}

// w = T(z) for the transform iAdjZ; bIm false when only the real part is
// used. Lanes outside the vector maths' range are marked in `unsafe`.
template <int Adj, bool bIm>
inline void Transform(VF re, VF im, VF& wr, VF& wi, VI& unsafe) {
    switch (Adj) {
        case 1: {
            wr = re * re - im * im;
            VF p = re * im;
            wi = p + p;
            break;
        }
        case 2:
        case 3: {
            VD x = ToD(re), y = ToD(im);
            unsafe = ToI(~(AbsD(x) < 1e6) | ~(AbsD(y) < 700.0));
            if (Any(unsafe)) {
                x = ToL(unsafe) ? SplatD(0.0) : x;
                y = ToL(unsafe) ? SplatD(0.0) : y;
            }
            VD s = VD{}, c = VD{}, sh = VD{}, ch = VD{};
            SinCos<Adj == 2 || bIm, Adj == 3 || bIm>(x, s, c);
            SinhCosh<bIm, true>(y, sh, ch);
            if (Adj == 2) {
                wr = ToF(s * ch);
                if (bIm) wi = ToF(c * sh);
            } else {
                wr = ToF(c * ch);
                if (bIm) wi = ToF(-(s * sh));
            }
            break;
        }
        case 4: {
            VD x = ToD(re), y = ToD(im);
            unsafe = ~(AbsF(re) <= 3.40282347e38f) | ~(AbsF(im) <= 3.40282347e38f);
            VI zero = (re == 0.0f) & (im == 0.0f);
            VD modulus = SqrtD(x * x + y * y);
            modulus = ToL(zero | unsafe) ? SplatD(1.0) : modulus;
            wr = zero ? re : ToF(LogPositive(modulus));
            if (bIm) wi = zero ? im : ToF(Atan2(y, x));
            break;
        }
        case 5: {
            VD x = ToD(re), y = ToD(im);
            unsafe = ~(AbsF(re) <= 3.40282347e38f) | ~(AbsF(im) <= 3.40282347e38f);
            VI zero = (re == 0.0f) & (im == 0.0f);
            VD modulus = SqrtD(x * x + y * y);
            VD ax = AbsD(x);
            VD root = SqrtD((modulus + ax) / 2.0);
            VD other = AbsD(y) / (2.0 * root);
            VL ySign = SignBitD(y);
            VL xPos = x >= 0.0;
            VD rr = xPos ? root : other;
            VD ri = xPos ? (ySign ? -other : other) : (ySign ? -root : root);
            wr = zero ? SplatF(0.0f) : ToF(rr);
            if (bIm) wi = zero ? im : ToF(ri);
            break;
        }
        case 6:
            wr = re - TruncF(re);
            if (bIm) wi = im - TruncF(im);
            break;
        case 7:
            wr = TruncF(re + 0.5f);
            if (bIm) wi = TruncF(im + 0.5f);
            break;
        case 8:
            wr = re - RoundHalfUpF(re);
            if (bIm) wi = im - RoundHalfUpF(im);
            break;
        case 9:
            wr = re - FloorF(re);
            if (bIm) wi = im - FloorF(im);
            break;
        case 10:
            wr = re - CeilF(re);
            if (bIm) wi = im - CeilF(im);
            break;
        default:
            wr = re;
            wi = im;
            break;
    }
}

struct Lanes {
    VF zr, zi, wr, wi, minNorm, minRe;
    VI count;
};

// The orbit loop of W points. With bFollow the transform and the minimum
// modifiers run on every step (bNorm: smallest norm of w; bRe: smallest
// |re w|); bIm: the imaginary part of w is needed.
template <int Adj, bool bFollow, bool bNorm, bool bRe, bool bIm>
void Loop(const Params& p, Lanes& s, Fallback fallback, void* pContext) {
    const VF bail = SplatF(p.fBailout);
    const VF cr = SplatF(p.cr), ci = SplatF(p.ci);
    VF zr = s.zr, zi = s.zi, wr = s.wr, wi = s.wi, minNorm = s.minNorm, minRe = s.minRe;
    VI count = s.count;
    VI active = VI{} - 1;
    for (int it = 0; it < p.iMaxIter - 1; ++it) {
        active &= (zr * zr + zi * zi) < bail;
        if (!Any(active)) break;
        VF sr = zr * zr - zi * zi;
        VF pr = zr * zi;
        VF si = pr + pr;
        zr = active ? sr + cr : zr;
        zi = active ? si + ci : zi;
        count -= active;
        if (bFollow) {
            VF tr, ti = wi;
            VI unsafe = VI{};
            Transform<Adj, bIm>(zr, zi, tr, ti, unsafe);
            unsafe &= active;
            if (Any(unsafe)) {
                for (int k = 0; k < W; ++k) {
                    if (!unsafe[k]) continue;
                    float a, b;
                    fallback(Adj, zr[k], zi[k], a, b, pContext);
                    tr[k] = a;
                    ti[k] = b;
                }
            }
            wr = active ? tr : wr;
            if (bIm) wi = active ? ti : wi;
            if (bNorm) {
                VF n = wr * wr + wi * wi;
                minNorm = (active & (n < minNorm)) ? n : minNorm;
            }
            if (bRe) {
                VF a = AbsF(wr);
                minRe = (active & (a < minRe)) ? a : minRe;
            }
        }
    }
    s.zr = zr;
    s.zi = zi;
    s.wr = wr;
    s.wi = wi;
    s.minNorm = minNorm;
    s.minRe = minRe;
    s.count = count;
}

using LoopFn = void (*)(const Params&, Lanes&, Fallback, void*);

template <int Adj>
LoopFn PickFollow(bool bNorm, bool bRe, bool bAngle) {
    if (bNorm && bRe) return &Loop<Adj, true, true, true, true>;
    if (bNorm) return &Loop<Adj, true, true, false, true>;
    if (bAngle) return &Loop<Adj, true, false, true, true>;
    return &Loop<Adj, true, false, true, false>;
}

LoopFn Pick(const Params& p) {
    if (!p.bUseMinNormZ && !p.bUseMinAbsReal) return &Loop<0, false, false, false, false>;
    switch (p.iAdjZ) {
        case 1: return PickFollow<1>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 2: return PickFollow<2>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 3: return PickFollow<3>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 4: return PickFollow<4>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 5: return PickFollow<5>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 6: return PickFollow<6>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 7: return PickFollow<7>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 8: return PickFollow<8>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 9: return PickFollow<9>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        case 10: return PickFollow<10>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
        default: return PickFollow<0>(p.bUseMinNormZ, p.bUseMinAbsReal, p.bUseAngle);
    }
}

}  // namespace

void MV_KERNEL_NAME(const Params& p, float x, const float* ys, int n, Orbit* pOut, Fallback fallback,
                    void* pContext) {
    if (n <= 0) return;
    const LoopFn loop = Pick(p);
    const bool bFollow = p.bUseMinNormZ || p.bUseMinAbsReal;
    const float zr0 = x * p.fScaleX + p.fCentreX;
    const float fMinNorm = p.bUseMinNormZ ? 2.0f * p.fBailout * p.fBailout : 0.0f;
    const float fMinRe = p.bUseMinAbsReal ? p.fBailout : 0.0f;
    for (int k0 = 0; k0 < n; k0 += W) {
        VF y;
        for (int k = 0; k < W; ++k) y[k] = ys[k0 + k < n ? k0 + k : n - 1];
        Lanes s;
        s.zr = SplatF(zr0);
        s.zi = y * p.fScaleY + p.fCentreY;
        s.wr = s.zr;
        s.wi = s.zi;
        s.minNorm = SplatF(fMinNorm);
        s.minRe = SplatF(fMinRe);
        s.count = VI{};
        loop(p, s, fallback, pContext);
        for (int k = 0; k < W && k0 + k < n; ++k) {
            Orbit& o = pOut[k0 + k];
            o.i = s.count[k];
            o.zr = s.zr[k];
            o.zi = s.zi[k];
            o.wr = s.wr[k];
            o.wi = s.wi[k];
            o.fMinNorm = s.minNorm[k];
            o.fMinRe = s.minRe[k];
            o.bTransformed = bFollow;
        }
    }
}

}  // namespace fractal_kernel
}  // namespace mv
