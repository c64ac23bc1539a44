#include "dsp/IspSpline.h"

namespace {

// Coefficients of the tridiagonal sweep (diagonal 4, off-diagonals 1) and of
// the cubic segment, as single-precision constants.
constexpr float kQuarter = 0.25f;
constexpr float kInverseDiagonal2 = 0.26666668f; // 1 / 3.75
constexpr float kThird = 0.33333334f;
constexpr float kDiagonal3 = 4.0f - kInverseDiagonal2;
constexpr float kPositions[] = {0.125f, 0.25f, 0.375f, 0.5f, 0.625f, 0.75f, 0.875f};

inline __m128 absolute(__m128 v) {
    return _mm_andnot_ps(_mm_set1_ps(-0.0f), v);
}

} // namespace

void estimateInterSamplePeaks(const float* gained, int frames, float floor, float* estimates) {
    const __m128 two = _mm_set1_ps(2.0f);
    const __m128 three = _mm_set1_ps(3.0f);
    const __m128 quarter = _mm_set1_ps(kQuarter);
    const __m128 inverse2 = _mm_set1_ps(kInverseDiagonal2);
    const __m128 diagonal3 = _mm_set1_ps(kDiagonal3);
    const __m128 third = _mm_set1_ps(kThird);
    // Lanes: (frame i, channel 0), (i, 1), (i + 1, 0), (i + 1, 1); a_k is the
    // sample k frames before, which for interleaved frames is a plain load.
    for (int i = 0; i < frames; i += 2) {
        const float* newest = gained + 2 * i;
        const __m128 a0 = _mm_loadu_ps(newest);
        const __m128 a1 = _mm_loadu_ps(newest - 2);
        const __m128 a2 = _mm_loadu_ps(newest - 4);
        const __m128 a3 = _mm_loadu_ps(newest - 6);
        const __m128 a4 = _mm_loadu_ps(newest - 8);
        const __m128 alpha1 =
            _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a0, _mm_mul_ps(two, a1)), a2), three);
        const __m128 alpha2 =
            _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a1, _mm_mul_ps(two, a2)), a3), three);
        const __m128 alpha3 =
            _mm_mul_ps(_mm_add_ps(_mm_sub_ps(a2, _mm_mul_ps(two, a3)), a4), three);
        // The first half second derivative is zero, and x - 0 is x bit for bit.
        const __m128 z1 = _mm_mul_ps(alpha1, quarter);
        const __m128 z2 = _mm_mul_ps(_mm_sub_ps(alpha2, z1), inverse2);
        const __m128 z3 = _mm_div_ps(_mm_sub_ps(alpha3, z2), diagonal3);
        const __m128 c2 = _mm_sub_ps(z2, _mm_mul_ps(inverse2, z3));
        const __m128 c1 = _mm_sub_ps(z1, _mm_mul_ps(quarter, c2));
        const __m128 d1 = _mm_mul_ps(_mm_sub_ps(c2, c1), third);
        const __m128 b1 = _mm_sub_ps(_mm_sub_ps(_mm_sub_ps(a2, a1), c1), d1);
        // Maxima are exact, so their order does not matter.
        __m128 peak = _mm_max_ps(absolute(a0), _mm_set1_ps(floor));
        for (float position : kPositions) {
            const __m128 t = _mm_set1_ps(position);
            const __m128 v = _mm_add_ps(
                _mm_mul_ps(_mm_add_ps(_mm_mul_ps(_mm_add_ps(_mm_mul_ps(d1, t), c1), t), b1), t),
                a1);
            peak = _mm_max_ps(peak, absolute(v));
        }
        _mm_storeu_ps(estimates + 2 * i, peak);
    }
}
