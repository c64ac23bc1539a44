// The complete plug-in limiting audio through processReplacing: delay,
// ceiling, link, inter-sample peaks, meters, and what processing must never do.
#include "tests/support/AllocationCounter.h"
#include "tools/signals/TestSignals.h"

#include "core/Brelto.h"
#include "dsp/DaVivadozoz.h"
#include "dsp/Meters.h"
#include "dsp/ParameterLaws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr float kThreshold = 0.999f;

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(std::size_t n = 0) : left(n), right(n) {}
    std::size_t size() const { return left.size(); }
};

Stereo split(const std::vector<float>& interleaved) {
    Stereo s(interleaved.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i) {
        s.left[i] = interleaved[2 * i];
        s.right[i] = interleaved[2 * i + 1];
    }
    return s;
}

// Runs the signal through in blocks of `block` frames, input and output apart.
Stereo run(Brelto& plugin, const Stereo& input, int block = 512) {
    Stereo in = input, out(input.size());
    for (std::size_t done = 0; done < input.size();) {
        const int n = static_cast<int>(std::min<std::size_t>(block, input.size() - done));
        float* ins[2] = {&in.left[done], &in.right[done]};
        float* outs[2] = {&out.left[done], &out.right[done]};
        plugin.processReplacing(ins, outs, n);
        done += static_cast<std::size_t>(n);
    }
    return out;
}

float meter(Brelto& plugin, int index) {
    return plugin.paramRows()[index].meterSource->load();
}

const MaximizerCore& limiterOf(const Brelto& plugin) {
    return plugin.maximizerModule().limiter();
}

TEST(LimiterPlugin, DefaultSettingsDelayBy220FramesAndChangeNothingBelowTheCeiling) {
    Brelto plugin(nullptr);
    Stereo input(2000);
    input.left[0] = 0.5f;
    input.right[10] = -0.25f;
    for (std::size_t i = 500; i < 1500; ++i)
        input.left[i] = 0.3f * std::sin(0.05f * i);
    const Stereo out = run(plugin, input, 100);
    for (std::size_t i = 0; i < 2000; ++i) {
        const float left = i >= 220 ? input.left[i - 220] : 0.0f;
        const float right = i >= 220 ? input.right[i - 220] : 0.0f;
        ASSERT_EQ(out.left[i], left) << i;
        ASSERT_EQ(out.right[i], right) << i;
    }
}

TEST(LimiterPlugin, NewRateGivesTheFullLookAheadAndTheReleaseOfTheReleaseParameter) {
    Brelto plugin(nullptr);
    plugin.setSampleRate(48000.0f);
    Stereo input(1000);
    input.left[0] = 0.5f;
    const Stereo out = run(plugin, input);
    EXPECT_EQ(out.left[768], 0.5f);
    EXPECT_EQ(limiterOf(plugin).releaseLength(), 151); // 3.16 ms at 48 kHz
}

// Samples of the two renders whose bits differ.
std::size_t differingSamples(const Stereo& a, const Stereo& b) {
    std::size_t differing = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        differing += (std::memcmp(&a.left[i], &b.left[i], 4) != 0) +
                     (std::memcmp(&a.right[i], &b.right[i], 4) != 0);
    return differing;
}

// Hosts restore the settings first and set the rate afterwards: the order
// must not matter, and the Release knob must be heard at the new rate.
TEST(LimiterPlugin, ReleaseSetBeforeARateChangeIsHeardAtTheNewRate) {
    for (const float rate : {22050.0f, 48000.0f, 96000.0f}) {
        const Stereo input = split(signals::varied(static_cast<int>(rate), 5));
        auto render = [&](float release, bool releaseFirst) {
            Brelto plugin(nullptr);
            plugin.setParameter(kGain, 0.5f);
            if (releaseFirst) plugin.setParameter(kRelease, release);
            plugin.setSampleRate(rate);
            if (!releaseFirst) plugin.setParameter(kRelease, release);
            return run(plugin, input);
        };
        const Stereo shortest = render(0.0f, true), longest = render(1.0f, true);
        EXPECT_EQ(differingSamples(shortest, render(0.0f, false)), 0u) << rate << " Hz";
        EXPECT_EQ(differingSamples(longest, render(1.0f, false)), 0u) << rate << " Hz";
        const std::size_t differing = differingSamples(shortest, longest);
        EXPECT_GT(differing, input.size() / 2)
            << differing << " of " << 2 * input.size() << " samples differ at " << rate << " Hz";
    }
}

TEST(LimiterPlugin, ReleaseSpansOneToHundredMilliseconds) {
    Brelto plugin(nullptr);
    plugin.setParameter(kRelease, 0.0f);
    EXPECT_EQ(limiterOf(plugin).releaseLength(), 44);
    plugin.setParameter(kRelease, 1.0f);
    EXPECT_EQ(limiterOf(plugin).releaseLength(), 4410);
    plugin.setParameter(kRelease, 0.25f);
    EXPECT_EQ(limiterOf(plugin).releaseLength(), 139);
}

TEST(LimiterPlugin, InPlaceBuffersGiveTheSameResult) {
    Brelto separate(nullptr), inPlace(nullptr);
    for (Brelto* p : {&separate, &inPlace}) {
        p->setParameter(kGain, 0.6f);
        p->setParameter(kStereo, 0.0f);
    }
    const Stereo input = split(signals::varied(30000, 11));
    const Stereo expected = run(separate, input, 333);
    Stereo buffer = input;
    for (std::size_t done = 0; done < buffer.size();) {
        const int n = static_cast<int>(std::min<std::size_t>(333, buffer.size() - done));
        float* io[2] = {&buffer.left[done], &buffer.right[done]};
        inPlace.processReplacing(io, io, n);
        done += static_cast<std::size_t>(n);
    }
    EXPECT_EQ(std::memcmp(buffer.left.data(), expected.left.data(), 4 * buffer.size()), 0);
    EXPECT_EQ(std::memcmp(buffer.right.data(), expected.right.data(), 4 * buffer.size()), 0);
}

TEST(LimiterPlugin, ProcessingAllocatesNothing) {
    Brelto plugin(nullptr);
    plugin.setParameter(kGain, 0.8f);
    const Stereo input = split(signals::varied(200000, 3));
    Stereo out(input.size());
    Stereo in = input;
    const long before = allocations::made();
    for (std::size_t done = 0; done + 4096 <= input.size(); done += 4096) {
        float* ins[2] = {&in.left[done], &in.right[done]};
        float* outs[2] = {&out.left[done], &out.right[done]};
        plugin.processReplacing(ins, outs, 4096);
    }
    EXPECT_EQ(allocations::made(), before);
}

// Long varied material at random settings and host block sizes: no sample
// above threshold x ceiling beyond the rounding of the envelope's additions.
TEST(LimiterPlugin, NoOutputSampleExceedsTheCeiling) {
    signals::Random random(99);
    for (int run = 0; run < 16; ++run) {
        Brelto plugin(nullptr);
        const Stereo input = split(signals::varied(120000, 1000 + run));
        Stereo in = input, out(input.size());
        float worst = 0.0f;
        for (std::size_t done = 0; done < input.size();) {
            if (random.below(4) == 0) {
                for (int index : {kGain, kOutCeil, kRelease})
                    plugin.setParameter(index, (random.bipolar() + 1.0f) * 0.5f);
                plugin.setParameter(kStereo, random.below(2) ? 1.0f : 0.0f);
                plugin.setParameter(kIsp, random.below(2) ? 1.0f : 0.0f);
            }
            const int n = static_cast<int>(
                std::min<std::size_t>(1 + random.below(4096), input.size() - done));
            float* ins[2] = {&in.left[done], &in.right[done]};
            float* outs[2] = {&out.left[done], &out.right[done]};
            plugin.processReplacing(ins, outs, n);
            const float limit = kThreshold * plugin.maximizerModule().outputCeiling();
            for (std::size_t i = done; i < done + n; ++i) {
                worst = std::max(worst, std::fabs(out.left[i]) / limit);
                worst = std::max(worst, std::fabs(out.right[i]) / limit);
            }
            done += static_cast<std::size_t>(n);
        }
        EXPECT_LE(worst, 1.0f + 2e-5f) << "run " << run;
        EXPECT_GT(worst, 0.9f) << "run " << run; // the material did need limiting
    }
}

TEST(LimiterPlugin, StereoLinkLowersBothChannelsTogether) {
    for (float link : {1.0f, 0.0f}) {
        Brelto plugin(nullptr);
        plugin.setParameter(kStereo, link);
        plugin.setParameter(kIsp, 0.0f);
        Stereo input(2000);
        for (std::size_t i = 0; i < 2000; ++i) {
            input.left[i] = (i >= 500 && i < 600) ? 1.0f : 0.0f;
            input.right[i] = 0.5f;
        }
        plugin.setParameter(kGain, 0.2f); // +6 dB: the left burst needs limiting
        const Stereo out = run(plugin, input);
        const float leftPeak = std::fabs(out.left[220 + 550]);
        EXPECT_LT(leftPeak, kThreshold * 1.00001f);
        const float rightDuring = out.right[220 + 550];
        const float gained = 0.5f * static_cast<float>(laws::linearGain(0.2f));
        if (link == 1.0f)
            EXPECT_LT(rightDuring, gained * 0.6f);
        else
            EXPECT_EQ(rightDuring, gained);
    }
}

TEST(LimiterPlugin, InterSamplePeaksAreLimitedOnlyWithIspOn) {
    for (float isp : {1.0f, 0.0f}) {
        Brelto plugin(nullptr);
        plugin.setParameter(kIsp, isp);
        // A sine at a quarter of the rate sampled at 45 degrees: samples of
        // 0.9, true peak about 1.27.
        Stereo input(3000);
        const float pattern[] = {0.9f, 0.9f, -0.9f, -0.9f};
        for (std::size_t i = 0; i < 3000; ++i)
            input.left[i] = input.right[i] = pattern[i % 4];
        const Stereo out = run(plugin, input);
        float peak = 0.0f;
        for (std::size_t i = 1000; i < 3000; ++i)
            peak = std::max(peak, std::fabs(out.left[i]));
        if (isp == 1.0f)
            EXPECT_NEAR(peak, 0.9f * kThreshold / 1.2133f, 1e-3f);
        else
            EXPECT_EQ(peak, 0.9f);
    }
}

TEST(LimiterPlugin, ThirtyDecibelsOfGainOnAQuietSineAreHeldAtTheThreshold) {
    Brelto plugin(nullptr);
    plugin.setParameter(kGain, 1.0f);
    Stereo input(20000);
    for (std::size_t i = 0; i < input.size(); ++i)
        input.left[i] = input.right[i] = 0.1f * std::sin(0.01f * static_cast<float>(i));
    const Stereo out = run(plugin, input);
    float peak = 0.0f;
    for (std::size_t i = 2000; i < out.size(); ++i)
        peak = std::max(peak, std::fabs(out.left[i]));
    EXPECT_LE(peak, kThreshold * 1.00001f);
    EXPECT_GT(peak, kThreshold * 0.999f);
}

TEST(LimiterPlugin, SuspendForgetsEverythingBeforeIt) {
    Brelto plugin(nullptr);
    Stereo loud(300);
    for (std::size_t i = 0; i < 300; ++i)
        loud.left[i] = loud.right[i] = 0.7f;
    run(plugin, loud);
    plugin.suspend();
    const Stereo out = run(plugin, Stereo(1000));
    for (std::size_t i = 0; i < 1000; ++i)
        ASSERT_EQ(out.left[i], 0.0f) << i;
}

TEST(LimiterPlugin, NonFiniteInputIsSilenceForTheOutputAndTheMeters) {
    Brelto plugin(nullptr);
    plugin.setParameter(kGain, 0.5f);
    Stereo input(20000);
    for (std::size_t i = 0; i < input.size(); ++i) {
        input.left[i] = (i % 3 == 0) ? std::nanf("") : (i % 3 == 1 ? INFINITY : -INFINITY);
        input.right[i] = i == 777 ? std::nanf("") : 0.0f;
    }
    const Stereo out = run(plugin, input, 256);
    for (std::size_t i = 0; i < out.size(); ++i) {
        ASSERT_EQ(out.left[i], 0.0f) << i;
        ASSERT_EQ(out.right[i], 0.0f) << i;
    }
    for (int index : {kMeterI0, kMeterI1, kMeterO0, kMeterO1, kMeterR})
        EXPECT_EQ(meter(plugin, index), 0.0f) << index;
}

// After loud material, whatever empties the lines (a suspend, a new rate) or
// turns the inter-sample estimate back on must leave no loud history in the
// estimate: a quiet sine that follows passes at its own level from its first
// frame on.
TEST(LimiterPlugin, NothingFromBeforeASuspendRateChangeOrIspSwitchDucksQuietAudio) {
    enum Event { kSuspend, kNewRate, kIspOffAndOn };
    for (Event event : {kSuspend, kNewRate, kIspOffAndOn}) {
        Brelto plugin(nullptr);
        plugin.setParameter(kGain, 20.0f / 30.0f);
        signals::Random random(31);
        Stereo noise(4410);
        for (std::size_t i = 0; i < noise.size(); ++i) {
            noise.left[i] = random.bipolar();
            noise.right[i] = random.bipolar();
        }
        run(plugin, noise);
        plugin.setParameter(kGain, 0.0f);
        std::int32_t rate = 44100;
        if (event == kSuspend) plugin.suspend();
        if (event == kNewRate) {
            rate = 48000;
            plugin.setSampleRate(static_cast<float>(rate));
        }
        if (event == kIspOffAndOn) {
            plugin.setParameter(kIsp, 0.0f);
            run(plugin, Stereo(8820)); // the lines play out while the estimate is off
            plugin.setParameter(kIsp, 1.0f);
        }
        const int delay = limiterOf(plugin).lookAheadFrames();
        const int checked = rate / 20; // 50 ms
        Stereo sine(static_cast<std::size_t>(delay + checked));
        for (std::size_t i = 0; i < sine.size(); ++i)
            sine.left[i] = sine.right[i] = 0.1f * std::sin(0.142f * static_cast<float>(i));
        const Stereo out = run(plugin, sine);
        float lowestGain = 1.0f;
        for (int i = 0; i < checked; ++i) {
            const float in = sine.left[static_cast<std::size_t>(i)];
            if (std::fabs(in) > 0.01f)
                lowestGain =
                    std::min(lowestGain, out.left[static_cast<std::size_t>(delay + i)] / in);
        }
        EXPECT_GT(20.0f * std::log10(lowestGain), -0.1f) << "event " << event;
    }
}

TEST(Meters, ScaleCoversThirtyDecibels) {
    EXPECT_EQ(meterScale(1.0f), 1.0f);
    EXPECT_EQ(meterScale(2.0f), 1.0f);
    EXPECT_EQ(meterScale(0.0f), 0.0f);
    EXPECT_EQ(meterScale(0.03f), 0.0f);
    EXPECT_NEAR(meterScale(0.5f), 0.79931f, 1e-5f);
    EXPECT_NEAR(meterScale(0.70794576f), 0.9f, 1e-6f); // -3 dB
    // Just above -30 dB the position is slightly negative and stays so.
    EXPECT_LT(meterScale(0.03161f), 0.0f);
    EXPECT_GT(meterScale(0.03161f), -0.0002f);
}

// Processes `frames` of the same value on both channels and returns the meter
// reading after every meter update.
std::vector<float> meterUpdates(Brelto& plugin, float value, int frames, int index) {
    std::vector<float> readings;
    Stereo block(88);
    for (float& x : block.left)
        x = value;
    for (float& x : block.right)
        x = value;
    float last = meter(plugin, index);
    for (int done = 0; done < frames; done += 88) {
        run(plugin, block, 88);
        const float now = meter(plugin, index);
        if (now != last) readings.push_back(now);
        last = now;
    }
    return readings;
}

TEST(Meters, LevelsFollowTheClippedInputAndTheLimitedOutput) {
    Brelto plugin(nullptr);
    meterUpdates(plugin, 1.5f, 20000, kMeterI0);
    EXPECT_EQ(meter(plugin, kMeterI0), 1.0f);
    EXPECT_EQ(meter(plugin, kMeterI1), 1.0f);
    EXPECT_NEAR(meter(plugin, kMeterO0), meterScale(kThreshold), 1e-5f);
    EXPECT_NEAR(meter(plugin, kMeterO0), 0.9997f, 1e-4f);

    plugin.setParameter(kOutCeil, 0.0f);
    meterUpdates(plugin, 1.0f, 20000, kMeterO0);
    EXPECT_EQ(meter(plugin, kMeterO0), 0.0f);

    Brelto quiet(nullptr);
    meterUpdates(quiet, 0.02f, 20000, kMeterI0);
    EXPECT_EQ(meter(quiet, kMeterI0), 0.0f);
    EXPECT_EQ(meter(quiet, kMeterO0), 0.0f);
    EXPECT_EQ(meter(quiet, kMeterR), 0.0f);
}

TEST(Meters, ReductionFallsByOneTwentiethPerUpdate) {
    Brelto plugin(nullptr);
    plugin.setParameter(kGain, 1.0f);
    meterUpdates(plugin, 1.0f, 20000, kMeterR);
    EXPECT_EQ(meter(plugin, kMeterR), 1.0f);
    const std::vector<float> falling = meterUpdates(plugin, 0.0f, 88 * 31 * 24, kMeterR);
    ASSERT_GE(falling.size(), 20u);
    EXPECT_NEAR(falling[0], 0.95f, 1e-6f);
    for (std::size_t i = 1; i < 19; ++i)
        EXPECT_NEAR(falling[i - 1] - falling[i], 0.05f, 1e-6f);
    // The envelope settles a few parts in a million above the threshold, so
    // the bar ends a hair above zero.
    EXPECT_NEAR(falling.back(), 0.0f, 1e-5f);
}

TEST(Meters, SixDecibelsOfReductionReadAboutOneFifth) {
    Brelto plugin(nullptr);
    plugin.setParameter(kGain, 6.0206f / 30.0f);
    meterUpdates(plugin, 1.0f, 30000, kMeterR);
    EXPECT_NEAR(meter(plugin, kMeterR), 0.2f, 0.002f);
}

TEST(Meters, HostValuesOfMeterParametersAreNotReadings) {
    Brelto plugin(nullptr);
    meterUpdates(plugin, 1.0f, 10000, kMeterI0);
    EXPECT_EQ(plugin.getParameter(kMeterI0), 0.0f);
    EXPECT_EQ(meter(plugin, kMeterI0), 1.0f);
}

} // namespace
