#include "bench/BenchSignals.h"
#include "tools/signals/TestSignals.h"

#include <cmath>
#include <cstdint>

namespace benchsignals {

namespace {

constexpr double kPi = 3.14159265358979323846;

float uniform(signals::Random& random) {
    return static_cast<float>(random.next()) / 4294967296.0f * 2.0f - 1.0f;
}

} // namespace

Signal pinkNoise(int frames) {
    Signal s = silence(frames);
    signals::Random random(12345);
    float b[2][3] = {};
    for (int i = 0; i < frames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const float white = uniform(random);
            b[c][0] = 0.99765f * b[c][0] + white * 0.0990460f;
            b[c][1] = 0.96300f * b[c][1] + white * 0.2965164f;
            b[c][2] = 0.57000f * b[c][2] + white * 1.0526913f;
            const float pink = (b[c][0] + b[c][1] + b[c][2] + white * 0.1848f) * 0.25f * 0.25f;
            (c == 0 ? s.left : s.right)[i] = pink;
        }
    }
    return s;
}

Signal rectifiedSine(int rate, int frames, double hz, float rightPeak) {
    Signal s = silence(frames);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<float>(std::fabs(std::sin(2.0 * kPi * hz * i / rate)));
        s.left[i] = v;
        s.right[i] = rightPeak * v;
    }
    return s;
}

Signal silence(int frames) {
    return {std::vector<float>(frames), std::vector<float>(frames)};
}

} // namespace benchsignals
