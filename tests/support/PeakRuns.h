// Runs of coming peaks and the windows and envelopes that the tests of the
// look-ahead scan's shortcuts slide over them.
#pragma once

#include "tools/signals/TestSignals.h"

#include <cmath>
#include <cstdint>
#include <vector>

namespace peakruns {

constexpr float kThreshold = 0.999f;
// The release length, in frames, of the release slopes that scans start from.
constexpr float kRelease = 441.0f;

// The window of frame `now`: peak j was written at now - lookAhead + j.
inline void fillWindow(std::vector<float>& window, const std::vector<float>& run, int now,
                       std::int32_t lookAhead) {
    for (std::int32_t j = 1; j < lookAhead; ++j)
        window[j] = run[static_cast<std::size_t>(now - lookAhead + j)];
}

// Peaks, one a frame, in runs of random kinds: exact lines, random walks,
// jumps, a smooth swell, sudden steps by factors of four and plateaus; every
// value at least the threshold, as the limiter floors its estimates.
inline std::vector<float> peakRun(int frames, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out;
    float value = 2.0f;
    while (static_cast<int>(out.size()) < frames) {
        const int kind = random.below(6);
        const int length = 1 + random.below(300);
        // Steps that are whole multiples of 2^-12 add up exactly: collinear runs.
        const float step = std::ldexp(static_cast<float>(random.below(33) - 16), -12);
        for (int k = 0; k < length; ++k) {
            if (kind == 0) value += step;                     // exact line
            if (kind == 1) value += 0.01f * random.bipolar(); // random walk
            if (kind == 2 && k == 0) value = 1.0f + 40.0f * (random.bipolar() + 1.0f) * 0.5f;
            if (kind == 3)
                value = 1.0f + 20.0f * std::fabs(std::sin(0.002f * static_cast<float>(k)));
            if (kind == 4 && random.below(40) == 0) value *= random.below(2) ? 4.0f : 0.25f;
            // kind 5: a plateau
            value = std::fmin(std::fmax(value, kThreshold), 44.0f);
            out.push_back(value);
        }
    }
    out.resize(static_cast<std::size_t>(frames));
    return out;
}

// The envelope a scan starts from: on the peak that just left, on the line
// through the next two peaks, a little off it, or far above or below the
// window (where rises are not exact).
inline float envelopeFor(const std::vector<float>& run, int leaving, signals::Random& random) {
    const float left = run[static_cast<std::size_t>(leaving)];
    const float next = run[static_cast<std::size_t>(leaving) + 1];
    const float after = run[static_cast<std::size_t>(leaving) + 2];
    float e = left;
    switch (random.below(6)) {
    case 1:
        e = next - (after - next);
        break;
    case 2:
        e = left * (1.0f + 1e-4f * random.bipolar());
        break;
    case 3:
        e = left * 3.0f;
        break;
    case 4:
        e = left * 0.3f;
        break;
    case 5:
        e = std::nextafter(left, 0.0f);
        break;
    default:
        break;
    }
    return std::fmax(e, kThreshold);
}

// The estimates of a rectified sine at -6 dBFS raised by 30 dB, as the
// limiter makes them from the samples.
inline std::vector<float> swellRun(int frames, double hertz, double rate) {
    constexpr double kPi = 3.141592653589793;
    std::vector<float> out;
    for (int i = 0; i < frames; ++i) {
        const auto x = static_cast<float>(0.5 * std::fabs(std::sin(2.0 * kPi * hertz * i / rate)));
        out.push_back(std::fmax(std::fabs(x * 31.622776f), kThreshold));
    }
    return out;
}

} // namespace peakruns
