// The signals the limiter benchmarks run on; the microbenchmarks take 4 s of
// stereo at 44.1 kHz.
#pragma once

#include <vector>

namespace benchsignals {

inline constexpr int kRate = 44100;
inline constexpr int kFrames = kRate * 4;

struct Signal {
    std::vector<float> left, right;
};

// Pink noise from a three-pole filtered white noise, about -19 dBFS RMS.
Signal pinkNoise(int frames);
// A rectified sine of `hz` at `rate`, rising to 1 on the left and to
// `rightPeak` on the right: a slow one makes the envelope rise for tens of
// milliseconds, so the look-ahead scan runs on nearly every other frame.
Signal rectifiedSine(int rate, int frames, double hz, float rightPeak);
Signal silence(int frames);

inline Signal pinkNoise() {
    return pinkNoise(kFrames);
}
inline Signal slowLoud() {
    return rectifiedSine(kRate, kFrames, 7.0, 0.9f);
}
inline Signal silence() {
    return silence(kFrames);
}

} // namespace benchsignals
