// Most look-ahead scans during a slow swell can be settled without visiting
// every coming peak. When the peaks of the scanned window form a concave run
// (their steps never grow) and all lie within a factor of two of the
// envelope, every difference involved is exact, so no later distance j can
// give a steeper rise (p_j - E) / j than the next frame's p_1 - E, provided
// the second frame's rise is at most twice the first's. The answer is then
// that of the full scan, bit for bit. Runs are tracked while scans are
// frequent, and for some frames after, so that the next swell of a slow wave
// is settled from its first scans on.
#pragma once

#include "dsp/SignalBlock.h"

#include <cstdint>
#include <emmintrin.h>

class ConcaveRuns {
public:
    static constexpr int kMaxFrames = kMaxChunkFrames;

    // Forgets every run, with the peak lines that were just cleared.
    void clear();

    // peaks: the chunk's clamped peak estimates, interleaved, preceded by two
    // spare frames (filled here with the last two frames of the previous
    // chunk) and followed by one spare frame. When `runsWanted`, fills
    // runBefore(c, i): frames of a concave run ending just before frame i;
    // otherwise forgets every run.
    void track(float* peaks, int frames, bool runsWanted);
    std::int32_t runBefore(int channel, int frame) const { return runs[frame][channel]; }
    // Both channels' runs before `frame`, channel 0 first.
    const std::int32_t* runsBefore(int frame) const { return runs[frame]; }
    bool tracking() const { return watching; }
    // Whether the next chunk should track runs: scans were frequent within
    // the last kFramesKept frames.
    bool worthTracking() const { return framesLeft > 0; }
    // Scans of the chunk of `frames` frames just processed; they are frequent
    // at one in kFramesPerFrequentScan frames or more, as on a swell, where
    // the nearest peak leads from frame to frame, and not on noise.
    void scanned(int scans, int frames) {
        framesLeft = scans * kFramesPerFrequentScan >= frames ? kFramesKept
                     : framesLeft > frames                    ? framesLeft - frames
                                                              : 0;
    }
    static constexpr int kFramesPerFrequentScan = 4;
    // Longer than the fall of a slow wave between two swells.
    static constexpr int kFramesKept = 8 * kMaxFrames;

    // The scan at `frame` of the chunk just tracked, of channel peaks[1 ..
    // lookAhead - 1] against `envelope`, settled when the window is made of
    // at most kMostPieces concave pieces that all stay below the line from
    // the envelope through the nearest peak: then no later distance gives a
    // steeper rise than the nearest. Sets target and steepest as the full
    // scan would and answers true, or answers false.
    bool settlePieces(int channel, int frame, const float* peaks, std::int32_t lookAhead,
                      float envelope, float& target, std::int32_t& steepest) const;
    static constexpr int kMostPieces = 32;
    // Frames of run lengths kept: a window reaches back this far, less a chunk.
    static constexpr std::int32_t kRunHistory = 4096;

private:
    // recent: clamped peaks of the last two frames, interleaved, older first.
    // run: frames of the current run per channel; watching: this chunk tracks.
    // frameCount: frames tracked since construction (wraps); watchedFrom: the
    // frame count at which the current stretch of tracked chunks began.
    // ending: the run ending at each of the last kRunHistory frames, by frame
    // count and channel, at most kRunHistory, valid from watchedFrom on.
    float recent[4] = {};
    std::int32_t run[2] = {};
    bool watching = false;
    int framesLeft = 0; // frames still tracked since scans were last frequent
    std::int32_t runs[kMaxFrames][2];
    std::int32_t runsTracked = 0; // frames of the last chunk tracked
    std::uint32_t frameCount = 0;
    std::uint32_t watchedFrom = 0;
    std::uint16_t ending[kRunHistory][2];
};

// Windows shorter than this are left to the full scan.
inline constexpr std::int32_t kShortestConcaveWindow = 4;

// Settled scans of both channels, lane c for channel c (lanes 2 and 3 are
// don't-cares): `settled` where the lane's scan is settled, `nearest` where
// the nearest peak then sets the target, `target` the settled target.
struct ConcaveSettlement {
    __m128 settled;
    __m128 nearest;
    __m128 target;
};

// The scans of windows of lookAhead - 1 peaks (lookAhead at least
// kShortestConcaveWindow) whose peaks at distances 1, 2 and lookAhead - 1
// are `first`, `second` and `last`, against `envelope`, with `releaseSlope`
// the target to beat: settled where `run` (frames of a concave run ending
// just before this frame) covers the window and the window lies within a
// factor of two of the envelope, as the full scan would.
inline ConcaveSettlement settleConcaveRises(__m128 first, __m128 second, __m128 last, __m128i run,
                                            std::int32_t lookAhead, __m128 envelope,
                                            __m128 releaseSlope) {
    // The run covers the window when it is at least lookAhead - 3 frames long.
    const __m128 runCovers =
        _mm_castsi128_ps(_mm_cmpgt_epi32(run, _mm_set1_epi32(lookAhead - 3 - 1)));
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
    const __m128d top =
        _mm_add_pd(_mm_cvtps_pd(first),
                   _mm_mul_pd(_mm_set1_pd(static_cast<double>(lookAhead - 2)), _mm_cvtps_pd(step)));
    const __m128d bound = _mm_mul_pd(_mm_cvtps_pd(twice), _mm_set1_pd(1.0 - 0x1p-50));
    const __m128 topBelow = _mm_castpd_ps(_mm_cmple_pd(top, bound));
    // Two double lanes' masks, each a pair of float lanes, back to lanes 0 and 1.
    settled = _mm_and_ps(settled, _mm_shuffle_ps(topBelow, topBelow, _MM_SHUFFLE(2, 0, 2, 0)));
    const __m128 nearest = _mm_cmpgt_ps(rise1, releaseSlope);
    return {settled, nearest,
            _mm_or_ps(_mm_and_ps(nearest, rise1), _mm_andnot_ps(nearest, releaseSlope))};
}

// Settles a scan of channel peaks[1 .. lookAhead - 1] against `envelope` when
// `run` (frames of a concave run ending just before this frame) covers the
// window and the window lies within a factor of two of the envelope; sets
// target and steepest as the full scan would and answers true.
inline bool settleConcaveRise(const float* peaks, std::int32_t lookAhead, std::int32_t run,
                              float envelope, float& target, std::int32_t& steepest) {
    if (lookAhead < kShortestConcaveWindow) return false;
    const ConcaveSettlement s = settleConcaveRises(
        _mm_set1_ps(peaks[1]), _mm_set1_ps(peaks[2]), _mm_set1_ps(peaks[lookAhead - 1]),
        _mm_set1_epi32(run), lookAhead, _mm_set1_ps(envelope), _mm_set1_ps(target));
    if ((_mm_movemask_ps(s.settled) & 1) == 0) return false;
    target = _mm_cvtss_f32(s.target);
    steepest = (_mm_movemask_ps(s.nearest) & 1) != 0 ? 1 : 0;
    return true;
}
