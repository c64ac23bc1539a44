// The limiter's shortcuts (chunks at rest, settled scans) against the literal
// arithmetic, on material made to reach them and to sit at their edges: quiet
// stretches between bursts, slow rectified sines, plateaus and equal peaks.
#include "tests/support/FloatBits.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/MaximizerCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>
#include <xmmintrin.h>

namespace {

struct Settings {
    float gain, ceiling, release, stereo, isp;
};

// Runs the core and the reference over `input` in chunks of random length;
// every output bit and the meters must agree.
void expectLiteralBits(const std::vector<float>& input, int rate, const Settings& s,
                       std::uint32_t seed) {
    _mm_setcsr(_mm_getcsr() | 0x8800); // as the processing frame runs
    signals::Random random(seed);
    MaximizerCore core;
    reference::Maximizer ref;
    core.setSampleRate(rate);
    ref.setSampleRate(rate);
    ref.setParameters(s.gain, s.ceiling, s.release, s.stereo, s.isp);
    core.setGain(ref.gain);
    core.setReleaseFrames(ref.releaseFrames);
    core.setSwitches(ref.ispOn != 0, ref.linkOn != 0);
    std::vector<float> out(input.size());
    const std::size_t frames = input.size() / 2;
    for (std::size_t frame = 0; frame < frames;) {
        const std::size_t count = std::min<std::size_t>(1 + random.below(600), frames - frame);
        core.process(&input[2 * frame], &out[2 * frame], static_cast<int>(count), ref.ceiling);
        for (std::size_t i = frame; i < frame + count; ++i) {
            float expected[2] = {input[2 * i], input[2 * i + 1]};
            ref.process(expected);
            ASSERT_EQ(bitsOf(out[2 * i]), bitsOf(expected[0])) << "rate " << rate << " frame " << i;
            ASSERT_EQ(bitsOf(out[2 * i + 1]), bitsOf(expected[1]))
                << "rate " << rate << " frame " << i;
        }
        frame += count;
    }
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(bitsOf(core.meters().inputPeak[c]), bitsOf(ref.inputPeak[c]));
        EXPECT_EQ(bitsOf(core.meters().outputPeak[c]), bitsOf(ref.outputPeak[c]));
        EXPECT_EQ(bitsOf(core.meters().channelGain[c]), bitsOf(ref.channelGain[c]));
    }
}

constexpr int kRates[] = {22050, 44100, 48000, 96000};
constexpr double kPi = 3.141592653589793;

// Quiet material (silence, tiny noise, a sine below the threshold) for
// seconds at a time, broken by short loud bursts and single impulses.
std::vector<float> quietWithBursts(int frames, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames), 0.0f);
    for (int i = 0; i < frames;) {
        const int kind = random.below(5);
        const int length = kind == 4 ? 1 + random.below(40) : 500 + random.below(20000);
        const float level = kind == 4 ? 0.5f + random.bipolar() * 0.5f : 0.3f;
        for (int k = 0; k < length && i < frames; ++k, ++i) {
            float l = 0.0f, r = 0.0f;
            if (kind == 1) {
                l = 1e-6f * random.bipolar();
                r = -l;
            } else if (kind == 2) {
                l = level * static_cast<float>(std::sin(0.01 * i));
                r = 0.5f * l;
            } else if (kind == 4) {
                l = level * random.bipolar();
                r = random.below(2) ? l : 0.0f;
            }
            out[2 * i] = l;
            out[2 * i + 1] = r;
        }
    }
    return out;
}

// Rectified slow sines, some clipped into plateaus, some with both channels
// equal and some with a step of silence, at frequencies of a few hertz.
std::vector<float> slowSwells(int frames, int rate, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    double phase = 0.0;
    for (int i = 0; i < frames;) {
        const double hertz = 2.0 + 20.0 * (random.bipolar() + 1.0);
        const float level = 0.1f + 1.4f * (random.bipolar() + 1.0f) * 0.5f;
        const int length = rate / 4 + random.below(rate);
        const int kind = random.below(4);
        for (int k = 0; k < length && i < frames; ++k, ++i) {
            phase += 2.0 * kPi * hertz / rate;
            const auto v = static_cast<float>(level * std::fabs(std::sin(phase)));
            out[2 * i] = v;
            out[2 * i + 1] = kind == 0   ? v
                             : kind == 1 ? 0.9f * v
                             : kind == 2 ? std::min(v, 0.5f)
                                         : 0.0f;
        }
    }
    return out;
}

// Staircases of equal peaks, repeated values and exact ramps: every rise of
// a scan ties with another or lies on one line.
std::vector<float> tiesAndPlateaus(int frames, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    for (int i = 0; i < frames;) {
        const int kind = random.below(4);
        const int length = 50 + random.below(3000);
        const int period = 1 + random.below(64);
        const float level = 0.25f * static_cast<float>(1 + random.below(4));
        for (int k = 0; k < length && i < frames; ++k, ++i) {
            float v = 0.0f;
            if (kind == 0)
                v = (k % period == 0) ? level : 0.0f;
            else if (kind == 1)
                v = level * static_cast<float>(k / period % 4) * 0.25f;
            else if (kind == 2)
                v = std::min(1.0f, static_cast<float>(k % 512) * (1.0f / 512.0f));
            else
                v = level;
            out[2 * i] = v;
            out[2 * i + 1] = kind == 3 ? -v : v;
        }
    }
    return out;
}

// Slow rectified sines whose falls the envelope follows peak by peak, broken
// by single samples far above the swell: each enters at the newest end and
// takes the slope over while the window behind it is still one smooth fall.
std::vector<float> fallsWithSpikes(int frames, int rate, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    const double hertz = 3.0 + 4.0 * (random.bipolar() + 1.0);
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<float>(0.4 * std::fabs(std::sin(2.0 * kPi * hertz * i / rate)));
        const bool spike = random.below(rate / 20) == 0;
        out[2 * i] = spike ? 0.4f + 0.6f * (random.bipolar() + 1.0f) * 0.5f : v;
        out[2 * i + 1] = spike && random.below(2) ? out[2 * i] : 0.95f * v;
    }
    return out;
}

} // namespace

TEST(LimiterShortcuts, SpikesTakeOverFromAFollowedFall) {
    std::uint32_t seed = 300;
    for (int rate : kRates)
        for (const Settings& s :
             {Settings{1.0f, 1.0f, 0.5f, 1.0f, 0.0f}, Settings{0.9f, 0.9f, 0.2f, 0.0f, 1.0f}}) {
            expectLiteralBits(fallsWithSpikes(rate * 2, rate, seed), rate, s, seed);
            ++seed;
        }
}

TEST(LimiterShortcuts, QuietStretchesBetweenBurstsGiveTheLiteralBits) {
    std::uint32_t seed = 1;
    for (int rate : kRates)
        for (const Settings& s :
             {Settings{0.0f, 1.0f, 0.3f, 1.0f, 0.0f}, Settings{0.5f, 0.9f, 0.0f, 0.0f, 1.0f},
              Settings{0.2f, 0.5f, 1.0f, 1.0f, 1.0f}}) {
            expectLiteralBits(quietWithBursts(rate * 4, seed), rate, s, seed);
            ++seed;
        }
}

TEST(LimiterShortcuts, SlowSwellsGiveTheLiteralBits) {
    std::uint32_t seed = 100;
    for (int rate : kRates)
        for (const Settings& s :
             {Settings{1.0f, 0.9f, 0.5f, 1.0f, 0.0f}, Settings{0.7f, 1.0f, 0.1f, 0.0f, 1.0f},
              Settings{0.4f, 0.8f, 1.0f, 1.0f, 1.0f}}) {
            expectLiteralBits(slowSwells(rate * 3, rate, seed), rate, s, seed);
            ++seed;
        }
}

TEST(LimiterShortcuts, TiesAndPlateausGiveTheLiteralBits) {
    std::uint32_t seed = 200;
    for (int rate : kRates)
        for (const Settings& s :
             {Settings{0.8f, 1.0f, 0.2f, 1.0f, 0.0f}, Settings{0.3f, 0.7f, 0.6f, 0.0f, 1.0f}}) {
            expectLiteralBits(tiesAndPlateaus(rate * 3, seed), rate, s, seed);
            ++seed;
        }
}
