// The limiter's two channels in lanes 0 and 1 of SSE registers; lanes 2 and
// 3 carry harmless copies. Every lane operation is the scalar operation of
// the algorithm, so results are bit-identical to a channel-by-channel loop.
// Pairs are only 4-byte aligned, so they are loaded as two floats, never as
// one 8-byte value.
//
// Internal to each file that includes it, as the kernel files do, whose
// copies are compiled for other instruction sets.
#pragma once

#include <cstdint>
#include <emmintrin.h>

namespace {
namespace stereo {

inline __m128 lowPair(const float* two) {
    return _mm_loadl_pi(_mm_setzero_ps(), reinterpret_cast<const __m64*>(two));
}
inline __m128i lowPair(const std::int32_t* two) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(two));
}
// One float from each of two places, in lanes 0 and 1.
inline __m128 pair(const float* first, const float* second) {
    return _mm_unpacklo_ps(_mm_load_ss(first), _mm_load_ss(second));
}
inline void storePair(float* two, __m128 v) {
    _mm_storel_pi(reinterpret_cast<__m64*>(two), v);
}
inline __m128 select(__m128 mask, __m128 whenSet, __m128 otherwise) {
    return _mm_or_ps(_mm_and_ps(mask, whenSet), _mm_andnot_ps(mask, otherwise));
}
// Four lanes' masks from two vectors of two double lanes' masks, in order:
// each double lane's mask is a pair of float lanes, one of each taken.
inline __m128 fromDoubleMasks(__m128d low, __m128d high) {
    return _mm_shuffle_ps(_mm_castpd_ps(low), _mm_castpd_ps(high), _MM_SHUFFLE(2, 0, 2, 0));
}
// The two channels' lanes of a vector that holds two frames (channel 0 in
// lanes 0 and 2, channel 1 in lanes 1 and 3) folded by the larger: exact,
// in any order.
inline __m128 largerOfFrames(__m128 twoFrames) {
    return _mm_max_ps(twoFrames, _mm_movehl_ps(twoFrames, twoFrames));
}

} // namespace stereo
} // namespace
