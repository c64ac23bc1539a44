// The vector kernels of every instruction set this machine supports, forced
// one by one: each must give the bits of the literal scalar arithmetic, and so
// the same bits as every other.
#include "tests/support/FloatBits.h"
#include "tests/support/LiteralScan.h"
#include "tests/support/Reciprocals.h"
#include "tests/support/ReferenceMaximizer.h"
#include "tools/signals/TestSignals.h"

#include "dsp/LookAheadScan.h"
#include "dsp/MaximizerCore.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>
#include <xmmintrin.h>

namespace {

constexpr float kThresholdForTests = MaximizerCore::kThreshold;

const char* name(SimdLevel level) {
    return level == SimdLevel::avx512 ? "AVX-512" : level == SimdLevel::avx2 ? "AVX2" : "SSE2";
}

// Every level up to the one this machine supports.
std::vector<SimdLevel> supportedLevels() {
    std::vector<SimdLevel> levels{SimdLevel::sse2};
    if (supportedSimdLevel() != SimdLevel::sse2) levels.push_back(SimdLevel::avx2);
    if (supportedSimdLevel() == SimdLevel::avx512) levels.push_back(SimdLevel::avx512);
    return levels;
}

// A window of coming peaks (all at least the threshold) of one of several
// shapes that put rises at or near a tie, and its envelope.
struct Window {
    std::vector<float> peaks;
    float envelope;
};

Window makeWindow(signals::Random& random, std::int32_t lookAhead) {
    constexpr float kThreshold = MaximizerCore::kThreshold;
    Window w{std::vector<float>(lookAhead + kScanSlack + 1, kThreshold), 0.0f};
    w.envelope =
        kThreshold + 0.5f * (random.bipolar() + 1.0f) * (random.below(3) == 0 ? 2.0f : 0.01f);
    const float slope = std::ldexp(1.0f, -8 - random.below(8)); // exact steps
    const std::int32_t from = 1 + random.below(lookAhead);
    for (std::int32_t j = 1; j < lookAhead; ++j) {
        float& p = w.peaks[j];
        switch (random.below(6)) {
        case 0: // noise
            p = kThreshold + 2.0f * (random.bipolar() + 1.0f);
            break;
        case 1: // a plateau: the nearest of equal peaks wins
            p = w.envelope + 0.25f;
            break;
        case 2: // a straight line from the envelope: every rise from `from` on ties
            p = j >= from ? w.envelope + slope * static_cast<float>(j) : kThreshold;
            break;
        case 3: // the same line a last place away here and there
            p = j >= from ? w.envelope + slope * static_cast<float>(j) : kThreshold;
            if (random.below(16) == 0) p = std::nextafter(p, random.below(2) ? 0.0f : 10.0f);
            break;
        case 4: // equal peaks at distances that are multiples of each other
            p = j % (1 + from % 17) == 0 ? w.envelope + 1.0f : kThreshold;
            break;
        default: // a single spike, anywhere from the nearest to the last distance
            p = j == from || j == lookAhead - 1 ? w.envelope + 0.5f : kThreshold;
            break;
        }
        p = std::max(p, kThreshold);
    }
    return w;
}

// Where a comparison of a kernel with the literal formulas failed.
std::string where(SimdLevel level, std::int32_t lookAhead, int trial) {
    return std::string(name(level)) + " look-ahead " + std::to_string(lookAhead) + " trial " +
           std::to_string(trial);
}

// Look-aheads below, at and beyond the vector widths and their groups.
constexpr std::int32_t kLookAheads[] = {1,  2,  3,  4,  5,  7,   8,   9,   15,  16,  17,  31,
                                        32, 33, 63, 64, 65, 127, 129, 220, 221, 705, 768, 1536};

} // namespace

TEST(SimdKernels, DetectionAgreesWithTheCompilersRuntime) {
    __builtin_cpu_init();
    const SimdLevel expected = __builtin_cpu_supports("avx512f") ? SimdLevel::avx512
                               : __builtin_cpu_supports("avx2")  ? SimdLevel::avx2
                                                                 : SimdLevel::sse2;
    EXPECT_EQ(supportedSimdLevel(), expected);
    // AVX-512 only where it does not slow the clock.
    const SimdLevel preferred =
        expected == SimdLevel::avx512 && !__builtin_cpu_is("amd") ? SimdLevel::avx2 : expected;
    EXPECT_EQ(preferredSimdLevel(), preferred);
    std::printf("[          ] this machine supports the %s kernels and runs the %s kernels\n",
                name(supportedSimdLevel()), name(preferredSimdLevel()));
}

TEST(SimdKernels, EveryScanFindsTheFirstStrictMaximum) {
    signals::Random random(41);
    for (const std::int32_t lookAhead : kLookAheads) {
        const Reciprocals reciprocals(lookAhead);
        for (int trial = 0; trial < 300; ++trial) {
            const Window left = makeWindow(random, lookAhead),
                         right = makeWindow(random, lookAhead);
            // Release slopes: a fall, nothing, and a rise that most peaks do not beat.
            const float releases[] = {-1e-4f, 0.0f, 1e-3f};
            const float release = releases[random.below(3)];
            float literalTarget[2] = {release, release};
            const std::int32_t literalSteepest[2] = {
                literalScan(left.peaks.data(), lookAhead, left.envelope, literalTarget[0]),
                literalScan(right.peaks.data(), lookAhead, right.envelope, literalTarget[1])};
            for (const SimdLevel level : supportedLevels()) {
                const SimdKernels& kernels = simdKernels(level);
                const std::string at = where(level, lookAhead, trial);
                float target = release;
                const std::int32_t steepest = kernels.scanForSteepestRise(
                    left.peaks.data(), reciprocals.table, lookAhead, left.envelope, target);
                ASSERT_EQ(steepest, literalSteepest[0]) << at;
                ASSERT_EQ(bitsOf(target), bitsOf(literalTarget[0])) << at;

                const float* const peaks[2] = {left.peaks.data(), right.peaks.data()};
                const float envelopes[2] = {left.envelope, right.envelope};
                // The nearest peaks alone, where they fill whole vectors.
                const std::int32_t near = (lookAhead - 1) / kNearGrain * kNearGrain;
                if (near > 0) {
                    float nearLiteral = release, nearTarget = release;
                    const std::int32_t expected =
                        literalScan(left.peaks.data(), near + 1, left.envelope, nearLiteral);
                    ASSERT_EQ(kernels.scanNearForSteepestRise(left.peaks.data(), reciprocals.table,
                                                              near, left.envelope, nearTarget),
                              expected)
                        << at << " near " << near;
                    ASSERT_EQ(bitsOf(nearTarget), bitsOf(nearLiteral)) << at << " near " << near;
                    // Both channels' near scans at once.
                    float rightLiteral = release;
                    const std::int32_t rightExpected =
                        literalScan(right.peaks.data(), near + 1, right.envelope, rightLiteral);
                    float nearTargets[2] = {release, release};
                    std::int32_t found[2] = {-1, -1};
                    kernels.scanNearForSteepestRises(peaks, reciprocals.table, near, envelopes,
                                                     nearTargets, found);
                    ASSERT_EQ(found[0], expected) << at << " near pair";
                    ASSERT_EQ(found[1], rightExpected) << at << " near pair";
                    ASSERT_EQ(bitsOf(nearTargets[0]), bitsOf(nearLiteral)) << at << " near pair";
                    ASSERT_EQ(bitsOf(nearTargets[1]), bitsOf(rightLiteral)) << at << " near pair";
                }

                float targets[2] = {release, release};
                std::int32_t both[2] = {-1, -1};
                kernels.scanForSteepestRises(peaks, reciprocals.table, lookAhead, envelopes,
                                             targets, both);
                for (int c = 0; c < 2; ++c) {
                    ASSERT_EQ(both[c], literalSteepest[c]) << at << " channel " << c;
                    ASSERT_EQ(bitsOf(targets[c]), bitsOf(literalTarget[c]))
                        << at << " channel " << c;
                }
            }
        }
    }
}

TEST(SimdKernels, EverySplineGivesTheScalarEstimates) {
    signals::Random random(43);
    for (const int frames : {1, 2, 3, 5, 7, 8, 9, 15, 16, 17, 31, 88, 255, 256}) {
        for (int trial = 0; trial < 40; ++trial) {
            // History and frames of noise at several levels, some silent stretches.
            std::vector<float> gained(2 * (kSplineHistoryFrames + frames + 1));
            const float level = std::ldexp(1.0f, random.below(12) - 6);
            for (float& g : gained)
                g = random.below(8) == 0 ? 0.0f : level * random.bipolar();
            reference::Spline literal[2];
            std::vector<float> expected(2 * frames);
            for (int i = 0; i < kSplineHistoryFrames + frames; ++i)
                for (int c = 0; c < 2; ++c) {
                    const float estimate = literal[c].estimate(gained[2 * i + c]);
                    if (i >= kSplineHistoryFrames)
                        expected[2 * (i - kSplineHistoryFrames) + c] = std::max(estimate, 0.5f);
                }
            for (const SimdLevel level : supportedLevels()) {
                std::vector<float> found(2 * (frames + 1));
                simdKernels(level).estimateInterSamplePeaks(
                    gained.data() + 2 * kSplineHistoryFrames, frames, 0.5f, found.data());
                for (int k = 0; k < 2 * frames; ++k)
                    ASSERT_EQ(bitsOf(found[k]), bitsOf(expected[k]))
                        << name(level) << " frames " << frames << " trial " << trial << " at " << k;
            }
        }
    }
}

// The stages over whole chunks, against the literal arithmetic of one frame
// at a time, on every chunk length up to a few wide vectors and the longest.
TEST(SimdKernels, EveryStageGivesTheFrameByFrameBits) {
    signals::Random random(53);
    const float odd[] = {std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity(),
                         -std::numeric_limits<float>::infinity(),
                         1.5f,
                         -3.0f,
                         -0.0f};
    std::vector<int> lengths;
    for (int frames = 1; frames <= 40; ++frames)
        lengths.push_back(frames);
    lengths.insert(lengths.end(), {88, 255, 256});
    for (const int frames : lengths) {
        std::vector<float> in(2 * frames), delayed(2 * frames), envelopes(2 * frames);
        for (int k = 0; k < 2 * frames; ++k) {
            in[k] = random.below(10) == 0 ? odd[random.below(6)] : 1.2f * random.bipolar();
            delayed[k] = 4.0f * random.bipolar();
            envelopes[k] = kThresholdForTests * (1.0f + 3.0f * (random.bipolar() + 1.0f));
        }
        const float gain = 1.0f + 30.0f * (random.bipolar() + 1.0f);
        const bool link = random.below(2) == 0;
        // As the frame loop would, frame by frame.
        std::vector<float> gained(2 * frames), estimates(2 * frames), out(2 * frames);
        float inPeak[2] = {0.25f, 0.0f}, outPeak[2] = {0.0f, 0.5f};
        for (int i = 0; i < frames; ++i) {
            float gains[2];
            for (int c = 0; c < 2; ++c) {
                float x = in[2 * i + c];
                if (!(std::fabs(x) < std::numeric_limits<float>::infinity())) x = 0.0f;
                x = std::max(std::min(x, 1.0f), -1.0f);
                inPeak[c] = std::max(std::fabs(x), inPeak[c]);
                gained[2 * i + c] = x * gain;
                estimates[2 * i + c] = std::max(std::fabs(gained[2 * i + c]), kThresholdForTests);
                gains[c] = kThresholdForTests / envelopes[2 * i + c];
            }
            for (int c = 0; c < 2; ++c) {
                const float applied = link ? std::min(gains[c], gains[1 - c]) : gains[c];
                const float limited = delayed[2 * i + c] * applied;
                outPeak[c] = std::max(std::fabs(limited), outPeak[c]);
                out[2 * i + c] = 0.9f * limited;
            }
        }
        for (const SimdLevel level : supportedLevels()) {
            const SimdKernels& kernels = simdKernels(level);
            const std::string where =
                std::string(name(level)) + " frames " + std::to_string(frames) + " at ";
            std::vector<float> found(2 * frames + 2);
            float peaks[4];
            _mm_storeu_ps(peaks, kernels.clipAndGain(in.data(), frames, gain, found.data(),
                                                     _mm_setr_ps(0.25f, 0.0f, 0.0f, 0.0f)));
            for (int k = 0; k < 2 * frames; ++k)
                ASSERT_EQ(bitsOf(found[k]), bitsOf(gained[k])) << where << k;
            for (int c = 0; c < 2; ++c)
                ASSERT_EQ(bitsOf(peaks[c]), bitsOf(inPeak[c])) << where << "input peak " << c;
            kernels.estimateSamplePeaks(gained.data(), frames, kThresholdForTests, found.data());
            for (int k = 0; k < 2 * frames; ++k)
                ASSERT_EQ(bitsOf(found[k]), bitsOf(estimates[k])) << where << k;
            _mm_storeu_ps(peaks, kernels.emitLimited(delayed.data(), envelopes.data(), frames,
                                                     kThresholdForTests, link, 0.9f, found.data(),
                                                     _mm_setr_ps(0.0f, 0.5f, 0.0f, 0.0f)));
            for (int k = 0; k < 2 * frames; ++k)
                ASSERT_EQ(bitsOf(found[k]), bitsOf(out[k])) << where << k;
            for (int c = 0; c < 2; ++c)
                ASSERT_EQ(bitsOf(peaks[c]), bitsOf(outPeak[c])) << where << "output peak " << c;
        }
    }
}

// The whole limiter on each level against the SSE2 one, on varied material,
// slow swells and staircases, at several rates, in chunks of random length.
TEST(SimdKernels, EveryLimiterGivesTheSameBits) {
    _mm_setcsr(_mm_getcsr() | 0x8800); // as the processing frame runs
    signals::Random random(47);
    constexpr double kPi = 3.141592653589793;
    for (const int rate : {22050, 44100, 48000, 96000}) {
        std::vector<float> input = signals::varied(rate * 2, static_cast<std::uint32_t>(rate));
        for (int i = 0; i < rate * 2; ++i) {
            const auto swell = static_cast<float>(std::fabs(std::sin(2.0 * kPi * 5.0 * i / rate)));
            const float stair = 0.25f * static_cast<float>(i / 300 % 5);
            input.insert(input.end(), {swell, i % 2 ? swell : 0.9f * swell});
            input.insert(input.end(), {stair, -stair});
        }
        for (const bool isp : {false, true}) {
            const bool link = random.below(2) == 0;
            const float lookAhead = 0.1f + 0.6f * (random.bipolar() + 1.0f) * 0.5f;
            for (const SimdLevel level : supportedLevels()) {
                MaximizerCore baseline(SimdLevel::sse2), core(level);
                for (MaximizerCore* c : {&baseline, &core}) {
                    c->setSampleRate(rate);
                    c->setLookAhead(lookAhead);
                    c->setGain(31.6f);
                    c->setReleaseFrames(rate / 100);
                    c->setSwitches(isp, link);
                }
                std::vector<float> expected(input.size()), found(input.size());
                const std::size_t frames = input.size() / 2;
                for (std::size_t frame = 0; frame < frames;) {
                    const int count =
                        std::min<int>(1 + random.below(700), static_cast<int>(frames - frame));
                    baseline.process(&input[2 * frame], &expected[2 * frame], count, 0.9f);
                    core.process(&input[2 * frame], &found[2 * frame], count, 0.9f);
                    frame += static_cast<std::size_t>(count);
                }
                ASSERT_EQ(baseline.lookAheadFrames(), core.lookAheadFrames());
                for (std::size_t k = 0; k < input.size(); ++k)
                    ASSERT_EQ(bitsOf(found[k]), bitsOf(expected[k]))
                        << name(level) << " rate " << rate << " isp " << isp << " at " << k;
            }
        }
    }
}

// Windows of a slow swell, whose nearest quotients differ by their rounding
// alone and tie now and then: the scan of the nearest peaks must still find
// the first strict maximum, and the line over the farther ones must lie on
// or above each of them exactly as the scalar loop puts it.
TEST(SimdKernels, NearScansOfSwellsFindTheFirstStrictMaximum) {
    signals::Random random(43);
    for (const std::int32_t lookAhead : {17, 33, 64, 220, 768, 1536}) {
        const Reciprocals reciprocals(lookAhead);
        const std::int32_t near = (lookAhead - 1) / kNearGrain * kNearGrain;
        int beyondTheFirst = 0;
        for (int trial = 0; trial < 2000; ++trial) {
            std::vector<float> peaks(lookAhead + kScanSlack + 1, kThresholdForTests);
            const double level = 2.0 + 30.0 * (random.bipolar() + 1.0);
            const double slope = 3e-3 * random.bipolar();
            const double curvature = 2e-7 * (random.bipolar() + 1.0) * 0.5;
            for (std::int32_t j = 0; j <= lookAhead; ++j)
                peaks[j] = static_cast<float>(level + j * (slope - curvature * j));
            const float envelope = random.below(2) == 0
                                       ? peaks[0]
                                       : std::nextafter(peaks[0], random.below(2) ? 0.0f : 100.0f);
            const float release = (kThresholdForTests - envelope) / 441.0f;
            float literal = release;
            const std::int32_t expected = literalScan(peaks.data(), near + 1, envelope, literal);
            if (expected > 8) ++beyondTheFirst;
            const double lineSlope = 1e-3 * random.bipolar();
            double highest = -1e300;
            for (std::int32_t j = near + 1; j < lookAhead; ++j)
                highest = std::max(highest, static_cast<double>(peaks[j]) - lineSlope * j);
            for (const SimdLevel level : supportedLevels()) {
                const SimdKernels& kernels = simdKernels(level);
                const std::string at = where(level, lookAhead, trial);
                float target = release;
                ASSERT_EQ(kernels.scanNearForSteepestRise(peaks.data(), reciprocals.table, near,
                                                          envelope, target),
                          expected)
                    << at;
                ASSERT_EQ(bitsOf(target), bitsOf(literal)) << at;
                if (near + 1 < lookAhead) {
                    ASSERT_EQ(kernels.highestOverLine(peaks.data(), near + 1, lookAhead, lineSlope),
                              highest)
                        << at;
                }
            }
        }
        EXPECT_GT(beyondTheFirst, 20) << "look-ahead " << lookAhead;
    }
}
