// The stages of the limiter's pass that work on whole runs of frames rather
// than one frame at a time: two stereo frames per SSE vector, with the
// operations of the frame-by-frame algorithm, so the bits are the same.
#pragma once

#include <cstdint>
#include <emmintrin.h>

// Clips each sample of `frames` interleaved frames to +-1 (a NaN or an
// infinity counts as silence), writes it times `gain` to `gained`, and
// returns `inPeak` (lanes 0 and 1) raised by the clipped magnitudes.
__m128 clipAndGain(const float* in, int frames, float gain, float* gained, __m128 inPeak);

// Each gained sample's magnitude, but at least `floor`: the estimates when
// inter-sample peaks are not estimated.
void estimateSamplePeaks(const float* gained, int frames, float floor, float* estimates);

// Sets both channels of `frames` interleaved frames to `value`.
void fillFrames(float* frames, int count, float value);

// The lines of a limiter whose channels rest: the delay line of lookAhead
// interleaved frames and the two doubled peak lines.
struct RestingLines {
    float* delay;
    float* peaks[2];
    std::int32_t lookAhead;
};

// A chunk through resting lines: from `position` on, each frame's delayed
// samples leave at unity gain times `ceiling` into `out`, the gained frame
// takes their place and its peaks are `level`. Advances `position` and
// returns `outPeak` (lanes 0 and 1) raised by the limited magnitudes.
__m128 passResting(const RestingLines& lines, std::int32_t& position, const float* gained,
                   int frames, float level, float ceiling, float* out, __m128 outPeak);
