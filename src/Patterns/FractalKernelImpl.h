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

constexpr int W = MV_KERNEL_WIDTH;  // floats a vector
constexpr int DW = W / 2;            // doubles a vector: each float vector is done in two halves
typedef float VF __attribute__((vector_size(W * 4)));
typedef int32_t VI __attribute__((vector_size(W * 4)));
typedef double VD __attribute__((vector_size(DW * 8)));
typedef int64_t VL __attribute__((vector_size(DW * 8)));
typedef uint64_t VU __attribute__((vector_size(DW * 8)));

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
// 1.5 * 2^52: a whole number k below 2^51 added to it lies in the low bits.
constexpr double kMagic = 6755399441055744.0;
constexpr uint64_t kSign = 0x8000000000000000ull;
constexpr uint64_t kOneBits = 0x3FF0000000000000ull;

inline VF SplatF(float v) { return VF{} + v; }
inline VD SplatD(double v) { return VD{} + v; }

template <class V>
inline V Bits(const void* p) {
    V v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

inline bool Any(VI m) {
#if MV_KERNEL_WIDTH == 8
    return _mm256_movemask_ps(Bits<__m256>(&m)) != 0;
#else
    return _mm_movemask_ps(Bits<__m128>(&m)) != 0;
#endif
}
inline bool AnyD(VL m) {
#if MV_KERNEL_WIDTH == 8
    return _mm256_movemask_pd(Bits<__m256d>(&m)) != 0;
#else
    return _mm_movemask_pd(Bits<__m128d>(&m)) != 0;
#endif
}

// The two halves of a float vector as doubles, and back (exact one way,
// rounded to nearest the other, as a cast rounds).
inline void Split(VF v, VD& lo, VD& hi) {
#if MV_KERNEL_WIDTH == 8
    __m256 f = Bits<__m256>(&v);
    __m256d a = _mm256_cvtps_pd(_mm256_castps256_ps128(f)), b = _mm256_cvtps_pd(_mm256_extractf128_ps(f, 1));
#else
    __m128 f = Bits<__m128>(&v);
    __m128d a = _mm_cvtps_pd(f), b = _mm_cvtps_pd(_mm_movehl_ps(f, f));
#endif
    lo = Bits<VD>(&a);
    hi = Bits<VD>(&b);
}
inline VF Join(VD lo, VD hi) {
#if MV_KERNEL_WIDTH == 8
    __m256 f = _mm256_insertf128_ps(_mm256_castps128_ps256(_mm256_cvtpd_ps(Bits<__m256d>(&lo))),
                                    _mm256_cvtpd_ps(Bits<__m256d>(&hi)), 1);
#else
    __m128 f = _mm_movelh_ps(_mm_cvtpd_ps(Bits<__m128d>(&lo)), _mm_cvtpd_ps(Bits<__m128d>(&hi)));
#endif
    return Bits<VF>(&f);
}

inline VD AbsD(VD v) { return reinterpret_cast<VD>(reinterpret_cast<VU>(v) & ~kSign); }
inline VF AbsF(VF v) { return reinterpret_cast<VF>(reinterpret_cast<VI>(v) & 0x7FFFFFFF); }
// Lanes whose sign bit is set (signbit), found by a double comparison.
inline VL SignBitD(VD v) {
    return reinterpret_cast<VD>((reinterpret_cast<VU>(v) & kSign) | kOneBits) < 0.0;
}
// Flips the sign of the lanes whose bit 0 of b is set.
inline VD FlipIf(VD v, VU b) { return reinterpret_cast<VD>(reinterpret_cast<VU>(v) ^ (b << 63)); }
// Lanes whose bit 0 of b is set.
inline VL MaskOf(VU b) { return reinterpret_cast<VD>((b << 63) | kOneBits) < 0.0; }

inline VD SqrtD(VD v) {
#if MV_KERNEL_WIDTH == 8
    __m256d r = _mm256_sqrt_pd(Bits<__m256d>(&v));
#else
    __m128d r = _mm_sqrt_pd(Bits<__m128d>(&v));
#endif
    return Bits<VD>(&r);
}

// Truncation of lanes in [0, 2^31).
inline VD TruncPos(VD v) {
#if MV_KERNEL_WIDTH == 8
    __m256d r = _mm256_cvtepi32_pd(_mm256_cvttpd_epi32(Bits<__m256d>(&v)));
#else
    __m128d r = _mm_cvtepi32_pd(_mm_cvttpd_epi32(Bits<__m128d>(&v)));
#endif
    return Bits<VD>(&r);
}

// The two's complement bits of whole lanes below 2^51 in magnitude.
inline VU IntBits(VD k) { return reinterpret_cast<VU>(k + kMagic); }

// Nearest: the magnitude plus one half, truncated; the sign put back for
// negative values. Lanes must stay below 2^31.
inline VD Nearest(VD v) {
    VD n = TruncPos(AbsD(v) + 0.5);
    return v < 0.0 ? -n : n;
}

// 2^k for whole k in the normal range.
inline VD Pow2(VD k) { return reinterpret_cast<VD>((IntBits(k) + 1023) << 52); }

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
    VU q = IntBits(k);
    VL odd = MaskOf(q);
    VD sk = SinKernel(r), ck = CosKernel(r);
    if (bSin) s = FlipIf(odd ? ck : sk, q >> 1);
    if (bCos) c = FlipIf(odd ? sk : ck, q ^ (q >> 1));
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
        if (AnyD(small)) {
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
    // The exponent as a double: exact through the magic number.
    VD e = reinterpret_cast<VD>((bits >> 52) + reinterpret_cast<VU>(SplatD(kMagic))) - (kMagic + 1022.0);
    VD m = reinterpret_cast<VD>((bits & 0x000FFFFFFFFFFFFFull) | (1022ull << 52));
    VL low = m < kSqrtHalf;
    m = low ? m * 2.0 : m;
    e = low ? e - 1.0 : e;
    VD s = (m - 1.0) / (m + 1.0);
    VD s2 = s * s;
    VD p = SplatD(0.0);
    for (int k = 11; k >= 0; --k) p = p * s2 + 1.0 / (2 * k + 1);
    return e * kLn2 + 2.0 * s * p;
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
            // |x| < 1e6 and |y| < 700 in single precision are the same tests in double.
            unsafe = ~(AbsF(re) < 1e6f) | ~(AbsF(im) < 700.0f);
            VF sre = re, sim = im;
            if (Any(unsafe)) {
                sre = unsafe ? SplatF(0.0f) : re;
                sim = unsafe ? SplatF(0.0f) : im;
            }
            VD x[2], y[2], r[2], i[2];
            Split(sre, x[0], x[1]);
            Split(sim, y[0], y[1]);
            for (int h = 0; h < 2; ++h) {
                VD sn = VD{}, cs = VD{}, sh = VD{}, ch = VD{};
                SinCos<Adj == 2 || bIm, Adj == 3 || bIm>(x[h], sn, cs);
                SinhCosh<bIm, true>(y[h], sh, ch);
                if (Adj == 2) {
                    r[h] = sn * ch;
                    if (bIm) i[h] = cs * sh;
                } else {
                    r[h] = cs * ch;
                    if (bIm) i[h] = -(sn * sh);
                }
            }
            wr = Join(r[0], r[1]);
            if (bIm) wi = Join(i[0], i[1]);
            break;
        }
        case 4: {
            unsafe = ~(AbsF(re) <= 3.40282347e38f) | ~(AbsF(im) <= 3.40282347e38f);
            VI zero = (re == 0.0f) & (im == 0.0f);
            VF sre = (zero | unsafe) ? SplatF(1.0f) : re;
            VF sim = unsafe ? SplatF(0.0f) : im;
            VD x[2], y[2], r[2], i[2];
            Split(sre, x[0], x[1]);
            Split(sim, y[0], y[1]);
            for (int h = 0; h < 2; ++h) {
                r[h] = LogPositive(SqrtD(x[h] * x[h] + y[h] * y[h]));
                if (bIm) i[h] = Atan2(y[h], x[h]);
            }
            wr = zero ? re : Join(r[0], r[1]);
            if (bIm) wi = zero ? im : Join(i[0], i[1]);
            break;
        }
        case 5: {
            unsafe = ~(AbsF(re) <= 3.40282347e38f) | ~(AbsF(im) <= 3.40282347e38f);
            VI zero = (re == 0.0f) & (im == 0.0f);
            VF sre = (zero | unsafe) ? SplatF(1.0f) : re;
            VF sim = unsafe ? SplatF(0.0f) : im;
            VD x[2], y[2], r[2], i[2];
            Split(sre, x[0], x[1]);
            Split(sim, y[0], y[1]);
            for (int h = 0; h < 2; ++h) {
                VD modulus = SqrtD(x[h] * x[h] + y[h] * y[h]);
                VD root = SqrtD((modulus + AbsD(x[h])) / 2.0);
                VD other = AbsD(y[h]) / (2.0 * root);
                VL ySign = SignBitD(y[h]);
                VL xPos = x[h] >= 0.0;
                r[h] = xPos ? root : other;
                if (bIm) i[h] = xPos ? (ySign ? -other : other) : (ySign ? -root : root);
            }
            wr = zero ? SplatF(0.0f) : Join(r[0], r[1]);
            if (bIm) wi = zero ? im : Join(i[0], i[1]);
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
