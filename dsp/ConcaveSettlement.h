// The settlement of concave runs (ConcaveRise.h) for four scans at once:
// both channels, channel c in lane c of SSE registers as the frame loop holds
// them (StereoLanes.h), or one channel's scans on four frames
// (FollowingPeaks.h). Internal to the limiter.
#pragma once

#include "dsp/ConcaveRise.h"
#include "dsp/StereoLanes.h"

#include <cstdint>
#include <emmintrin.h>

// Settled scans, one a lane: `settled` where the lane's scan is settled,
// `nearest` where the nearest peak then sets the target, `target` the
// settled target.
struct ConcaveSettlement {
    __m128 settled;
    __m128 nearest;
    __m128 target;
};

// The shortest concave run, in frames ending just before a frame, that covers
// the window of its scan.
inline std::int32_t coveringRun(std::int32_t lookAhead) {
    return lookAhead - 3;
}

// The scans of windows of lookAhead - 1 peaks (lookAhead at least
// kShortestConcaveWindow) whose peaks at distances 1, 2 and lookAhead - 1
// are `first`, `second` and `last`, against `envelope`, with `releaseSlope`
// the target to beat: settled where `run` (frames of a concave run ending
// just before this frame) covers the window and the window lies within a
// factor of two of the envelope, as the full scan would. Only lanes 0 and 1
// unless `fourLanes`.
inline ConcaveSettlement settleConcaveRises(__m128 first, __m128 second, __m128 last, __m128i run,
                                            std::int32_t lookAhead, __m128 envelope,
                                            __m128 releaseSlope, bool fourLanes = false) {
    const __m128 runCovers =
        _mm_castsi128_ps(_mm_cmpgt_epi32(run, _mm_set1_epi32(coveringRun(lookAhead) - 1)));
    const __m128 half = _mm_mul_ps(envelope, _mm_set1_ps(0.5f));
    const __m128 twice = _mm_mul_ps(envelope, _mm_set1_ps(2.0f));
    // A concave run's smallest peak is at one of its ends.
    __m128 settled =
        _mm_and_ps(_mm_and_ps(_mm_and_ps(_mm_cmpge_ps(first, half), _mm_cmple_ps(first, twice)),
                              _mm_and_ps(_mm_cmpge_ps(second, half), _mm_cmple_ps(second, twice))),
                   _mm_and_ps(_mm_cmpge_ps(last, half), runCovers));
    const __m128 rise1 = _mm_sub_ps(first, envelope); // exact, as are all rises below
    const __m128 rise2 = _mm_sub_ps(second, envelope);
    settled = _mm_and_ps(settled, _mm_cmple_ps(rise2, _mm_mul_ps(_mm_set1_ps(2.0f), rise1)));
    // The largest peak is at most the first plus (lookAhead - 2) first steps,
    // in double precision, two lanes at a time.
    const __m128 step = _mm_max_ps(_mm_sub_ps(second, first), _mm_setzero_ps());
    const __m128d steps = _mm_set1_pd(static_cast<double>(lookAhead - 2));
    const __m128d margin = _mm_set1_pd(1.0 - 0x1p-50);
    const auto topBelow = [&](__m128 firstPair, __m128 stepPair, __m128 twicePair) {
        const __m128d top =
            _mm_add_pd(_mm_cvtps_pd(firstPair), _mm_mul_pd(steps, _mm_cvtps_pd(stepPair)));
        return _mm_cmple_pd(top, _mm_mul_pd(_mm_cvtps_pd(twicePair), margin));
    };
    const __m128d lowBelow = topBelow(first, step, twice);
    const __m128d highBelow = fourLanes
                                  ? topBelow(_mm_movehl_ps(first, first), _mm_movehl_ps(step, step),
                                             _mm_movehl_ps(twice, twice))
                                  : lowBelow;
    settled = _mm_and_ps(settled, stereo::fromDoubleMasks(lowBelow, highBelow));
    const __m128 nearest = _mm_cmpgt_ps(rise1, releaseSlope);
    return {settled, nearest,
            _mm_or_ps(_mm_and_ps(nearest, rise1), _mm_andnot_ps(nearest, releaseSlope))};
}
