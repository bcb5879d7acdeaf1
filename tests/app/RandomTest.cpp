#include <climits>

#include <gtest/gtest.h>

#include "app/Random.h"

using mv::Random;

TEST(Random, ReferenceSequences) {
    Random r(0);
    EXPECT_EQ(r.next(), 533923850);
    EXPECT_EQ(r.next(), 323008803);
    EXPECT_EQ(r.next(), 401103978);
    r.seed(1234);
    EXPECT_EQ(r.next(), 684440382);
    EXPECT_EQ(r.next(), 187199213);
    EXPECT_EQ(r.next(), 186841164);
    EXPECT_EQ(r.seed(), 1234);
}

TEST(Random, SignOfSeedDoesNotMatterAndExtremesAreSafe) {
    Random a(5), b(-5), c(0);
    bool bDiffersFromZero = false;
    for (int i = 0; i < 100; ++i) {
        int32_t va = a.next();
        EXPECT_EQ(va, b.next());
        if (va != c.next()) bDiffersFromZero = true;
    }
    EXPECT_TRUE(bDiffersFromZero);
    for (int32_t s : {INT_MIN, INT_MAX, INT_MIN + 1, 161803398, -161803398, 1000000000}) {
        Random r(s);
        for (int i = 0; i < 2000; ++i) {
            int32_t v = r.next();
            ASSERT_GE(v, 0) << "seed " << s;
            ASSERT_LE(v, 999999999) << "seed " << s;
        }
    }
    // INT_MIN's magnitude only fits in 64 bits; it must still seed its own sequence.
    Random m(INT_MIN), p(INT_MAX);
    EXPECT_NE(m.next(), p.next());
}

TEST(Random, DerivedDrawsStayInRange) {
    Random r(42);
    for (int i = 0; i < 5000; ++i) {
        double u = r.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        int b = r.below(7);
        ASSERT_GE(b, 0);
        ASSERT_LT(b, 7);
        double s = r.symmetric();
        ASSERT_GE(s, -1.0);
        ASSERT_LT(s, 1.0);
        int g = r.sign();
        ASSERT_TRUE(g == 1 || g == -1);
    }
}

TEST(Random, UniformAndBelowFollowNext) {
    Random a(99), b(99);
    int32_t n = a.next();
    EXPECT_DOUBLE_EQ(b.uniform(), n * 1e-9);
    n = a.next();
    EXPECT_EQ(b.below(10), static_cast<int>(n * 1e-9 * 10));
    n = a.next();
    EXPECT_EQ(b.sign(), static_cast<int>(n * 1e-9 * 2) != 0 ? 1 : -1);
}

TEST(Random, SkewedLeansTowardTheChosenEnd) {
    Random r(7);
    const int n = 100;
    double sumLow = 0, sumHigh = 0, sumStrong = 0;
    const int kDraws = 4000;
    for (int i = 0; i < kDraws; ++i) {
        int lo = r.skewed(n, 2);
        int hi = r.skewed(n, -2);
        int strong = r.skewed(n, 4);
        ASSERT_GE(lo, 0);
        ASSERT_LT(lo, n);
        ASSERT_GE(hi, 0);
        ASSERT_LT(hi, n);
        sumLow += lo;
        sumHigh += hi;
        sumStrong += strong;
    }
    EXPECT_LT(sumLow / kDraws, 35.0);
    EXPECT_GT(sumHigh / kDraws, 64.0);
    EXPECT_LT(sumStrong / kDraws, sumLow / kDraws);

    // k = 0 counts as 1: exactly one below(n) draw.
    Random a(3), b(3);
    EXPECT_EQ(a.skewed(10, 0), b.below(10));
    EXPECT_EQ(a.next(), b.next());
}
