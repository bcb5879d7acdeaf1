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

// Truncation toward zero of lanes below 2^31 in magnitude.
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

// Nearest of a lane that is not negative.
inline VD NearestPos(VD v) { return TruncPos(v + 0.5); }

// Nearest by truncating v + 0.5 or v - 0.5 (the same bits as the magnitude
// plus one half; a zero result may lose its sign, which the callers' sums
// do not see).
inline VD NearestSigned(VD v) {
    VD half = reinterpret_cast<VD>((reinterpret_cast<VU>(v) & kSign) | reinterpret_cast<VU>(SplatD(0.5)));
    return TruncPos(v + half);
}

// 2^k for whole k in the normal range.
inline VD Pow2(VD k) { return reinterpret_cast<VD>((IntBits(k) + 1023) << 52); }

// The factors of the sin, cos and exp series (Taylor, the first omitted term
// below 1e-16), in the order they are taken in after the first.
constexpr double kSinC[7] = {1.0 / 6227020800.0, 1.0 / 39916800.0, 1.0 / 362880.0, 1.0 / 5040.0,
                             1.0 / 120.0,        1.0 / 6.0,        1.0};
constexpr double kCosC[8] = {1.0 / 87178291200.0, 1.0 / 479001600.0, 1.0 / 3628800.0, 1.0 / 40320.0,
                             1.0 / 720.0,         1.0 / 24.0,        1.0 / 2.0,       1.0};
constexpr double kExpC[13] = {1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0, 1.0 / 40320.0,
                              1.0 / 5040.0,      1.0 / 720.0,      1.0 / 120.0,     1.0 / 24.0,     1.0 / 6.0,
                              1.0 / 2.0,         1.0,              1.0};

// sin and cos of x[j] (|x| < 1e6) from one reduction, and sinh and cosh of
// y[j] (|y| < 700) from one exponential, for j < K: the operations of
// fmath's Sin, Cos, Sinh and Cosh, but the series of all of them are taken a
// term at a time side by side, so that their long chains overlap instead of
// waiting for one another.
template <bool bSin, bool bCos, bool bSinh, int K>
__attribute__((always_inline)) inline void SinCosCosh(const VD* x, const VD* y, VD* s, VD* c, VD* sh, VD* ch) {
    // With only one of sin and cos wanted, each lane needs one of the two
    // series: one chain does both, with the factors of its lane's series.
    constexpr bool bOne = bSin != bCos;
    VD r[K], m[K], ps[K], pc[K], a[K], k2[K], re[K], pe[K];
    VL cosLane[K];
    VU q[K];
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) {
        VD k = NearestSigned(x[j] * kTwoOverPi);
        r[j] = (x[j] - k * kPio2Hi) - k * kPio2Lo;
        q[j] = IntBits(k);
        m[j] = -(r[j] * r[j]);
        a[j] = AbsD(y[j]);
        k2[j] = NearestPos(a[j] * kInvLn2);
        re[j] = (a[j] - k2[j] * kLn2Hi) - k2[j] * kLn2Lo;
        pe[j] = SplatD(1.0 / 6227020800.0);
        if (bOne) {
            // Lanes that take the cos series start it at 1/16!; the others
            // start at 0, which the first step turns into the 1/15! of the sin series.
            cosLane[j] = bSin ? MaskOf(q[j]) : ~MaskOf(q[j]);
            pc[j] = cosLane[j] ? SplatD(1.0 / 20922789888000.0) : SplatD(0.0);
        } else {
            ps[j] = SplatD(1.0 / 1307674368000.0);
            pc[j] = SplatD(1.0 / 20922789888000.0);
        }
    }
#pragma GCC unroll 13
    for (int i = 0; i < 13; ++i) {
#pragma GCC unroll 4
        for (int j = 0; j < K; ++j) {
            pe[j] = pe[j] * re[j] + kExpC[i];
            if (bOne) {
                if (i < 8)
                    pc[j] = pc[j] * m[j] +
                            (cosLane[j] ? SplatD(kCosC[i]) : SplatD(i == 0 ? 1.0 / 1307674368000.0 : kSinC[i - 1]));
            } else {
                if (i < 8) pc[j] = pc[j] * m[j] + kCosC[i];
                if (i < 7) ps[j] = ps[j] * m[j] + kSinC[i];
            }
        }
    }
    VL small[K];
    bool bAnySmall = false;
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) {
        if (bOne) {
            VD v = cosLane[j] ? pc[j] : r[j] * pc[j];
            if (bSin) s[j] = FlipIf(v, q[j] >> 1);
            if (bCos) c[j] = FlipIf(v, q[j] ^ (q[j] >> 1));
        } else {
            VD sk = r[j] * ps[j], ck = pc[j];
            VL odd = MaskOf(q[j]);
            if (bSin) s[j] = FlipIf(odd ? ck : sk, q[j] >> 1);
            if (bCos) c[j] = FlipIf(odd ? sk : ck, q[j] ^ (q[j] >> 1));
        }
        VD e = pe[j] * Pow2(k2[j]);
        VD inv = 1.0 / e;
        ch[j] = (e + inv) / 2.0;
        if (bSinh) {
            VD big = (e - inv) / 2.0;
            sh[j] = y[j] < 0.0 ? -big : big;
            small[j] = a[j] < 0.5;
            bAnySmall = bAnySmall || AnyD(small[j]);
        }
    }
    if (bSinh && bAnySmall) {
        VD x2[K], p[K];
#pragma GCC unroll 4
        for (int j = 0; j < K; ++j) {
            x2[j] = y[j] * y[j];
            p[j] = SplatD(1.0 / 1307674368000.0);
        }
#pragma GCC unroll 7
        for (int i = 0; i < 7; ++i) {
#pragma GCC unroll 4
            for (int j = 0; j < K; ++j) p[j] = p[j] * x2[j] + kSinC[i];
        }
#pragma GCC unroll 4
        for (int j = 0; j < K; ++j) sh[j] = small[j] ? y[j] * p[j] : sh[j];
    }
}

// log of positive normal doubles x[j] for j < K, the series side by side.
template <int K>
__attribute__((always_inline)) inline void LogPositiveK(const VD* x, VD* out) {
    VD e[K], s[K], s2[K], p[K];
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) {
        VU bits = reinterpret_cast<VU>(x[j]);
        e[j] = reinterpret_cast<VD>((bits >> 52) + reinterpret_cast<VU>(SplatD(kMagic))) - (kMagic + 1022.0);
        VD m = reinterpret_cast<VD>((bits & 0x000FFFFFFFFFFFFFull) | (1022ull << 52));
        VL low = m < kSqrtHalf;
        m = low ? m * 2.0 : m;
        e[j] = low ? e[j] - 1.0 : e[j];
        s[j] = (m - 1.0) / (m + 1.0);
        s2[j] = s[j] * s[j];
        p[j] = SplatD(0.0);
    }
#pragma GCC unroll 12
    for (int k = 11; k >= 0; --k) {
#pragma GCC unroll 4
        for (int j = 0; j < K; ++j) p[j] = p[j] * s2[j] + 1.0 / (2 * k + 1);
    }
#pragma GCC unroll 4
    for (int j = 0; j < K; ++j) out[j] = e[j] * kLn2 + 2.0 * s[j] * p[j];
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

// Transform of G vectors at once; the sin, cos and log maths of all of them
// run side by side.
template <int Adj, bool bIm, int G>
__attribute__((always_inline)) inline void TransformG(const VF* re, const VF* im, VF* wr, VF* wi, VI* unsafe) {
    if (Adj == 2 || Adj == 3) {
        VD x[2 * G], y[2 * G];
        for (int g = 0; g < G; ++g) {
            unsafe[g] = ~(AbsF(re[g]) < 1e6f) | ~(AbsF(im[g]) < 700.0f);
            VF sre = re[g], sim = im[g];
            if (Any(unsafe[g])) {
                sre = unsafe[g] ? SplatF(0.0f) : re[g];
                sim = unsafe[g] ? SplatF(0.0f) : im[g];
            }
            Split(sre, x[2 * g], x[2 * g + 1]);
            Split(sim, y[2 * g], y[2 * g + 1]);
        }
        VD sn[2 * G] = {}, cs[2 * G] = {}, sh[2 * G] = {}, ch[2 * G] = {};
        SinCosCosh<Adj == 2 || bIm, Adj == 3 || bIm, bIm, 2 * G>(x, y, sn, cs, sh, ch);
        for (int g = 0; g < G; ++g) {
            VD r[2], i[2];
            for (int h = 0; h < 2; ++h) {
                const int j = 2 * g + h;
                if (Adj == 2) {
                    r[h] = sn[j] * ch[j];
                    if (bIm) i[h] = cs[j] * sh[j];
                } else {
                    r[h] = cs[j] * ch[j];
                    if (bIm) i[h] = -(sn[j] * sh[j]);
                }
            }
            wr[g] = Join(r[0], r[1]);
            if (bIm) wi[g] = Join(i[0], i[1]);
        }
    } else if (Adj == 4) {
        VD x[2 * G], y[2 * G], modulus[2 * G], r[2 * G];
        VI zero[G];
        for (int g = 0; g < G; ++g) {
            unsafe[g] = ~(AbsF(re[g]) <= 3.40282347e38f) | ~(AbsF(im[g]) <= 3.40282347e38f);
            zero[g] = (re[g] == 0.0f) & (im[g] == 0.0f);
            VF sre = (zero[g] | unsafe[g]) ? SplatF(1.0f) : re[g];
            VF sim = unsafe[g] ? SplatF(0.0f) : im[g];
            Split(sre, x[2 * g], x[2 * g + 1]);
            Split(sim, y[2 * g], y[2 * g + 1]);
        }
        for (int j = 0; j < 2 * G; ++j) modulus[j] = SqrtD(x[j] * x[j] + y[j] * y[j]);
        LogPositiveK<2 * G>(modulus, r);
        for (int g = 0; g < G; ++g) {
            wr[g] = zero[g] ? re[g] : Join(r[2 * g], r[2 * g + 1]);
            if (bIm) wi[g] = zero[g] ? im[g] : Join(Atan2(y[2 * g], x[2 * g]), Atan2(y[2 * g + 1], x[2 * g + 1]));
        }
    } else {
        for (int g = 0; g < G; ++g) Transform<Adj, bIm>(re[g], im[g], wr[g], wi[g], unsafe[g]);
    }
}

struct Lanes {
    VF zr, zi;
    VI count;
};

// One orbit step, z = z^2 + c, of the active lanes, counted.
inline void StepOrbit(VF& zr, VF& zi, VI& count, VI active, VF cr, VF ci) {
    VF sr = zr * zr - zi * zi;
    VF pr = zr * zi;
    VF si = pr + pr;
    zr = active ? sr + cr : zr;
    zi = active ? si + ci : zi;
    count -= active;
}

// The orbit loop of W points in step, for colouring that needs only where
// the orbit ended (the caller transforms the last z when it needs w).
void Loop(const Params& p, Lanes& s) {
    const VF bail = SplatF(p.fBailout);
    const VF cr = SplatF(p.cr), ci = SplatF(p.ci);
    VF zr = s.zr, zi = s.zi;
    VI count = s.count;
    VI active = VI{} - 1;
    for (int it = 0; it < p.iMaxIter - 1; ++it) {
        active &= (zr * zr + zi * zi) < bail;
        if (!Any(active)) break;
        StepOrbit(zr, zi, count, active, cr, ci);
    }
    s.zr = zr;
    s.zi = zi;
    s.count = count;
}

// Lanes whose bit is set in the mask, as a bit set.
inline int MaskBits(VI m) {
#if MV_KERNEL_WIDTH == 8
    return _mm256_movemask_ps(Bits<__m256>(&m));
#else
    return _mm_movemask_ps(Bits<__m128>(&m));
#endif
}

// The orbit loop with the transform followed on every step, G vectors of W
// points in step until all their orbits have ended (neighbouring points
// mostly run about as long). Every lane runs the steps its point would run
// alone. The costly transforms run the G vectors side by side. zi0 holds the
// starting imaginary parts, and may be read up to G W - 1 floats past its n.
template <int Adj, bool bNorm, bool bRe, bool bIm>
void Follow(const Params& p, float zr0, const float* zi0, int n, Orbit* pOut, float fMinNorm, float fMinRe,
            Fallback fallback, void* pContext) {
    constexpr int G = Adj == 2 || Adj == 3 || Adj == 4 ? 2 : 1;
    const VF bail = SplatF(p.fBailout);
    const VF cr = SplatF(p.cr), ci = SplatF(p.ci);
    const VI steps = VI{} + (p.iMaxIter - 1);
    VI lane;
    for (int k = 0; k < W; ++k) lane[k] = k;
    for (int j0 = 0; j0 < n; j0 += G * W) {
        VF zr[G], zi[G], wr[G], wi[G], minNorm[G], minRe[G];
        VI count[G], live[G], active[G];
        for (int g = 0; g < G; ++g) {
            zr[g] = SplatF(zr0);
            zi[g] = Bits<VF>(zi0 + j0 + g * W);
            wr[g] = zr[g];
            wi[g] = zi[g];
            minNorm[g] = SplatF(fMinNorm);
            minRe[g] = SplatF(fMinRe);
            count[g] = VI{};
            live[g] = lane < n - j0 - g * W;
        }
        for (;;) {
            bool bAny = false;
            for (int g = 0; g < G; ++g) {
                active[g] = live[g] & (count[g] < steps) & ((zr[g] * zr[g] + zi[g] * zi[g]) < bail);
                bAny = bAny || Any(active[g]);
            }
            if (!bAny) break;
            VF tr[G], ti[G];
            VI unsafe[G];
            for (int g = 0; g < G; ++g) {
                StepOrbit(zr[g], zi[g], count[g], active[g], cr, ci);
                ti[g] = wi[g];
                unsafe[g] = VI{};
            }
            TransformG<Adj, bIm, G>(zr, zi, tr, ti, unsafe);
            for (int g = 0; g < G; ++g) {
                unsafe[g] &= active[g];
                if (Any(unsafe[g])) {
                    for (int k = 0; k < W; ++k) {
                        if (!unsafe[g][k]) continue;
                        float a, b;
                        fallback(Adj, zr[g][k], zi[g][k], a, b, pContext);
                        tr[g][k] = a;
                        ti[g][k] = b;
                    }
                }
                wr[g] = active[g] ? tr[g] : wr[g];
                if (bIm) wi[g] = active[g] ? ti[g] : wi[g];
                if (bNorm) {
                    VF nm = wr[g] * wr[g] + wi[g] * wi[g];
                    minNorm[g] = (active[g] & (nm < minNorm[g])) ? nm : minNorm[g];
                }
                if (bRe) {
                    VF a = AbsF(wr[g]);
                    minRe[g] = (active[g] & (a < minRe[g])) ? a : minRe[g];
                }
            }
        }
        for (int g = 0; g < G; ++g) {
            for (int k = 0; k < W && j0 + g * W + k < n; ++k) {
                Orbit& o = pOut[j0 + g * W + k];
                o.i = count[g][k];
                o.zr = zr[g][k];
                o.zi = zi[g][k];
                o.wr = wr[g][k];
                o.wi = wi[g][k];
                o.fMinNorm = minNorm[g][k];
                o.fMinRe = minRe[g][k];
                o.bTransformed = true;
            }
        }
    }
}

// Lower bounds, cheap to find, of |Re w| and |w|^2 for the sin, cos and log
// transforms of z = x + iy, from inequalities that hold for every real
// argument:
//   sin t >= t - t^3/6 (0 <= t <= pi/2),  sinh a >= a + a^3/6,  cosh a >= 1 + a^2/2,
//   |ln v| >= 2 |v - 1| / (v + 1),  atan t >= 3t / (3 + t^2) (t >= 0), atan t <= t.
// Each distance is shortened by 1e-6 for the rounding of the few float
// operations that find it; the exact results lie within a few parts in ten
// million of the true values, far inside the caller's margin. `sure` marks
// the lanes the bounds cover.
// For z = x + iy: the distance t of x from the nearest zero of sin (Adj 2)
// or cos (Adj 3), and a = |y|; `sure` where the bounds below apply.
template <int Adj>
inline VF TrigDistance(VF x, VF y, VF& a, VI& sure) {
    constexpr float kPiF = 3.14159265f, kHalfPiF = 1.57079633f;
    VF ax = AbsF(x);
    a = AbsF(y);
    sure = (ax < 6.28f) & (a < 16.0f);
    // |sin| and |cos| repeat every pi: fold |x| into [0, pi].
    VF u = ax > kPiF ? ax - kPiF : ax;
    u = u > kPiF ? SplatF(kPiF) : u;
    return Adj == 2 ? (u < kPiF - u ? u : kPiF - u) : AbsF(u - kHalfPiF);
}

template <int Adj, bool bNorm>
inline void LowerBounds(VF x, VF y, VF& reLow, VF& normLow, VI& sure) {
    if (Adj == 2 || Adj == 3) {
        VF a;
        VF t = TrigDistance<Adj>(x, y, a, sure);
        t = t - 1e-6f;
        t = t > 0.0f ? t : SplatF(0.0f);
        VF trig = t - t * t * t * (1.0f / 6.0f);  // below |sin x| (Adj 2) or |cos x| (Adj 3)
        trig = trig > 0.0f ? trig : SplatF(0.0f);
        VF a2 = a * a;
        reLow = trig * (1.0f + a2 * 0.5f);
        if (bNorm) {
            // |sin(x + iy)|^2 = sin^2 x + sinh^2 y, |cos(x + iy)|^2 = cos^2 x + sinh^2 y.
            VF sh = a + a * a2 * (1.0f / 6.0f);
            normLow = trig * trig + sh * sh;
        }
    } else {
        VF v = x * x + y * y;  // |z|^2, and |Re w| = |ln v| / 2
        sure = (v > 1e-30f) & (v < 1e30f);
        v = sure ? v : SplatF(1.0f);
        VF d = v - 1.0f;
        VF l = AbsF(d) / (v + 1.0f) - 1e-6f;
        reLow = l > 0.0f ? l : SplatF(0.0f);
        if (bNorm) {
            // |Im w| = |atan2(y, x)|: above pi/2 left of the imaginary axis.
            constexpr float kHalfPiF = 1.57079633f;
            VF ax = AbsF(x), ay = AbsF(y);
            VI steep = ay > ax;
            VF q = (steep ? ax : ay) / (steep ? ay : ax);
            VF th = steep ? kHalfPiF - q : 3.0f * q / (3.0f + q * q);
            th = x > 0.0f ? th : SplatF(kHalfPiF);
            th = th - 1e-6f;
            th = th > 0.0f ? th : SplatF(0.0f);
            normLow = reLow * reLow + th * th;
        }
    }
}

// Writes the lanes set in `mask` of zr, zi and pSlot, with their lane numbers
// (from lane0), packed to the front of the four arrays, each of which has
// room for a whole vector.
inline void Append(int mask, VF zr, VF zi, const int* pSlot, int lane0, float* pR, float* pI, int* pPoint,
                   int* pLane) {
#if MV_KERNEL_WIDTH == 8
    // The lane numbers of each mask, packed, three bits each.
    struct PackTable {
        uint32_t packed[256];
        PackTable() {
            for (int m = 0; m < 256; ++m) {
                uint32_t v = 0;
                int j = 0;
                for (int k = 0; k < 8; ++k)
                    if (m >> k & 1) v |= static_cast<uint32_t>(k) << (3 * j++);
                packed[m] = v;
            }
        }
    };
    static const PackTable kPack;
    const __m256i shifts = _mm256_setr_epi32(0, 3, 6, 9, 12, 15, 18, 21);
    const __m256i idx = _mm256_and_si256(_mm256_srlv_epi32(_mm256_set1_epi32(static_cast<int>(kPack.packed[mask])), shifts),
                                         _mm256_set1_epi32(7));
    _mm256_storeu_ps(pR, _mm256_permutevar8x32_ps(Bits<__m256>(&zr), idx));
    _mm256_storeu_ps(pI, _mm256_permutevar8x32_ps(Bits<__m256>(&zi), idx));
    __m256i slots = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(pSlot));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pPoint), _mm256_permutevar8x32_epi32(slots, idx));
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(pLane), _mm256_add_epi32(idx, _mm256_set1_epi32(lane0)));
#else
    alignas(16) float vr[W], vi[W];
    std::memcpy(vr, &zr, sizeof(VF));
    std::memcpy(vi, &zi, sizeof(VF));
    int j = 0;
    for (int k = 0; k < W; ++k) {
        pR[j] = vr[k];
        pI[j] = vi[k];
        pPoint[j] = pSlot[k];
        pLane[j] = lane0 + k;
        j += mask >> k & 1;
    }
#endif
}

// Orbit steps waiting for their exact transform (z, the point and the lane
// that ran it), for the two loops below. The sin, cos and log transforms
// feed only the smallest |w|^2 or |Re w| of each orbit, and a minimum does
// not depend on the order its values come in: the loops send here only the
// steps that may give a minimum, from every lane, and the queue transforms
// them exactly 2 W at a time and folds them into the orbits' results and
// into the minima of the lanes that still run those orbits.
template <int Adj, bool bNorm, bool bRe>
struct ExactQueue {
    static constexpr int G = 2;
    static constexpr int kBatch = G * W;
    static constexpr int kRoom = 5 * kBatch;  // a batch plus what one round can add
    alignas(32) float r[kRoom], i[kRoom];
    alignas(32) int point[kRoom], lane[kRoom];
    int n = 0;

    void Push(float zr, float zi, int iPoint, int iLane) {
        r[n] = zr, i[n] = zi, point[n] = iPoint, lane[n] = iLane;
        ++n;
    }
    // The lanes of `mask`, lane0 being the first lane of the vector.
    void Add(int mask, VF zr, VF zi, const int* pSlot, int lane0) {
        if (!mask) return;
        Append(mask, zr, zi, pSlot, lane0, r + n, i + n, point + n, lane + n);
        n += __builtin_popcount(static_cast<unsigned>(mask));
    }
    // Transforms the first batch (the queue holds at least one) and folds it in.
    void Drain(Orbit* pOut, const int* slot, float* laneNorm, float* laneRe, Fallback fallback, void* pContext) {
        VF re[G], im[G], wr[G], wi[G];
        VI unsafe[G];
        for (int g = 0; g < G; ++g) {
            std::memcpy(&re[g], r + g * W, sizeof(VF));
            std::memcpy(&im[g], i + g * W, sizeof(VF));
            wi[g] = im[g];
            unsafe[g] = VI{};
        }
        TransformG<Adj, bNorm, G>(re, im, wr, wi, unsafe);
        alignas(32) float a[kBatch], b[kBatch];
        int anyUnsafe = 0;
        for (int g = 0; g < G; ++g) {
            std::memcpy(a + g * W, &wr[g], sizeof(VF));
            std::memcpy(b + g * W, &wi[g], sizeof(VF));
            anyUnsafe |= MaskBits(unsafe[g]);
        }
        if (anyUnsafe) {
            for (int e = 0; e < kBatch; ++e)
                if (unsafe[e / W][e % W] && point[e] >= 0) fallback(Adj, r[e], i[e], a[e], b[e], pContext);
        }
        for (int e = 0; e < kBatch; ++e) {
            const int iPoint = point[e];
            if (iPoint < 0) continue;  // padding of the last batch
            Orbit& o = pOut[iPoint];
            const int iLane = lane[e];
            const bool bHeld = slot[iLane] == iPoint;
            if (bNorm) {
                const float nm = a[e] * a[e] + b[e] * b[e];
                o.fMinNorm = nm < o.fMinNorm ? nm : o.fMinNorm;
                const float cur = laneNorm[iLane];
                laneNorm[iLane] = (bHeld && nm < cur) ? nm : cur;
            }
            if (bRe) {
                const float ar = a[e] < 0.0f ? -a[e] : a[e];
                o.fMinRe = ar < o.fMinRe ? ar : o.fMinRe;
                const float cur = laneRe[iLane];
                laneRe[iLane] = (bHeld && ar < cur) ? ar : cur;
            }
        }
        const int rest = n - kBatch > 0 ? n - kBatch : 0;
        std::memmove(r, r + kBatch, sizeof(float) * static_cast<size_t>(rest));
        std::memmove(i, i + kBatch, sizeof(float) * static_cast<size_t>(rest));
        std::memmove(point, point + kBatch, sizeof(int) * static_cast<size_t>(rest));
        std::memmove(lane, lane + kBatch, sizeof(int) * static_cast<size_t>(rest));
        n = rest;
    }
    void DrainFull(Orbit* pOut, const int* slot, float* laneNorm, float* laneRe, Fallback fallback, void* pContext) {
        while (n >= kBatch) Drain(pOut, slot, laneNorm, laneRe, fallback, pContext);
    }
    // Everything left, the last batch padded.
    void DrainAll(Orbit* pOut, const int* slot, float* laneNorm, float* laneRe, Fallback fallback, void* pContext) {
        while (n > 0) {
            for (int e = n; e < kBatch; ++e) Push(1.0f, 0.0f, -1, 0);
            Drain(pOut, slot, laneNorm, laneRe, fallback, pContext);
        }
    }
};

// The lanes of the two loops below: G vectors of W points in step, and for
// each lane the smallest exact values counted so far. Those may lag behind the orbit's,
// whose steps may still be queued; a lagging minimum only queues more steps.
// zi0 may be read up to W - 1 floats past its n starting points.
template <int Adj, bool bNorm, bool bRe>
struct LazyLanes {
    static constexpr int G = 2;
    static constexpr int kLanes = G * W;
    const Params& p;
    const float zr0;
    const float* const zi0;
    const int n;
    Orbit* const pOut;
    const float fMinNorm, fMinRe;
    VF zr[G], zi[G];
    VI count[G], live[G], active[G];
    alignas(32) int slot[kLanes];  // the lane's point, -1 when idle
    alignas(32) float laneNorm[kLanes], laneRe[kLanes];
    int next = 0;
    ExactQueue<Adj, bNorm, bRe> queue;

    LazyLanes(const Params& params, float fZr0, const float* pZi0, int iCount, Orbit* pOrbits, float fNorm, float fRe)
        : p(params), zr0(fZr0), zi0(pZi0), n(iCount), pOut(pOrbits), fMinNorm(fNorm), fMinRe(fRe) {
        for (int j = 0; j < n; ++j) {
            pOut[j].fMinNorm = fMinNorm;
            pOut[j].fMinRe = fMinRe;
        }
        for (int g = 0; g < G; ++g) {
            active[g] = VI{};
            Take(g);
        }
    }
    VF LaneMinima(const float* pLanes, int g) const { return Bits<VF>(pLanes + g * W); }
    // Vector g takes the next W points, its lanes past the last point going idle.
    void Take(int g) {
        const int avail = n - next;
        VI lane;
        for (int k = 0; k < W; ++k) lane[k] = k;
        const VI take = lane < avail;
        VF fresh = SplatF(0.0f);
        if (avail > 0) std::memcpy(&fresh, zi0 + next, sizeof fresh);
        zi[g] = fresh;
        zr[g] = SplatF(zr0);
        count[g] = VI{};
        const VI slots = take ? lane + next : VI{} - 1;
        std::memcpy(slot + g * W, &slots, sizeof slots);
        for (int k = 0; k < W; ++k) {
            laneNorm[g * W + k] = fMinNorm;
            laneRe[g * W + k] = fMinRe;
        }
        live[g] = take;
        next += avail < W ? (avail > 0 ? avail : 0) : W;
    }
    // Finds the active lanes. A vector whose orbits have all ended writes
    // them out (their minima may still wait in the queue), tells
    // onEnded(g, lanes) of them while its lanes still hold them, and takes
    // the next W points, which take their first test at once; until then
    // its finished lanes wait. Neighbouring points mostly run about as
    // long, so the wait costs less than refilling lanes one by one.
    // False when no lane is left.
    template <class F>
    bool Round(F onEnded) {
        const VF bail = SplatF(p.fBailout);
        const VI steps = VI{} + (p.iMaxIter - 1);
        bool bLive = false;
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            active[g] = live[g] & (count[g] < steps) & ((zr[g] * zr[g] + zi[g] * zi[g]) < bail);
            if (Any(active[g])) {
                bLive = true;
                continue;
            }
            const int mask = MaskBits(live[g]);
            if (!mask) continue;
            alignas(32) float er[W], ei[W];
            alignas(32) int ec[W];
            std::memcpy(er, &zr[g], sizeof er);
            std::memcpy(ei, &zi[g], sizeof ei);
            std::memcpy(ec, &count[g], sizeof ec);
            for (int m = mask; m; m &= m - 1) {
                const int k = __builtin_ctz(static_cast<unsigned>(m));
                Orbit& o = pOut[slot[g * W + k]];
                o.i = ec[k];
                o.zr = er[k];
                o.zi = ei[k];
                o.wr = er[k];
                o.wi = ei[k];
                o.bTransformed = false;
            }
            onEnded(g, live[g]);
            Take(g);
            active[g] = live[g] & (count[g] < steps) & ((zr[g] * zr[g] + zi[g] * zi[g]) < bail);
            bLive = bLive || Any(live[g]);
        }
        return bLive;
    }
    // One orbit step of the active lanes of vector g.
    void Step(int g) { StepOrbit(zr[g], zi[g], count[g], active[g], SplatF(p.cr), SplatF(p.ci)); }
    void DrainFull(Fallback fallback, void* pContext) {
        queue.DrainFull(pOut, slot, laneNorm, laneRe, fallback, pContext);
    }
    void DrainAll(Fallback fallback, void* pContext) {
        queue.DrainAll(pOut, slot, laneNorm, laneRe, fallback, pContext);
    }
};

// The orbit loop of Follow for the sin, cos and log transforms when only
// minima are wanted (no angle): a step goes to the exact queue only when its
// lower bounds cannot rule out a new minimum. The results are Follow's bits.
template <int Adj, bool bNorm, bool bRe>
void FollowLazy(const Params& p, float zr0, const float* zi0, int n, Orbit* pOut, float fMinNorm, float fMinRe,
                Fallback fallback, void* pContext) {
    LazyLanes<Adj, bNorm, bRe> s(p, zr0, zi0, n, pOut, fMinNorm, fMinRe);
    while (s.Round([](int, VI) {})) {
#pragma GCC unroll 4
        for (int g = 0; g < s.G; ++g) {
            s.Step(g);
            VF reLow, normLow;
            VI sure;
            LowerBounds<Adj, bNorm>(s.zr[g], s.zi[g], reLow, normLow, sure);
            VI settled = sure;
            if (bRe) settled &= reLow * 0.99999f > s.LaneMinima(s.laneRe, g);
            if (bNorm) settled &= normLow * 0.99999f > s.LaneMinima(s.laneNorm, g);
            s.queue.Add(MaskBits(s.active[g] & ~settled), s.zr[g], s.zi[g], s.slot + g * W, g * W);
        }
        s.DrainFull(fallback, pContext);
    }
    s.DrainAll(fallback, pContext);
}

// Bounds [lo, hi] of the one value an orbit keeps the minimum of, |Re w|
// (bNorm false) or |w|^2 (bNorm true), for the sin and cos transforms, and
// of a value that rises with the log's |Re w|. Besides the lower bounds'
// inequalities, for t >= 0:
//   sin t <= t - t^3/6 + t^5/120,
// and for a <= 4 the series of cosh a and sinh a with their tails bounded by
// a geometric series (the factors 1.25 and 1.3). hi is infinite where no
// bound is taken. Both carry margins for their own rounding and that of the
// exact value; `sure` marks the lanes the bounds cover.
template <int Adj, bool bNorm>
inline void ValueBounds(VF x, VF y, VF& lo, VF& hi, VI& sure) {
    const VF inf = SplatF(__builtin_inff());
    if (Adj == 2 || Adj == 3) {
        VF a;
        const VF t = TrigDistance<Adj>(x, y, a, sure);
        VF tl = t - 1e-6f;
        tl = tl > 0.0f ? tl : SplatF(0.0f);
        VF trigLo = tl - tl * tl * tl * (1.0f / 6.0f);
        trigLo = trigLo > 0.0f ? trigLo : SplatF(0.0f);
        VF th = t + 1e-6f, th2 = th * th;
        VF trigHi = th * (1.0f + th2 * (-1.0f / 6.0f + th2 * (1.0f / 120.0f)));
        trigHi = trigHi < 1.0f ? trigHi : SplatF(1.0f);
        VF a2 = a * a;
        if (bNorm) {
            VF shLo = a + a * a2 * (1.0f / 6.0f);
            VF shHi = a * (1.0f + a2 * (1.0f / 6.0f + a2 * (1.0f / 120.0f + a2 * (1.3f / 5040.0f))));
            lo = trigLo * trigLo + shLo * shLo;
            hi = trigHi * trigHi + shHi * shHi;
        } else {
            VF chHi = 1.0f + a2 * (0.5f + a2 * (1.0f / 24.0f + a2 * (1.0f / 720.0f + a2 * (1.25f / 40320.0f))));
            lo = trigLo * (1.0f + a2 * 0.5f);
            hi = trigHi * chHi;
        }
        hi = a <= 4.0f ? hi * 1.00001f : inf;
    } else {
        // The log's |Re w| = |ln v| / 2 with v = |z|^2 rises with
        // k = |v - 1| / (v + 1) = tanh(|ln v| / 2), and the exact value
        // (the double maths, rounded to float) does so too, to far below the
        // margins here: the bounds are of k, and steps are told apart by k
        // alone. The float v is within 2e-7 v of the true one; the bounds
        // allow 1e-6 and 1e-6 k. v = 0, whose w is 0, is left unsure.
        VF v = x * x + y * y;
        sure = (v > 1e-30f) & (v < 1e30f);
        v = sure ? v : SplatF(1.0f);
        const VF k = AbsF(v - 1.0f) / (v + 1.0f);
        lo = k * 0.999999f - 1e-6f;
        hi = k * 1.000001f + 1e-6f;
    }
}

// FollowLazy for one kept minimum, deferred further: each lane holds back
// one candidate step, the one that may still give its orbit's minimum, with
// its bounds. A later step whose bounds put it surely below the candidate
// replaces it; one surely above it, or above the minimum already known, is
// dropped; one that overlaps it sends the candidate to the queue and takes
// its place. At the orbit's end the candidate goes to the queue. Every step
// dropped is surely above one that is counted, so the minimum is the one the
// one-point loop keeps, bit for bit. The log's bounds are of another value
// that rises with |Re w|, so they are held against the candidate alone.
template <int Adj, bool bNorm>
void FollowDeferred(const Params& p, float zr0, const float* zi0, int n, Orbit* pOut, float fMinNorm, float fMinRe,
                    Fallback fallback, void* pContext) {
    LazyLanes<Adj, bNorm, !bNorm> s(p, zr0, zi0, n, pOut, fMinNorm, fMinRe);
    constexpr int G = s.G;
    constexpr bool bKeyed = Adj == 4;
    VF candR[G], candI[G], candLo[G], candHi[G];
    VI hasCand[G];
    for (int g = 0; g < G; ++g) {
        candR[g] = candI[g] = candLo[g] = candHi[g] = SplatF(0.0f);
        hasCand[g] = VI{};
    }
    auto onEnded = [&](int g, VI ended) {
        s.queue.Add(MaskBits(ended & hasCand[g]), candR[g], candI[g], s.slot + g * W, g * W);
        hasCand[g] &= ~ended;
    };
    while (s.Round(onEnded)) {
#pragma GCC unroll 4
        for (int g = 0; g < G; ++g) {
            s.Step(g);
            VF lo, hi;
            VI sure;
            ValueBounds<Adj, bNorm>(s.zr[g], s.zi[g], lo, hi, sure);
            VI consider, replace;
            if (bKeyed) {
                consider = s.active[g] & ~(sure & hasCand[g] & (lo > candHi[g]));
                if (!MaskBits(consider)) continue;
                replace = consider & sure & hasCand[g] & (hi < candLo[g]);
            } else {
                const VF known = s.LaneMinima(bNorm ? s.laneNorm : s.laneRe, g);
                const VF best = (hasCand[g] & (candHi[g] < known)) ? candHi[g] : known;
                consider = s.active[g] & ~(sure & (lo * 0.99999f > best));
                if (!MaskBits(consider)) continue;
                replace = consider & sure & hasCand[g] & (hi < candLo[g] * 0.99999f);
            }
            const VI fresh = consider & sure;
            s.queue.Add(MaskBits(fresh & hasCand[g] & ~replace), candR[g], candI[g], s.slot + g * W, g * W);
            s.queue.Add(MaskBits(consider & ~sure), s.zr[g], s.zi[g], s.slot + g * W, g * W);
            candR[g] = fresh ? s.zr[g] : candR[g];
            candI[g] = fresh ? s.zi[g] : candI[g];
            candLo[g] = fresh ? lo : candLo[g];
            candHi[g] = fresh ? hi : candHi[g];
            hasCand[g] |= fresh;
        }
        s.DrainFull(fallback, pContext);
    }
    s.DrainAll(fallback, pContext);
}

using FollowFn = void (*)(const Params&, float, const float*, int, Orbit*, float, float, Fallback, void*);

template <int Adj>
FollowFn PickFollow(bool bNorm, bool bRe, bool bAngle) {
    if ((Adj == 2 || Adj == 3 || (Adj == 4 && !bNorm)) && !bAngle && bNorm != bRe) {
        constexpr int A = Adj == 2 || Adj == 3 || Adj == 4 ? Adj : 2;
        return bNorm ? &FollowDeferred<A, true> : &FollowDeferred<A, false>;
    }
    if ((Adj == 2 || Adj == 3 || Adj == 4) && !bAngle) {
        if (bNorm && bRe) return &FollowLazy<Adj == 2 || Adj == 3 || Adj == 4 ? Adj : 2, true, true>;
        if (bNorm) return &FollowLazy<Adj == 2 || Adj == 3 || Adj == 4 ? Adj : 2, true, false>;
        return &FollowLazy<Adj == 2 || Adj == 3 || Adj == 4 ? Adj : 2, false, true>;
    }
    if (bNorm && bRe) return &Follow<Adj, true, true, true>;
    if (bNorm) return &Follow<Adj, true, false, true>;
    if (bAngle) return &Follow<Adj, false, true, true>;
    return &Follow<Adj, false, true, false>;
}

FollowFn PickLoop(const Params& p) {
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
    const bool bFollow = p.bUseMinNormZ || p.bUseMinAbsReal;
    const float zr0 = x * p.fScaleX + p.fCentreX;
    const float fMinNorm = p.bUseMinNormZ ? 2.0f * p.fBailout * p.fBailout : 0.0f;
    const float fMinRe = p.bUseMinAbsReal ? p.fBailout : 0.0f;
    if (bFollow) {
        // The starting points, worked out in vectors as the one-point code does.
        constexpr int kChunk = 256;
        float zi0[kChunk + 2 * W] = {};  // room for the lanes' vector reads past the end
        const FollowFn follow = PickLoop(p);
        for (int j0 = 0; j0 < n; j0 += kChunk) {
            const int m = n - j0 < kChunk ? n - j0 : kChunk;
            for (int k0 = 0; k0 < m; k0 += W) {
                VF y;
                if (k0 + W <= m) {
                    std::memcpy(&y, ys + j0 + k0, sizeof y);
                } else {
                    for (int k = 0; k < W; ++k) y[k] = ys[j0 + (k0 + k < m ? k0 + k : m - 1)];
                }
                const VF zi = y * p.fScaleY + p.fCentreY;
                std::memcpy(zi0 + k0, &zi, sizeof zi);  // past m only into the padding
            }
            follow(p, zr0, zi0, m, pOut + j0, fMinNorm, fMinRe, fallback, pContext);
        }
        return;
    }
    for (int k0 = 0; k0 < n; k0 += W) {
        VF y;
        for (int k = 0; k < W; ++k) y[k] = ys[k0 + k < n ? k0 + k : n - 1];
        Lanes s;
        s.zr = SplatF(zr0);
        s.zi = y * p.fScaleY + p.fCentreY;
        s.count = VI{};
        Loop(p, s);
        for (int k = 0; k < W && k0 + k < n; ++k) {
            Orbit& o = pOut[k0 + k];
            o.i = s.count[k];
            o.zr = s.zr[k];
            o.zi = s.zi[k];
            o.wr = s.zr[k];
            o.wi = s.zi[k];
            o.fMinNorm = fMinNorm;
            o.fMinRe = fMinRe;
            o.bTransformed = false;
        }
    }
}

}  // namespace fractal_kernel
}  // namespace mv
