// Stages of the limiter's pass that work on whole runs of frames rather than
// one frame at a time (the others are vector kernels, StageKernel.h): two
// stereo frames per SSE vector, with the operations of the frame-by-frame
// algorithm, so the bits are the same.
#pragma once

#include <cstdint>
#include <emmintrin.h>

// Sets both channels of `frames` interleaved frames to `value`.
void fillFrames(float* frames, int count, float value);

// The delay line: lookAhead >= 1 interleaved frames, read and written from
// `position` on, wrapping at its end. Each of the chunk's frames takes its
// delayed frame out into `delayed` and leaves its gained frame in its place.
void passThroughDelay(float* delay, std::int32_t lookAhead, std::int32_t position,
                      const float* gained, int frames, float* delayed);

// Both peak lines at the chunk's frames from `position` on, in both halves of
// each line, set to `level`: the peaks of a chunk whose channels rest.
void fillPeakLines(float* const (&lines)[2], std::int32_t lookAhead, std::int32_t position,
                   int frames, float level);

// The delayed frames at unity gain, times `ceiling`, into `out`, for a chunk
// whose channels rest. Returns `outPeak` raised by their magnitudes (lanes
// as for SimdKernels::emitLimited).
__m128 emitUnity(const float* delayed, int frames, float ceiling, float* out, __m128 outPeak);
