// Scans settled from a concave run must answer exactly as full scans do.
#include "tests/support/FloatBits.h"
#include "tests/support/Reciprocals.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/ConcaveRise.h"
#include "dsp/ConcaveSettlement.h"
#include "dsp/LookAheadScan.h"
#include "dsp/MaximizerCore.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>
#include <xmmintrin.h>

namespace {

// Windows whose steps never grow, some exactly straight, some a last place
// away from straight, against envelopes at, below and above the first peak.
TEST(ConcaveRise, SettledScansAnswerAsFullScans) {
    signals::Random random(31);
    const int lookAhead = 220;
    Reciprocals reciprocals(lookAhead);
    int settled = 0;
    for (int trial = 0; trial < 20000; ++trial) {
        std::vector<float> peaks(2 * lookAhead + 8, 0.0f);
        float value = 1.0f + 20.0f * (random.bipolar() + 1.0f);
        float step = 0.05f * random.bipolar();
        const int shape = random.below(4);
        bool valid = true;
        float previousStep = INFINITY;
        for (int j = 1; j < lookAhead; ++j) {
            peaks[j] = value;
            if (shape == 0) step -= 1e-5f * (random.bipolar() + 1.0f); // curved
            if (shape == 1 && random.below(8) == 0) step = std::nextafter(step, -1.0f);
            const float next = value + step; // 2, 3: straight
            // The settled scan trusts its caller that the run is concave.
            if (next < 0.999f || next - value > previousStep) valid = false;
            previousStep = next - value;
            value = next;
        }
        if (!valid) continue;
        const float envelope = peaks[1] - (shape == 3 ? 0.0f : step * (random.bipolar() + 0.5f));
        if (!(envelope >= 0.999f)) continue;
        const float release = (0.999f - envelope) / 139.0f;
        float settledTarget = release, fullTarget = release;
        std::int32_t settledSteepest = -1;
        if (!settleConcaveRise(peaks.data(), lookAhead, lookAhead, envelope, settledTarget,
                               settledSteepest))
            continue;
        ++settled;
        const std::int32_t fullSteepest = simdKernels(preferredSimdLevel())
                                              .scanForSteepestRise(peaks.data(), reciprocals.table,
                                                                   lookAhead, envelope, fullTarget);
        ASSERT_EQ(settledSteepest, fullSteepest) << "trial " << trial;
        ASSERT_EQ(bitsOf(settledTarget), bitsOf(fullTarget)) << "trial " << trial;
    }
    EXPECT_GT(settled, 5000);
}

TEST(ConcaveRise, ShortRunsAndFarPeaksAreLeftToTheFullScan) {
    std::vector<float> peaks(64, 0.0f);
    for (int j = 1; j < 30; ++j)
        peaks[j] = 2.0f + 0.01f * static_cast<float>(j);
    float target = -0.001f;
    std::int32_t steepest = -1;
    EXPECT_FALSE(settleConcaveRise(peaks.data(), 30, 26, 2.0f, target, steepest));
    EXPECT_TRUE(settleConcaveRise(peaks.data(), 30, 27, 2.0f, target, steepest));
    EXPECT_EQ(steepest, 1);
    // A window reaching past twice the envelope has inexact rises.
    for (int j = 1; j < 30; ++j)
        peaks[j] = 2.0f + 0.5f * static_cast<float>(j);
    EXPECT_FALSE(settleConcaveRise(peaks.data(), 30, 100, 2.0f, target, steepest));
}

// Four frames' settlements side by side, as the frame loop tests frames that
// follow their peaks, lane by lane as one settlement each: windows whose bound
// on the largest peak lies just below or just above twice the envelope.
TEST(ConcaveRise, FourLanesSettleAsFourSingleScans) {
    signals::Random random(5);
    const std::int32_t lookAhead = 220;
    alignas(16) float first[4], second[4], last[4], envelope[4], release[4];
    alignas(16) std::int32_t run[4];
    for (int trial = 0; trial < 20000; ++trial) {
        for (int k = 0; k < 4; ++k) {
            envelope[k] = 1.0f + 10.0f * (random.bipolar() + 1.0f);
            first[k] = envelope[k] * (1.0f + 0.2f * random.bipolar());
            // The step that puts the bound at twice the envelope, give or take.
            const float step = (2.0f * envelope[k] - first[k]) / static_cast<float>(lookAhead - 2);
            second[k] = first[k] + step * (1.0f + 1e-6f * random.bipolar());
            last[k] = envelope[k] * (0.4f + random.bipolar() * 0.2f + 0.2f);
            run[k] = lookAhead - 4 + random.below(3);
            release[k] = (0.999f - envelope[k]) / 139.0f;
        }
        const ConcaveSettlement four =
            settleConcaveRises(_mm_load_ps(first), _mm_load_ps(second), _mm_load_ps(last),
                               _mm_load_si128(reinterpret_cast<const __m128i*>(run)), lookAhead,
                               _mm_load_ps(envelope), _mm_load_ps(release), true);
        for (int k = 0; k < 4; ++k) {
            const ConcaveSettlement one =
                settleConcaveRises(_mm_set1_ps(first[k]), _mm_set1_ps(second[k]),
                                   _mm_set1_ps(last[k]), _mm_set1_epi32(run[k]), lookAhead,
                                   _mm_set1_ps(envelope[k]), _mm_set1_ps(release[k]));
            ASSERT_EQ(_mm_movemask_ps(four.settled) >> k & 1, _mm_movemask_ps(one.settled) & 1)
                << "trial " << trial << " lane " << k;
            ASSERT_EQ(_mm_movemask_ps(four.nearest) >> k & 1, _mm_movemask_ps(one.nearest) & 1);
        }
    }
}

// Slow swells, where nearly every frame scans, through the limiter and the
// literal reference side by side.
TEST(ConcaveRise, SwellsLimitExactlyAsTheReference) {
    _mm_setcsr(_mm_getcsr() | 0x8800);
    for (int variant = 0; variant < 8; ++variant) {
        MaximizerCore core;
        reference::Maximizer ref;
        ref.setParameters(variant % 2 ? 1.0f : 0.6f, 0.9f, 0.1f * variant,
                          variant % 3 ? 1.0f : 0.0f, variant % 4 < 2 ? 1.0f : 0.0f);
        core.setGain(ref.gain);
        core.setReleaseFrames(ref.releaseFrames);
        core.setSwitches(ref.ispOn != 0, ref.linkOn != 0);
        const double frequency = 3.0 + 4.0 * variant;
        const int frames = 30000;
        std::vector<float> input(2 * frames), output(2 * frames);
        for (int i = 0; i < frames; ++i) {
            const double phase = 2.0 * 3.14159265358979 * frequency * i / 44100.0;
            input[2 * i] = static_cast<float>(std::fabs(std::sin(phase)));
            input[2 * i + 1] = static_cast<float>(0.8 * std::sin(phase * 0.5));
        }
        for (int done = 0; done < frames; done += 300)
            core.process(&input[2 * done], &output[2 * done], std::min(300, frames - done),
                         ref.ceiling);
        for (int i = 0; i < frames; ++i) {
            float expected[2] = {input[2 * i], input[2 * i + 1]};
            ref.process(expected);
            ASSERT_EQ(bitsOf(output[2 * i]), bitsOf(expected[0]))
                << "variant " << variant << " frame " << i;
            ASSERT_EQ(bitsOf(output[2 * i + 1]), bitsOf(expected[1]))
                << "variant " << variant << " frame " << i;
        }
    }
}

} // namespace
