// The kernels for every x86 processor: SSE2, four lanes.
#include "dsp/ScanKernel.h"
#include "dsp/SimdKernels.h"
#include "dsp/SplineKernel.h"
#include "dsp/StageKernel.h"

extern const SimdKernels kSse2Kernels = {
    scanForSteepestRiseWith<Sse2>,
    scanNearWith<Sse2>,
    scanNearPairWith<Sse2>,
    largestNearEstimatesWith<Sse2>,
    highestOverLineWith<Sse2>,
    scanForSteepestRisesWith<Sse2>,
    estimateInterSamplePeaksWith<Sse2>,
    clipAndGainWith<Sse2>,
    estimateSamplePeaksWith<Sse2>,
    emitLimitedWith<Sse2>,
    128,
};
