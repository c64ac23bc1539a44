// The limiter's stages over whole chunks for one vector width V (see
// SimdVectors.h): V::kWidth / 2 interleaved stereo frames per vector, then
// two frames per SSE vector, then a last single frame, with the operations
// of the frame-by-frame algorithm, so the bits do not depend on the width.
// Peaks are gathered by maxima, which are exact in any order.
#pragma once

#include "dsp/SimdVectors.h"
#include "dsp/StereoLanes.h"

#include <limits>

namespace {

// A constant here: no function of the standard library's is called from a
// kernel file, whose copy might stand in for the baseline one.
constexpr float kInfinity = std::numeric_limits<float>::infinity();

// A NaN or an infinity counts as silence; the rest is clipped to +-1.
template <class V> typename V::Vec clipped(typename V::Vec x) {
    const typename V::Vec finite = V::keepBelow(x, V::abs(x), V::set1(kInfinity));
    return V::max(V::min(finite, V::set1(1.0f)), V::set1(-1.0f));
}

// Runs body<W>(i) for the frames of a chunk: wide vectors, SSE vectors, then
// body(i) on the last frame alone, if any, which loads and stores pairs.
template <class V, class Wide, class Narrow, class Last>
void forFrames(int frames, Wide wide, Narrow narrow, Last last) {
    int i = 0;
    for (; i + V::kWidth / 2 <= frames; i += V::kWidth / 2)
        wide(i);
    for (; i + 2 <= frames; i += 2)
        narrow(i);
    if (i < frames) last(i);
}

template <class V>
__m128 clipAndGainWith(const float* in, int frames, float gain, float* gained, __m128 inPeak) {
    typename V::Vec wide = V::set1(0.0f);
    __m128 narrow = inPeak;
    forFrames<V>(
        frames,
        [&](int i) {
            const typename V::Vec x = clipped<V>(V::load(in + 2 * i));
            wide = V::max(V::abs(x), wide);
            V::store(gained + 2 * i, V::mul(x, V::set1(gain)));
        },
        [&](int i) {
            const __m128 x = clipped<Sse2>(Sse2::load(in + 2 * i));
            narrow = _mm_max_ps(Sse2::abs(x), narrow);
            Sse2::store(gained + 2 * i, _mm_mul_ps(x, _mm_set1_ps(gain)));
        },
        [&](int i) {
            const __m128 x = clipped<Sse2>(stereo::lowPair(in + 2 * i));
            narrow = _mm_max_ps(Sse2::abs(x), narrow);
            stereo::storePair(gained + 2 * i, _mm_mul_ps(x, _mm_set1_ps(gain)));
        });
    return stereo::largerOfFrames(_mm_max_ps(V::quarters(wide), narrow));
}

template <class V>
void estimateSamplePeaksWith(const float* gained, int frames, float floor, float* estimates) {
    forFrames<V>(
        frames,
        [&](int i) {
            V::store(estimates + 2 * i, V::max(V::abs(V::load(gained + 2 * i)), V::set1(floor)));
        },
        [&](int i) {
            Sse2::store(estimates + 2 * i,
                        _mm_max_ps(Sse2::abs(Sse2::load(gained + 2 * i)), _mm_set1_ps(floor)));
        },
        [&](int i) {
            stereo::storePair(
                estimates + 2 * i,
                _mm_max_ps(Sse2::abs(stereo::lowPair(gained + 2 * i)), _mm_set1_ps(floor)));
        });
}

// The gains of frames' channels from their envelopes; with `link` each
// frame's smaller gain for both channels.
template <class W>
typename W::Vec appliedGains(typename W::Vec envelopes, float threshold, bool link) {
    const typename W::Vec gains = W::div(W::set1(threshold), envelopes);
    return link ? W::min(gains, W::swapChannels(gains)) : gains;
}

template <class V>
__m128 emitLimitedWith(const float* delayed, const float* envelopes, int frames, float threshold,
                       bool link, float ceiling, float* out, __m128 outPeak) {
    typename V::Vec wide = V::set1(0.0f);
    __m128 narrow = outPeak;
    forFrames<V>(
        frames,
        [&](int i) {
            const typename V::Vec limited =
                V::mul(V::load(delayed + 2 * i),
                       appliedGains<V>(V::load(envelopes + 2 * i), threshold, link));
            wide = V::max(V::abs(limited), wide);
            V::store(out + 2 * i, V::mul(V::set1(ceiling), limited));
        },
        [&](int i) {
            const __m128 limited =
                _mm_mul_ps(Sse2::load(delayed + 2 * i),
                           appliedGains<Sse2>(Sse2::load(envelopes + 2 * i), threshold, link));
            narrow = _mm_max_ps(Sse2::abs(limited), narrow);
            Sse2::store(out + 2 * i, _mm_mul_ps(_mm_set1_ps(ceiling), limited));
        },
        [&](int i) {
            // The lanes past the last frame divide the threshold by itself.
            const __m128 envelope =
                _mm_movelh_ps(stereo::lowPair(envelopes + 2 * i), _mm_set1_ps(threshold));
            const __m128 limited = _mm_mul_ps(stereo::lowPair(delayed + 2 * i),
                                              appliedGains<Sse2>(envelope, threshold, link));
            narrow = _mm_max_ps(Sse2::abs(limited), narrow);
            stereo::storePair(out + 2 * i, _mm_mul_ps(_mm_set1_ps(ceiling), limited));
        });
    return stereo::largerOfFrames(_mm_max_ps(V::quarters(wide), narrow));
}

} // namespace
