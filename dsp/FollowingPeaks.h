// Frames on which both channels' envelopes follow their peaks, taken four
// at a time. While a concave run settles every scan at the nearest peak
// (ConcaveSettlement.h), the frame loop aims each frame's slope at the next
// peak, p_1 - E, exactly (the rise is exact), and the envelope, advanced by
// it, lands on that peak: the envelope of frame f is the peak that leaves
// the delay line then. So the settlement's conditions of several frames can
// be tested side by side before any of them runs, from the lines and the
// chunk's estimates alone, with the same operations. The frames that pass
// from the first on give the loop's bits without running it. Internal to
// the limiter's frame loop.
#pragma once

#include "dsp/ConcaveSettlement.h"
#include "dsp/EnvelopeLanes.h"
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

// What one channel's frames read: its peak line from the frame's position on,
// the chunk's estimates (interleaved, the channel's at offset c) and runs.
struct Sources {
    const float* line;
    const float* estimates;
    const std::int32_t* runs;
    int channel;
};

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

// For frames `frame` .. frame + 3 of one channel, whose envelopes are
// `envelope`, with the peak line read from the first frame's position: the
// frames whose scans a concave run settles at the nearest peak and whose
// newest peak does not take over, as the frame loop decides them; the rises
// to the nearest peaks into `rise`.
inline __m128 followed(const Sources& s, int frame, int offset, std::int32_t lookAhead,
                       __m128 envelope, const lanes::ChunkRules& rules, __m128& rise) {
    const __m128 first = _mm_loadu_ps(s.line + offset + 1);
    const __m128 second = _mm_loadu_ps(s.line + offset + 2);
    const __m128 last = channelOf(s.estimates, frame - 1, s.channel);
    const ConcaveSettlement settlement = settleConcaveRises(
        first, second, last, channelOf(s.runs, frame, s.channel), lookAhead, envelope,
        lanes::releaseSlope(envelope, rules.threshold, rules.release), true);
    rise = settlement.target;
    const __m128 newest = channelOf(s.estimates, frame, s.channel);
    const __m128 estimated = _mm_mul_ps(_mm_sub_ps(newest, envelope), rules.newestReciprocal);
    return _mm_andnot_ps(_mm_cmpgt_ps(estimated, scan::acceptBelow(settlement.target)),
                         _mm_and_ps(settlement.settled, settlement.nearest));
}

// Whether both channels, due to scan (holds `H`), may follow their peaks
// from a frame whose runs are `runs`: their slopes equal their targets, and
// concave runs cover their windows.
inline bool mayFollow(__m128i H, __m128 S, __m128 T, const std::int32_t* runs,
                      std::int32_t lookAhead) {
    return (_mm_movemask_ps(_mm_and_ps(lanes::dueLanes(H), _mm_cmpeq_ps(S, T))) & 3) == 3 &&
           runs[0] >= coveringRun(lookAhead) && runs[1] >= coveringRun(lookAhead);
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
// `position` on), entered with the envelopes `E` of the frame before and
// slopes `S` equal to their targets, both channels due to scan: runs the
// frames that both follow their peaks, in blocks of kFrames, up to the first
// that may not, and stores their newest peaks and their envelopes. The holds
// stay due. Kept out of line, as the scans are: the frame loop keeps its
// registers.
[[gnu::noinline]] Followed followPeaks(float* const (&lines)[2], std::int32_t lookAhead,
                                       std::int32_t position, const float* estimates,
                                       const std::int32_t* runs, int frame, int count,
                                       const lanes::ChunkRules& rules, __m128 E, __m128 S,
                                       float* envelopeFrames) {
    // Later frames read the lines where earlier ones stored their peaks no
    // sooner than lookAhead frames on.
    const int most = count < lookAhead - 8 ? count : lookAhead - 8;
    const __m128 entered = _mm_max_ps(_mm_add_ps(E, S), rules.threshold);
    alignas(16) float envelope[2][kFrames], rise[2][kFrames];
    int done = 0;
    for (; done + kFrames <= most; done += kFrames) {
        __m128 passed = _mm_castsi128_ps(_mm_set1_epi32(-1));
        for (int c = 0; c < 2; ++c) {
            const Sources sources = {lines[c], estimates, runs, c};
            // The envelope of each frame is the peak that leaves then; the
            // first frame's comes from the frame before it.
            __m128 e = _mm_loadu_ps(lines[c] + position + done);
            if (done == 0)
                e = _mm_move_ss(e, c == 0 ? entered : _mm_shuffle_ps(entered, entered, 1));
            __m128 r;
            passed = _mm_and_ps(
                passed, followed(sources, frame + done, position + done, lookAhead, e, rules, r));
            _mm_store_ps(envelope[c], e);
            _mm_store_ps(rise[c], r);
        }
        const int run = __builtin_ctz(~static_cast<unsigned>(_mm_movemask_ps(passed)) | 16u);
        for (int k = 0; k < run; ++k) {
            const int f = frame + done + k;
            std::int32_t at = position + done + k;
            if (at >= lookAhead) at -= lookAhead;
            storeNewestPeaks(lines, at, lookAhead, stereo::lowPair(estimates + 2 * f));
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
