// Scans that end at the nearest peak, told apart from the others without a
// division on the way from the envelope to the answer. On a swell most
// scans end there: the envelope then takes the nearest rise, p_1 - E, exact
// within a factor of two of the envelope, and the tests that show no other
// peak steeper run beside it instead of before it. Internal to the
// limiter's frame loop.
#pragma once

#include "dsp/EnvelopeLanes.h"
#include "dsp/SimdKernels.h"
#include "dsp/StereoLanes.h"

#include <cstdint>
#include <emmintrin.h>

namespace {
namespace nearest {

// The nearest distances, where the peaks of a swell often rise by the same
// steps and tie with the nearest rise, decided exactly; the farther near
// distances are screened by their estimates, as the scans screen them.
constexpr std::int32_t kTiedDistances = 8;

// Lane by lane, for the scans of four frames of one channel against
// `envelope`, the coming peaks of frame k being peaks[k + j] at distance j:
// the lanes whose scans over the distances 1 .. near the nearest peak
// answers, as the scans would; `rise` the nearest rises, and `accept` the
// bounds of the estimates that cannot beat them. Where the first frame
// fails the exact tests, the screen is skipped and every lane left out.
inline __m128 answers(const float* peaks, __m128 envelope, const lanes::ChunkRules& rules,
                      const SimdKernels& kernels, const float* reciprocals, std::int32_t near,
                      __m128& rise, __m128& accept) {
    const __m128 first = _mm_loadu_ps(peaks + 1);
    rise = _mm_sub_ps(first, envelope);
    // Within a factor of two of the envelope the rise is exact, and the
    // envelope advanced by it lands on the peak.
    __m128 passed =
        _mm_and_ps(_mm_and_ps(_mm_cmpge_ps(first, _mm_mul_ps(envelope, _mm_set1_ps(0.5f))),
                              _mm_cmple_ps(first, _mm_mul_ps(envelope, _mm_set1_ps(2.0f)))),
                   _mm_and_ps(_mm_cmpge_ps(first, rules.threshold),
                              _mm_cmpgt_ps(rise, lanes::releaseSlope(envelope, rules.threshold,
                                                                     rules.release))));
    accept = scan::acceptBelow(rise);
    // A quotient whose dividend is at most the distance times the rise, both
    // exact in double precision, rounds to at most the rise. (One a little
    // above may round to it too; it is left to the scans.)
    const __m128d riseLow = _mm_cvtps_pd(rise);
    const __m128d riseHigh = _mm_cvtps_pd(_mm_movehl_ps(rise, rise));
    __m128d belowLow = _mm_castsi128_pd(_mm_set1_epi32(-1)), belowHigh = belowLow;
    __m128d boundLow = riseLow, boundHigh = riseHigh;
    for (std::int32_t j = 2; j <= kTiedDistances; ++j) {
        boundLow = _mm_add_pd(boundLow, riseLow);
        boundHigh = _mm_add_pd(boundHigh, riseHigh);
        const __m128 r = _mm_sub_ps(_mm_loadu_ps(peaks + j), envelope);
        belowLow = _mm_and_pd(belowLow, _mm_cmple_pd(_mm_cvtps_pd(r), boundLow));
        belowHigh =
            _mm_and_pd(belowHigh, _mm_cmple_pd(_mm_cvtps_pd(_mm_movehl_ps(r, r)), boundHigh));
    }
    passed = _mm_and_ps(passed, stereo::fromDoubleMasks(belowLow, belowHigh));
    if ((_mm_movemask_ps(passed) & 1) == 0) return _mm_setzero_ps();
    const float* const coming[4] = {peaks, peaks + 1, peaks + 2, peaks + 3};
    const __m128 most =
        kernels.largestNearEstimates(coming, reciprocals, kTiedDistances + 1, near, envelope);
    return _mm_and_ps(passed, _mm_cmple_ps(most, accept));
}

} // namespace nearest
} // namespace
