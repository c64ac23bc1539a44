#include "tools/demo/MusicSignal.h"

#include "tools/signals/TestSignals.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kBeatsPerMinute = 120.0;
constexpr int kStepsPerBeat = 4; // sixteenth notes
constexpr int kStepsPerBar = 16;
constexpr std::uint32_t kSeed = 20261208;

// Root notes of the four bars that repeat (A minor, F, C, G), as MIDI notes.
constexpr int kRoots[] = {45, 41, 48, 43};
// Chord tones above the root: minor for the first bar, major after.
constexpr int kMinorChord[] = {0, 3, 7, 12};
constexpr int kMajorChord[] = {0, 4, 7, 12};
// The plucked line: chord-tone indexes per sixteenth, -1 for a rest.
constexpr int kPluckPattern[kStepsPerBar] = {0, -1, 2, 1, 3, -1, 2, -1, 1, 2, -1, 3, 2, -1, 1, 0};

constexpr int kConcertA = 69;
constexpr double kConcertPitch = 440.0;

double frequencyOf(int note) {
    return kConcertPitch * std::pow(2.0, (note - kConcertA) / 12.0);
}

struct Stereo {
    double left = 0.0, right = 0.0;
    void add(double value, double pan) { // pan -1 (left) .. +1 (right)
        left += value * (1.0 - pan) * 0.5;
        right += value * (1.0 + pan) * 0.5;
    }
};

// One voice of each instrument, started at a step and rendered sample by sample.
struct Drums {
    // Kick: a falling sine; snare: noise and a tone; hat: bright noise.
    static double kick(double t) {
        const double phase = kTwoPi * (45.0 * t + 90.0 * (1.0 - std::exp(-t * 30.0)) / 30.0);
        return std::sin(phase) * std::exp(-t * 9.0);
    }
    static double snare(double t, double noise) {
        return (noise * std::exp(-t * 22.0) +
                0.6 * std::sin(kTwoPi * 190.0 * t) * std::exp(-t * 30.0));
    }
    static double hat(double t, double brightNoise) { return brightNoise * std::exp(-t * 90.0); }
};

double saw(double phase) {
    return 2.0 * (phase - std::floor(phase)) - 1.0;
}

} // namespace

std::vector<float> musicExcerpt(int rate, double seconds, float peak) {
    const auto frames = static_cast<std::size_t>(seconds * rate);
    const double stepSeconds = 60.0 / kBeatsPerMinute / kStepsPerBeat;
    const auto stepFrames = static_cast<std::size_t>(stepSeconds * rate);
    signals::Random random(kSeed);
    std::vector<double> left(frames), right(frames);
    // Noise is band-limited as a recording would be: dark for the snare, a
    // band for the hats.
    double snareNoise = 0.0, hatLow = 0.0, hatLower = 0.0;
    double bassLow = 0.0, padLowLeft = 0.0, padLowRight = 0.0;
    const double smoothing = 1.0 - std::exp(-kTwoPi * 600.0 / rate);
    const double snareSmoothing = 1.0 - std::exp(-kTwoPi * 4000.0 / rate);
    const double hatTop = 1.0 - std::exp(-kTwoPi * 11000.0 / rate);
    const double hatBottom = 1.0 - std::exp(-kTwoPi * 6000.0 / rate);

    for (std::size_t i = 0; i < frames; ++i) {
        const std::size_t step = i / stepFrames;
        const double t = static_cast<double>(i % stepFrames) / rate; // time since the step began
        const int inBar = static_cast<int>(step % kStepsPerBar);
        const std::size_t bar = step / kStepsPerBar;
        const int root = kRoots[bar % std::size(kRoots)];
        const int* chord = bar % std::size(kRoots) == 0 ? kMinorChord : kMajorChord;
        const double time = static_cast<double>(i) / rate;
        Stereo mix;

        // Drums: kick on 1 and 3 (and a pickup before bar ends), snare on 2 and 4, hats on eighths.
        const double beatT = static_cast<double>(i % (kStepsPerBeat * stepFrames)) / rate;
        const int beat = inBar / kStepsPerBeat;
        const double noise = random.bipolar();
        snareNoise += snareSmoothing * (noise - snareNoise);
        hatLow += hatTop * (noise - hatLow);
        hatLower += hatBottom * (hatLow - hatLower);
        const double bright = 2.0 * (hatLow - hatLower);
        if (beat == 0 || beat == 2) mix.add(0.9 * Drums::kick(beatT), 0.0);
        if (inBar >= 14)
            mix.add(0.7 * Drums::kick(static_cast<double>(i % (2 * stepFrames)) / rate), 0.0);
        if (beat == 1 || beat == 3) mix.add(0.55 * Drums::snare(beatT, 2.0 * snareNoise), 0.15);
        const double eighthT = static_cast<double>(i % (2 * stepFrames)) / rate;
        mix.add(0.12 * Drums::hat(eighthT, bright), 0.6);

        // Bass: the root an octave down, a soft saw.
        bassLow += smoothing * (saw(frequencyOf(root - 12) * time) - bassLow);
        mix.add(0.35 * bassLow, -0.1);

        // Chords: detuned saws, one set per side.
        double padLeft = 0.0, padRight = 0.0;
        for (int k = 0; k < 3; ++k) {
            const double f = frequencyOf(root + 12 + chord[k]);
            padLeft += saw(f * 1.003 * time);
            padRight += saw(f * 0.997 * time + 0.25);
        }
        padLowLeft += smoothing * (padLeft - padLowLeft);
        padLowRight += smoothing * (padRight - padLowRight);
        mix.left += 0.05 * padLowLeft;
        mix.right += 0.05 * padLowRight;

        // The plucked line on sixteenths, two octaves up.
        if (kPluckPattern[inBar] >= 0) {
            const double f = frequencyOf(root + 24 + chord[kPluckPattern[inBar]]);
            mix.add(0.18 * std::sin(kTwoPi * f * t) * std::exp(-t * 14.0), -0.5);
        }
        left[i] = mix.left;
        right[i] = mix.right;
    }

    double loudest = 0.0;
    for (std::size_t i = 0; i < frames; ++i)
        loudest = std::max({loudest, std::fabs(left[i]), std::fabs(right[i])});
    const double scale = loudest > 0.0 ? peak / loudest : 0.0;
    std::vector<float> out(2 * frames);
    for (std::size_t i = 0; i < frames; ++i) {
        out[2 * i] = static_cast<float>(left[i] * scale);
        out[2 * i + 1] = static_cast<float>(right[i] * scale);
    }
    return out;
}
