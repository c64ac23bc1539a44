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

// The delay line: lookAhead >= 1 interleaved frames, read and written from
// `position` on, wrapping at its end. Each of the chunk's frames takes its
// delayed frame out into `delayed` and leaves its gained frame in its place.
void passThroughDelay(float* delay, std::int32_t lookAhead, std::int32_t position,
                      const float* gained, int frames, float* delayed);

// Both peak lines at the chunk's frames from `position` on, in both halves of
// each line, set to `level`: the peaks of a chunk whose channels rest.
void fillPeakLines(float* const (&lines)[2], std::int32_t lookAhead, std::int32_t position,
                   int frames, float level);

// The limited chunk: each delayed frame times its channels' gains (threshold
// / envelope, with `link` the smaller of the two), times `ceiling`, into
// `out`. Returns `outPeak` (lanes 0 and 1) raised by the limited magnitudes,
// before the ceiling.
__m128 emitLimited(const float* delayed, const float* envelopes, int frames, float threshold,
                   bool link, float ceiling, float* out, __m128 outPeak);

// The same at unity gain, for a chunk whose channels rest.
__m128 emitUnity(const float* delayed, int frames, float ceiling, float* out, __m128 outPeak);
