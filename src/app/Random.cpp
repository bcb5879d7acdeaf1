#include "app/Random.h"

#include <cstdlib>
#include <ctime>

namespace mv {

namespace {
constexpr int32_t kBig = 1000000000;
constexpr int32_t kSeed = 161803398;
}  // namespace

Random::Random() { seed(static_cast<int32_t>(std::time(nullptr))); }

void Random::seed(int32_t s) {
    m_iSeed = s;
    // |INT_MIN| does not fit in 32 bits: take the magnitude in 64.
    int64_t magnitude = std::llabs(static_cast<int64_t>(s));
    int32_t mj = static_cast<int32_t>((kSeed - magnitude) % kBig);
    if (mj < 0) mj += kBig;
    m_aTable[55] = mj;
    int32_t mk = 1;
    for (int i = 1; i <= 54; ++i) {
        int ii = (21 * i) % 55;
        m_aTable[ii] = mk;
        mk = mj - mk;
        if (mk < 0) mk += kBig;
        mj = m_aTable[ii];
    }
    for (int k = 0; k < 4; ++k) {
        for (int i = 1; i <= 55; ++i) {
            m_aTable[i] -= m_aTable[1 + (i + 30) % 55];
            if (m_aTable[i] < 0) m_aTable[i] += kBig;
        }
    }
    m_iNext = 0;
    m_iNextP = 31;
}

int32_t Random::next() {
    if (++m_iNext == 56) m_iNext = 1;
    if (++m_iNextP == 56) m_iNextP = 1;
    int32_t mj = m_aTable[m_iNext] - m_aTable[m_iNextP];
    if (mj < 0) mj += kBig;
    m_aTable[m_iNext] = mj;
    return mj;
}

int Random::skewed(int n, int k) {
    if (k == 0) k = 1;
    int c = below(n);
    int count = k < 0 ? -k : k;
    for (int i = 1; i < count; ++i) c = below(c + 1);
    return k > 0 ? c : n - c - 1;
}

}  // namespace mv
