// The signals the limiter benchmarks run on: 4 s of stereo at 44.1 kHz.
#pragma once

#include <vector>

namespace benchsignals {

inline constexpr int kRate = 44100;
inline constexpr int kFrames = kRate * 4;

struct Signal {
    std::vector<float> left, right;
};

// Pink noise from a three-pole filtered white noise, about -12 dBFS.
Signal pinkNoise();
// A rectified 7 Hz sine at 0 dBFS (0.9 on the right): the envelope rises
// slowly for tens of milliseconds, so the look-ahead scan runs on nearly
// every other frame.
Signal slowLoud();
Signal silence();

} // namespace benchsignals
