// Inter-sample peak estimate: a natural cubic spline through the last five
// gained samples of a channel, sampled at seven points between the samples one
// and two frames old. The frames of both channels are estimated in vector
// lanes, with every operation in the order and precision of the scalar
// formulas, so the results are those of a sample-by-sample loop
// (SplineKernel.h, one instance per instruction set).
#pragma once

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
