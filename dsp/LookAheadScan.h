// What the look-ahead scan and the limiter's per-frame check share: the slack
// of the lines a scan reads and the bound of its screen. The scan itself is in
// ScanKernel.h, one instance per instruction set (SimdKernels.h).
#pragma once

#include <cstdint>
#include <xmmintrin.h>

// Floats that a peak line and the reciprocal table hold beyond the frames
// they serve, so a scan may read a whole SSE vector past the last frame it uses.
inline constexpr int kScanSlack = 4;

namespace scan {

// Slightly below `best`, lane by lane: every rise whose product with a
// tabulated reciprocal is not above this bound has a quotient not above
// `best` (as ScanChannel::acceptBelow).
inline __m128 acceptBelow(__m128 best) {
    const __m128 magnitude = _mm_andnot_ps(_mm_set1_ps(-0.0f), best);
    return _mm_sub_ps(best, _mm_mul_ps(magnitude, _mm_set1_ps(0x1p-20f)));
}

} // namespace scan
