// Rises of the gain envelope: (peak - envelope) / distance, compared with the
// slope aimed at so far. Most candidates are rejected with one multiplication
// by a tabulated reciprocal; only those that might win are divided, and the
// division decides exactly as a scalar loop would.
#pragma once

#include <cstdint>
#include <xmmintrin.h>

// Floats that a peak line and the reciprocal table hold beyond the frames
// they serve, so a scan may read a whole vector past the last frame it uses.
inline constexpr int kScanSlack = 4;

namespace scan {

// Slightly below `best`: n * (1/j) is within 2^-23 of n / j relatively, so
// every quotient that exceeds `best` has its product above this bound.
// Rises are 0 or at least about 1e-12 in magnitude (differences of values
// near 1 over at most a few thousand frames), far from denormal.
inline __m128 acceptBelow(__m128 best) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), best);
    return _mm_sub_ps(best, _mm_mul_ps(magnitude, _mm_set1_ps(0x1p-20f)));
}

} // namespace scan

// peaks[1 .. lookAhead - 1] are the coming peaks; `target` enters as the
// release slope and leaves as the steepest rise; reciprocals[j] is 1/j.
// Returns the distance of the peak that set it (the nearest of equal rises),
// or 0 when none needs a rise steeper than the release slope.
inline std::int32_t scanForSteepestRise(const float* peaks, const float* reciprocals,
                                        std::int32_t lookAhead, float envelope, float& target) {
    std::int32_t steepest = 0;
    float best = target;
    const __m128 level = _mm_set1_ps(envelope);
    __m128 accept = scan::acceptBelow(_mm_set1_ps(best));
    for (std::int32_t first = 1; first < lookAhead; first += 4) {
        const __m128 rise = _mm_sub_ps(_mm_loadu_ps(peaks + first), level);
        const __m128 estimate = _mm_mul_ps(rise, _mm_loadu_ps(reciprocals + first));
        const int candidates = _mm_movemask_ps(_mm_cmpgt_ps(estimate, accept));
        if (candidates == 0) continue;
        float rises[4];
        _mm_storeu_ps(rises, rise);
        const std::int32_t used = lookAhead - first < 4 ? lookAhead - first : 4;
        for (std::int32_t k = 0; k < used; ++k) {
            if ((candidates >> k & 1) == 0) continue;
            const float quotient = rises[k] / static_cast<float>(first + k);
            if (quotient > best) {
                best = quotient;
                steepest = first + k;
            }
        }
        accept = scan::acceptBelow(_mm_set1_ps(best));
    }
    target = best;
    return steepest;
}
