#include "base/Decimal.h"

#include <cmath>

namespace decimal {

namespace {

// Constants split into a leading double and the rest, for extra precision.
constexpr double kLog2Of10 = 0x1.a934f0979a371p+1;
constexpr double kLog2Of10Rest = 0x1.7f2495fb7fa6dp-53;
constexpr double kLn2 = 0x1.62e42fefa39efp-1;
constexpr double kLn2Rest = 0x1.abc9e3b39803fp-56;
constexpr double kLog10OfE = 0x1.bcb7b1526e50ep-2;
constexpr double kLog10OfERest = 0x1.95355baaafad3p-57;
constexpr double kSqrtHalf = 0.70710678118654752440;
constexpr int kLargestExactPower = 22; // 10^22 is the largest exact double power of ten

// ln(2)^n / n!: 2^r for |r| <= 1/2 to well below a unit in the last place.
constexpr double kPow2Series[] = {
    0x1.0000000000000p+0,  0x1.62e42fefa39efp-1,  0x1.ebfbdff82c58fp-3,  0x1.c6b08d704a0c0p-5,
    0x1.3b2ab6fba4e77p-7,  0x1.5d87fe78a6731p-10, 0x1.430912f86c787p-13, 0x1.ffcbfc588b0c7p-17,
    0x1.62c0223a5c824p-20, 0x1.b5253d395e7c4p-24, 0x1.e4cf5158b8ecap-28, 0x1.e8cac7351bb25p-32,
    0x1.c3bd650fc2986p-36, 0x1.816193166d0f9p-40, 0x1.314964d5878a9p-44,
};

// a * b as an unevaluated sum high + low, without fused multiply-add.
void twoProduct(double a, double b, double& high, double& low) {
    constexpr double kSplitter = 134217729.0; // 2^27 + 1
    high = a * b;
    const double aa = a * kSplitter, bb = b * kSplitter;
    const double aHigh = aa - (aa - a), aLow = a - aHigh;
    const double bHigh = bb - (bb - b), bLow = b - bHigh;
    low = ((aHigh * bHigh - high) + aHigh * bLow + aLow * bHigh) + aLow * bLow;
}

// a + b as an unevaluated sum high + low.
void twoSum(double a, double b, double& high, double& low) {
    high = a + b;
    const double bVirtual = high - a;
    low = (a - (high - bVirtual)) + (b - bVirtual);
}

double exactPower(int exponent) {
    double result = 1.0;
    for (int i = 0; i < (exponent < 0 ? -exponent : exponent); ++i)
        result *= 10.0;
    return exponent < 0 ? 1.0 / result : result;
}

} // namespace

double power(double exponent) {
    if (exponent == std::floor(exponent) && std::fabs(exponent) <= kLargestExactPower)
        return exactPower(static_cast<int>(exponent));
    // 10^x = 2^k * 2^r with k whole and |r| <= 1/2.
    double product, productRest;
    twoProduct(exponent, kLog2Of10, product, productRest);
    const double whole = std::nearbyint(product);
    const double r = (product - whole) + (productRest + exponent * kLog2Of10Rest);
    double sum = 0.0;
    for (int n = static_cast<int>(sizeof(kPow2Series) / sizeof(kPow2Series[0])) - 1; n >= 0; --n)
        sum = sum * r + kPow2Series[n];
    return std::ldexp(sum, static_cast<int>(whole));
}

double logarithm(double value) {
    int exponent = 0;
    double mantissa = std::frexp(value, &exponent);
    if (mantissa < kSqrtHalf) {
        mantissa *= 2.0;
        --exponent;
    }
    // ln m = 2 atanh(s) with s = (m - 1) / (m + 1), |s| < 0.172; s is carried
    // with its rounding error, since it dominates the result near m = 1.
    const double numerator = mantissa - 1.0; // exact
    double denominator, denominatorRest;
    twoSum(mantissa, 1.0, denominator, denominatorRest);
    const double s = numerator / denominator;
    double back, backRest;
    twoProduct(s, denominator, back, backRest);
    const double sRest = (((numerator - back) - backRest) - s * denominatorRest) / denominator;
    const double z = s * s;
    double series = 0.0;
    for (int k = 13; k >= 1; --k)
        series = series * z + 1.0 / (2 * k + 1);
    // ln x = e ln 2 + 2s + 2s z series, carried as a high part and a rest.
    double whole, wholeRest;
    twoProduct(static_cast<double>(exponent), kLn2, whole, wholeRest);
    double lnHigh, sumRest;
    twoSum(whole, 2.0 * s, lnHigh, sumRest);
    const double lnRest =
        wholeRest + sumRest + exponent * kLn2Rest + 2.0 * sRest + 2.0 * s * z * series;
    double result, resultRest;
    twoProduct(lnHigh, kLog10OfE, result, resultRest);
    return result + (resultRest + lnRest * kLog10OfE + lnHigh * kLog10OfERest);
}

} // namespace decimal
