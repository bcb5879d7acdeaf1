#pragma once
#include <cstdint>

namespace mv {

// Knuth's subtractive generator (modulus 1000000000, seed constant 161803398).
// Every random decision of the program draws from one of these in a fixed
// order, so a seed reproduces a run.
class Random {
public:
    Random();                       // seeded with the calendar time in seconds
    explicit Random(int32_t s) { seed(s); }
    virtual ~Random() = default;

    void seed(int32_t s);
    int32_t seed() const { return m_iSeed; }
    int32_t next();
    double uniform() { return next() * 1e-9; }
    int below(int n) { return static_cast<int>(uniform() * n); }
    double symmetric() { return uniform() * 2.0 - 1.0; }
    int sign() { return below(2) != 0 ? 1 : -1; }
    int skewed(int n, int k);

private:
    int32_t m_aTable[56] = {};
    int m_iNext = 0;
    int m_iNextP = 31;
    int32_t m_iSeed = 0;
};

}  // namespace mv
