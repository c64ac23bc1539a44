#include "dsp/ConcaveRise.h"

#include <xmmintrin.h>

namespace {
// Runs longer than any window are all alike.
constexpr std::int32_t kLongestRun = 1 << 20;
} // namespace

void ConcaveRuns::clear() {
    for (float& peak : recent)
        peak = 0.0f;
    run[0] = run[1] = 0;
    watching = false;
}

void ConcaveRuns::track(float* peaks, int frames) {
    for (int k = 0; k < 4; ++k)
        peaks[k - 4] = recent[k];
    if (watching) {
        // A frame continues a run when its step and the step before are exact
        // (each pair of neighbours within a factor of two) and its step is not
        // larger than the one before. Two frames of both channels per vector.
        for (int i = 0; i < frames; i += 2) {
            const __m128 p0 = _mm_loadu_ps(peaks + 2 * i);
            const __m128 p1 = _mm_loadu_ps(peaks + 2 * i - 2);
            const __m128 p2 = _mm_loadu_ps(peaks + 2 * i - 4);
            const __m128 twice0 = _mm_add_ps(p0, p0);
            const __m128 twice1 = _mm_add_ps(p1, p1);
            const __m128 twice2 = _mm_add_ps(p2, p2);
            const __m128 near =
                _mm_and_ps(_mm_and_ps(_mm_cmple_ps(p0, twice1), _mm_cmple_ps(p1, twice0)),
                           _mm_and_ps(_mm_cmple_ps(p1, twice2), _mm_cmple_ps(p2, twice1)));
            const __m128 bend = _mm_sub_ps(_mm_sub_ps(p0, p1), _mm_sub_ps(p1, p2));
            const int ok = _mm_movemask_ps(_mm_and_ps(near, _mm_cmple_ps(bend, _mm_setzero_ps())));
            for (int f = 0; f < 2 && i + f < frames; ++f) {
                for (int c = 0; c < 2; ++c) {
                    runs[c][i + f] = run[c];
                    const bool continues = (ok >> (2 * f + c) & 1) != 0;
                    run[c] = continues ? (run[c] < kLongestRun ? run[c] + 1 : run[c]) : 0;
                }
            }
        }
    } else {
        run[0] = run[1] = 0;
    }
    for (int k = 0; k < 4; ++k)
        recent[k] = peaks[2 * frames - 4 + k];
}

bool settleConcaveRise(const float* peaks, std::int32_t lookAhead, std::int32_t run, float envelope,
                       float& target, std::int32_t& steepest) {
    constexpr std::int32_t kShortestWindow = 4;
    if (lookAhead < kShortestWindow || run < lookAhead - 3) return false;
    const float first = peaks[1], second = peaks[2], last = peaks[lookAhead - 1];
    const float half = envelope * 0.5f, twice = envelope * 2.0f;
    // A concave run's smallest peak is at one of its ends.
    if (!(first >= half && first <= twice && second >= half && second <= twice && last >= half))
        return false;
    const float rise1 = first - envelope; // exact, as are all rises below
    const float rise2 = second - envelope;
    if (!(rise2 <= 2.0f * rise1)) return false;
    // The largest peak is at most the first plus (lookAhead - 2) first steps.
    const float step = second - first;
    const double top =
        static_cast<double>(first) +
        static_cast<double>(lookAhead - 2) * static_cast<double>(step > 0.0f ? step : 0.0f);
    if (!(top <= static_cast<double>(twice) * (1.0 - 0x1p-50))) return false;
    if (rise1 > target) {
        target = rise1;
        steepest = 1;
    } else {
        steepest = 0;
    }
    return true;
}
