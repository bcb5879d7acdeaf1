#pragma once
#include <complex>

#include "Patterns/FractalKernel.h"

namespace mv {

class Random;
class TraceSink;

// What the pattern needs to know about the palette it will be drawn with,
// and where its trace lines go.
struct PatternContext {
    int iPaletteSize = 256;      // the iteration limit; values below 2 count as 2
    int iGroups = 0;             // colour groups of the palette just built
    TraceSink* pTrace = nullptr; // optional
};

// Maps a vector of input coordinates to a vector of output values.
class PatternCalculator {
public:
    explicit PatternCalculator(Random* pRandom) : m_pRandom(pRandom) {}
    virtual ~PatternCalculator() = default;

    // Chooses the pattern's parameters; does nothing once they are chosen.
    virtual void SetUp(int iInputs, int iOutputs, bool bNoAngle, int iFourth, const PatternContext& context) = 0;
    // Fills the output vector from the input vector.
    virtual void Compute(const float* pInput, float* pOutput) = 0;
    virtual int OutputCount() const = 0;
    // Compute, with every output v turned into 2v - 1. Returns the output count.
    virtual int ComputeSigned(const float* pInput, float* pOutput);

    // A faster Compute of a column of points that several threads may call
    // at once: pOutput[k] is what Compute gives for (x, pYs[k]), k < n.
    // Patterns without it answer false to CanComputeColumns.
    virtual bool CanComputeColumns() const { return false; }
    virtual void ComputeColumn(float x, const float* pYs, int n, float* pOutput,
                               fractal_kernel::SimdLevel level) const {}

    bool IsReady() const { return m_bReady; }

protected:
    Random* m_pRandom;
    bool m_bReady = false;
};

// A quadratic Julia set over single-precision complex numbers, with a random
// constant, view window and escape limit, optionally coloured by orbit
// modifiers.
class PatternFractal : public PatternCalculator {
public:
    using Complex = std::complex<float>;

    explicit PatternFractal(Random* pRandom) : PatternCalculator(pRandom) {}

    void SetUp(int iInputs, int iOutputs, bool bNoAngle, int iFourth, const PatternContext& context) override;
    // output[0] = Iterate(input[0], input[1], true) / (m_iMaxIter - 1).
    void Compute(const float* pInput, float* pOutput) override;
    int OutputCount() const override { return 1; }
    // Columns in vector lanes, unless the trace is on (its lines keep the
    // one-point order then).
    bool CanComputeColumns() const override;
    void ComputeColumn(float x, const float* pYs, int n, float* pOutput,
                       fractal_kernel::SimdLevel level) const override;

    // The escape count of (x, y) in [-1, 1)^2, with the colouring modifiers
    // when bColouring is set: 0 .. m_iMaxIter - 1.
    int Iterate(float x, float y, bool bColouring) const;

    // The colouring transform number iAdjZ (0..10) applied to z.
    static Complex Transform(int iAdjZ, Complex z, TraceSink* pTrace = nullptr);

    // Parameters, for tests, tools and the trace.
    struct Parameters {
        bool bUseAngle = false;
        bool bUseMinNormZ = false;
        bool bUseMinAbsReal = false;
        bool bApplyMods = false;
        int iMaxIter = 256;
        float fBailout = 0.0f;
        float fScaleX = 0.0f, fCentreX = 0.0f, fScaleY = 0.0f, fCentreY = 0.0f;
        int iAdjZ = 0;
        Complex c{0.0f, 0.0f};
        int iTries = 0;
    };
    Parameters GetParameters() const;
    // Installs parameters directly (tests); the pattern counts as set up.
    void SetParameters(const Parameters& p);

private:
    // Steps 5 to 8 of the escape count: the colouring modifiers applied to
    // the count i of an orbit that ended at z, with w its transform.
    int Finish(int i, float zr, Complex w, float fMinNorm, float fMinRe) const;

    bool m_bUseAngle = false;
    bool m_bUseMinNormZ = false;
    bool m_bUseMinAbsReal = false;
    int m_iMaxIter = 256;
    float m_fBailout = 4.0f;
    float m_fScaleX = 1.0f, m_fCentreX = 0.0f;
    float m_fScaleY = 1.0f, m_fCentreY = 0.0f;
    int m_iAdjZ = 0;
    Complex m_c{0.0f, 0.0f};
    // Kept for GetParameters: the attempts and the sample's colouring switch.
    bool m_bApplyMods = false;
    int m_iTries = 0;
    TraceSink* m_pTrace = nullptr;
};

}  // namespace mv
