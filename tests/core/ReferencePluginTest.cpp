// The whole plug-in against the literal reference: the processing frame's
// chunks and control ticks, the limiter, and the meters with their decay and
// their cadence, at every common rate and two odd ones, with parameters
// changed between blocks and, by the host, between chunks.
#include "tests/support/FloatBits.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "base/Decimal.h"
#include "core/Brelto.h"
#include "dsp/DaVivadozoz.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <vector>

namespace {

// Part of the plug-in that the limiter reference leaves out: the chunks and
// ticks of the processing frame and the five meters, as written in the rules.
struct ReferencePlugin {
    reference::Maximizer limiter;
    int tickPeriod = 0, tickCountdown = 0, maxChunk = 0;
    int meterTick = 0;
    float meterR = 0.0f, meterI[2] = {}, meterO[2] = {};
    float values[5] = {}; // OutCeil, Gain, Release, Stereo, ISP

    static float meterScale(float level) {
        if (level < 0.0316f) return 0.0f;
        const auto v = static_cast<float>((20.0 * decimal::logarithm(level) + 30.0) * 0.033333335);
        return v > 1.0f ? 1.0f : v;
    }

    void setSampleRate(float rate) {
        const auto integerRate = static_cast<int>(std::nearbyint(rate));
        tickPeriod = tickCountdown = integerRate * 256 / 500;
        maxChunk = std::min(tickPeriod / 256, 256);
        limiter.setSampleRate(integerRate);
        // The release keeps the length in time that Release gives.
        limiter.setParameters(values[kGain], values[kOutCeil], values[kRelease], values[kStereo],
                              values[kIsp]);
    }

    void setParameter(int index, float value) {
        values[index] = value;
        limiter.setParameters(values[kGain], values[kOutCeil], values[kRelease], values[kStereo],
                              values[kIsp]);
    }

    void updateMeters() {
        if (++meterTick <= 30) return;
        meterTick = 0;
        meterR -= 0.05f;
        if (meterR < 0.0f) meterR = 0.0f;
        const float r = 1.0f - meterScale((limiter.channelGain[1] + limiter.channelGain[0]) * 0.5f);
        if (r > meterR) meterR = r;
        for (int c = 0; c < 2; ++c) {
            meterI[c] = meterScale(limiter.inputPeak[c]);
            meterO[c] = meterScale(limiter.outputPeak[c] * limiter.ceiling);
        }
        for (float* peak : {&limiter.inputPeak[0], &limiter.inputPeak[1], &limiter.outputPeak[0],
                            &limiter.outputPeak[1]})
            *peak = *peak * 0.9f + 0.0001f;
    }

    // beforeChunk runs where the frame asks the host for its transport.
    void process(float* left, float* right, int frames, const std::function<void()>& beforeChunk) {
        while (frames > 0) {
            beforeChunk();
            const int chunk = std::min(frames, maxChunk);
            const bool tick = tickCountdown <= 0;
            for (int i = 0; i < chunk; ++i) {
                float frame[2] = {left[i], right[i]};
                limiter.process(frame);
                left[i] = frame[0];
                right[i] = frame[1];
            }
            if (tick) {
                updateMeters();
                tickCountdown += tickPeriod;
            }
            tickCountdown -= chunk * 256;
            left += chunk;
            right += chunk;
            frames -= chunk;
        }
    }
};

// The host: it answers the version and calls a hook whenever the frame asks
// for the transport, at the start of every chunk.
std::function<void()> onTransport;

VstIntPtr VSTCALLBACK chunkHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    if (opcode == audioMasterVersion) return 2400;
    if (opcode == audioMasterGetTime && onTransport) onTransport();
    return 0;
}

float meterOf(Brelto& plugin, int index) {
    return plugin.paramRows()[index].meterSource->load();
}

void expectSameMeters(Brelto& plugin, const ReferencePlugin& ref, float rate, std::size_t frame) {
    const float expected[] = {ref.meterI[0], ref.meterI[1], ref.meterR, ref.meterO[0],
                              ref.meterO[1]};
    const int indexes[] = {kMeterI0, kMeterI1, kMeterR, kMeterO0, kMeterO1};
    for (int m = 0; m < 5; ++m)
        ASSERT_EQ(bitsOf(meterOf(plugin, indexes[m])), bitsOf(expected[m]))
            << "rate " << rate << " frame " << frame << " meter " << indexes[m];
}

TEST(ReferencePlugin, EveryOutputAndMeterBitAtElevenRates) {
    const float rates[] = {22050.0f,  44100.0f,  48000.0f,  88200.0f, 96000.0f, 176400.0f,
                           192000.0f, 384000.0f, 768000.0f, 37813.4f, 143999.5f};
    signals::Random random(4242);
    for (float rate : rates) {
        Brelto plugin(chunkHost);
        ReferencePlugin ref;
        for (int i = 0; i < 5; ++i)
            ref.values[i] = plugin.getParameter(i);
        ref.setParameter(kGain, ref.values[kGain]);
        plugin.setSampleRate(rate);
        ref.setSampleRate(rate);
        ASSERT_EQ(plugin.maximizerModule().limiter().lookAheadFrames(), ref.limiter.lookAhead);

        // Four meter updates' worth: 31 ticks of 2 ms each.
        const int frames = static_cast<int>(rate * 0.25f);
        const std::vector<float> input = signals::varied(frames, static_cast<std::uint32_t>(rate));
        std::vector<float> left(frames), right(frames), refLeft(frames), refRight(frames);
        for (int i = 0; i < frames; ++i) {
            left[i] = refLeft[i] = input[2 * i];
            right[i] = refRight[i] = input[2 * i + 1];
        }
        // Between some chunks the host moves a parameter, in both.
        int chunkNumber = 0, movesAt = -1, moveIndex = 0;
        float moveValue = 0.0f;
        auto moveIn = [&](auto& target) {
            return [&] {
                if (chunkNumber++ == movesAt) target.setParameter(moveIndex, moveValue);
            };
        };
        for (int done = 0; done < frames;) {
            if (random.below(3) == 0) {
                const int index = random.below(5);
                const float value = index >= kStereo ? static_cast<float>(random.below(2))
                                                     : (random.bipolar() + 1.0f) * 0.5f;
                plugin.setParameter(index, value);
                ref.setParameter(index, value);
            }
            const int n = std::min(1 + random.below(3000), frames - done);
            movesAt = random.below(4) == 0 ? random.below(n / ref.maxChunk + 1) : -1;
            moveIndex = random.below(5);
            moveValue = moveIndex >= kStereo ? static_cast<float>(random.below(2))
                                             : (random.bipolar() + 1.0f) * 0.5f;
            chunkNumber = 0;
            onTransport = moveIn(plugin);
            float* channels[2] = {&left[done], &right[done]};
            plugin.processReplacing(channels, channels, n);
            chunkNumber = 0;
            ref.process(&refLeft[done], &refRight[done], n, moveIn(ref));
            onTransport = nullptr;
            for (int i = done; i < done + n; ++i) {
                ASSERT_EQ(bitsOf(left[i]), bitsOf(refLeft[i])) << "rate " << rate << " frame " << i;
                ASSERT_EQ(bitsOf(right[i]), bitsOf(refRight[i]))
                    << "rate " << rate << " frame " << i;
            }
            expectSameMeters(plugin, ref, rate, static_cast<std::size_t>(done + n));
            done += n;
        }
        EXPECT_GE(ref.meterR + ref.meterI[0] + ref.meterO[0], 0.1f) << "rate " << rate;
    }
}

} // namespace
