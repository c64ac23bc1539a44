// The limiter's vector kernels for each instruction set the processor may
// offer (SimdLevel.h). Internal to the limiter, whose frame loop holds the
// peaks of both channels in SSE lanes.
#pragma once

#include "dsp/SimdLevel.h"

#include <cstdint>
#include <xmmintrin.h>

// Near scans cover whole vectors of every width.
inline constexpr std::int32_t kNearGrain = 16;

struct SimdKernels {
    // peaks[1 .. lookAhead - 1] are the coming peaks, readable up to
    // kScanSlack floats further; `target` enters as the release slope and
    // leaves as the steepest rise; reciprocals[j] is 1/j, readable as far as
    // the peaks. Returns the distance of the peak that set it (the nearest of
    // equal rises), or 0 when none needs a rise steeper than the release slope.
    std::int32_t (*scanForSteepestRise)(const float* peaks, const float* reciprocals,
                                        std::int32_t lookAhead, float envelope, float& target);
    // The same over peaks[1 .. near] alone, near a multiple of kNearGrain.
    std::int32_t (*scanNearForSteepestRise)(const float* peaks, const float* reciprocals,
                                            std::int32_t near, float envelope, float& target);
    // Both channels at once: the same results as two near scans.
    void (*scanNearForSteepestRises)(const float* const (&peaks)[2], const float* reciprocals,
                                     std::int32_t near, const float (&envelope)[2],
                                     float (&target)[2], std::int32_t (&steepest)[2]);
    // For four scans, the k-th reading its coming peaks from peaks[k] on,
    // against the envelopes in lanes k: the largest product of a rise and
    // its reciprocal over the distances first .. last, and up to a vector
    // of any width beyond them (readable as far as last + kNearGrain).
    __m128 (*largestNearEstimates)(const float* const (&peaks)[4], const float* reciprocals,
                                   std::int32_t first, std::int32_t last, __m128 envelope);
    // The largest of peaks[j] - slope * j over j = first .. last - 1.
    double (*highestOverLine)(const float* peaks, std::int32_t first, std::int32_t last,
                              double slope);
    // Both channels at once: the same results as two single scans.
    void (*scanForSteepestRises)(const float* const (&peaks)[2], const float* reciprocals,
                                 std::int32_t lookAhead, const float (&envelope)[2],
                                 float (&target)[2], std::int32_t (&steepest)[2]);
    // The inter-sample peak estimate (IspSpline.h). gained: interleaved
    // stereo frames, preceded by kSplineHistoryFrames frames of history and
    // followed by one spare frame that may be read. Writes, for each of the
    // `frames` frames and both channels, the larger of the sample's magnitude
    // and the largest magnitude of the spline between the two previous
    // samples, but at least `floor`; the spare frame after them may be
    // written too.
    void (*estimateInterSamplePeaks)(const float* gained, int frames, float floor,
                                     float* estimates);
    // Clips each sample of `frames` interleaved frames to +-1 (a NaN or an
    // infinity counts as silence), writes it times `gain` to `gained`, and
    // returns `inPeak` raised by the clipped magnitudes. Peaks are channel 0
    // and 1 in lanes 0 and 1 of an SSE vector; lanes 2 and 3 enter as 0 and
    // leave undefined.
    __m128 (*clipAndGain)(const float* in, int frames, float gain, float* gained, __m128 inPeak);
    // Each gained sample's magnitude, but at least `floor`: the estimates
    // when inter-sample peaks are not estimated.
    void (*estimateSamplePeaks)(const float* gained, int frames, float floor, float* estimates);
    // The limited chunk: each delayed frame times its channels' gains
    // (threshold / envelope, with `link` the smaller of the two), times
    // `ceiling`, into `out`. Returns `outPeak` (lanes as above) raised by the
    // limited magnitudes, before the ceiling.
    __m128 (*emitLimited)(const float* delayed, const float* envelopes, int frames, float threshold,
                          bool link, float ceiling, float* out, __m128 outPeak);
    // The shortest look-ahead whose frequent scans cost less from the hull of
    // the coming peaks (PeakHull.h) than from scanForSteepestRise.
    std::int32_t shortestHullWindow;
};

// The kernels of `level`, which must not be above supportedSimdLevel().
const SimdKernels& simdKernels(SimdLevel level);
