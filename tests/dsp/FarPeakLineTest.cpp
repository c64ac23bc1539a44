// Scans split into the nearest peaks and a line over the farther ones must
// find what the plain loop finds, frame after frame as the window slides and
// the line is raised, left behind and built anew: on runs of every kind, on
// the slow swells it is made for (where it must settle most scans), on ties
// with the line itself, and through a change of look-ahead.
#include "tests/support/FloatBits.h"
#include "tests/support/LiteralScan.h"
#include "tests/support/PeakRuns.h"
#include "tests/support/Reciprocals.h"

#include "dsp/FarPeakLine.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace peakruns;

// The envelope of a scan on a swell, as the limiter's follows the swell: on
// the peak that just left, a last place or two off it, or on the line
// through the next two peaks.
float swellEnvelope(const std::vector<float>& run, int leaving, signals::Random& random) {
    const float left = run[static_cast<std::size_t>(leaving)];
    switch (random.below(4)) {
    case 1:
        return std::nextafter(left, 0.0f);
    case 2:
        return std::nextafter(std::nextafter(left, 100.0f), 100.0f);
    case 3: {
        const float next = run[static_cast<std::size_t>(leaving) + 1];
        return std::fmax(next - (run[static_cast<std::size_t>(leaving) + 2] - next), kThreshold);
    }
    default:
        return left;
    }
}

struct Slide {
    int scans = 0;
    int settled = 0;
};

// Slides windows of `lookAhead` peaks over `run` and asks `line` for the scan
// of most frames, now and then skipping a few and rarely up to half a window,
// from envelopes near the swell's (or of every kind); every settled scan must
// be the literal scan's, bit for bit.
Slide slideScans(FarPeakLine& line, const SimdKernels& kernels, const std::vector<float>& run,
                 std::int32_t lookAhead, std::uint32_t seed, bool onSwell = true) {
    signals::Random random(seed);
    const Reciprocals reciprocals(lookAhead + 8);
    std::vector<float> window(static_cast<std::size_t>(lookAhead) + 8, kThreshold);
    Slide slide;
    for (int now = lookAhead; now + 2 < static_cast<int>(run.size()); ++slide.scans) {
        fillWindow(window, run, now, lookAhead);
        window[static_cast<std::size_t>(lookAhead)] = run[static_cast<std::size_t>(now)];
        const float envelope = onSwell ? swellEnvelope(run, now - lookAhead, random)
                                       : envelopeFor(run, now - lookAhead, random);
        float fromLine = (kThreshold - envelope) / kRelease, literal = fromLine;
        std::int32_t steepest = -1;
        if (line.settle(kernels, window.data(), reciprocals.table, lookAhead,
                        static_cast<std::uint64_t>(now), envelope, fromLine, steepest)) {
            ++slide.settled;
            const std::int32_t expected = literalScan(window.data(), lookAhead, envelope, literal);
            const std::string where =
                "look-ahead " + std::to_string(lookAhead) + " frame " + std::to_string(now);
            EXPECT_EQ(steepest, expected) << where;
            EXPECT_EQ(bitsOf(fromLine), bitsOf(literal)) << where;
            if (steepest != expected || bitsOf(fromLine) != bitsOf(literal)) return slide;
        }
        const int roll = random.below(400);
        now += roll == 0 ? 1 + random.below(lookAhead / 2) : roll < 40 ? 2 + random.below(3) : 1;
    }
    return slide;
}

const SimdKernels& kernels() {
    return simdKernels(preferredSimdLevel());
}

} // namespace

TEST(FarPeakLine, SlidingScansOverRunsOfEveryKindFindThePlainLoopsAnswer) {
    std::uint32_t seed = 3;
    for (const std::int32_t lookAhead : {129, 220, 768, 1536}) {
        for (int round = 0; round < 3; ++round, ++seed) {
            FarPeakLine line;
            const std::vector<float> run = peakRun(10 * lookAhead + 3000, seed);
            slideScans(line, kernels(), run, lookAhead, seed, false);
        }
    }
}

// On the slow swells the line is made for, most scans are settled, and all
// as the plain loop settles them, at every rate's look-ahead and with every
// instruction set.
TEST(FarPeakLine, SettlesMostScansOfSlowSwells) {
    std::vector<SimdLevel> levels{SimdLevel::sse2};
    if (supportedSimdLevel() >= SimdLevel::avx2) levels.push_back(SimdLevel::avx2);
    if (supportedSimdLevel() == SimdLevel::avx512) levels.push_back(SimdLevel::avx512);
    for (const SimdLevel level : levels) {
        for (const auto& [rate, lookAhead] :
             {std::pair{44100.0, 220}, std::pair{48000.0, 768}, std::pair{96000.0, 1536}}) {
            for (const double hertz : {1.0, 2.0, 7.0}) {
                FarPeakLine line;
                const std::vector<float> run = swellRun(static_cast<int>(rate / 2), hertz, rate);
                const Slide slide = slideScans(line, simdKernels(level), run, lookAhead, 7);
                EXPECT_GT(slide.settled, slide.scans * 2 / 3)
                    << hertz << " Hz at " << rate << " Hz, level " << static_cast<int>(level);
            }
        }
    }
}

// Far peaks on the very line that the near answer draws from the envelope
// tie with it, and the nearest must win: the line cannot show them below,
// and the scan is left to the others, or settled only where the loop agrees.
TEST(FarPeakLine, FarPeaksTiedWithTheNearAnswerAreNotSettledAway) {
    const std::int32_t lookAhead = 768;
    const float envelope = 2.0f;
    const float step = 0x1p-10f;
    FarPeakLine line;
    const Reciprocals reciprocals(lookAhead + 8);
    int settled = 0;
    for (int now = lookAhead; now < 4 * lookAhead; ++now) {
        // Every peak on the exact line envelope + step j, a far one here and
        // there a last place above it, so that it wins.
        std::vector<float> window(static_cast<std::size_t>(lookAhead) + 8, kThreshold);
        for (std::int32_t j = 1; j <= lookAhead; ++j)
            window[j] = envelope + step * static_cast<float>(j);
        const std::int32_t raised = 100 + now % (lookAhead - 100);
        if (now % 3 == 0) window[raised] = std::nextafter(window[raised], 100.0f);
        float fromLine = -1.0f, literal = -1.0f;
        std::int32_t steepest = -1;
        if (line.settle(kernels(), window.data(), reciprocals.table, lookAhead,
                        static_cast<std::uint64_t>(now), envelope, fromLine, steepest)) {
            ++settled;
            EXPECT_EQ(steepest, literalScan(window.data(), lookAhead, envelope, literal));
            EXPECT_EQ(bitsOf(fromLine), bitsOf(literal));
        }
    }
    EXPECT_EQ(settled, 0);
}

// One line serves scans of one look-ahead; another look-ahead starts it over.
TEST(FarPeakLine, AnotherLookAheadStartsTheLineOver) {
    FarPeakLine line;
    const std::vector<float> swell = swellRun(48000, 1.0, 48000.0);
    const Slide first = slideScans(line, kernels(), swell, 768, 11);
    const Slide second = slideScans(line, kernels(), swell, 1536, 12);
    const Slide third = slideScans(line, kernels(), swell, 220, 13);
    EXPECT_GT(first.settled, first.scans / 2);
    EXPECT_GT(second.settled, second.scans / 2);
    EXPECT_GT(third.settled, third.scans / 2);
}

// Four frames asked at once, after single scans built and raised the line:
// a frame let through must have no far peak that beats its nearest rise in
// the plain loop, and on a swell most frames are let through.
TEST(FarPeakLine, FourFramesAtOnceKeepOnlyWhatTheLoopKeeps) {
    for (const auto& [rate, lookAhead] : {std::pair{48000.0, 768}, std::pair{96000.0, 1536}}) {
        for (const double hertz : {1.0, 2.0, 7.0}) {
            const std::vector<float> run = swellRun(static_cast<int>(rate / 2), hertz, rate);
            const Reciprocals reciprocals(lookAhead + 8);
            std::vector<float> window(static_cast<std::size_t>(lookAhead) + 8, kThreshold);
            FarPeakLine line;
            int asked = 0, kept = 0;
            for (int now = lookAhead; now + 8 < static_cast<int>(run.size()); now += 5) {
                fillWindow(window, run, now, lookAhead);
                float target = (kThreshold - run[now - lookAhead]) / kRelease;
                std::int32_t steepest = 0;
                line.settle(kernels(), window.data(), reciprocals.table, lookAhead,
                            static_cast<std::uint64_t>(now), run[now - lookAhead], target,
                            steepest);
                // The next four frames, each from the peak that leaves then.
                const float* const first = run.data() + (now + 1 - lookAhead);
                float envelope[4], best[4];
                for (int k = 0; k < 4; ++k) {
                    envelope[k] = first[k];
                    best[k] = first[k + 1] - first[k];
                }
                const int keeps = _mm_movemask_ps(
                    line.confirmsFour(run.data() + now - 3, _mm_loadu_ps(run.data() + now + 1),
                                      lookAhead, static_cast<std::uint64_t>(now + 1),
                                      _mm_loadu_ps(envelope), _mm_loadu_ps(best)));
                for (int k = 0; k < 4; ++k, ++asked) {
                    if ((keeps >> k & 1) == 0) continue;
                    ++kept;
                    for (std::int32_t j = line.nearDistances() + 1; j < lookAhead; ++j)
                        ASSERT_LE((first[k + j] - envelope[k]) / static_cast<float>(j), best[k])
                            << "frame " << now + 1 + k << " distance " << j;
                }
            }
            EXPECT_GT(kept, asked / 2) << hertz << " Hz at " << rate << " Hz";
        }
    }
}
