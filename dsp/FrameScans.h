// The look-ahead scans of the limiter's frame loop that are kept out of
// line: the scans in full (near peaks and a line over the farther ones, the
// hull, the vector scan), the swell's frames tried four at a time, and the
// scans that concave runs settle for both channels at once. Internal to
// MaximizerCore.cpp, whose frame loop calls them.
#pragma once

#include "dsp/ConcaveRise.h"
#include "dsp/ConcaveSettlement.h"
#include "dsp/EnvelopeLanes.h"
#include "dsp/FarPeakLine.h"
#include "dsp/FollowingPeaks.h"
#include "dsp/PeakHull.h"
#include "dsp/SimdKernels.h"
#include "dsp/StereoLanes.h"

#include <algorithm>
#include <cstdint>
#include <emmintrin.h>

namespace {

using lanes::Aims;
using lanes::ChunkRules;
using stereo::lowPair;
using stereo::pair;
using stereo::storePair;

// Frames to wait after a try to follow a swell's peaks four at a time that
// did not take a whole block, doubling while they fail.
constexpr int kSwellFirstBackOff = 16;
constexpr int kSwellLongestBackOff = 1024;

// What the look-ahead scans of a chunk read: each channel's peak line (which
// frames that follow their peaks write), the reciprocals of the distances,
// the kernels, and each channel's line over its far peaks and hull of
// coming peaks.
struct ScanSources {
    float* lines[2];
    const float* reciprocals;
    std::int32_t lookAhead;
    const SimdKernels* kernels;
    PeakHull* hulls;
    FarPeakLine* farLines;
};

// The scans of the channels in `scanning` (bit c for channel c) that a
// concave run did not settle, on frame `now` written at `position`: from the
// nearest peaks and a line over the farther ones where it shows them lower,
// else from the hull of the coming peaks where it follows them, else in
// full. Each aims first at the release slope of the chunk's `rules`; the
// aims S, T and H are those of the frame loop. Kept out of line, so that the
// frame loop, which runs on every frame, keeps its registers.
[[gnu::noinline]] Aims scanInFull(const ScanSources& sources, int scanning, std::int32_t position,
                                  std::uint64_t now, __m128 E, const ChunkRules& rules, __m128 S,
                                  __m128 T, __m128i H) {
    const std::int32_t L = sources.lookAhead;
    const float* const peaks[2] = {sources.lines[0] + position, sources.lines[1] + position};
    float envelope[2], target[2];
    std::int32_t steepest[2] = {0, 0};
    storePair(envelope, E);
    storePair(target, lanes::releaseSlope(E, rules.threshold, rules.release));
    int full = scanning;
    FarPeakLine* const lines = sources.farLines;
    if (scanning == 3 && lines[0].tries(L, now) && lines[1].tries(L, now)) {
        // Both channels' near scans side by side, then each line's check.
        float best[2] = {target[0], target[1]};
        std::int32_t at[2];
        sources.kernels->scanNearForSteepestRises(peaks, sources.reciprocals,
                                                  lines[0].nearDistances(), envelope, best, at);
        for (int c = 0; c < 2; ++c) {
            if (lines[c].confirms(*sources.kernels, peaks[c], L, now, envelope[c], best[c])) {
                target[c] = best[c];
                steepest[c] = at[c];
                full &= ~(1 << c);
            }
        }
    } else {
        for (int c = 0; c < 2; ++c) {
            if ((scanning >> c & 1) != 0 &&
                lines[c].settle(*sources.kernels, peaks[c], sources.reciprocals, L, now,
                                envelope[c], target[c], steepest[c]))
                full &= ~(1 << c);
        }
    }
    for (int c = 0; c < 2 && L >= sources.kernels->shortestHullWindow; ++c) {
        if ((full >> c & 1) != 0 &&
            sources.hulls[c].settle(peaks[c], L, now, envelope[c], target[c], steepest[c]))
            full &= ~(1 << c);
    }
    if (full == 3) {
        sources.kernels->scanForSteepestRises(peaks, sources.reciprocals, L, envelope, target,
                                              steepest);
    } else if (full != 0) {
        const int c = full == 1 ? 0 : 1;
        steepest[c] = sources.kernels->scanForSteepestRise(peaks[c], sources.reciprocals, L,
                                                           envelope[c], target[c]);
    }
    // Lane by lane in registers: a vector stored and loaded again around a
    // changed lane would wait for the stores.
    const __m128i zero = _mm_setzero_si128();
    const __m128 lanes = lanes::ofChannels(scanning);
    const __m128 found = _mm_setr_ps(target[0], target[1], 0.0f, 0.0f);
    const __m128i distance = _mm_setr_epi32(steepest[0], steepest[1], 0, 0);
    const __m128 aimed = _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(distance, zero)), lanes);
    return lanes::aimAt(lanes, aimed, found, distance, {S, T, H});
}

// When the frames of a swell are next tried four at a time: no try before
// `retryAt`; `backOff`, the frames waited after the last try that did not
// take a whole block, doubling while they fail.
struct SwellTries {
    std::uint64_t& retryAt;
    int& backOff;
};

// The frames from the chunk's frame `frame` on (at most `count`, written at
// `position` on, the first numbered `now`, due to scan in both channels from
// the envelopes `E`) that follow their peaks on a swell, four at a time
// (FollowingPeaks.h); none where a line is not to be tried. Tries that do
// not take a whole block wait before the next, the longer the more often
// they fail. Kept out of line, as the scans are: the frame loop keeps its
// registers.
[[gnu::noinline]] follow::Followed followSwell(const ScanSources& sources, const float* estimates,
                                               int frame, int count, std::int32_t position,
                                               std::uint64_t now, const ChunkRules& rules, __m128 E,
                                               float* envelopeFrames, SwellTries tries) {
    const std::int32_t L = sources.lookAhead;
    FarPeakLine* const lines = sources.farLines;
    if (!lines[0].tries(L, now) || !lines[1].tries(L, now)) return {0, E, _mm_setzero_ps()};
    const follow::SwellFollow swell = {estimates,
                                       sources.reciprocals,
                                       sources.kernels,
                                       lines,
                                       lines[0].nearDistances(),
                                       L,
                                       now - frame,
                                       rules};
    const follow::Followed followed = follow::followPeaks(
        sources.lines, L, position, estimates, frame, count, rules, E, swell, envelopeFrames);
    tries.backOff = followed.frames >= follow::kFrames ? 0
                    : tries.backOff == 0               ? kSwellFirstBackOff
                                         : std::min(2 * tries.backOff, kSwellLongestBackOff);
    tries.retryAt = now + static_cast<std::uint64_t>(followed.frames + tries.backOff);
    return followed;
}

// The look-ahead scans of the channels in `scanning` (bit c for channel c)
// on the chunk's frame `frame`, written at `position`, that a concave run
// settles, for both channels at once, as a full scan would. Returns the
// channels left unsettled.
inline int settleConcaveScans(float* const (&lines)[2], std::int32_t lookAhead,
                              const ConcaveRuns& runs, const ChunkRules& rules, int scanning,
                              std::int32_t position, int frame, __m128 envelope, __m128& slope,
                              __m128& target, __m128i& hold) {
    const std::int32_t L = lookAhead;
    const float* const peaks0 = lines[0] + position;
    const float* const peaks1 = lines[1] + position;
    const ConcaveSettlement settlement =
        settleConcaveRises(pair(peaks0 + 1, peaks1 + 1), pair(peaks0 + 2, peaks1 + 2),
                           pair(peaks0 + L - 1, peaks1 + L - 1), lowPair(runs.runsBefore(frame)), L,
                           envelope, lanes::releaseSlope(envelope, rules.threshold, rules.release));
    const __m128 settled = _mm_and_ps(settlement.settled, lanes::dueLanes(hold));
    // A settled rise aims at the nearest peak or at none.
    const Aims aims = lanes::aimAt(settled, _mm_and_ps(settled, settlement.nearest),
                                   settlement.target, _mm_set1_epi32(1), {slope, target, hold});
    slope = aims.slope;
    target = aims.target;
    hold = aims.hold;
    return scanning & ~_mm_movemask_ps(settled);
}

} // namespace
