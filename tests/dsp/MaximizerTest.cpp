// The limiter core: its peak estimate, its envelope and its exactness against
// the literal reference arithmetic.
#include "tests/support/AllocationCounter.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/MaximizerCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>
#include <cstring>
#include <xmmintrin.h>

namespace {

constexpr float kThreshold = 0.999f;

std::uint32_t bits(float value) {
    std::uint32_t b;
    std::memcpy(&b, &value, sizeof(b));
    return b;
}

// The processing frame runs with flush-to-zero; so must every comparison.
void flushDenormals() { _mm_setcsr(_mm_getcsr() | 0x8800); }

// Estimates of a sequence of frames (channel 0, channel 1 interleaved),
// starting from silence, in calls of `step` frames.
std::vector<float> estimates(const std::vector<float>& frames, int step) {
    const int count = static_cast<int>(frames.size() / 2);
    std::vector<float> gained(2 * (kSplineHistoryFrames + count + 1), 0.0f);
    std::copy(frames.begin(), frames.end(), gained.begin() + 2 * kSplineHistoryFrames);
    std::vector<float> out(2 * (count + 1));
    for (int first = 0; first < count; first += step) {
        const int n = std::min(step, count - first);
        // Each call sees only its own frames and the history before them.
        std::vector<float> chunk(gained.begin() + 2 * first,
                                 gained.begin() + 2 * (first + kSplineHistoryFrames + n));
        chunk.push_back(0.0f);
        chunk.push_back(0.0f);
        std::vector<float> part(2 * (n + 1));
        estimateInterSamplePeaks(chunk.data() + 2 * kSplineHistoryFrames, n, 0.0f, part.data());
        std::copy(part.begin(), part.begin() + 2 * n, out.begin() + 2 * first);
    }
    out.resize(2 * count);
    return out;
}

TEST(InterSamplePeak, ImpulseGivesTheSplineOvershoot) {
    std::vector<float> frames(18, 0.0f);
    frames[8] = 1.0f;
    const float expected[] = {0, 0, 0, 0, 1.0f, 0.9468f, 0.9688f, 0.1287f, 0.0214f};
    for (int step : {1, 2, 3, 9}) {
        const std::vector<float> found = estimates(frames, step);
        for (int i = 0; i < 9; ++i) EXPECT_NEAR(found[2 * i], expected[i], 5e-5) << i;
    }
}

TEST(InterSamplePeak, QuarterRateSineAtFortyFiveDegrees) {
    const float a = 0.70710677f;
    const float pattern[] = {a, a, -a, -a};
    std::vector<float> frames;
    for (int i = 0; i < 40; ++i) frames.insert(frames.end(), {pattern[i % 4], pattern[i % 4]});
    const std::vector<float> found = estimates(frames, 5);
    for (int i = 4; i < 40; ++i) {
        const bool sameSign = (pattern[(i - 1) % 4] > 0) == (pattern[(i - 2) % 4] > 0);
        EXPECT_NEAR(found[2 * i], sameSign ? 0.9533f : 0.7071f, 5e-5) << "frame " << i;
    }
}

TEST(InterSamplePeak, EveryLaneMatchesTheScalarFormulas) {
    reference::Spline left, right;
    signals::Random random(7);
    std::vector<float> frames;
    for (int i = 0; i < 20000; ++i) frames.insert(frames.end(), {3.0f * random.bipolar(), random.bipolar()});
    for (int step : {1, 7, 256}) {
        const std::vector<float> found = estimates(frames, step);
        reference::Spline l, r;
        for (int i = 0; i < 20000; ++i) {
            ASSERT_EQ(bits(found[2 * i]), bits(l.estimate(frames[2 * i]))) << i;
            ASSERT_EQ(bits(found[2 * i + 1]), bits(r.estimate(frames[2 * i + 1]))) << i;
        }
    }
}

// Core and reference side by side through the same schedule of parameter
// changes, resets and rate changes; every output sample must have the same bits.
TEST(Maximizer, EveryOutputBitEqualsTheLiteralArithmetic) {
    flushDenormals();
    signals::Random random(2024);
    for (std::uint32_t run = 0; run < 12; ++run) {
        MaximizerCore core;
        reference::Maximizer ref;
        const std::vector<float> input = signals::varied(60000, 100 + run);
        std::vector<float> out(input.size());
        std::size_t frame = 0;
        while (frame < input.size() / 2) {
            if (random.below(8) == 0) {
                const float g = (random.bipolar() + 1) * 0.5f, c = (random.bipolar() + 1) * 0.5f;
                const float r = (random.bipolar() + 1) * 0.5f;
                const float st = random.below(2) ? 1.0f : 0.0f, isp = random.below(3) ? 1.0f : 0.0f;
                ref.setParameters(g, c, r, st, isp);
                core.setGain(ref.gain);
                core.setReleaseFrames(ref.releaseFrames);
                core.setSwitches(ref.ispOn != 0, ref.linkOn != 0);
            }
            if (random.below(40) == 0) {
                core.reset();
                ref.reset();
            }
            if (run % 4 == 3 && random.below(60) == 0) {
                const int rate = random.below(2) ? 48000 : 96000;
                core.setSampleRate(rate);
                ref.setSampleRate(rate);
                core.setReleaseFrames(ref.releaseFrames);
            }
            const int n = 1 + random.below(256);
            const std::size_t count = std::min<std::size_t>(n, input.size() / 2 - frame);
            core.process(&input[2 * frame], &out[2 * frame], static_cast<int>(count), ref.ceiling);
            for (std::size_t i = frame; i < frame + count; ++i) {
                float expected[2] = {input[2 * i], input[2 * i + 1]};
                ref.process(expected);
                ASSERT_EQ(bits(out[2 * i]), bits(expected[0])) << "run " << run << " frame " << i;
                ASSERT_EQ(bits(out[2 * i + 1]), bits(expected[1])) << "run " << run << " frame " << i;
            }
            frame += count;
        }
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(bits(core.meters().inputPeak[c]), bits(ref.inputPeak[c]));
            EXPECT_EQ(bits(core.meters().outputPeak[c]), bits(ref.outputPeak[c]));
            EXPECT_EQ(bits(core.meters().channelGain[c]), bits(ref.channelGain[c]));
        }
    }
}

TEST(Maximizer, ConstructionSizesForFortyFourPointOneKilohertz) {
    MaximizerCore core;
    EXPECT_EQ(core.sampleRate(), 44100);
    EXPECT_EQ(core.lookAheadFrames(), 220);
    EXPECT_EQ(core.releaseLength(), 308);
    EXPECT_EQ(core.linearGain(), 1.0f);
    EXPECT_TRUE(core.ispEnabled());
    EXPECT_TRUE(core.linkEnabled());
}

TEST(Maximizer, RateChangeGivesTheFullLookAheadAndSevenMillisecondRelease) {
    MaximizerCore core;
    core.setSampleRate(48000);
    EXPECT_EQ(core.lookAheadFrames(), 768);
    EXPECT_EQ(core.releaseLength(), 336);
    core.setSampleRate(44100);
    EXPECT_EQ(core.lookAheadFrames(), 705);
}

TEST(Maximizer, SingleImpulseMeetsTheThresholdWhenItLeaves) {
    flushDenormals();
    MaximizerCore core;
    core.setSwitches(false, false);
    constexpr int kFrames = 6000;
    std::vector<float> frames(2 * kFrames, 0.0f);
    frames[0] = 1.0f;
    std::vector<float> gains;
    for (int i = 0; i < kFrames; ++i) {
        core.process(&frames[2 * i], &frames[2 * i], 1, 1.0f);
        gains.push_back(core.meters().channelGain[0]);
    }
    for (int i = 0; i < kFrames; ++i) {
        if (i != 220) {
            EXPECT_EQ(frames[2 * i], 0.0f) << i;
        }
    }
    EXPECT_EQ(frames[2 * 220 + 1], 0.0f);
    // The envelope rose from the threshold in 220 equal steps to 1.0; the
    // additions' rounding leaves the sample a few parts in a million high.
    EXPECT_GT(frames[440], 0.999f);
    EXPECT_LT(frames[440], 0.999f * (1.0f + 4e-6f));
    EXPECT_EQ(gains[0], 1.0f);
    EXPECT_NEAR(gains[220], 0.999f, 4e-6f);
    // Then it overshoots a little while the slope eases toward the release,
    // and falls back toward the threshold until a step is too small to move
    // the envelope any further (a few parts in a million above it).
    const float lowest = *std::min_element(gains.begin(), gains.end());
    EXPECT_LT(lowest, gains[220]);
    EXPECT_GT(lowest, 0.999f / 1.0002f);
    EXPECT_NEAR(gains.back(), 1.0f, 1e-5f);
}

TEST(Maximizer, SilenceStaysSilentAtUnityGain) {
    MaximizerCore core;
    std::vector<float> frames(2 * 1000, 0.0f);
    core.process(frames.data(), frames.data(), 1000, 1.0f);
    for (float f : frames) EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(core.meters().channelGain[0], 1.0f);
    EXPECT_EQ(core.meters().channelGain[1], 1.0f);
}

TEST(Maximizer, NonFiniteInputNeverReachesTheOutputOrTheState) {
    flushDenormals();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> poisoned = signals::varied(20000, 5);
    std::vector<float> clean = poisoned;
    for (std::size_t i = 0; i < poisoned.size(); i += 97) {
        poisoned[i] = (i % 3 == 0) ? nan : (i % 3 == 1 ? inf : -inf);
        clean[i] = (i % 3 == 0) ? 0.0f : (i % 3 == 1 ? 1.0f : -1.0f);
    }
    MaximizerCore a, b;
    a.setGain(10.0f);
    b.setGain(10.0f);
    std::vector<float> outA(poisoned.size()), outB(clean.size());
    a.process(poisoned.data(), outA.data(), 10000, 1.0f);
    b.process(clean.data(), outB.data(), 10000, 1.0f);
    for (std::size_t i = 0; i < outA.size(); ++i) {
        ASSERT_TRUE(std::isfinite(outA[i])) << i;
        ASSERT_EQ(bits(outA[i]), bits(outB[i])) << i;
    }
}

TEST(Maximizer, FailedRateChangeKeepsTheOldBuffers) {
    MaximizerCore core;
    allocations::failAfter(0);
    EXPECT_FALSE(core.setSampleRate(96000));
    allocations::failAfter(-1);
    EXPECT_EQ(core.sampleRate(), 44100);
    EXPECT_EQ(core.lookAheadFrames(), 220);
    std::vector<float> frames(2 * 500, 0.5f);
    core.process(frames.data(), frames.data(), 500, 1.0f);
    EXPECT_EQ(frames[2 * 219], 0.0f);
    EXPECT_EQ(frames[2 * 220], 0.5f);
    EXPECT_TRUE(core.setSampleRate(96000));
    EXPECT_EQ(core.lookAheadFrames(), 1536);
}

TEST(Maximizer, ResetSilencesTheLinesButKeepsThePosition) {
    MaximizerCore core;
    std::vector<float> loud(2 * 100, 0.8f);
    core.process(loud.data(), loud.data(), 100, 1.0f);
    core.reset();
    std::vector<float> quiet(2 * 400, 0.0f);
    core.process(quiet.data(), quiet.data(), 400, 1.0f);
    for (float f : quiet) EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(core.meters().inputPeak[0], 0.8f);
}

} // namespace
