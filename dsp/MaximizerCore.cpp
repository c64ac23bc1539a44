#include "dsp/MaximizerCore.h"

#include "base/Decimal.h"
#include "dsp/ChunkStages.h"
#include "dsp/ConcaveSettlement.h"
#include "dsp/EnvelopeLanes.h"
#include "dsp/FollowingPeaks.h"
#include "dsp/FrameScans.h"
#include "dsp/LookAheadScan.h"
#include "dsp/SimdKernels.h"
#include "dsp/StereoLanes.h"

#include <cmath>
#include <new>

namespace {

constexpr double kCapacitySeconds = 0.016;
constexpr double kDefaultReleaseSeconds = 0.007;
constexpr double kLookAheadDecades = 2.0; // the setting 0..1 spans a factor of 100
constexpr double kLookAheadSecondsAtZero = 0.0005;

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
    for (PeakHull& hull : hulls)
        if (!hull.allocate(newCapacity)) return false;
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
    for (FarPeakLine& line : farLines)
        line.clear();
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
    for (PeakHull& hull : hulls)
        hull.clear();
    for (FarPeakLine& line : farLines)
        line.clear();
    swellBackOff = 0;
    envelopes = kResting;
}

namespace {

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

void MaximizerCore::process(const float* in, float* out, int frames, float ceiling) {
    for (int done = 0; done < frames; done += kMaxFrames) {
        const int count = frames - done < kMaxFrames ? frames - done : kMaxFrames;
        processChunk(in + 2 * done, out + 2 * done, count, ceiling);
    }
}

void MaximizerCore::processChunk(const float* in, float* out, int frames, float ceiling) {
    // Every value that another thread may change is read once, here: a change
    // lands between two chunks, never inside one.
    const Settings settings = {
        gain.load(std::memory_order_relaxed), releaseFrames.load(std::memory_order_relaxed),
        ispOn.load(std::memory_order_relaxed) != 0, linkOn.load(std::memory_order_relaxed) != 0};
    // The gained frames follow the splines' history and leave a spare frame
    // for the estimate's last pair; the estimates follow two frames of the
    // last chunk's, for the concave runs, and leave a spare frame too.
    alignas(16) float gainedFrames[2 * (kSplineHistoryFrames + kMaxFrames + 1)];
    alignas(16) float peakFrames[2 * (2 + kMaxFrames + 1)];
    float* const gained = gainedFrames + 2 * kSplineHistoryFrames;
    float* const estimates = peakFrames + 4;
    estimatePeaks(in, frames, settings, gained, estimates);

    // The delay line's part, apart from the envelopes: the delayed frames
    // leave it for the output stage, and the gained ones take their place.
    alignas(16) float delayedFrames[2 * kMaxFrames];
    passThroughDelay(delayLine.get(), lookAhead, writePos, gained, frames, delayedFrames);

    const bool still = resting(settings.releaseFrames) && allAt(estimates, frames, kThreshold);
    concaveRuns.track(estimates, frames, !still && concaveRuns.worthTracking());
    if (still) {
        passAtRest(delayedFrames, frames, ceiling, out);
        concaveRuns.scanned(0, frames);
    } else {
        alignas(16) float envelopeFrames[2 * kMaxFrames];
        const int scans = limitFrames(estimates, frames, settings.releaseFrames, envelopeFrames);
        concaveRuns.scanned(scans, frames);
        storePair(held.outputPeak,
                  kernels->emitLimited(delayedFrames, envelopeFrames, frames, kThreshold,
                                       settings.link, ceiling, out, lowPair(held.outputPeak)));
    }
    clock += static_cast<std::uint64_t>(frames);
}

void MaximizerCore::estimatePeaks(const float* in, int frames, const Settings& settings,
                                  float* gained, float* estimates) {
    // The history stood still while the estimate was off.
    if (settings.isp && !estimating) clearSplines();
    estimating = settings.isp;
    for (int k = 1; k <= kSplineHistoryFrames; ++k) {
        gained[-2 * k] = splines[0].a[k - 1];
        gained[-2 * k + 1] = splines[1].a[k - 1];
    }
    storePair(held.inputPeak,
              kernels->clipAndGain(in, frames, settings.gain, gained, lowPair(held.inputPeak)));
    storePair(gained + 2 * frames, _mm_setzero_ps());
    if (!settings.isp) {
        kernels->estimateSamplePeaks(gained, frames, kThreshold, estimates);
        return;
    }
    // A spline through quiet samples stays below the floor, which is then
    // every estimate.
    if (allBelow(gained - 2 * kSplineHistoryFrames, kSplineHistoryFrames + frames,
                 kQuietShare * kThreshold)) {
        fillFrames(estimates, frames, kThreshold);
    } else {
        kernels->estimateInterSamplePeaks(gained, frames, kThreshold, estimates);
    }
    // The newest sample and the history before it.
    for (int k = 0; k <= kSplineHistoryFrames; ++k) {
        splines[0].a[k] = gained[2 * (frames - 1 - k)];
        splines[1].a[k] = gained[2 * (frames - 1 - k) + 1];
    }
}

bool MaximizerCore::resting(std::int32_t releaseLength) const {
    for (int c = 0; c < 2; ++c) {
        if (envelopes.envelope[c] != kThreshold || envelopes.slope[c] != 0.0f ||
            envelopes.target[c] != 0.0f || envelopes.hold[c] > -releaseLength - 1)
            return false;
    }
    return true;
}

void MaximizerCore::passAtRest(const float* delayed, int frames, float ceiling, float* out) {
    // The same operations as the frame loop's and the output stage's.
    fillPeakLines({peakLines[0].get(), peakLines[1].get()}, lookAhead, writePos, frames,
                  kThreshold);
    storePair(held.outputPeak, emitUnity(delayed, frames, ceiling, out, lowPair(held.outputPeak)));
    writePos = (writePos + frames) % lookAhead;
    held.channelGain[0] = held.channelGain[1] = 1.0f; // the threshold over itself
}

int MaximizerCore::limitFrames(const float* estimates, int frames, std::int32_t releaseLength,
                               float* envelopeFrames) {
    return concaveRuns.tracking() && lookAhead >= kShortestConcaveWindow
               ? limitFramesWith<true>(estimates, frames, releaseLength, envelopeFrames)
               : limitFramesWith<false>(estimates, frames, releaseLength, envelopeFrames);
}

template <bool tracking>
int MaximizerCore::limitFramesWith(const float* estimates, int frames, std::int32_t releaseLength,
                                   float* envelopeFrames) {
    const std::int32_t L = lookAhead;
    const ChunkRules rules(kThreshold, releaseLength, L, reciprocals[L]);
    float* const lines[2] = {peakLines[0].get(), peakLines[1].get()};
    const ScanSources sources = {{lines[0], lines[1]}, reciprocals, L, kernels, hulls, farLines};
    // Envelope, slope, target and hold of both channels, as the frame-by-frame
    // algorithm names them; accept: what a newest peak's estimated rise must
    // exceed, which follows T.
    __m128 E = _mm_movelh_ps(lowPair(envelopes.envelope), rules.threshold);
    __m128 S = lowPair(envelopes.slope);
    __m128 T = lowPair(envelopes.target);
    __m128i H = lowPair(envelopes.hold);
    __m128 accept = scan::acceptBelow(T);
    std::int32_t position = writePos;
    int scans = 0;
    // How the next frames may follow their peaks, from how the last frame's
    // scans were settled: both by concave runs, or both at the nearest peak
    // by the scans themselves.
    enum class Next { scan, concave, swell };
    Next next = Next::scan;
    // Takes the frames that followed their peaks, if any; answers how many.
    const auto advanceBy = [&](const follow::Followed& followed) {
        if (followed.frames == 0) return 0;
        E = followed.envelope;
        S = T = followed.slope;
        accept = scan::acceptBelow(T);
        position = follow::wrapped(position + followed.frames, L);
        return followed.frames;
    };
    for (int i = 0; i < frames; ++i) {
        // Frames on which both channels follow their peaks run four at a time.
        if (next == Next::concave && follow::mayFollow(H, S, T, concaveRuns.runsBefore(i), L)) {
            const follow::ConcaveFollow concave = {estimates, concaveRuns.runsBefore(0), L, rules};
            // The first frame's envelopes, from the frame before.
            const __m128 entered = _mm_max_ps(_mm_add_ps(E, S), rules.threshold);
            const int followed =
                advanceBy(follow::followPeaks(lines, L, position, estimates, i, frames - i, rules,
                                              entered, concave, envelopeFrames));
            scans += followed;
            i += followed;
            if (i == frames) break;
        }
        const __m128 peak = lowPair(estimates + 2 * i);
        storeNewestPeaks(lines, position, L, peak);
        E = lanes::advance(E, S, T, rules);
        // A channel whose targeted peak leaves now scans the coming peaks.
        const int scanning = _mm_movemask_ps(lanes::dueLanes(H)) & 3;
        if (scanning != 0) {
            ++scans;
            // After scans that both ended at the nearest peaks, this frame's
            // may too, and the frames after it, taken four at a time: where
            // scans are frequent, as the concave runs are tracked.
            if (tracking && next == Next::swell && scanning == 3 && clock + i >= swellRetryAt) {
                const int followed =
                    advanceBy(followSwell(sources, estimates, i, frames - i, position, clock + i,
                                          rules, E, envelopeFrames, {swellRetryAt, swellBackOff}));
                if (followed != 0) {
                    // This frame's scan is counted already.
                    scans += followed - 1;
                    i += followed - 1;
                    // The frame that stopped them scans as usual.
                    next = Next::scan;
                    continue; // the holds stay due
                }
            }
            // A run must cover a window to settle its scan: where none does,
            // as where rounding dents a slow swell, nothing is tried.
            const std::int32_t* const runs = concaveRuns.runsBefore(i);
            const int unsettled =
                tracking && (runs[0] >= coveringRun(L) || runs[1] >= coveringRun(L))
                    ? settleConcaveScans(lines, L, concaveRuns, rules, scanning, position, i, E, S,
                                         T, H)
                    : scanning;
            next = tracking && unsettled == 0 ? Next::concave : Next::scan;
            if (unsettled != 0) {
                const Aims aims =
                    scanInFull(sources, unsettled, position, clock + i, E, rules, S, T, H);
                S = aims.slope;
                T = aims.target;
                H = aims.hold;
                // Scans that both ended at the nearest peaks call for a try.
                if (lanes::bothAt(H, 1) && unsettled == 3) next = Next::swell;
            }
            accept = scan::acceptBelow(T);
        }
        lanes::takeNewestPeak(peak, E, rules, S, T, H, accept);
        H = lanes::countDown(H, rules);
        storePair(envelopeFrames + 2 * i, E);
        if (++position == L) position = 0;
    }
    writePos = position;
    storePair(envelopes.envelope, E);
    storePair(envelopes.slope, S);
    storePair(envelopes.target, T);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(envelopes.hold), H);
    storePair(held.channelGain, _mm_div_ps(rules.threshold, E));
    return scans;
}
