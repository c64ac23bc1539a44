// The kernels for AVX-512 (its foundation only), sixteen lanes. This file
// alone is compiled for AVX-512; it runs only where supportedSimdLevel()
// allows.
#include "dsp/ScanKernel.h"
#include "dsp/SimdKernels.h"
#include "dsp/SplineKernel.h"

#include <immintrin.h>

namespace {

struct Avx512 {
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
    // All lanes kept: the plain form leaves GCC 12 warning of its undefined source.
    static Vec max(Vec a, Vec b) { return _mm512_maskz_max_ps(0xffff, a, b); }
    static Vec abs(Vec v) { return _mm512_abs_ps(v); }
    static unsigned greater(Vec a, Vec b) { return _mm512_cmp_ps_mask(a, b, _CMP_GT_OQ); }
};

} // namespace

extern const SimdKernels kAvx512Kernels = {scanForSteepestRiseWith<Avx512>,
                                           scanForSteepestRisesWith<Avx512>,
                                           estimateInterSamplePeaksWith<Avx512>};
