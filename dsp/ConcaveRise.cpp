#include "dsp/ConcaveRise.h"

#include <emmintrin.h>

namespace {
// Runs longer than any window are all alike; a chunk's frames may count
// past it.
constexpr std::int32_t kLongestRun = 1 << 20;
} // namespace

void ConcaveRuns::clear() {
    for (float& peak : recent)
        peak = 0.0f;
    run[0] = run[1] = 0;
    watching = false;
    framesLeft = 0;
}

void ConcaveRuns::track(float* peaks, int frames, bool runsWanted) {
    watching = runsWanted;
    for (int k = 0; k < 4; ++k)
        peaks[k - 4] = recent[k];
    if (watching) {
        // A frame continues a run when its step and the step before are exact
        // (each pair of neighbours within a factor of two) and its step is not
        // larger than the one before. Two frames of both channels per vector.
        // Both channels' runs are counted in the lanes 0 and 1 of a vector.
        __m128i current = _mm_setr_epi32(run[0], run[1], 0, 0);
        const __m128i one = _mm_set1_epi32(1);
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
            // Lanes: (frame i, channel 0), (i, 1), (i + 1, 0), (i + 1, 1).
            const __m128i continues =
                _mm_castps_si128(_mm_and_ps(near, _mm_cmple_ps(bend, _mm_setzero_ps())));
            const int pairFrames = frames - i < 2 ? frames - i : 2;
            for (int f = 0; f < pairFrames; ++f) {
                _mm_storel_epi64(reinterpret_cast<__m128i*>(runs[i + f]), current);
                current = _mm_and_si128(_mm_add_epi32(current, one),
                                        f == 0 ? continues : _mm_srli_si128(continues, 8));
            }
        }
        // Capped once a chunk: a run is never counted longer than it is.
        const std::int32_t counted[2] = {_mm_cvtsi128_si32(current),
                                         _mm_cvtsi128_si32(_mm_srli_si128(current, 4))};
        run[0] = counted[0] < kLongestRun ? counted[0] : kLongestRun;
        run[1] = counted[1] < kLongestRun ? counted[1] : kLongestRun;
    } else {
        run[0] = run[1] = 0;
    }
    for (int k = 0; k < 4; ++k)
        recent[k] = peaks[2 * frames - 4 + k];
}
