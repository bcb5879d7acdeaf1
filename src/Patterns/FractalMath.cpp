#include "Patterns/FractalMath.h"

#include <cmath>
#include <limits>

#include "platform/Trace.h"

namespace mv {

namespace fmath {

namespace {

constexpr double kPiOver2 = 1.57079632679489661923;
constexpr double kPiOver4 = 0.78539816339744830962;
constexpr double kTwoOverPi = 0.63661977236758134308;
// pi/2 split so that k * kPio2Hi is exact for |k| < 2^20.
constexpr double kPio2Hi = 1.57079632673412561417e+00;
constexpr double kPio2Lo = 6.07710050650619224932e-11;
constexpr double kLn2Hi = 6.93147180369123816490e-01;
constexpr double kLn2Lo = 1.90821492927058770002e-10;
constexpr double kLn2 = 0.69314718055994530942;
constexpr double kInvLn2 = 1.44269504088896340736;
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr double kTanPiOver8 = 0.41421356237309504880;

// Rounds to the nearest integer, halves away from zero, without the library.
double Nearest(double v) {
    double a = v < 0 ? -v : v;
    double n = static_cast<double>(static_cast<long long>(a + 0.5));
    return v < 0 ? -n : n;
}

// sin and cos of r in [-pi/4, pi/4] by their Taylor series (the first
// omitted term is below 1e-16).
double SinKernel(double r) {
    double r2 = r * r;
    double p = 1.0 / 1307674368000.0;          // 1/15!
    p = p * -r2 + 1.0 / 6227020800.0;          // 1/13!
    p = p * -r2 + 1.0 / 39916800.0;            // 1/11!
    p = p * -r2 + 1.0 / 362880.0;              // 1/9!
    p = p * -r2 + 1.0 / 5040.0;                // 1/7!
    p = p * -r2 + 1.0 / 120.0;                 // 1/5!
    p = p * -r2 + 1.0 / 6.0;                   // 1/3!
    p = p * -r2 + 1.0;
    return r * p;
}

double CosKernel(double r) {
    double r2 = r * r;
    double p = 1.0 / 20922789888000.0;         // 1/16!
    p = p * -r2 + 1.0 / 87178291200.0;         // 1/14!
    p = p * -r2 + 1.0 / 479001600.0;           // 1/12!
    p = p * -r2 + 1.0 / 3628800.0;             // 1/10!
    p = p * -r2 + 1.0 / 40320.0;               // 1/8!
    p = p * -r2 + 1.0 / 720.0;                 // 1/6!
    p = p * -r2 + 1.0 / 24.0;                  // 1/4!
    p = p * -r2 + 1.0 / 2.0;                   // 1/2!
    p = p * -r2 + 1.0;
    return p;
}

// Reduces x to r in [-pi/4, pi/4] with x = r + k * pi/2; quadrant = k mod 4.
// Accurate for |x| up to about 1e6, far beyond what the fractal feeds in.
bool Reduce(double x, double& r, int& quadrant) {
    if (!(std::fabs(x) < 1e6)) return false;
    double k = Nearest(x * kTwoOverPi);
    r = (x - k * kPio2Hi) - k * kPio2Lo;
    long long ik = static_cast<long long>(k);
    quadrant = static_cast<int>(((ik % 4) + 4) % 4);
    return true;
}

// atan of t in [0, 1].
double AtanUnit(double t) {
    double offset = 0.0;
    if (t > kTanPiOver8) {
        offset = kPiOver4;
        t = (t - 1.0) / (t + 1.0);  // now in (-0.4143, 0]
    }
    double t2 = t * t;
    double p = 0.0;
    for (int k = 22; k >= 0; --k) p = p * t2 + 1.0 / (2 * k + 1) * ((k & 1) ? -1.0 : 1.0);
    return offset + t * p;
}

}  // namespace

double Sin(double x) {
    double r;
    int q;
    if (!Reduce(x, r, q)) return std::numeric_limits<double>::quiet_NaN();
    switch (q) {
        case 0: return SinKernel(r);
        case 1: return CosKernel(r);
        case 2: return -SinKernel(r);
        default: return -CosKernel(r);
    }
}

double Cos(double x) {
    double r;
    int q;
    if (!Reduce(x, r, q)) return std::numeric_limits<double>::quiet_NaN();
    switch (q) {
        case 0: return CosKernel(r);
        case 1: return -SinKernel(r);
        case 2: return -CosKernel(r);
        default: return SinKernel(r);
    }
}

double Exp(double x) {
    if (x != x) return x;
    if (x > 709.7) return std::numeric_limits<double>::infinity();
    if (x < -745.2) return 0.0;
    double k = Nearest(x * kInvLn2);
    double r = (x - k * kLn2Hi) - k * kLn2Lo;  // |r| <= 0.35
    double p = 1.0 / 6227020800.0;             // 1/13!
    static const double kInv[] = {1.0 / 479001600.0, 1.0 / 39916800.0, 1.0 / 3628800.0, 1.0 / 362880.0,
                                  1.0 / 40320.0,     1.0 / 5040.0,     1.0 / 720.0,     1.0 / 120.0,
                                  1.0 / 24.0,        1.0 / 6.0,        1.0 / 2.0,       1.0,
                                  1.0};
    for (double c : kInv) p = p * r + c;
    return std::ldexp(p, static_cast<int>(k));
}

double Log(double x) {
    if (x != x) return x;
    if (x < 0) return std::numeric_limits<double>::quiet_NaN();
    if (x == 0) return -std::numeric_limits<double>::infinity();
    if (x == std::numeric_limits<double>::infinity()) return x;
    int e = 0;
    double m = std::frexp(x, &e);  // exact: x = m * 2^e, m in [0.5, 1)
    if (m < kSqrtHalf) {
        m *= 2.0;
        --e;
    }
    double s = (m - 1.0) / (m + 1.0);  // |s| <= 0.1716
    double s2 = s * s;
    double p = 0.0;
    for (int k = 11; k >= 0; --k) p = p * s2 + 1.0 / (2 * k + 1);
    return e * kLn2 + 2.0 * s * p;
}

double Atan(double x) {
    if (x != x) return x;
    bool bNeg = x < 0;
    double a = bNeg ? -x : x;
    double r = a > 1.0 ? kPiOver2 - AtanUnit(1.0 / a) : AtanUnit(a);
    return bNeg ? -r : r;
}

double Atan2(double y, double x) {
    if (x != x || y != y) return x + y;
    if (x == 0.0) {
        if (y == 0.0) return std::signbit(x) ? (std::signbit(y) ? -kPi : kPi) : y;
        return y > 0 ? kPiOver2 : -kPiOver2;
    }
    double q = y / x;
    if (x > 0) return Atan(q);
    return std::signbit(y) ? Atan(q) - kPi : Atan(q) + kPi;
}

double Pow(double x, double y) {
    if (x != x || y != y) return x + y;
    if (y == 0.0) return 1.0;
    if (x == 1.0) return 1.0;
    if (x == 0.0) return y > 0 ? 0.0 : std::numeric_limits<double>::infinity();
    if (x < 0) return std::numeric_limits<double>::quiet_NaN();
    return Exp(y * Log(x));
}

namespace {

// Double-double numbers (hi + lo) for powers rounded once at the end.
struct DD {
    double hi, lo;
};

// Exact product of two doubles as hi + lo (Dekker, with Veltkamp's split).
DD TwoProd(double a, double b) {
    const double kSplit = 134217729.0;  // 2^27 + 1
    double p = a * b;
    double ca = kSplit * a, cb = kSplit * b;
    double ah = ca - (ca - a), al = a - ah;
    double bh = cb - (cb - b), bl = b - bh;
    double err = ((ah * bh - p) + ah * bl + al * bh) + al * bl;
    return {p, err};
}

DD Mul(DD x, DD y) {
    DD p = TwoProd(x.hi, y.hi);
    double lo = p.lo + (x.hi * y.lo + x.lo * y.hi);
    double hi = p.hi + lo;
    return {hi, lo - (hi - p.hi)};
}

DD PowDD(double x, unsigned n) {
    DD result{1.0, 0.0};
    DD base{x, 0.0};
    for (; n != 0; n >>= 1) {
        if (n & 1u) result = Mul(result, base);
        if (n > 1) base = Mul(base, base);
    }
    return result;
}

}  // namespace

double PowInt(double x, int n) {
    if (n <= 0) return 1.0;
    if (!std::isfinite(x)) return x;
    DD r = PowDD(x, static_cast<unsigned>(n));
    return r.hi + r.lo;
}

double Root(double x, int n) {
    if (n <= 1 || x != x || x == 0.0 || x == 1.0) return x;
    if (x < 0) return std::numeric_limits<double>::quiet_NaN();
    if (!std::isfinite(x)) return x;
    double r = Exp(Log(x) / n);
    // Of r and its neighbours, take the one whose n-th power (carried in
    // double-double) comes closest to x; a representable root is found exactly.
    double best = r, bestError = -1.0;
    double below = std::nextafter(r, 0.0), above = std::nextafter(r, 2.0 * r + 1.0);
    for (double c : {std::nextafter(below, 0.0), below, r, above, std::nextafter(above, 2.0 * r + 1.0)}) {
        DD p = PowDD(c, static_cast<unsigned>(n));
        double e = std::fabs((p.hi - x) + p.lo);
        if (bestError < 0 || e < bestError) {
            best = c;
            bestError = e;
        }
    }
    return best;
}

double Sinh(double x) {
    double a = std::fabs(x);
    if (a < 0.5) {
        // Series: exp(x) - exp(-x) cancels for small x.
        double x2 = x * x;
        double p = 1.0 / 1307674368000.0;
        static const double kInv[] = {1.0 / 6227020800.0, 1.0 / 39916800.0, 1.0 / 362880.0,
                                      1.0 / 5040.0,       1.0 / 120.0,      1.0 / 6.0,
                                      1.0};
        for (double c : kInv) p = p * x2 + c;
        return x * p;
    }
    double e = Exp(a);
    double r = (e - 1.0 / e) / 2.0;
    return x < 0 ? -r : r;
}

double Cosh(double x) {
    double e = Exp(std::fabs(x));
    return (e + 1.0 / e) / 2.0;
}

}  // namespace fmath

double MathErrorHook(int iType, const char* sName, TraceSink* pTrace) {
    if (pTrace && pTrace->IsOn()) {
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "except->type", iType));
        pTrace->TraceLine(FormatTrace(__FILE__, __LINE__, "except->name", std::string(sName)));
    }
    return 0.0;
}

namespace {

// A finite result passes; anything else is a math error of the named function.
double Checked(double v, int iType, const char* sName, TraceSink* pTrace) {
    if (std::isfinite(v)) return v;
    return MathErrorHook(iType, sName, pTrace);
}

double CheckedSin(double x, TraceSink* t) { return Checked(fmath::Sin(x), kMathDomain, "sin", t); }
double CheckedCos(double x, TraceSink* t) { return Checked(fmath::Cos(x), kMathDomain, "cos", t); }
double CheckedSinh(double x, TraceSink* t) { return Checked(fmath::Sinh(x), kMathOverflow, "sinh", t); }
double CheckedCosh(double x, TraceSink* t) { return Checked(fmath::Cosh(x), kMathOverflow, "cosh", t); }

}  // namespace

ComplexF ComplexSin(ComplexF z, TraceSink* t) {
    double x = z.real(), y = z.imag();
    return ComplexF(static_cast<float>(CheckedSin(x, t) * CheckedCosh(y, t)),
                    static_cast<float>(CheckedCos(x, t) * CheckedSinh(y, t)));
}

ComplexF ComplexCos(ComplexF z, TraceSink* t) {
    double x = z.real(), y = z.imag();
    return ComplexF(static_cast<float>(CheckedCos(x, t) * CheckedCosh(y, t)),
                    static_cast<float>(-(CheckedSin(x, t) * CheckedSinh(y, t))));
}

ComplexF ComplexLog(ComplexF z, TraceSink* t) {
    double x = z.real(), y = z.imag();
    // Products of floats are exact in double, so the modulus is rounded once.
    double modulus = std::sqrt(x * x + y * y);
    double re = modulus > 0 ? fmath::Log(modulus) : -std::numeric_limits<double>::infinity();
    re = Checked(re, modulus > 0 ? kMathDomain : kMathSingularity, "log", t);
    double im = Checked(fmath::Atan2(y, x), kMathDomain, "atan2", t);
    return ComplexF(static_cast<float>(re), static_cast<float>(im));
}

ComplexF ComplexSqrt(ComplexF z, TraceSink* t) {
    double x = z.real(), y = z.imag();
    if (!std::isfinite(x) || !std::isfinite(y)) return ComplexF(0.0f, 0.0f);
    if (x == 0.0 && y == 0.0) return ComplexF(0.0f, z.imag());
    double modulus = std::sqrt(x * x + y * y);
    double root = std::sqrt((modulus + std::fabs(x)) / 2.0);
    double other = std::fabs(y) / (2.0 * root);
    if (x >= 0) return ComplexF(static_cast<float>(root), static_cast<float>(std::signbit(y) ? -other : other));
    return ComplexF(static_cast<float>(other), static_cast<float>(std::signbit(y) ? -root : root));
}

float CheckedAtan2(float y, float x, TraceSink* t) {
    return static_cast<float>(Checked(fmath::Atan2(y, x), kMathDomain, "atan2", t));
}

}  // namespace mv
