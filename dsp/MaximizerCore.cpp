#include "dsp/MaximizerCore.h"

#include "base/Decimal.h"
#include "dsp/ChunkStages.h"
#include "dsp/LookAheadScan.h"
#include "dsp/StereoLanes.h"

#include <cmath>
#include <new>

namespace {

constexpr double kCapacitySeconds = 0.016;
constexpr double kDefaultReleaseSeconds = 0.007;
constexpr double kLookAheadDecades = 2.0; // the setting 0..1 spans a factor of 100
constexpr double kLookAheadSecondsAtZero = 0.0005;
constexpr float kSlopeEasing = 10.0f; // a falling slope eases over R/10 frames

std::unique_ptr<float[]> zeroed(std::size_t count) {
    std::unique_ptr<float[]> buffer(new (std::nothrow) float[count]);
    if (buffer)
        for (std::size_t i = 0; i < count; ++i)
            buffer[i] = 0.0f;
    return buffer;
}

} // namespace

MaximizerCore::MaximizerCore(SimdLevel level) : kernels(&simdKernels(level)) {
    if (!setSampleRate(kConstructionRate)) throw std::bad_alloc();
    setLookAhead(kConstructionLookAhead);
    reset();
}

bool MaximizerCore::setSampleRate(std::int32_t newRate) {
    if (newRate == rate.load()) return true;
    const auto newCapacity = static_cast<std::int32_t>(newRate * kCapacitySeconds);
    auto newDelay = zeroed(2 * static_cast<std::size_t>(newCapacity));
    auto newPeaks0 = zeroed(2 * static_cast<std::size_t>(newCapacity) + kScanSlack);
    auto newPeaks1 = zeroed(2 * static_cast<std::size_t>(newCapacity) + kScanSlack);
    // The table is placed so that the entry for distance 1, where every scan
    // starts, lies on a cache line's boundary: no vector of a group straddles two.
    constexpr std::size_t kLineBytes = 64;
    constexpr std::size_t kAlignSlack = kLineBytes / sizeof(float) - 1;
    auto newReciprocals =
        zeroed(static_cast<std::size_t>(newCapacity) + kScanSlack + 1 + kAlignSlack);
    if (!newDelay || !newPeaks0 || !newPeaks1 || !newReciprocals) return false;
    float* table = newReciprocals.get();
    while (reinterpret_cast<std::uintptr_t>(table + 1) % kLineBytes != 0)
        ++table;
    for (std::int32_t j = 1; j <= newCapacity + kScanSlack; ++j)
        table[j] = 1.0f / static_cast<float>(j);

    rate.store(newRate);
    capacity = newCapacity;
    lookAhead = capacity;
    releaseFrames.store(static_cast<std::int32_t>(newRate * kDefaultReleaseSeconds),
                        std::memory_order_relaxed);
    delayLine = std::move(newDelay);
    peakLines[0] = std::move(newPeaks0);
    peakLines[1] = std::move(newPeaks1);
    reciprocalStorage = std::move(newReciprocals);
    reciprocals = table;
    envelopes = kResting;
    clearSplines();
    concaveRuns.clear();
    writePos = 0;
    return true;
}

void MaximizerCore::setLookAhead(float setting) {
    if (setting == lookAheadSetting) return;
    lookAheadSetting = setting;
    lookAhead = static_cast<std::int32_t>(decimal::power(kLookAheadDecades * setting) *
                                          rate.load() * kLookAheadSecondsAtZero);
}

void MaximizerCore::clearLines() {
    for (std::int32_t i = 0; i < 2 * capacity; ++i)
        delayLine[i] = 0.0f;
    for (auto& line : peakLines)
        for (std::int32_t i = 0; i < 2 * capacity + kScanSlack; ++i)
            line[i] = 0.0f;
}

void MaximizerCore::clearSplines() {
    for (IspSpline& spline : splines)
        spline = IspSpline();
}

void MaximizerCore::reset() {
    clearLines();
    clearSplines();
    concaveRuns.clear();
    envelopes = kResting;
}

using stereo::lowPair;
using stereo::pair;
using stereo::select;
using stereo::storePair;

namespace {

// True when both channels rest: the envelope at the threshold, no slope, no
// target and no scan to come, so that frames whose estimates all sit at the
// threshold change nothing but the lines and the output.
inline bool resting(__m128 E, __m128 S, __m128 T, __m128i H, __m128i holdFloor) {
    const __m128 zero = _mm_setzero_ps();
    const __m128 still = _mm_and_ps(
        _mm_and_ps(_mm_cmpeq_ps(E, _mm_set1_ps(MaximizerCore::kThreshold)), _mm_cmpeq_ps(S, zero)),
        _mm_cmpeq_ps(T, zero));
    const __m128 holding = _mm_castsi128_ps(_mm_cmpgt_epi32(H, holdFloor));
    return (_mm_movemask_ps(_mm_andnot_ps(holding, still)) & 3) == 3;
}

// Whether every one of the interleaved estimates of `frames` frames is `level`.
inline bool allAt(const float* estimates, int frames, float level) {
    const __m128 wanted = _mm_set1_ps(level);
    __m128 same = _mm_castsi128_ps(_mm_set1_epi32(-1));
    int k = 0;
    for (; k + 4 <= 2 * frames; k += 4)
        same = _mm_and_ps(same, _mm_cmpeq_ps(_mm_loadu_ps(estimates + k), wanted));
    if (k < 2 * frames) same = _mm_and_ps(same, _mm_cmpeq_ps(lowPair(estimates + k), wanted));
    return _mm_movemask_ps(same) == 0xf;
}

// Whether every one of the interleaved samples of `frames` frames is smaller
// than `bound` in magnitude.
inline bool allBelow(const float* samples, int frames, float bound) {
    const __m128 above = _mm_set1_ps(bound);
    const __m128 signBit = _mm_set1_ps(-0.0f);
    __m128 below = _mm_castsi128_ps(_mm_set1_epi32(-1));
    int k = 0;
    for (; k + 4 <= 2 * frames; k += 4)
        below = _mm_and_ps(below,
                           _mm_cmplt_ps(_mm_andnot_ps(signBit, _mm_loadu_ps(samples + k)), above));
    if (k < 2 * frames)
        below =
            _mm_and_ps(below, _mm_cmplt_ps(_mm_andnot_ps(signBit, lowPair(samples + k)), above));
    return _mm_movemask_ps(below) == 0xf;
}

} // namespace

// The look-ahead scans of the channels in `scanning` (bit c for channel c)
// that a concave run does not settle, each aiming first at the release slope
// over `release` frames, the length the chunk took at its start. Kept out of
// line: it is rare next to the frame loop, whose registers it would
// otherwise crowd.
[[gnu::noinline]] MaximizerCore::Aims
MaximizerCore::scanComingPeaks(int scanning, std::int32_t position, int trackedFrame, float release,
                               __m128 E, Aims aims) const {
    const std::int32_t L = lookAhead;
    const float* const peaks[2] = {peakLines[0].get() + position, peakLines[1].get() + position};
    const __m128 releaseSlope =
        _mm_div_ps(_mm_sub_ps(_mm_set1_ps(kThreshold), E), _mm_set1_ps(release));
    float envelope[2], target[2];
    std::int32_t steepest[2] = {0, 0};
    storePair(envelope, E);
    storePair(target, releaseSlope);
    int full = scanning;
    if (trackedFrame >= 0) {
        for (int c = 0; c < 2; ++c) {
            if ((scanning >> c & 1) != 0 &&
                concaveRuns.settlePieces(c, trackedFrame, peaks[c], L, envelope[c], target[c],
                                         steepest[c]))
                full &= ~(1 << c);
        }
    }
    if (full == 3) {
        kernels->scanForSteepestRises(peaks, reciprocals, L, envelope, target, steepest);
    } else if (full != 0) {
        const int c = full == 1 ? 0 : 1;
        steepest[c] =
            kernels->scanForSteepestRise(peaks[c], reciprocals, L, envelope[c], target[c]);
    }
    // Lane by lane in registers: a vector stored and loaded again around a
    // changed lane would wait for the stores.
    const __m128i zero = _mm_setzero_si128();
    const __m128 lanes = _mm_castsi128_ps(
        _mm_cmpgt_epi32(_mm_and_si128(_mm_set1_epi32(scanning), _mm_setr_epi32(1, 2, 0, 0)), zero));
    const __m128 found = _mm_setr_ps(target[0], target[1], 0.0f, 0.0f);
    const __m128i distance = _mm_setr_epi32(steepest[0], steepest[1], 0, 0);
    const __m128 aimed = _mm_andnot_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(distance, zero)), lanes);
    return aimAt(lanes, aimed, found, distance, aims);
}

MaximizerCore::Aims MaximizerCore::aimAt(__m128 lanes, __m128 aimed, __m128 found, __m128i distance,
                                         Aims aims) {
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

void MaximizerCore::process(const float* in, float* out, int frames, float ceiling) {
    for (int done = 0; done < frames; done += kMaxFrames) {
        const int count = frames - done < kMaxFrames ? frames - done : kMaxFrames;
        processChunk(in + 2 * done, out + 2 * done, count, ceiling);
    }
}

void MaximizerCore::processChunk(const float* in, float* out, int frames, float ceiling) {
    // Every value that another thread may change is read once, here: a change
    // lands between two chunks, never inside one.
    const float inputGain = gain.load(std::memory_order_relaxed);
    const std::int32_t releaseLength = releaseFrames.load(std::memory_order_relaxed);
    const auto R = static_cast<float>(releaseLength);
    const bool isp = ispOn.load(std::memory_order_relaxed) != 0;
    const bool link = linkOn.load(std::memory_order_relaxed) != 0;
    const std::int32_t L = lookAhead;
    const __m128 newestReciprocal = _mm_set1_ps(reciprocals[L]);
    const __m128 newestDistance = _mm_set1_ps(static_cast<float>(L));
    float* const delay = delayLine.get();
    float* const peaks0 = peakLines[0].get();
    float* const peaks1 = peakLines[1].get();
    std::int32_t position = writePos;

    const __m128 threshold = _mm_set1_ps(kThreshold);
    const __m128 release = _mm_set1_ps(R);
    const __m128 easing = _mm_set1_ps(kSlopeEasing);
    const __m128i holdFloor = _mm_set1_epi32(-releaseLength - 1);
    const __m128i minusOneInt = _mm_set1_epi32(-1);

    __m128 E = _mm_movelh_ps(lowPair(envelopes.envelope), threshold);
    __m128 S = lowPair(envelopes.slope);
    __m128 T = lowPair(envelopes.target);
    // What a newest peak's estimated rise must exceed; follows T.
    __m128 accept = scan::acceptBelow(T);
    __m128i H = lowPair(envelopes.hold);
    __m128 inPeak = lowPair(held.inputPeak);
    __m128 outPeak = lowPair(held.outputPeak);
    __m128 channelGain = lowPair(held.channelGain);

    // First the whole chunk: clip, gain and the peak estimates, which depend on
    // the input only. The gained frames follow the spline's history and leave
    // a spare frame for the estimate's last pair.
    alignas(16) float gainedFrames[2 * (kSplineHistoryFrames + kMaxFrames + 1)];
    alignas(16) float peakFrames[2 * (2 + kMaxFrames + 1)];
    float* const estimates = peakFrames + 4;
    float* const gainedChunk = gainedFrames + 2 * kSplineHistoryFrames;
    if (isp && !estimating) clearSplines();
    estimating = isp;
    for (int k = 1; k <= kSplineHistoryFrames; ++k) {
        gainedChunk[-2 * k] = splines[0].a[k - 1];
        gainedChunk[-2 * k + 1] = splines[1].a[k - 1];
    }
    inPeak = kernels->clipAndGain(in, frames, inputGain, gainedChunk, inPeak);
    storePair(gainedChunk + 2 * frames, _mm_setzero_ps());
    if (isp) {
        // A spline through quiet samples stays below the floor, which is then
        // every estimate.
        if (allBelow(gainedFrames, kSplineHistoryFrames + frames, kQuietShare * kThreshold)) {
            fillFrames(estimates, frames, kThreshold);
        } else {
            kernels->estimateInterSamplePeaks(gainedChunk, frames, kThreshold, estimates);
        }
        for (int k = 0; k < 5; ++k) {
            splines[0].a[k] = gainedChunk[2 * (frames - 1 - k)];
            splines[1].a[k] = gainedChunk[2 * (frames - 1 - k) + 1];
        }
    } else {
        kernels->estimateSamplePeaks(gainedChunk, frames, kThreshold, estimates);
    }

    // The delay line's part, apart from the envelopes: the delayed frames
    // leave it for the output stage, and the gained ones take their place.
    alignas(16) float delayedFrames[2 * kMaxFrames];
    alignas(16) float envelopeFrames[2 * kMaxFrames];
    passThroughDelay(delay, L, position, gainedChunk, frames, delayedFrames);

    const bool still = resting(E, S, T, H, holdFloor) && allAt(estimates, frames, kThreshold);
    concaveRuns.track(estimates, frames, !still && concaveRuns.worthTracking());
    const bool tracking = concaveRuns.tracking() && L >= kShortestConcaveWindow;
    int scans = 0;

    if (still) {
        // Nothing moves: the lines take the chunk and the delayed frames leave
        // at unity gain, by the same operations as below.
        fillPeakLines({peaks0, peaks1}, L, position, frames, kThreshold);
        outPeak = emitUnity(delayedFrames, frames, ceiling, out, outPeak);
        position = (position + frames) % L;
        channelGain = _mm_div_ps(threshold, E);
    } else {
        for (int i = 0; i < frames; ++i) {
            const __m128 peak = lowPair(estimates + 2 * i);
            const __m128 peakRight = _mm_shuffle_ps(peak, peak, 1);
            float* const newest0 = peaks0 + position;
            float* const newest1 = peaks1 + position;
            _mm_store_ss(newest0, peak);
            _mm_store_ss(newest0 + L, peak);
            _mm_store_ss(newest1, peakRight);
            _mm_store_ss(newest1 + L, peakRight);

            // A falling slope eases toward its target and never passes it.
            const __m128 falling = _mm_cmpgt_ps(S, T);
            if (_mm_movemask_ps(falling) & 3) {
                const __m128 eased =
                    _mm_add_ps(S, _mm_div_ps(_mm_mul_ps(_mm_sub_ps(T, S), easing), release));
                S = select(falling, _mm_max_ps(T, eased), S);
            }
            E = _mm_max_ps(_mm_add_ps(E, S), threshold);

            // A channel whose targeted peak leaves now scans the coming peaks.
            const int scanning =
                _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(H, _mm_setzero_si128()))) & 3;
            if (scanning != 0) {
                ++scans;
                int unsettled = scanning;
                if (tracking) {
                    // Most scans of a swell: settled here for both channels at once.
                    const ConcaveSettlement settlement = settleConcaveRises(
                        pair(peaks0 + position + 1, peaks1 + position + 1),
                        pair(peaks0 + position + 2, peaks1 + position + 2),
                        pair(peaks0 + position + L - 1, peaks1 + position + L - 1),
                        lowPair(concaveRuns.runsBefore(i)), L, E,
                        _mm_div_ps(_mm_sub_ps(threshold, E), release));
                    const __m128 settled =
                        _mm_and_ps(settlement.settled,
                                   _mm_castsi128_ps(_mm_cmpeq_epi32(H, _mm_setzero_si128())));
                    unsettled &= ~_mm_movemask_ps(settled);
                    // A settled rise aims at the nearest peak or at none.
                    const Aims aims = aimAt(settled, _mm_and_ps(settled, settlement.nearest),
                                            settlement.target, _mm_set1_epi32(1), {S, T, H});
                    S = aims.slope;
                    T = aims.target;
                    H = aims.hold;
                }
                if (unsettled != 0) {
                    const Aims aims =
                        scanComingPeaks(unsettled, position, tracking ? i : -1, R, E, {S, T, H});
                    S = aims.slope;
                    T = aims.target;
                    H = aims.hold;
                }
                accept = scan::acceptBelow(T);
            }

            // The newest peak takes over when it needs a steeper rise; a product
            // with 1/L rejects it in most frames without a division.
            // Rejected lanes cannot pass the exact test below, so it may run on both.
            const __m128 rise = _mm_sub_ps(peak, E);
            const __m128 estimated = _mm_mul_ps(rise, newestReciprocal);
            if (_mm_movemask_ps(_mm_cmpgt_ps(estimated, accept)) & 3) {
                const __m128 quotient = _mm_div_ps(rise, newestDistance);
                const __m128 steeper = _mm_cmpgt_ps(quotient, T);
                T = select(steeper, quotient, T);
                accept = scan::acceptBelow(T);
                S = select(steeper, quotient, S);
                H = _mm_castps_si128(
                    select(steeper, _mm_castsi128_ps(_mm_set1_epi32(L)), _mm_castsi128_ps(H)));
            }
            // Counting down stops at -R - 1.
            H = _mm_add_epi32(H, _mm_and_si128(_mm_cmpgt_epi32(H, holdFloor), minusOneInt));
            storePair(envelopeFrames + 2 * i, E);
            if (++position == L) position = 0;
        }
        outPeak = kernels->emitLimited(delayedFrames, envelopeFrames, frames, kThreshold, link,
                                       ceiling, out, outPeak);
        channelGain = _mm_div_ps(threshold, E);
    }

    writePos = position;
    concaveRuns.scanned(scans, frames);
    storePair(envelopes.envelope, E);
    storePair(envelopes.slope, S);
    storePair(envelopes.target, T);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(envelopes.hold), H);
    storePair(held.inputPeak, inPeak);
    storePair(held.outputPeak, outPeak);
    storePair(held.channelGain, channelGain);
}
