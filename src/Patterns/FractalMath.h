#pragma once
#include <complex>

namespace mv {

class TraceSink;

// Elementary functions for the fractal and palette maths, written in plain
// IEEE double arithmetic (only +, -, *, / and sqrt, which are correctly
// rounded everywhere). The C libraries' sin, log, atan2 and pow differ in
// the last bit between platforms; these give the same bits on every build,
// so one seed makes one picture on Linux and on Windows alike.
namespace fmath {

constexpr double kPi = 3.14159265358979323846;

double Sin(double x);
double Cos(double x);
double Exp(double x);
double Log(double x);                // x > 0
double Atan(double x);
double Atan2(double y, double x);    // C semantics, including signed zeros
double Pow(double x, double y);      // x >= 0
double PowInt(double x, int n);      // n >= 0, by repeated squaring: exact when x^n is representable
double Root(double x, int n);        // x >= 0, n >= 1: the n-th root, exact when the root is representable
double Sinh(double x);
double Cosh(double x);

}  // namespace fmath

// Kinds of math error, numbered as the classic math-error hook numbers them.
enum MathErrorType { kMathDomain = 1, kMathSingularity = 2, kMathOverflow = 3 };

// The math-error hook: every failing elementary function in the fractal maths
// comes here. It traces the error kind and the function's name when a sink is
// given and switched on, and gives the result 0.0 so that the computation
// goes on.
double MathErrorHook(int iType, const char* sName, TraceSink* pTrace);

// Single-precision complex transforms used to colour the orbit. Each real
// function result that is not finite goes through MathErrorHook and becomes 0.
using ComplexF = std::complex<float>;
ComplexF ComplexSin(ComplexF z, TraceSink* pTrace = nullptr);
ComplexF ComplexCos(ComplexF z, TraceSink* pTrace = nullptr);
ComplexF ComplexLog(ComplexF z, TraceSink* pTrace = nullptr);   // principal; z must not be 0
ComplexF ComplexSqrt(ComplexF z, TraceSink* pTrace = nullptr);  // principal
// atan2 of the parts, with errors turned into 0.
float CheckedAtan2(float y, float x, TraceSink* pTrace = nullptr);

// Truncation toward zero into an int; NaN and values outside the int range
// give 0 (as a math error would).
inline int TruncToInt(double v) {
    if (!(v > -2147483648.0 && v < 2147483648.0)) return 0;
    return static_cast<int>(v);
}
// The same for a float, without the widening (both bounds are floats).
inline int TruncToInt(float v) {
    if (!(v > -2147483648.0f && v < 2147483648.0f)) return 0;
    return static_cast<int>(v);
}

}  // namespace mv
