#include "dsp/ConcaveRise.h"

#include <xmmintrin.h>

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
        // The runs are counted in locals, which the stores to the tables
        // cannot alias.
        std::int32_t current[2] = {run[0], run[1]};
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
            const int pairFrames = frames - i < 2 ? frames - i : 2;
            for (int f = 0; f < pairFrames; ++f) {
                const std::uint32_t slot =
                    (first + static_cast<std::uint32_t>(i + f)) % kRunHistory;
                for (int c = 0; c < 2; ++c) {
                    runs[c][i + f] = current[c];
                    current[c] = (ok >> (2 * f + c) & 1) != 0 ? current[c] + 1 : 0;
                    ending[c][slot] = static_cast<std::uint16_t>(
                        current[c] < kRunHistory ? current[c] : kRunHistory);
                }
            }
        }
        // Capped once a chunk: a run is never counted longer than it is.
        run[0] = current[0] < kLongestRun ? current[0] : kLongestRun;
        run[1] = current[1] < kLongestRun ? current[1] : kLongestRun;
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
    const std::uint16_t* const runEnding = ending[channel];
    std::int32_t last = lookAhead - 1; // the latest distance not yet covered
    for (int pieces = 0; pieces < kMostPieces; ++pieces) {
        const std::uint32_t lastFrame = now - static_cast<std::uint32_t>(lookAhead - last);
        // The piece: a step of any size from `start`, then steps that never grow.
        const std::int32_t start = last - runEnding[lastFrame % kRunHistory] - 1;
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
