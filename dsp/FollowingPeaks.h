// Frames on which both channels' envelopes follow their peaks, taken four
// at a time. While every scan ends at the nearest peak, the frame loop aims
// each frame's slope at the next peak, p_1 - E, exactly (the rise is exact),
// and the envelope, advanced by it, lands on that peak: the envelope of frame
// f is the peak that leaves the delay line then. So the conditions under
// which the scans of several frames end there can be tested side by side
// before any of them runs, from the lines and the chunk's estimates alone:
// a concave run that covers the window (ConcaveSettlement.h), or on a swell
// the near distances told apart without a division (NearestRise.h) and the
// far peaks shown lower by their line (FarPeakLine.h). The frames that pass
// from the first on give the loop's bits without running it. Internal to
// the limiter's frame loop.
#pragma once

#include "dsp/ConcaveSettlement.h"
#include "dsp/EnvelopeLanes.h"
#include "dsp/FarPeakLine.h"
#include "dsp/NearestRise.h"
#include "dsp/StereoLanes.h"

#include <cstdint>
#include <emmintrin.h>

namespace {

// The newest frame's peaks, in both halves of each channel's line.
inline void storeNewestPeaks(float* const (&lines)[2], std::int32_t position,
                             std::int32_t lookAhead, __m128 peak) {
    const __m128 peakRight = _mm_shuffle_ps(peak, peak, 1);
    _mm_store_ss(lines[0] + position, peak);
    _mm_store_ss(lines[0] + position + lookAhead, peak);
    _mm_store_ss(lines[1] + position, peakRight);
    _mm_store_ss(lines[1] + position + lookAhead, peakRight);
}

namespace follow {

// Frames tested side by side.
constexpr int kFrames = 4;

// Four interleaved floats of channel c from frame `frame` on (stride 2).
inline __m128 channelOf(const float* interleaved, int frame, int c) {
    const __m128 low = _mm_loadu_ps(interleaved + 2 * frame);
    const __m128 high = _mm_loadu_ps(interleaved + 2 * frame + 4);
    return c == 0 ? _mm_shuffle_ps(low, high, _MM_SHUFFLE(2, 0, 2, 0))
                  : _mm_shuffle_ps(low, high, _MM_SHUFFLE(3, 1, 3, 1));
}
inline __m128i channelOf(const std::int32_t* interleaved, int frame, int c) {
    return _mm_castps_si128(channelOf(reinterpret_cast<const float*>(interleaved), frame, c));
}

// Whether the newest peaks `newest` of four frames leave their targets,
// whose bounds are `accept`, standing, as the frame loop decides them.
inline __m128 newestStayBelow(__m128 newest, __m128 envelope, __m128 accept,
                              const lanes::ChunkRules& rules) {
    const __m128 estimated = _mm_mul_ps(_mm_sub_ps(newest, envelope), rules.newestReciprocal);
    return _mm_cmple_ps(estimated, accept);
}

// The frames whose scans a concave run settles at the nearest peak.
struct ConcaveFollow {
    const float* estimates; // the chunk's, interleaved
    const std::int32_t* runs;
    std::int32_t lookAhead;
    const lanes::ChunkRules& rules;

    // For frames `frame` .. frame + 3 of channel c, whose envelopes are
    // `envelope`, with `peaks` its line from the first frame's position
    // on: the frames followed, as the frame loop decides them; the rises to
    // the nearest peaks into `rise`.
    __m128 operator()(int c, const float* peaks, int frame, __m128 envelope, __m128& rise) const {
        const ConcaveSettlement settlement = settleConcaveRises(
            _mm_loadu_ps(peaks + 1), _mm_loadu_ps(peaks + 2), channelOf(estimates, frame - 1, c),
            channelOf(runs, frame, c), lookAhead, envelope,
            lanes::releaseSlope(envelope, rules.threshold, rules.release), true);
        rise = settlement.target;
        return _mm_and_ps(newestStayBelow(channelOf(estimates, frame, c), envelope,
                                          scan::acceptBelow(settlement.target), rules),
                          _mm_and_ps(settlement.settled, settlement.nearest));
    }
};

// The frames whose scans on a swell end at the nearest peak: the near
// distances told so without a division (NearestRise.h), the far peaks shown
// lower by the channel's line (FarPeakLine.h), raised over the frames'
// peaks first. Called as ConcaveFollow is.
struct SwellFollow {
    const float* estimates; // the chunk's, interleaved
    const float* reciprocals;
    const SimdKernels* kernels;
    FarPeakLine* farLines;
    std::int32_t near;
    std::int32_t lookAhead;
    std::uint64_t chunkStart; // the clock of the chunk's first frame
    const lanes::ChunkRules& rules;

    __m128 operator()(int c, const float* peaks, int frame, __m128 envelope, __m128& rise) const {
        __m128 accept;
        __m128 passed =
            nearest::answers(peaks, envelope, rules, *kernels, reciprocals, near, rise, accept);
        const __m128 newest = channelOf(estimates, frame, c);
        passed = _mm_and_ps(passed, newestStayBelow(newest, envelope, accept, rules));
        if ((_mm_movemask_ps(passed) & 1) == 0) return passed;
        return _mm_and_ps(
            passed, farLines[c].confirmsFour(peaks + lookAhead - follow::kFrames, newest, lookAhead,
                                             chunkStart + static_cast<std::uint64_t>(frame),
                                             envelope, rise));
    }
};

// Whether both channels are due to scan (holds `H`) with their slopes `S`
// equal to their targets `T`, as after frames that followed their peaks.
inline bool dueOnTarget(__m128i H, __m128 S, __m128 T) {
    return (_mm_movemask_ps(_mm_and_ps(lanes::dueLanes(H), _mm_cmpeq_ps(S, T))) & 3) == 3;
}

// Whether both channels so due may follow their peaks by concave runs from a
// frame whose runs are `runs`: the runs cover their windows.
inline bool mayFollow(__m128i H, __m128 S, __m128 T, const std::int32_t* runs,
                      std::int32_t lookAhead) {
    return dueOnTarget(H, S, T) && runs[0] >= coveringRun(lookAhead) &&
           runs[1] >= coveringRun(lookAhead);
}

// A position in the lines moved on by less than a look-ahead.
inline std::int32_t wrapped(std::int32_t position, std::int32_t lookAhead) {
    return position >= lookAhead ? position - lookAhead : position;
}

// How many frames followed their peaks, and the envelopes and slopes (equal
// to the targets) they left.
struct Followed {
    int frames;
    __m128 envelope;
    __m128 slope;
};

// Both channels' frames from `frame` on (at most `count`, written at
// `position` on), both channels due to scan on the first, whose envelopes
// are `entered`: runs the frames that both follow their peaks by `follows`
// (ConcaveFollow or SwellFollow), in blocks of kFrames, up to the first that
// may not, and stores their newest peaks and their envelopes. The holds stay
// due. Where no frame follows, the envelopes and slopes answered are not to
// be taken. Kept out of line, as the scans are: the frame loop keeps its
// registers.
template <class Follows>
[[gnu::noinline]] Followed followPeaks(float* const (&lines)[2], std::int32_t lookAhead,
                                       std::int32_t position, const float* estimates, int frame,
                                       int count, const lanes::ChunkRules& rules, __m128 entered,
                                       const Follows& follows, float* envelopeFrames) {
    // Later frames read the lines where earlier ones stored their peaks no
    // sooner than lookAhead frames on.
    const int most = count < lookAhead - 8 ? count : lookAhead - 8;
    alignas(16) float envelope[2][kFrames], rise[2][kFrames];
    __m128 E = entered, S = _mm_setzero_ps();
    int done = 0;
    for (; done + kFrames <= most; done += kFrames) {
        const std::int32_t at = wrapped(position + done, lookAhead);
        __m128 passed = _mm_castsi128_ps(_mm_set1_epi32(-1));
        for (int c = 0; c < 2; ++c) {
            // The envelope of each frame is the peak that leaves then; the
            // first frame's comes from the frame before it.
            __m128 e = _mm_loadu_ps(lines[c] + at);
            if (done == 0)
                e = _mm_move_ss(e, c == 0 ? entered : _mm_shuffle_ps(entered, entered, 1));
            __m128 r;
            passed = _mm_and_ps(passed, follows(c, lines[c] + at, frame + done, e, r));
            if ((_mm_movemask_ps(passed) & 1) == 0) return {done, E, S};
            _mm_store_ps(envelope[c], e);
            _mm_store_ps(rise[c], r);
        }
        const int run = __builtin_ctz(~static_cast<unsigned>(_mm_movemask_ps(passed)) | 16u);
        for (int k = 0; k < run; ++k) {
            const int f = frame + done + k;
            storeNewestPeaks(lines, wrapped(at + k, lookAhead), lookAhead,
                             stereo::lowPair(estimates + 2 * f));
            envelopeFrames[2 * f] = envelope[0][k];
            envelopeFrames[2 * f + 1] = envelope[1][k];
        }
        if (run > 0) {
            E = _mm_movelh_ps(_mm_setr_ps(envelope[0][run - 1], envelope[1][run - 1], 0.0f, 0.0f),
                              rules.threshold);
            S = _mm_setr_ps(rise[0][run - 1], rise[1][run - 1], 0.0f, 0.0f);
        }
        if (run < kFrames) return {done + run, E, S};
    }
    return {done, E, S};
}

} // namespace follow
} // namespace
