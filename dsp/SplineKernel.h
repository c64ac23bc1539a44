// The inter-sample peak estimate for one vector width V (see SimdVectors.h):
// each lane holds one channel of one frame, so a vector serves V::kWidth / 2
// interleaved stereo frames, with every operation in the order and precision
// of the scalar formulas.
#pragma once

#include "dsp/SimdVectors.h"

namespace {

// Coefficients of the tridiagonal sweep (diagonal 4, off-diagonals 1) and of
// the cubic segment, as single-precision constants.
constexpr float kQuarter = 0.25f;
constexpr float kInverseDiagonal2 = 0.26666668f; // 1 / 3.75
constexpr float kThird = 0.33333334f;
constexpr float kDiagonal3 = 4.0f - kInverseDiagonal2;
constexpr float kPositions[] = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f};

// Frames first .. end - 1, whole vectors at a time: when end - first is not a
// multiple of V::kWidth / 2, the last vector also writes the frame at end.
template <class V>
void estimateFramesWith(const float* gained, int first, int end, float floor, float* estimates) {
    using Vec = typename V::Vec;
    const Vec two = V::set1(2.0f);
    const Vec three = V::set1(3.0f);
    const Vec quarter = V::set1(kQuarter);
    const Vec inverse2 = V::set1(kInverseDiagonal2);
    const Vec diagonal3 = V::set1(kDiagonal3);
    const Vec third = V::set1(kThird);
    // a_k is the sample k frames before, which for interleaved frames is a
    // plain load two floats further back.
    for (int i = first; i < end; i += V::kWidth / 2) {
        const float* newest = gained + 2 * i;
        const Vec a0 = V::load(newest);
        const Vec a1 = V::load(newest - 2);
        const Vec a2 = V::load(newest - 4);
        const Vec a3 = V::load(newest - 6);
        const Vec a4 = V::load(newest - 8);
        const Vec alpha1 = V::mul(V::add(V::sub(a0, V::mul(two, a1)), a2), three);
        const Vec alpha2 = V::mul(V::add(V::sub(a1, V::mul(two, a2)), a3), three);
        const Vec alpha3 = V::mul(V::add(V::sub(a2, V::mul(two, a3)), a4), three);
        // The first half second derivative is zero, and x - 0 is x bit for bit.
        const Vec z1 = V::mul(alpha1, quarter);
        const Vec z2 = V::mul(V::sub(alpha2, z1), inverse2);
        const Vec z3 = V::div(V::sub(alpha3, z2), diagonal3);
        const Vec c2 = V::sub(z2, V::mul(inverse2, z3));
        const Vec c1 = V::sub(z1, V::mul(quarter, c2));
        const Vec d1 = V::mul(V::sub(c2, c1), third);
        const Vec b1 = V::sub(V::sub(V::sub(a2, a1), c1), d1);
        // Maxima are exact, so their order does not matter.
        Vec peak = V::max(V::abs(a0), V::set1(floor));
        for (float position : kPositions) {
            const Vec t = V::set1(position);
            const Vec v = V::add(V::mul(V::add(V::mul(V::add(V::mul(d1, t), c1), t), b1), t), a1);
            peak = V::max(peak, V::abs(v));
        }
        V::store(estimates + 2 * i, peak);
    }
}

// The whole chunk: wide vectors, then two frames at a time for the rest.
template <class V>
void estimateInterSamplePeaksWith(const float* gained, int frames, float floor, float* estimates) {
    const int wide = frames - frames % (V::kWidth / 2);
    estimateFramesWith<V>(gained, 0, wide, floor, estimates);
    estimateFramesWith<Sse2>(gained, wide, frames, floor, estimates);
}

} // namespace
