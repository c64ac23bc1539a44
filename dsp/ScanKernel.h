// The look-ahead scan for one vector width V (see SimdVectors.h): rises of
// the gain envelope, (peak - envelope) / distance, compared with the slope
// aimed at so far. Most candidates are rejected with one multiplication by a
// tabulated reciprocal; only those that might win are divided, in increasing
// distance, and the division decides exactly as a scalar loop would, so the
// answer does not depend on the width.
#pragma once

#include <cstdint>
#include <xmmintrin.h>

namespace {

// Larger than any height a line over the peaks takes, and than any estimate.
constexpr double kHugeDouble = 0x1p100;
constexpr float kHugeFloat = 0x1p100f;

template <class V> struct ScanChannel {
    using Vec = typename V::Vec;
    static constexpr std::int32_t kGroup = 4 * V::kWidth; // four vectors share one screen

    // Slightly below `best`: n * (1/j) is within 2^-23 of n / j relatively, so
    // every quotient that exceeds `best` has its product above this bound.
    // Rises are 0 or at least about 1e-12 in magnitude (differences of values
    // near 1 over at most a few thousand frames), far from denormal.
    static Vec acceptBelow(float best) {
        const Vec b = V::set1(best);
        return V::sub(b, V::mul(V::abs(b), V::set1(0x1p-20f)));
    }

    // The nearest peak is settled at once: its rise needs no division, and
    // when it leads, as it mostly does, the screens pass far fewer lanes.
    ScanChannel(const float* coming, float envelope, float releaseSlope, std::int32_t lookAhead)
        : peaks(coming), level(V::set1(envelope)), best(releaseSlope) {
        const float nearest = coming[1] - envelope;
        if (lookAhead > 1 && nearest > best) {
            best = nearest;
            steepest = 1;
        }
        accept = acceptBelow(best);
    }

    // A scan carried on past distances whose answer is already known.
    ScanChannel(const float* coming, Vec envelope, float bestSoFar, std::int32_t steepestSoFar)
        : peaks(coming), level(envelope), accept(acceptBelow(bestSoFar)), best(bestSoFar),
          steepest(steepestSoFar) {}

    // Rises and their estimates for the distances of the group from `first`;
    // whether any estimate may beat the best.
    bool screen(std::int32_t first, const Vec (&reciprocal)[4], Vec (&rise)[4],
                Vec (&estimate)[4]) const {
        // Written out: the compiler keeps them in registers only unrolled.
        rise[0] = V::sub(V::load(peaks + first), level);
        rise[1] = V::sub(V::load(peaks + first + V::kWidth), level);
        rise[2] = V::sub(V::load(peaks + first + 2 * V::kWidth), level);
        rise[3] = V::sub(V::load(peaks + first + 3 * V::kWidth), level);
        estimate[0] = V::mul(rise[0], reciprocal[0]);
        estimate[1] = V::mul(rise[1], reciprocal[1]);
        estimate[2] = V::mul(rise[2], reciprocal[2]);
        estimate[3] = V::mul(rise[3], reciprocal[3]);
        // The largest estimate passes exactly when any does.
        const Vec largest =
            V::max(V::max(estimate[0], estimate[1]), V::max(estimate[2], estimate[3]));
        return V::greater(largest, accept) != 0;
    }

    // Vector by vector in increasing distance, each against the best so far.
    void settle(std::int32_t first, const Vec (&rise)[4], const Vec (&estimate)[4]) {
        settle(first, rise[0], estimate[0], V::kWidth);
        settle(first + V::kWidth, rise[1], estimate[1], V::kWidth);
        settle(first + 2 * V::kWidth, rise[2], estimate[2], V::kWidth);
        settle(first + 3 * V::kWidth, rise[3], estimate[3], V::kWidth);
    }

    // The exact decision for the first `used` lanes of one vector whose
    // estimate passed, nearest first.
    void settle(std::int32_t first, Vec rise, Vec estimate, std::int32_t used) {
        unsigned candidates = V::greater(estimate, accept) & ((2u << (used - 1)) - 1u);
        if (candidates == 0) return;
        float rises[V::kWidth];
        V::store(rises, rise);
        for (; candidates != 0; candidates &= candidates - 1) {
            const std::int32_t k = __builtin_ctz(candidates);
            const float quotient = rises[k] / static_cast<float>(first + k);
            if (quotient > best) {
                best = quotient;
                steepest = first + k;
            }
        }
        accept = acceptBelow(best);
    }

    // The last distances, fewer than a group: single vectors.
    void finish(std::int32_t first, const float* reciprocals, std::int32_t lookAhead) {
        for (; first < lookAhead; first += V::kWidth) {
            const std::int32_t used = lookAhead - first < V::kWidth ? lookAhead - first : V::kWidth;
            const Vec rise = V::sub(V::loadFirst(peaks + first, used), level);
            const Vec estimate = V::mul(rise, V::loadFirst(reciprocals + first, used));
            settle(first, rise, estimate, used);
        }
    }

    static void loadGroup(const float* reciprocals, std::int32_t first, Vec (&reciprocal)[4]) {
        reciprocal[0] = V::load(reciprocals + first);
        reciprocal[1] = V::load(reciprocals + first + V::kWidth);
        reciprocal[2] = V::load(reciprocals + first + 2 * V::kWidth);
        reciprocal[3] = V::load(reciprocals + first + 3 * V::kWidth);
    }

    const float* peaks;
    Vec level;
    Vec accept;
    float best;
    std::int32_t steepest = 0;
};

template <class V>
std::int32_t scanForSteepestRiseWith(const float* peaks, const float* reciprocals,
                                     std::int32_t lookAhead, float envelope, float& target) {
    using Channel = ScanChannel<V>;
    using Vec = typename V::Vec;
    Channel channel(peaks, envelope, target, lookAhead);
    std::int32_t first = 1;
    for (; first + Channel::kGroup <= lookAhead; first += Channel::kGroup) {
        Vec reciprocal[4], rise[4], estimate[4];
        Channel::loadGroup(reciprocals, first, reciprocal);
        if (channel.screen(first, reciprocal, rise, estimate))
            channel.settle(first, rise, estimate);
    }
    channel.finish(first, reciprocals, lookAhead);
    target = channel.best;
    return channel.steepest;
}

// The scan of the nearest peaks alone, peaks[1 .. near] with near a whole
// number of vectors: the same answer as scanForSteepestRiseWith over them.
// Where the nearest peaks compete within their rounding, as on a swell, the
// winner is mostly among the first vector's, which is divided whole and
// settled without a branch that depends on the data; the others are
// screened against its answer all at once, and rarely pass.
template <class V>
[[gnu::always_inline]] inline std::int32_t scanNearWith(const float* peaks,
                                                        const float* reciprocals, std::int32_t near,
                                                        float envelope, float& target) {
    using Vec = typename V::Vec;
    constexpr unsigned kLanes = (2u << (V::kWidth - 1)) - 1u;
    const Vec level = V::set1(envelope);
    const Vec quotient = V::div(V::sub(V::load(peaks + 1), level), V::distances(1));
    __m128 quarter = V::quarters(quotient);
    quarter = _mm_max_ps(quarter, _mm_movehl_ps(quarter, quarter));
    const float steepest = _mm_cvtss_f32(_mm_max_ss(quarter, _mm_shuffle_ps(quarter, quarter, 1)));
    // The nearest lane that holds the largest quotient.
    const std::int32_t nearest =
        1 + __builtin_ctz(~V::greater(V::set1(steepest), quotient) & kLanes);
    const bool beats = steepest > target;
    ScanChannel<V> channel(peaks, level, beats ? steepest : target, beats ? nearest : 0);
    // Four chains of maxima, each waiting for its own alone.
    const auto estimate = [&](std::int32_t j) {
        return V::mul(V::sub(V::load(peaks + j), level), V::load(reciprocals + j));
    };
    Vec largest[4] = {channel.accept, channel.accept, channel.accept, channel.accept};
    std::int32_t j = 1 + V::kWidth;
    for (; j + 3 * V::kWidth <= near; j += 4 * V::kWidth) {
        largest[0] = V::max(largest[0], estimate(j));
        largest[1] = V::max(largest[1], estimate(j + V::kWidth));
        largest[2] = V::max(largest[2], estimate(j + 2 * V::kWidth));
        largest[3] = V::max(largest[3], estimate(j + 3 * V::kWidth));
    }
    for (; j <= near; j += V::kWidth)
        largest[0] = V::max(largest[0], estimate(j));
    const Vec most = V::max(V::max(largest[0], largest[1]), V::max(largest[2], largest[3]));
    if (V::greater(most, channel.accept) != 0) {
        for (j = 1 + V::kWidth; j <= near; j += V::kWidth) {
            const Vec rise = V::sub(V::load(peaks + j), level);
            channel.settle(j, rise, V::mul(rise, V::load(reciprocals + j)), V::kWidth);
        }
    }
    target = channel.best;
    return channel.steepest;
}

// The near scans of both channels in one call, so that the two chains of
// work run side by side: the same results as two single near scans.
template <class V>
void scanNearPairWith(const float* const (&peaks)[2], const float* reciprocals, std::int32_t near,
                      const float (&envelope)[2], float (&target)[2], std::int32_t (&steepest)[2]) {
    steepest[0] = scanNearWith<V>(peaks[0], reciprocals, near, envelope[0], target[0]);
    steepest[1] = scanNearWith<V>(peaks[1], reciprocals, near, envelope[1], target[1]);
}

// For four scans, the k-th of which reads its coming peaks from peaks[k]
// on, against the envelope in lane k of `envelope`: the largest product of
// a rise with the tabulated reciprocal of its distance over the distances
// first .. last, and up to a vector beyond them, all of which must be
// readable.
template <class V>
__m128 largestNearEstimatesWith(const float* const (&peaks)[4], const float* reciprocals,
                                std::int32_t first, std::int32_t last, __m128 envelope) {
    using Vec = typename V::Vec;
    alignas(16) float levels[4], largest[4];
    _mm_store_ps(levels, envelope);
    for (int k = 0; k < 4; ++k) {
        const Vec level = V::set1(levels[k]);
        const float* const coming = peaks[k];
        // Two chains of maxima, each waiting for its own alone.
        Vec most[2] = {V::mul(V::sub(V::load(coming + first), level), V::load(reciprocals + first)),
                       V::set1(-kHugeFloat)};
        std::int32_t j = first + V::kWidth;
        for (; j + V::kWidth <= last; j += 2 * V::kWidth) {
            most[0] = V::max(most[0],
                             V::mul(V::sub(V::load(coming + j), level), V::load(reciprocals + j)));
            most[1] = V::max(most[1], V::mul(V::sub(V::load(coming + j + V::kWidth), level),
                                             V::load(reciprocals + j + V::kWidth)));
        }
        if (j <= last)
            most[0] = V::max(most[0],
                             V::mul(V::sub(V::load(coming + j), level), V::load(reciprocals + j)));
        __m128 quarter = V::quarters(V::max(most[0], most[1]));
        quarter = _mm_max_ps(quarter, _mm_movehl_ps(quarter, quarter));
        largest[k] = _mm_cvtss_f32(_mm_max_ss(quarter, _mm_shuffle_ps(quarter, quarter, 1)));
    }
    return _mm_load_ps(largest);
}

// The largest of peaks[j] - slope * j over j = first .. last - 1 (at least
// one), in double precision: the height at distance 0 of the lowest line of
// that slope that no peak of them rises above.
template <class V>
double highestOverLineWith(const float* peaks, std::int32_t first, std::int32_t last,
                           double slope) {
    using D = typename V::Doubles;
    using Vec = typename D::Vec;
    const Vec step = D::set1(slope);
    const Vec stride = D::set1(static_cast<double>(D::kWidth));
    const Vec fourStrides = D::set1(static_cast<double>(4 * D::kWidth));
    // Four chains of maxima and of distances, each waiting for its own alone.
    Vec distance[4];
    distance[0] = D::distances(first);
    for (int k = 1; k < 4; ++k)
        distance[k] = D::add(distance[k - 1], stride);
    Vec highest[4] = {D::set1(-kHugeDouble), D::set1(-kHugeDouble), D::set1(-kHugeDouble),
                      D::set1(-kHugeDouble)};
    std::int32_t j = first;
    for (; j + 4 * D::kWidth <= last; j += 4 * D::kWidth) {
        for (int k = 0; k < 4; ++k) {
            highest[k] = D::max(
                highest[k], D::sub(D::widen(peaks + j + k * D::kWidth), D::mul(step, distance[k])));
            distance[k] = D::add(distance[k], fourStrides);
        }
    }
    double result =
        D::largest(D::max(D::max(highest[0], highest[1]), D::max(highest[2], highest[3])));
    for (; j < last; ++j) {
        const double over = static_cast<double>(peaks[j]) - slope * static_cast<double>(j);
        result = over > result ? over : result;
    }
    return result;
}

// Both channels at once: the same results as two single scans, with the two
// chains of work interleaved.
template <class V>
void scanForSteepestRisesWith(const float* const (&peaks)[2], const float* reciprocals,
                              std::int32_t lookAhead, const float (&envelope)[2],
                              float (&target)[2], std::int32_t (&steepest)[2]) {
    using Channel = ScanChannel<V>;
    using Vec = typename V::Vec;
    Channel left(peaks[0], envelope[0], target[0], lookAhead);
    Channel right(peaks[1], envelope[1], target[1], lookAhead);
    std::int32_t first = 1;
    for (; first + Channel::kGroup <= lookAhead; first += Channel::kGroup) {
        Vec reciprocal[4], riseLeft[4], estimateLeft[4], riseRight[4], estimateRight[4];
        Channel::loadGroup(reciprocals, first, reciprocal);
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

} // namespace
