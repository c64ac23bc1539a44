// One channel's settlement, for callers that hold a single channel's window.
// In a file of its own: the frame loop settles both channels at once, and a
// program that never calls this does not link it.
#include "dsp/ConcaveRise.h"
#include "dsp/ConcaveSettlement.h"

bool settleConcaveRise(const float* peaks, std::int32_t lookAhead, std::int32_t run, float envelope,
                       float& target, std::int32_t& steepest) {
    if (lookAhead < kShortestConcaveWindow) return false;
    const ConcaveSettlement s = settleConcaveRises(
        _mm_set1_ps(peaks[1]), _mm_set1_ps(peaks[2]), _mm_set1_ps(peaks[lookAhead - 1]),
        _mm_set1_epi32(run), lookAhead, _mm_set1_ps(envelope), _mm_set1_ps(target));
    if ((_mm_movemask_ps(s.settled) & 1) == 0) return false;
    target = _mm_cvtss_f32(s.target);
    steepest = (_mm_movemask_ps(s.nearest) & 1) != 0 ? 1 : 0;
    return true;
}
