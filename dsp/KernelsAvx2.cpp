// The kernels for AVX2, eight lanes. This file alone is compiled for AVX2;
// it runs only where supportedSimdLevel() allows.
#include "dsp/ScanKernel.h"
#include "dsp/SimdKernels.h"
#include "dsp/SplineKernel.h"
#include "dsp/StageKernel.h"

#include <immintrin.h>

namespace {

struct Avx2 {
    struct Doubles {
        using Vec = __m256d;
        static constexpr int kWidth = 4;
        static Vec set1(double v) { return _mm256_set1_pd(v); }
        static Vec widen(const float* p) { return _mm256_cvtps_pd(_mm_loadu_ps(p)); }
        static Vec distances(int first) {
            return _mm256_cvtepi32_pd(
                _mm_add_epi32(_mm_set1_epi32(first), _mm_setr_epi32(0, 1, 2, 3)));
        }
        static Vec add(Vec a, Vec b) { return _mm256_add_pd(a, b); }
        static Vec sub(Vec a, Vec b) { return _mm256_sub_pd(a, b); }
        static Vec mul(Vec a, Vec b) { return _mm256_mul_pd(a, b); }
        static Vec max(Vec a, Vec b) { return _mm256_max_pd(a, b); }
        static double largest(Vec v) {
            return Sse2::Doubles::largest(
                _mm_max_pd(_mm256_castpd256_pd128(v), _mm256_extractf128_pd(v, 1)));
        }
    };
    using Vec = __m256;
    static constexpr int kWidth = 8;
    static Vec set1(float v) { return _mm256_set1_ps(v); }
    static Vec load(const float* p) { return _mm256_loadu_ps(p); }
    // The first `count` floats; nothing past them is read.
    static Vec loadFirst(const float* p, int count) {
        const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
        return _mm256_maskload_ps(p, _mm256_cmpgt_epi32(_mm256_set1_epi32(count), lane));
    }
    static void store(float* p, Vec v) { _mm256_storeu_ps(p, v); }
    static Vec add(Vec a, Vec b) { return _mm256_add_ps(a, b); }
    static Vec sub(Vec a, Vec b) { return _mm256_sub_ps(a, b); }
    static Vec mul(Vec a, Vec b) { return _mm256_mul_ps(a, b); }
    static Vec div(Vec a, Vec b) { return _mm256_div_ps(a, b); }
    static Vec max(Vec a, Vec b) { return _mm256_max_ps(a, b); }
    static Vec distances(int first) {
        return _mm256_cvtepi32_ps(
            _mm256_add_epi32(_mm256_set1_epi32(first), _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7)));
    }
    static Vec min(Vec a, Vec b) { return _mm256_min_ps(a, b); }
    static Vec abs(Vec v) { return _mm256_andnot_ps(_mm256_set1_ps(-0.0f), v); }
    static Vec keepBelow(Vec x, Vec a, Vec b) {
        return _mm256_and_ps(x, _mm256_cmp_ps(a, b, _CMP_LT_OQ));
    }
    static Vec swapChannels(Vec v) { return _mm256_shuffle_ps(v, v, _MM_SHUFFLE(2, 3, 0, 1)); }
    static __m128 quarters(Vec v) {
        return _mm_max_ps(_mm256_castps256_ps128(v), _mm256_extractf128_ps(v, 1));
    }
    static unsigned greater(Vec a, Vec b) {
        return static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(a, b, _CMP_GT_OQ)));
    }
};

} // namespace

extern const SimdKernels kAvx2Kernels = {
    scanForSteepestRiseWith<Avx2>,
    scanNearWith<Avx2>,
    scanNearPairWith<Avx2>,
    largestNearEstimatesWith<Avx2>,
    highestOverLineWith<Avx2>,
    scanForSteepestRisesWith<Avx2>,
    estimateInterSamplePeaksWith<Avx2>,
    clipAndGainWith<Avx2>,
    estimateSamplePeaksWith<Avx2>,
    emitLimitedWith<Avx2>,
    256,
};
