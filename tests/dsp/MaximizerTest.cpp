// The limiter core: its peak estimate, its envelope and its exactness against
// the literal reference arithmetic.
#include "tests/support/AllocationCounter.h"
#include "tests/support/FloatBits.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/MaximizerCore.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>
#include <xmmintrin.h>

namespace {

constexpr float kThreshold = 0.999f;

// The processing frame runs with flush-to-zero; so must every comparison.
void flushDenormals() {
    _mm_setcsr(_mm_getcsr() | 0x8800);
}

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
        simdKernels(preferredSimdLevel())
            .estimateInterSamplePeaks(chunk.data() + 2 * kSplineHistoryFrames, n, 0.0f,
                                      part.data());
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
        for (int i = 0; i < 9; ++i)
            EXPECT_NEAR(found[2 * i], expected[i], 5e-5) << i;
    }
}

TEST(InterSamplePeak, QuarterRateSineAtFortyFiveDegrees) {
    const float a = 0.70710677f;
    const float pattern[] = {a, a, -a, -a};
    std::vector<float> frames;
    for (int i = 0; i < 40; ++i)
        frames.insert(frames.end(), {pattern[i % 4], pattern[i % 4]});
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
    for (int i = 0; i < 20000; ++i)
        frames.insert(frames.end(), {3.0f * random.bipolar(), random.bipolar()});
    for (int step : {1, 7, 256}) {
        const std::vector<float> found = estimates(frames, step);
        reference::Spline l, r;
        for (int i = 0; i < 20000; ++i) {
            ASSERT_EQ(bitsOf(found[2 * i]), bitsOf(l.estimate(frames[2 * i]))) << i;
            ASSERT_EQ(bitsOf(found[2 * i + 1]), bitsOf(r.estimate(frames[2 * i + 1]))) << i;
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
                ASSERT_EQ(bitsOf(out[2 * i]), bitsOf(expected[0]))
                    << "run " << run << " frame " << i;
                ASSERT_EQ(bitsOf(out[2 * i + 1]), bitsOf(expected[1]))
                    << "run " << run << " frame " << i;
            }
            frame += count;
        }
        for (int c = 0; c < 2; ++c) {
            EXPECT_EQ(bitsOf(core.meters().inputPeak[c]), bitsOf(ref.inputPeak[c]));
            EXPECT_EQ(bitsOf(core.meters().outputPeak[c]), bitsOf(ref.outputPeak[c]));
            EXPECT_EQ(bitsOf(core.meters().channelGain[c]), bitsOf(ref.channelGain[c]));
        }
    }
}

// Frames may start at any float in memory; the limiter never reads a pair of
// floats as one 8-byte value (which would need 8-byte alignment).
TEST(Maximizer, FramesAtAnyFloatBoundaryGiveTheSameBits) {
    flushDenormals();
    const std::vector<float> input = signals::varied(3000, 17);
    std::vector<float> shifted(input.size() + 1);
    std::copy(input.begin(), input.end(), shifted.begin() + 1);
    MaximizerCore aligned, offset;
    for (MaximizerCore* core : {&aligned, &offset})
        core->setGain(8.0f);
    std::vector<float> expected(input.size()), found(input.size() + 1);
    aligned.process(input.data(), expected.data(), 3000, 0.5f);
    offset.process(shifted.data() + 1, found.data() + 1, 3000, 0.5f);
    for (std::size_t i = 0; i < input.size(); ++i)
        ASSERT_EQ(bitsOf(found[i + 1]), bitsOf(expected[i])) << i;
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

// A falling slope aimed at a lower peak can be steeper than the release slope
// that the scan finds when that peak leaves. The envelope must then fall no
// faster than the release slope, or a peak that enters afterwards and needs
// a fall between the two is passed above the threshold.
TEST(Maximizer, AFallNeverOutrunsTheReleaseSlopeAfterAScan) {
    flushDenormals();
    for (bool viaReference : {false, true}) {
        MaximizerCore core;
        reference::Maximizer ref;
        constexpr float kGain = 3.0f;
        constexpr int kRelease = 2000;
        core.setGain(kGain);
        core.setReleaseFrames(kRelease);
        core.setSwitches(false, false);
        ref.gain = kGain;
        ref.releaseFrames = kRelease;
        ref.ispOn = ref.linkOn = 0;
        // Gained peaks, each leaving 220 frames after it enters: 3.0 at frame
        // 0; 2.81 at 200, which the scan at 220 aims at with a fall of
        // -0.00095 per frame, steeper than the release slope of -0.00091 that
        // the scan at 420 finds at 2.81; then 2.605 at 421, which needs a fall
        // of about -0.00093 and leaves at 641.
        std::vector<float> frames(2 * 1200, 0.0f);
        frames[0] = 1.0f;
        frames[2 * 200] = 2.81f / kGain;
        frames[2 * 421] = 2.605f / kGain;
        std::vector<float> out(frames.size());
        if (viaReference) {
            for (std::size_t i = 0; i < frames.size(); i += 2) {
                float frame[2] = {frames[i], frames[i + 1]};
                ref.processFrame(frame);
                out[i] = frame[0];
            }
        } else {
            core.process(frames.data(), out.data(), 1200, 1.0f);
        }
        for (int i = 0; i < 1200; ++i)
            EXPECT_LE(std::fabs(out[2 * i]), kThreshold * (1.0f + 1e-5f))
                << (viaReference ? "reference" : "limiter") << " frame " << i;
        EXPECT_GT(std::fabs(out[2 * 641]), kThreshold * 0.99f); // the last peak was limited
    }
}

TEST(Maximizer, SilenceStaysSilentAtUnityGain) {
    MaximizerCore core;
    std::vector<float> frames(2 * 1000, 0.0f);
    core.process(frames.data(), frames.data(), 1000, 1.0f);
    for (float f : frames)
        EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(core.meters().channelGain[0], 1.0f);
    EXPECT_EQ(core.meters().channelGain[1], 1.0f);
}

// NaN and infinities count as silence: the output and every later frame are
// those of the same input with 0 in their place, so nothing non-finite is
// passed on and nothing of them stays in the state.
TEST(Maximizer, NonFiniteInputCountsAsSilence) {
    flushDenormals();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* name;
        std::vector<float> input;
        std::vector<std::size_t> poisoned; // sample indexes
        std::vector<float> values;         // what they hold, in turn
    };
    std::vector<Case> cases;
    std::vector<std::size_t> every97, leftOnly;
    for (std::size_t i = 0; i < 20000; i += 97)
        every97.push_back(i);
    for (std::size_t i = 1000; i < 3000; i += 2)
        leftOnly.push_back(i);
    cases.push_back({"NaN", signals::varied(10000, 5), every97, {nan}});
    cases.push_back({"+Inf", signals::varied(10000, 6), every97, {inf}});
    cases.push_back({"-Inf", signals::varied(10000, 7), every97, {-inf}});
    cases.push_back({"mixed", signals::varied(10000, 8), every97, {nan, inf, -inf, -nan}});
    cases.push_back({"NaN in one channel", signals::varied(10000, 9), leftOnly, {nan}});
    cases.push_back({"one NaN in silence", std::vector<float>(20000, 0.0f), {4000}, {nan}});
    for (const Case& c : cases) {
        std::vector<float> poisoned = c.input, clean = c.input;
        for (std::size_t k = 0; k < c.poisoned.size(); ++k) {
            poisoned[c.poisoned[k]] = c.values[k % c.values.size()];
            clean[c.poisoned[k]] = 0.0f;
        }
        MaximizerCore a, b;
        for (MaximizerCore* core : {&a, &b})
            core->setGain(10.0f);
        std::vector<float> outA(poisoned.size()), outB(clean.size());
        a.process(poisoned.data(), outA.data(), 10000, 1.0f);
        b.process(clean.data(), outB.data(), 10000, 1.0f);
        for (std::size_t i = 0; i < outA.size(); ++i) {
            ASSERT_TRUE(std::isfinite(outA[i])) << c.name << " " << i;
            ASSERT_EQ(bitsOf(outA[i]), bitsOf(outB[i])) << c.name << " " << i;
        }
        for (int ch = 0; ch < 2; ++ch) {
            EXPECT_EQ(bitsOf(a.meters().inputPeak[ch]), bitsOf(b.meters().inputPeak[ch])) << c.name;
            EXPECT_EQ(bitsOf(a.meters().outputPeak[ch]), bitsOf(b.meters().outputPeak[ch]))
                << c.name;
        }
        if (c.poisoned.size() == 1) {
            for (float sample : outA)
                ASSERT_EQ(sample, 0.0f) << c.name;
        }
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
    for (float f : quiet)
        EXPECT_EQ(f, 0.0f);
    EXPECT_EQ(core.meters().inputPeak[0], 0.8f);
}

} // namespace
