// The operations that the vector kernels are written in, for one vector
// width. Each kernel file brings its own widths; this header holds the SSE2
// width that every x86 processor has and that the wider kernels use for
// their last frames. Every operation is the plain IEEE single-precision one
// (no fused multiply-add), so a kernel gives the same bits at any width.
//
// Everything here and in the kernel templates has internal linkage: a kernel
// file is compiled for its own instruction set, and none of its code may
// stand in for the same function of another file.
#pragma once

#include <emmintrin.h>

namespace {

struct Sse2 {
    // Two doubles a vector, widened from floats.
    struct Doubles {
        using Vec = __m128d;
        static constexpr int kWidth = 2;
        static Vec set1(double v) { return _mm_set1_pd(v); }
        static Vec widen(const float* p) {
            return _mm_cvtps_pd(
                _mm_castsi128_ps(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p))));
        }
        static Vec distances(int first) { return _mm_setr_pd(first, first + 1); }
        static Vec add(Vec a, Vec b) { return _mm_add_pd(a, b); }
        static Vec sub(Vec a, Vec b) { return _mm_sub_pd(a, b); }
        static Vec mul(Vec a, Vec b) { return _mm_mul_pd(a, b); }
        static Vec max(Vec a, Vec b) { return _mm_max_pd(a, b); }
        static double largest(Vec v) { return _mm_cvtsd_f64(_mm_max_sd(v, _mm_unpackhi_pd(v, v))); }
    };
    using Vec = __m128;
    static constexpr int kWidth = 4;
    static Vec set1(float v) { return _mm_set1_ps(v); }
    static Vec load(const float* p) { return _mm_loadu_ps(p); }
    // The first `count` floats; the others may be read, up to a whole vector.
    static Vec loadFirst(const float* p, int) { return _mm_loadu_ps(p); }
    static void store(float* p, Vec v) { _mm_storeu_ps(p, v); }
    static Vec add(Vec a, Vec b) { return _mm_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm_mul_ps(a, b); }
    static Vec div(Vec a, Vec b) { return _mm_div_ps(a, b); }
    static Vec max(Vec a, Vec b) { return _mm_max_ps(a, b); }
    // The distances first .. first + kWidth - 1, exact.
    static Vec distances(int first) {
        return _mm_cvtepi32_ps(_mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3)));
    }
    static Vec min(Vec a, Vec b) { return _mm_min_ps(a, b); }
    static Vec abs(Vec v) { return _mm_andnot_ps(_mm_set1_ps(-0.0f), v); }
    // x where a < b, else 0.
    static Vec keepBelow(Vec x, Vec a, Vec b) { return _mm_and_ps(x, _mm_cmplt_ps(a, b)); }
    // Each frame's two channels swapped.
    static Vec swapChannels(Vec v) { return _mm_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)); }
    // The larger of each lane of the vector's four-lane quarters.
    static __m128 quarters(Vec v) { return v; }
    // Bit k set where lane k of a is greater than lane k of b.
    static unsigned greater(Vec a, Vec b) {
        return static_cast<unsigned>(_mm_movemask_ps(_mm_cmpgt_ps(a, b)));
    }
};

} // namespace
