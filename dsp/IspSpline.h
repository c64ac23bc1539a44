// Inter-sample peak estimate: a natural cubic spline through the last five
// gained samples of a channel, sampled at seven points between the samples one
// and two frames old. The frames of both channels are estimated in vector
// lanes, with every operation in the order and precision of the scalar
// formulas, so the results are those of a sample-by-sample loop
// (SplineKernel.h, one instance per instruction set).
#pragma once

#include "dsp/SimdKernels.h"

// History of one channel: the last five gained samples, newest first.
struct IspSpline {
    float a[5] = {};
};

// Frames of history a chunk's estimate reads before its first frame.
inline constexpr int kSplineHistoryFrames = 4;

// At the seven points the spline's magnitude is at most 1.3884 times the
// largest magnitude of the five samples (the largest sum of the magnitudes of
// the weights the formulas give them, at the middle point), plus far less
// than a part in a thousand of rounding. So when every sample lies below
// kQuietShare of the floor, every estimate is the floor.
inline constexpr float kQuietShare = 0.7f;

// gained: interleaved stereo frames, preceded by kSplineHistoryFrames frames of
// history and followed by one spare frame that may be read. Writes, for each of
// the `frames` frames and both channels, the larger of the sample's magnitude
// and the largest magnitude of the spline between the two previous samples,
// but at least `floor`; the spare frame after them may be written too. On the
// vectors this machine is best run with.
inline void estimateInterSamplePeaks(const float* gained, int frames, float floor,
                                     float* estimates) {
    simdKernels(preferredSimdLevel()).estimateInterSamplePeaks(gained, frames, floor, estimates);
}
