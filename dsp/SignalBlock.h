// One chunk of interleaved stereo audio: frame i holds channel 0 at 2i and
// channel 1 at 2i + 1. No chunk is longer than kMaxChunkFrames.
#pragma once

#include <cstdint>

// The one pass size: the processing frame's longest chunk, and the frames
// the limiter and its helpers work through at once.
constexpr int kMaxChunkFrames = 256;

class SignalBlock {
public:
    // The heap of 32-bit Windows only promises 8-byte alignment, so the frames
    // start at the first 16-byte boundary inside a slightly larger storage.
    SignalBlock()
        : frames(reinterpret_cast<float*>(
              (reinterpret_cast<std::uintptr_t>(storage) + kAlignment - 1) &
              ~static_cast<std::uintptr_t>(kAlignment - 1))) {
        clear();
    }
    SignalBlock(const SignalBlock&) = delete;
    SignalBlock& operator=(const SignalBlock&) = delete;

    void clear() {
        for (int i = 0; i < 2 * kMaxChunkFrames; ++i)
            frames[i] = 0.0f;
    }

    static constexpr int kAlignment = 16;

private:
    unsigned char storage[2 * kMaxChunkFrames * sizeof(float) + 64];

public:
    float* const frames; // 2 * kMaxChunkFrames floats, 16-byte aligned
};
