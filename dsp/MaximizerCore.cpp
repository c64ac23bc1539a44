#include "dsp/MaximizerCore.h"

#include "dsp/Decimal.h"
#include "dsp/LookAheadScan.h"

#include <cmath>
#include <new>

namespace {

constexpr double kCapacitySeconds = 0.016;
constexpr double kDefaultReleaseSeconds = 0.007;
constexpr double kLookAheadDecades = 2.0; // the setting 0..1 spans a factor of 100
constexpr double kLookAheadSecondsAtZero = 0.0005;
constexpr float kSlopeEasing = 10.0f; // a falling slope eases over R/10 frames

inline float larger(float a, float b) { return b > a ? b : a; }
inline float lane1(__m128 v) { return _mm_cvtss_f32(_mm_shuffle_ps(v, v, 1)); }

std::unique_ptr<float[]> zeroed(std::size_t count) {
    std::unique_ptr<float[]> buffer(new (std::nothrow) float[count]);
    if (buffer)
        for (std::size_t i = 0; i < count; ++i) buffer[i] = 0.0f;
    return buffer;
}

} // namespace

MaximizerCore::MaximizerCore() {
    if (!setSampleRate(kConstructionRate)) throw std::bad_alloc();
    setLookAhead(kConstructionLookAhead);
    reset();
}

bool MaximizerCore::setSampleRate(std::int32_t newRate) {
    if (newRate == rate) return true;
    const auto newCapacity = static_cast<std::int32_t>(newRate * kCapacitySeconds);
    auto newDelay = zeroed(2 * static_cast<std::size_t>(newCapacity));
    auto newPeaks0 = zeroed(2 * static_cast<std::size_t>(newCapacity) + kScanSlack);
    auto newPeaks1 = zeroed(2 * static_cast<std::size_t>(newCapacity) + kScanSlack);
    auto newReciprocals = zeroed(static_cast<std::size_t>(newCapacity) + kScanSlack + 1);
    if (!newDelay || !newPeaks0 || !newPeaks1 || !newReciprocals) return false;
    for (std::int32_t j = 1; j <= newCapacity + kScanSlack; ++j)
        newReciprocals[j] = 1.0f / static_cast<float>(j);

    rate = newRate;
    capacity = newCapacity;
    lookAhead = capacity;
    releaseFrames.store(static_cast<std::int32_t>(newRate * kDefaultReleaseSeconds),
                        std::memory_order_relaxed);
    delayLine = std::move(newDelay);
    peakLines[0] = std::move(newPeaks0);
    peakLines[1] = std::move(newPeaks1);
    reciprocals = std::move(newReciprocals);
    for (Channel& channel : channels) channel = kRestingChannel;
    writePos = 0;
    return true;
}

void MaximizerCore::setLookAhead(float setting) {
    if (setting == lookAheadSetting) return;
    lookAheadSetting = setting;
    lookAhead = static_cast<std::int32_t>(decimal::power(kLookAheadDecades * setting) * rate *
                                          kLookAheadSecondsAtZero);
}

void MaximizerCore::clearLines() {
    for (std::int32_t i = 0; i < 2 * capacity; ++i) delayLine[i] = 0.0f;
    for (auto& line : peakLines)
        for (std::int32_t i = 0; i < 2 * capacity + kScanSlack; ++i) line[i] = 0.0f;
}

void MaximizerCore::reset() {
    clearLines();
    for (Channel& channel : channels) channel = kRestingChannel;
}

// One frame of the gain computer of one channel. `peaks` points at the frame
// written now; peaks[j] is the estimate of the sample that leaves the delay
// line j frames from now, and `peak` the newest one (j = lookAhead). Returns
// the channel's gain for this frame.
float MaximizerCore::limitChannel(Channel& channel, const float* peaks, float peak,
                                  float releaseLength) const {
    const std::int32_t L = lookAhead;
    const float R = releaseLength;
    float E = channel.envelope;
    float S = channel.slope;
    float T = channel.target;
    std::int32_t H = channel.hold;

    if (S > T) {
        S = S + ((T - S) * kSlopeEasing) / R;
        if (T > S) S = T;
    }
    E = E + S;
    if (E < kThreshold) E = kThreshold;
    if (H == 0) {
        T = (kThreshold - E) / R;
        if (const std::int32_t steepest =
                scanForSteepestRise(peaks, reciprocals.get(), L, E, T)) {
            S = T;
            H = steepest;
        }
    }
    float newest;
    if (steeper(peak - E, static_cast<float>(L), reciprocals[L], T, newest)) {
        T = newest;
        S = newest;
        H = L;
    }
    if (H >= -static_cast<std::int32_t>(R)) H = H - 1;
    // An envelope that did not move keeps its gain without another division.
    const float gain = E == channel.envelope ? channel.gain : kThreshold / E;
    channel = {E, S, T, H, gain};
    return gain;
}

void MaximizerCore::process(const float* in, float* out, int frames, float ceiling) {
    const __m128 inputGain = _mm_set1_ps(gain.load(std::memory_order_relaxed));
    const auto release = static_cast<float>(releaseFrames.load(std::memory_order_relaxed));
    const bool isp = ispOn.load(std::memory_order_relaxed) != 0;
    const bool link = linkOn.load(std::memory_order_relaxed) != 0;
    const std::int32_t L = lookAhead;
    float* const delay = delayLine.get();
    float* const peaks0 = peakLines[0].get();
    float* const peaks1 = peakLines[1].get();
    std::int32_t position = writePos;
    IspSplinePair history;
    history.load(splines);
    Meters m = held;

    const __m128 one = _mm_set1_ps(1.0f);
    const __m128 minusOne = _mm_set1_ps(-1.0f);
    const __m128 signBit = _mm_set1_ps(-0.0f);
    const __m128 threshold = _mm_set1_ps(kThreshold);
    for (int i = 0; i < frames; ++i) {
        // Both channels in lanes 0 and 1: NaN becomes 0, then clip to +-1.
        __m128 x = _mm_castpd_ps(_mm_load_sd(reinterpret_cast<const double*>(in + 2 * i)));
        x = _mm_and_ps(x, _mm_cmpord_ps(x, x));
        x = _mm_max_ps(_mm_min_ps(x, one), minusOne);
        const __m128 magnitude = _mm_andnot_ps(signBit, x);
        m.inputPeak[0] = larger(m.inputPeak[0], _mm_cvtss_f32(magnitude));
        m.inputPeak[1] = larger(m.inputPeak[1], lane1(magnitude));

        float* const slot = delay + 2 * position;
        const float delayed0 = slot[0];
        const float delayed1 = slot[1];
        const __m128 gained = _mm_mul_ps(x, inputGain);
        _mm_storel_pi(reinterpret_cast<__m64*>(slot), gained);

        const __m128 estimate = isp ? history.estimate(gained) : _mm_andnot_ps(signBit, gained);
        const __m128 peak = _mm_max_ps(estimate, threshold);
        const float peak0 = _mm_cvtss_f32(peak);
        const float peak1 = lane1(peak);
        peaks0[position] = peaks0[position + L] = peak0;
        peaks1[position] = peaks1[position + L] = peak1;

        const float gain0 =
            limitChannel(channels[0], peaks0 + position, peak0, release);
        const float gain1 =
            limitChannel(channels[1], peaks1 + position, peak1, release);
        m.channelGain[0] = gain0;
        m.channelGain[1] = gain1;

        float out0, out1;
        if (link) {
            const float both = gain0 < gain1 ? gain0 : gain1;
            out0 = delayed0 * both;
            out1 = delayed1 * both;
        } else {
            out0 = gain0 * delayed0;
            out1 = gain1 * delayed1;
        }
        m.outputPeak[0] = larger(m.outputPeak[0], std::fabs(out0));
        m.outputPeak[1] = larger(m.outputPeak[1], std::fabs(out1));
        out[2 * i] = ceiling * out0;
        out[2 * i + 1] = ceiling * out1;
        if (++position == L) position = 0;
    }

    writePos = position;
    history.store(splines);
    held = m;
}
