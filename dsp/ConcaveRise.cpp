#include "dsp/ConcaveRise.h"

#include <cstring>
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
    watchedFrom = frameCount;
}

void ConcaveRuns::track(float* peaks, int frames, bool runsWanted) {
    watching = runsWanted;
    for (int k = 0; k < 4; ++k)
        peaks[k - 4] = recent[k];
    const std::uint32_t first = frameCount;
    frameCount += static_cast<std::uint32_t>(frames);
    runsTracked = frames;
    if (watching) {
        // A frame continues a run when its step and the step before are exact
        // (each pair of neighbours within a factor of two) and its step is not
        // larger than the one before. Two frames of both channels per vector.
        // Both channels' runs are counted in the lanes 0 and 1 of a vector.
        __m128i current = _mm_setr_epi32(run[0], run[1], 0, 0);
        const __m128i one = _mm_set1_epi32(1);
        const __m128i historyCap = _mm_set1_epi16(kRunHistory);
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
                const std::uint32_t slot =
                    (first + static_cast<std::uint32_t>(i + f)) % kRunHistory;
                _mm_storel_epi64(reinterpret_cast<__m128i*>(runs[i + f]), current);
                current = _mm_and_si128(_mm_add_epi32(current, one),
                                        f == 0 ? continues : _mm_srli_si128(continues, 8));
                // Saturated to 16 bits, then capped.
                const std::int32_t capped =
                    _mm_cvtsi128_si32(_mm_min_epi16(_mm_packs_epi32(current, current), historyCap));
                std::memcpy(ending[slot], &capped, sizeof(ending[slot]));
            }
        }
        // Capped once a chunk: a run is never counted longer than it is.
        const std::int32_t counted[2] = {_mm_cvtsi128_si32(current),
                                         _mm_cvtsi128_si32(_mm_srli_si128(current, 4))};
        run[0] = counted[0] < kLongestRun ? counted[0] : kLongestRun;
        run[1] = counted[1] < kLongestRun ? counted[1] : kLongestRun;
    } else {
        run[0] = run[1] = 0;
        watchedFrom = frameCount;
    }
    for (int k = 0; k < 4; ++k)
        recent[k] = peaks[2 * frames - 4 + k];
}

bool ConcaveRuns::settlePieces(int channel, int frame, const float* peaks, std::int32_t lookAhead,
                               float envelope, float& target, std::int32_t& steepest) const {
    // A window that reaches before the tracked stretch, or past the kept
    // history, has no runs to go by.
    const std::uint32_t now = frameCount - static_cast<std::uint32_t>(runsTracked - frame);
    if (lookAhead < kShortestConcaveWindow || lookAhead + kMaxFrames > kRunHistory ||
        now - watchedFrom < static_cast<std::uint32_t>(lookAhead))
        return false;
    // Differences of floats are exact in double, and so are their products
    // with distances; the line is lowered by 2^-17 of its slope, which
    // covers the rounding of the quotients the full scan compares.
    const double nearest = static_cast<double>(peaks[1]);
    const double rise = nearest - static_cast<double>(envelope);
    const double slope = rise - (rise < 0.0 ? -rise : rise) * 0x1p-17;
    std::int32_t last = lookAhead - 1; // the latest distance not yet covered
    for (int pieces = 0; pieces < kMostPieces; ++pieces) {
        const std::uint32_t lastFrame = now - static_cast<std::uint32_t>(lookAhead - last);
        // The piece: a step of any size from `start`, then steps that never grow.
        const std::int32_t start = last - ending[lastFrame % kRunHistory][channel] - 1;
        if (start <= 1) {
            if (!(static_cast<double>(peaks[2]) - nearest <= slope)) return false;
            const float quotient = peaks[1] - envelope;
            if (quotient > target) {
                target = quotient;
                steepest = 1;
            } else {
                steepest = 0;
            }
            return true;
        }
        const double from = static_cast<double>(peaks[start]);
        if (!(from - nearest <= static_cast<double>(start - 1) * slope &&
              static_cast<double>(peaks[start + 1]) - from <= slope))
            return false;
        last = start - 1;
    }
    return false;
}
