// The gain computers of both channels while a chunk runs through the frame
// loop, channel c in lane c of SSE registers (StereoLanes.h); lanes 2 and 3
// carry harmless values. Each step is the scalar step of the frame-by-frame
// algorithm done lane by lane, so the bits are those of a channel-by-channel
// loop. Internal to the limiter's frame loop.
#pragma once

#include "dsp/LookAheadScan.h"
#include "dsp/StereoLanes.h"

#include <cstdint>
#include <emmintrin.h>

namespace {
namespace lanes {

using stereo::select;

// A falling slope eases over R/10 frames.
constexpr float kSlopeEasing = 10.0f;

// Slopes, targets and holds: what a scan or a newest peak aims.
struct Aims {
    __m128 slope;  // envelope change per frame
    __m128 target; // slope being aimed at
    __m128i hold;  // frames to the next look-ahead scan (0: scan now)
};

// What stays the same for a whole chunk, from the release length R and the
// look-ahead L.
struct ChunkRules {
    ChunkRules(float threshold, std::int32_t releaseLength, std::int32_t lookAhead,
               float reciprocalOfLookAhead)
        : threshold(_mm_set1_ps(threshold)),
          release(_mm_set1_ps(static_cast<float>(releaseLength))),
          easing(_mm_set1_ps(kSlopeEasing)), newestReciprocal(_mm_set1_ps(reciprocalOfLookAhead)),
          newestDistance(_mm_set1_ps(static_cast<float>(lookAhead))),
          newestHold(_mm_set1_epi32(lookAhead)), holdFloor(_mm_set1_epi32(-releaseLength - 1)) {}
    __m128 threshold;
    __m128 release;          // R
    __m128 easing;           // kSlopeEasing
    __m128 newestReciprocal; // 1 / L, tabulated
    __m128 newestDistance;   // L
    __m128i newestHold;      // L
    __m128i holdFloor;       // -R - 1, where counting down stops
};

// A falling slope eases toward its target and never passes it; the envelope
// moves by the slope and never falls below the threshold.
inline __m128 advance(__m128 envelope, __m128& slope, __m128 target, const ChunkRules& rules) {
    const __m128 falling = _mm_cmpgt_ps(slope, target);
    if (_mm_movemask_ps(falling) & 3) {
        const __m128 eased = _mm_add_ps(
            slope, _mm_div_ps(_mm_mul_ps(_mm_sub_ps(target, slope), rules.easing), rules.release));
        slope = select(falling, _mm_max_ps(target, eased), slope);
    }
    return _mm_max_ps(_mm_add_ps(envelope, slope), rules.threshold);
}

// Lanes whose hold has run out: their targeted peak leaves now.
inline __m128 dueLanes(__m128i hold) {
    return _mm_castsi128_ps(_mm_cmpeq_epi32(hold, _mm_setzero_si128()));
}

// The lanes of the channels in `channels` (bit c for channel c).
inline __m128 ofChannels(int channels) {
    return _mm_castsi128_ps(_mm_cmpgt_epi32(
        _mm_and_si128(_mm_set1_epi32(channels), _mm_setr_epi32(1, 2, 0, 0)), _mm_setzero_si128()));
}

// Whether both channels' holds are `frames`.
inline bool bothAt(__m128i hold, std::int32_t frames) {
    return (_mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(hold, _mm_set1_epi32(frames)))) & 3) ==
           3;
}

// The straight line from the envelope back to the threshold in `release`
// frames.
inline __m128 releaseSlope(__m128 envelope, __m128 threshold, __m128 release) {
    return _mm_div_ps(_mm_sub_ps(threshold, envelope), release);
}

// The aims after the scans of the lanes in `lanes` found the rise `found`;
// `aimed` marks those where a coming peak at `distance` set it.
inline Aims aimAt(__m128 lanes, __m128 aimed, __m128 found, __m128i distance, Aims aims) {
    aims.target = select(lanes, found, aims.target);
    aims.hold =
        _mm_castps_si128(select(aimed, _mm_castsi128_ps(distance), _mm_castsi128_ps(aims.hold)));
    // A coming peak sets the slope; without one, a fall aimed at a peak
    // that has left may be steeper than the release slope, and a peak
    // entering later would be checked against the release slope alone.
    aims.slope = select(_mm_and_ps(lanes, _mm_or_ps(aimed, _mm_cmplt_ps(aims.slope, found))), found,
                        aims.slope);
    return aims;
}

// The newest peak takes over where it needs a steeper rise than the target,
// whose bound is `accept`; a product with 1/L rejects it in most frames
// without a division. Rejected lanes cannot pass the exact test, so it may
// run on both.
inline void takeNewestPeak(__m128 peak, __m128 envelope, const ChunkRules& rules, __m128& slope,
                           __m128& target, __m128i& hold, __m128& accept) {
    const __m128 rise = _mm_sub_ps(peak, envelope);
    const __m128 estimated = _mm_mul_ps(rise, rules.newestReciprocal);
    if (_mm_movemask_ps(_mm_cmpgt_ps(estimated, accept)) & 3) {
        const __m128 quotient = _mm_div_ps(rise, rules.newestDistance);
        const __m128 steeper = _mm_cmpgt_ps(quotient, target);
        target = select(steeper, quotient, target);
        accept = scan::acceptBelow(target);
        slope = select(steeper, quotient, slope);
        hold = _mm_castps_si128(
            select(steeper, _mm_castsi128_ps(rules.newestHold), _mm_castsi128_ps(hold)));
    }
}

// One frame nearer the next scan; counting down stops at -R - 1.
inline __m128i countDown(__m128i hold, const ChunkRules& rules) {
    return _mm_add_epi32(hold,
                         _mm_and_si128(_mm_cmpgt_epi32(hold, rules.holdFloor), _mm_set1_epi32(-1)));
}

} // namespace lanes
} // namespace
