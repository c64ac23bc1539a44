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

namespace scan {

constexpr std::int32_t kGroup = 16; // four vectors share one test of their estimates

// One channel's scan: its peaks, the envelope's level and the best rise so far.
struct Channel {
    Channel(const float* coming, float envelope, float releaseSlope)
        : peaks(coming), level(_mm_set1_ps(envelope)),
          accept(acceptBelow(_mm_set1_ps(releaseSlope))), best(releaseSlope) {}

    // Rises and their estimates for distances first .. first + 15; whether
    // any estimate may beat the best.
    bool screen(std::int32_t first, const __m128 (&reciprocal)[4], __m128 (&rise)[4],
                __m128 (&estimate)[4]) const {
        // Written out: the compiler keeps them in registers only unrolled.
        rise[0] = _mm_sub_ps(_mm_loadu_ps(peaks + first), level);
        rise[1] = _mm_sub_ps(_mm_loadu_ps(peaks + first + 4), level);
        rise[2] = _mm_sub_ps(_mm_loadu_ps(peaks + first + 8), level);
        rise[3] = _mm_sub_ps(_mm_loadu_ps(peaks + first + 12), level);
        estimate[0] = _mm_mul_ps(rise[0], reciprocal[0]);
        estimate[1] = _mm_mul_ps(rise[1], reciprocal[1]);
        estimate[2] = _mm_mul_ps(rise[2], reciprocal[2]);
        estimate[3] = _mm_mul_ps(rise[3], reciprocal[3]);
        // The largest estimate passes exactly when any does.
        const __m128 largest =
            _mm_max_ps(_mm_max_ps(estimate[0], estimate[1]), _mm_max_ps(estimate[2], estimate[3]));
        return _mm_movemask_ps(_mm_cmpgt_ps(largest, accept)) != 0;
    }

    // Vector by vector in increasing distance, each against the best so far.
    void settle(std::int32_t first, const __m128 (&rise)[4], const __m128 (&estimate)[4]) {
        settle(first, rise[0], estimate[0], 4);
        settle(first + 4, rise[1], estimate[1], 4);
        settle(first + 8, rise[2], estimate[2], 4);
        settle(first + 12, rise[3], estimate[3], 4);
    }

    // The exact decision for the lanes of one vector whose estimate passed.
    void settle(std::int32_t first, __m128 rise, __m128 estimate, std::int32_t used) {
        const int candidates = _mm_movemask_ps(_mm_cmpgt_ps(estimate, accept));
        if (candidates == 0) return;
        float rises[4];
        _mm_storeu_ps(rises, rise);
        for (std::int32_t k = 0; k < used; ++k) {
            if ((candidates >> k & 1) == 0) continue;
            const float quotient = rises[k] / static_cast<float>(first + k);
            if (quotient > best) {
                best = quotient;
                steepest = first + k;
            }
        }
        accept = acceptBelow(_mm_set1_ps(best));
    }

    // The last distances, fewer than a group: single vectors.
    void finish(std::int32_t first, const float* reciprocals, std::int32_t lookAhead) {
        for (; first < lookAhead; first += 4) {
            const __m128 rise = _mm_sub_ps(_mm_loadu_ps(peaks + first), level);
            const __m128 estimate = _mm_mul_ps(rise, _mm_load_ps(reciprocals + first));
            settle(first, rise, estimate, lookAhead - first < 4 ? lookAhead - first : 4);
        }
    }

    const float* peaks;
    __m128 level;
    __m128 accept;
    float best;
    std::int32_t steepest = 0;
};

inline void loadGroup(const float* reciprocals, std::int32_t first, __m128 (&reciprocal)[4]) {
    reciprocal[0] = _mm_load_ps(reciprocals + first);
    reciprocal[1] = _mm_load_ps(reciprocals + first + 4);
    reciprocal[2] = _mm_load_ps(reciprocals + first + 8);
    reciprocal[3] = _mm_load_ps(reciprocals + first + 12);
}

} // namespace scan

// peaks[1 .. lookAhead - 1] are the coming peaks; `target` enters as the
// release slope and leaves as the steepest rise; reciprocals[j] is 1/j, with
// &reciprocals[1] 16-byte aligned. Returns the distance of the peak that set
// it (the nearest of equal rises), or 0 when none needs a rise steeper than
// the release slope.
inline std::int32_t scanForSteepestRise(const float* peaks, const float* reciprocals,
                                        std::int32_t lookAhead, float envelope, float& target) {
    scan::Channel channel(peaks, envelope, target);
    std::int32_t first = 1;
    for (; first + scan::kGroup <= lookAhead; first += scan::kGroup) {
        __m128 reciprocal[4], rise[4], estimate[4];
        scan::loadGroup(reciprocals, first, reciprocal);
        if (channel.screen(first, reciprocal, rise, estimate))
            channel.settle(first, rise, estimate);
    }
    channel.finish(first, reciprocals, lookAhead);
    target = channel.best;
    return channel.steepest;
}

// Both channels at once, when both scan in the same frame: the same results
// as two single scans, with the two chains of work interleaved.
inline void scanForSteepestRises(const float* const (&peaks)[2], const float* reciprocals,
                                 std::int32_t lookAhead, const float (&envelope)[2],
                                 float (&target)[2], std::int32_t (&steepest)[2]) {
    scan::Channel left(peaks[0], envelope[0], target[0]);
    scan::Channel right(peaks[1], envelope[1], target[1]);
    std::int32_t first = 1;
    for (; first + scan::kGroup <= lookAhead; first += scan::kGroup) {
        __m128 reciprocal[4], riseLeft[4], estimateLeft[4], riseRight[4], estimateRight[4];
        scan::loadGroup(reciprocals, first, reciprocal);
        const bool leftPassed = left.screen(first, reciprocal, riseLeft, estimateLeft);
        const bool rightPassed = right.screen(first, reciprocal, riseRight, estimateRight);
        if (leftPassed) left.settle(first, riseLeft, estimateLeft);
        if (rightPassed) right.settle(first, riseRight, estimateRight);
    }
    left.finish(first, reciprocals, lookAhead);
    right.finish(first, reciprocals, lookAhead);
    target[0] = left.best;
    target[1] = right.best;
    steepest[0] = left.steepest;
    steepest[1] = right.steepest;
}
