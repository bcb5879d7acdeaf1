#pragma once
#include <cstdint>

namespace mv {

class TraceSink;

// The orbit loop of the Julia set over several points at once, for the
// renderer. Each path gives the bits the one-point loop of PatternFractal
// gives: the same single and double operations in the same order, only on
// several lanes (the files are built without contraction into fused
// multiply-adds).
namespace fractal_kernel {

// Which instruction set renders; Best picks the widest the processor has.
enum class SimdLevel { Best, Scalar, Sse2, Avx2 };

struct Params {
    float fScaleX = 1.0f, fCentreX = 0.0f, fScaleY = 1.0f, fCentreY = 0.0f;
    float cr = 0.0f, ci = 0.0f;
    float fBailout = 4.0f;
    int iMaxIter = 256;
    int iAdjZ = 0;
    bool bUseAngle = false;
    bool bUseMinNormZ = false;
    bool bUseMinAbsReal = false;
};

// Where one point's orbit ended: the escape count and what the colouring
// modifiers need. w is z transformed when the minimum modifiers follow it
// on every step; otherwise it is left as the final z and the caller
// transforms once.
struct Orbit {
    int i;
    float zr, zi, wr, wi;
    float fMinNorm, fMinRe;
    bool bTransformed;
};

// Runs the orbits of the inputs (x, ys[k]) for k < n, with colouring on.
// Points whose transform leaves the range the vector maths covers are
// finished by fallback(iAdjZ, re, im, out re, out im), the one-point maths.
using Fallback = void (*)(int iAdjZ, float re, float im, float& outRe, float& outIm, void* pContext);
void OrbitsSse2(const Params& p, float x, const float* ys, int n, Orbit* pOut, Fallback fallback, void* pContext);
void OrbitsAvx2(const Params& p, float x, const float* ys, int n, Orbit* pOut, Fallback fallback, void* pContext);

// The level Best stands for on this processor.
SimdLevel BestLevel();

}  // namespace fractal_kernel
}  // namespace mv
