// Inter-sample peak estimate: a natural cubic spline through the last five
// gained samples of a channel, sampled at seven points between the samples one
// and two frames old. Both channels are estimated together, one per SSE lane,
// with every operation in the order and precision of the scalar formulas.
#pragma once

#include <emmintrin.h>

// History of one channel: the last five gained samples, newest first.
struct IspSpline {
    float a[5] = {};
};

// The two channels' histories while a block is processed: a[k] holds sample k
// of channel 0 in lane 0 and of channel 1 in lane 1; lanes 2 and 3 are zero.
struct IspSplinePair {
    __m128 a[5];

    void load(const IspSpline (&splines)[2]) {
        for (int k = 0; k < 5; ++k)
            a[k] = _mm_setr_ps(splines[0].a[k], splines[1].a[k], 0.0f, 0.0f);
    }
    void store(IspSpline (&splines)[2]) const {
        for (int k = 0; k < 5; ++k) {
            splines[0].a[k] = _mm_cvtss_f32(a[k]);
            splines[1].a[k] = _mm_cvtss_f32(_mm_shuffle_ps(a[k], a[k], 1));
        }
    }

    // Pushes the gained samples (lanes 0 and 1) and returns, in the same
    // lanes, the larger of each new sample's magnitude and the largest
    // magnitude of its spline segment.
    __m128 estimate(__m128 gained);
};

namespace isp {

// Coefficients of the tridiagonal sweep (diagonal 4, off-diagonals 1) and of
// the cubic segment, as single-precision constants.
inline constexpr float kQuarter = 0.25f;
inline constexpr float kInverseDiagonal2 = 0.26666668f; // 1 / 3.75
inline constexpr float kThird = 0.33333334f;
inline constexpr float kDiagonal3 = 4.0f - kInverseDiagonal2;

inline __m128 absolute(__m128 v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }

// Horner's rule ((d t + c) t + b) t + a, lane by lane.
inline __m128 cubic(__m128 d, __m128 c, __m128 b, __m128 a, __m128 t) {
    return _mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(d, t), c), t), b), t),
                      a);
}

} // namespace isp

inline __m128 IspSplinePair::estimate(__m128 gained) {
    a[4] = a[3];
    a[3] = a[2];
    a[2] = a[1];
    a[1] = a[0];
    a[0] = _mm_movelh_ps(gained, _mm_setzero_ps());
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 three = _mm_set1_ps(3.0f);
    const __m128 quarter = _mm_set1_ps(isp::kQuarter);
    const __m128 inverse2 = _mm_set1_ps(isp::kInverseDiagonal2);
    const __m128 alpha1 = _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a[0], _mm_mul_ps(two, a[1])), a[2]), three);
    const __m128 alpha2 = _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a[1], _mm_mul_ps(two, a[2])), a[3]), three);
    const __m128 alpha3 = _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a[2], _mm_mul_ps(two, a[3])), a[4]), three);
    // The first half second derivative is zero, and x - 0 is x bit for bit.
    const __m128 z1 = _mm_mul_ps(alpha1, quarter);
    const __m128 z2 = _mm_mul_ps(_mm_sub_ps(alpha2, z1), inverse2);
    const __m128 z3 = _mm_div_ps(_mm_sub_ps(alpha3, z2), _mm_set1_ps(isp::kDiagonal3));
    const __m128 c2 = _mm_sub_ps(z2, _mm_mul_ps(inverse2, z3));
    const __m128 c1 = _mm_sub_ps(z1, _mm_mul_ps(quarter, c2));
    const __m128 d1 = _mm_mul_ps(_mm_sub_ps(c2, c1), _mm_set1_ps(isp::kThird));
    const __m128 b1 = _mm_sub_ps(_mm_sub_ps(_mm_sub_ps(a[2], a[1]), c1), d1);

    // Fourteen evaluations in four vectors: lanes (channel 0, channel 0,
    // channel 1, channel 1) at two sub-sample positions each; 7/8 is taken
    // twice so that no lane is spare.
    const __m128 d = _mm_unpacklo_ps(d1, d1);
    const __m128 c = _mm_unpacklo_ps(c1, c1);
    const __m128 b = _mm_unpacklo_ps(b1, b1);
    const __m128 a1 = _mm_unpacklo_ps(a[1], a[1]);
    const __m128 v12 = isp::cubic(d, c, b, a1, _mm_setr_ps(0.125f, 0.25f, 0.125f, 0.25f));
    const __m128 v34 = isp::cubic(d, c, b, a1, _mm_setr_ps(0.375f, 0.5f, 0.375f, 0.5f));
    const __m128 v56 = isp::cubic(d, c, b, a1, _mm_setr_ps(0.625f, 0.75f, 0.625f, 0.75f));
    const __m128 v77 = isp::cubic(d, c, b, a1, _mm_set1_ps(0.875f));
    // Maxima are exact, so their order does not matter.
    const __m128 pairs = _mm_max_ps(_mm_max_ps(isp::absolute(v12), isp::absolute(v34)),
                                    _mm_max_ps(isp::absolute(v56), isp::absolute(v77)));
    // (ch0, ch0, ch1, ch1) -> lane 0: channel 0, lane 1: channel 1.
    const __m128 even = _mm_shuffle_ps(pairs, pairs, _MM_SHUFFLE(3, 1, 2, 0));
    const __m128 spline = _mm_max_ps(even, _mm_movehl_ps(even, even));
    return _mm_max_ps(spline, isp::absolute(a[0]));
}
