// The kernels for AVX-512 (its foundation only), sixteen lanes. This file
// alone is compiled for AVX-512; it runs only where supportedSimdLevel()
// allows.
#include "dsp/ScanKernel.h"
#include "dsp/SimdKernels.h"
#include "dsp/SplineKernel.h"
#include "dsp/StageKernel.h"

// GCC 12's AVX-512 intrinsics pass an undefined vector as the merge source
// of their all-lanes forms and then warn of it.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <immintrin.h>

namespace {

struct Avx512 {
    struct Doubles {
        using Vec = __m512d;
        static constexpr int kWidth = 8;
        static Vec set1(double v) { return _mm512_set1_pd(v); }
        static Vec widen(const float* p) { return _mm512_cvtps_pd(_mm256_loadu_ps(p)); }
        static Vec distances(int first) {
            return _mm512_cvtepi32_pd(_mm256_add_epi32(_mm256_set1_epi32(first),
                                                       _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
        }
        static Vec add(Vec a, Vec b) { return _mm512_add_pd(a, b); }
        static Vec sub(Vec a, Vec b) { return _mm512_sub_pd(a, b); }
        static Vec mul(Vec a, Vec b) { return _mm512_mul_pd(a, b); }
        static Vec max(Vec a, Vec b) { return _mm512_max_pd(a, b); }
        static double largest(Vec v) {
            const __m256d half =
                _mm256_max_pd(_mm512_castpd512_pd256(v), _mm512_extractf64x4_pd(v, 1));
            return Sse2::Doubles::largest(
                _mm_max_pd(_mm256_castpd256_pd128(half), _mm256_extractf128_pd(half, 1)));
        }
    };
    using Vec = __m512;
    static constexpr int kWidth = 16;
    static Vec set1(float v) { return _mm512_set1_ps(v); }
    static Vec load(const float* p) { return _mm512_loadu_ps(p); }
    // The first `count` floats; nothing past them is read.
    static Vec loadFirst(const float* p, int count) {
        return _mm512_maskz_loadu_ps(static_cast<__mmask16>((1u << count) - 1u), p);
    }
    static void store(float* p, Vec v) { _mm512_storeu_ps(p, v); }
    static Vec add(Vec a, Vec b) { return _mm512_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm512_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm512_mul_ps(a, b); }
    static Vec div(Vec a, Vec b) { return _mm512_div_ps(a, b); }
    static Vec max(Vec a, Vec b) { return _mm512_max_ps(a, b); }
    static Vec distances(int first) {
        return _mm512_cvtepi32_ps(_mm512_add_epi32(
            _mm512_set1_epi32(first),
            _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15)));
    }
    static Vec min(Vec a, Vec b) { return _mm512_min_ps(a, b); }
    static Vec abs(Vec v) { return _mm512_abs_ps(v); }
    static Vec keepBelow(Vec x, Vec a, Vec b) {
        return _mm512_maskz_mov_ps(_mm512_cmp_ps_mask(a, b, _CMP_LT_OQ), x);
    }
    static Vec swapChannels(Vec v) { return _mm512_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)); }
    static __m128 quarters(Vec v) {
        // The upper half over the lower, then within the lower half.
        const __m256 halves =
            _mm512_castps512_ps256(max(v, _mm512_shuffle_f32x4(v, v, _MM_SHUFFLE(3, 2, 3, 2))));
        return _mm_max_ps(_mm256_castps256_ps128(halves), _mm256_extractf128_ps(halves, 1));
    }
    static unsigned greater(Vec a, Vec b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
};

} // namespace

extern const SimdKernels kAvx512Kernels = {
    scanForSteepestRiseWith<Avx512>,
    scanNearWith<Avx512>,
    scanNearPairWith<Avx512>,
    largestNearEstimatesWith<Avx512>,
    highestOverLineWith<Avx512>,
    scanForSteepestRisesWith<Avx512>,
    estimateInterSamplePeaksWith<Avx512>,
    clipAndGainWith<Avx512>,
    estimateSamplePeaksWith<Avx512>,
    emitLimitedWith<Avx512>,
    256,
};
