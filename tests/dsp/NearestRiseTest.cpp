// Scans told to end at the nearest peak without a division must end there
// in the plain loop too, bit for bit, four frames side by side as the frame
// loop asks: on slow swells at every rate's look-ahead and with every
// instruction set, where most of the scans that end there must be told so,
// and on runs of every kind from envelopes of every kind.
#include "tests/support/FloatBits.h"
#include "tests/support/LiteralScan.h"
#include "tests/support/PeakRuns.h"
#include "tests/support/Reciprocals.h"

#include "dsp/NearestRise.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

using namespace peakruns;

struct Tally {
    int nearest = 0; // lanes whose near distances the nearest peak answers
    int told = 0;    // lanes told so
};

// Four frames at a time from each of many frames of `run`, lane k the frame
// k after it: every lane told must be one the literal scan over the near
// distances answers with the nearest peak and the same rise.
Tally tellNearest(const SimdKernels& kernels, const std::vector<float>& run, std::int32_t lookAhead,
                  std::int32_t near, bool onSwell, std::uint32_t seed) {
    signals::Random random(seed);
    const Reciprocals reciprocals(lookAhead + 32);
    const lanes::ChunkRules rules(kThreshold, static_cast<std::int32_t>(kRelease), lookAhead,
                                  reciprocals.table[lookAhead]);
    Tally tally;
    for (int now = lookAhead; now + 8 < static_cast<int>(run.size()); now += 1 + random.below(4)) {
        const float* const peaks = run.data() + (now - lookAhead);
        float envelope[4];
        for (int k = 0; k < 4; ++k) {
            const float leaving = peaks[k];
            envelope[k] = onSwell && random.below(4) != 0
                              ? leaving
                              : envelopeFor(run, now - lookAhead + k, random);
        }
        __m128 rise, accept;
        const int told = _mm_movemask_ps(nearest::answers(
            peaks, _mm_loadu_ps(envelope), rules, kernels, reciprocals.table, near, rise, accept));
        float rises[4];
        _mm_storeu_ps(rises, rise);
        for (int k = 0; k < 4; ++k) {
            float literal = (kThreshold - envelope[k]) / kRelease;
            const std::int32_t expected = literalScan(peaks + k, near + 1, envelope[k], literal);
            tally.nearest += expected == 1 ? 1 : 0;
            if ((told >> k & 1) == 0) continue;
            ++tally.told;
            const std::string where = "frame " + std::to_string(now + k);
            EXPECT_EQ(expected, 1) << where;
            EXPECT_EQ(bitsOf(rises[k]), bitsOf(literal)) << where;
            if (expected != 1) return tally;
        }
    }
    return tally;
}

} // namespace

TEST(NearestRise, SwellsAreToldWhereTheLoopEndsAtTheNearestPeak) {
    std::vector<SimdLevel> levels{SimdLevel::sse2};
    if (supportedSimdLevel() >= SimdLevel::avx2) levels.push_back(SimdLevel::avx2);
    if (supportedSimdLevel() == SimdLevel::avx512) levels.push_back(SimdLevel::avx512);
    for (const SimdLevel level : levels) {
        for (const auto& [rate, lookAhead, near] :
             {std::tuple{44100.0, 705, 32}, std::tuple{48000.0, 768, 48},
              std::tuple{96000.0, 1536, 96}}) {
            for (const double hertz : {1.0, 2.0, 7.0}) {
                const std::vector<float> run = swellRun(static_cast<int>(rate / 4), hertz, rate);
                const Tally tally = tellNearest(simdKernels(level), run, lookAhead, near, true, 5);
                EXPECT_GT(tally.told, tally.nearest / 2)
                    << hertz << " Hz at " << rate << " Hz, level " << static_cast<int>(level);
            }
        }
    }
}

TEST(NearestRise, RunsOfEveryKindAreToldOnlyWhereTheLoopEndsAtTheNearestPeak) {
    std::uint32_t seed = 21;
    for (const std::int32_t lookAhead : {220, 768}) {
        for (int round = 0; round < 3; ++round, ++seed) {
            const std::vector<float> run = peakRun(20 * lookAhead, seed);
            const Tally tally = tellNearest(simdKernels(preferredSimdLevel()), run, lookAhead,
                                            lookAhead < 512 ? 32 : 48, false, seed);
            EXPECT_GT(tally.told, 0);
        }
    }
}
