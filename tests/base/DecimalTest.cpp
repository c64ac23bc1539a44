// Powers of ten and logarithms that both builds compute alike.
#include "base/Decimal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

double ulpsApart(double a, double b) {
    return std::fabs(a - b) / (std::nextafter(std::fabs(b), INFINITY) - std::fabs(b));
}

TEST(Decimal, WholeExponentsAreExact) {
    EXPECT_EQ(decimal::power(0.0), 1.0);
    EXPECT_EQ(decimal::power(1.0), 10.0);
    EXPECT_EQ(decimal::power(2.0), 100.0);
    EXPECT_EQ(decimal::power(6.0), 1e6);
    EXPECT_EQ(decimal::power(22.0), 1e22);
    EXPECT_EQ(decimal::power(-1.0), 0.1);
    EXPECT_EQ(decimal::power(-3.0), 0.001);
    EXPECT_EQ(decimal::logarithm(1.0), 0.0);
}

TEST(Decimal, PowersAreWithinTwoUnitsOfTheLastPlace) {
    for (int i = -3000; i <= 3000; ++i) {
        const double x = i * 0.000731 + 1e-9 * (i % 7);
        EXPECT_LE(ulpsApart(decimal::power(x), std::pow(10.0, x)), 2.0) << x;
    }
}

TEST(Decimal, LogarithmsAreWithinTwoUnitsOfTheLastPlace) {
    for (int i = 1; i <= 20000; ++i) {
        const double x = i * 0.00137 + 0.001;
        const double expected = std::log10(x);
        if (std::fabs(expected) < 1e-3) continue; // relative error is meaningless near 1
        EXPECT_LE(ulpsApart(decimal::logarithm(x), expected), 2.0) << x;
    }
    EXPECT_NEAR(decimal::logarithm(0.5), -0.30102999566398120, 1e-16);
    EXPECT_NEAR(decimal::logarithm(1e-6), -6.0, 1e-15);
}

TEST(Decimal, ParameterLawsRoundToTheSameFloatsAsTheLibrary) {
    int differences = 0;
    for (int i = 0; i <= 100000; ++i) {
        const float v = static_cast<float>(i) / 100000.0f;
        differences += static_cast<float>(decimal::power(1.5 * v)) !=
                       static_cast<float>(std::pow(10.0, 1.5 * v));
        differences +=
            static_cast<float>(decimal::power(2.0 * v)) != static_cast<float>(std::pow(100.0, v));
    }
    // A last-place difference in double flips a float only at a tie.
    EXPECT_LE(differences, 2);
}

} // namespace
