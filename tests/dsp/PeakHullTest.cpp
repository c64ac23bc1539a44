// Scans answered from the hull of the coming peaks must find what the plain
// loop finds, the first strict maximum of the rounded quotients, frame after
// frame as the window slides: through ties, plateaus, exact lines through the
// envelope, collinear runs, peaks leaving while they are hull vertices, long
// look-aheads and rises far from exact.
#include "tests/support/FloatBits.h"
#include "tests/support/LiteralScan.h"
#include "tests/support/PeakRuns.h"
#include "tools/signals/TestSignals.h"

#include "dsp/PeakHull.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace peakruns;

// Asks the hull for the scan of frame `now` from `envelope` and `release`;
// where it answers, the answer must be the literal scan's, bit for bit.
// Returns the literal scan's distance, or -1 where the hull left the scan.
std::int32_t compareScan(PeakHull& hull, const std::vector<float>& window, std::int32_t lookAhead,
                         int now, float envelope, float release) {
    float fromHull = release, literal = release;
    std::int32_t steepest = -1;
    if (!hull.settle(window.data(), lookAhead, static_cast<std::uint64_t>(now), envelope, fromHull,
                     steepest))
        return -1;
    const std::int32_t expected = literalScan(window.data(), lookAhead, envelope, literal);
    EXPECT_EQ(steepest, expected) << "look-ahead " << lookAhead << " frame " << now;
    EXPECT_EQ(bitsOf(fromHull), bitsOf(literal)) << "look-ahead " << lookAhead << " frame " << now;
    return steepest == expected && bitsOf(fromHull) == bitsOf(literal) ? expected : -2;
}

// Slides windows of `lookAhead` peaks over `run`, asking the hull on most
// frames, now and then skipping a few and rarely up to a window; every
// settled scan must match the literal scan bit for bit. Returns the share of
// its scans that the hull settled.
double compareSlidingScans(const std::vector<float>& run, std::int32_t lookAhead,
                           std::uint32_t seed) {
    signals::Random random(seed);
    PeakHull hull;
    EXPECT_TRUE(hull.allocate(lookAhead));
    std::vector<float> window(static_cast<std::size_t>(lookAhead) + 1);
    int settled = 0, scans = 0;
    for (int now = lookAhead; now + 2 < static_cast<int>(run.size()); ++scans) {
        fillWindow(window, run, now, lookAhead);
        const float envelope = envelopeFor(run, now - lookAhead, random);
        const std::int32_t found =
            compareScan(hull, window, lookAhead, now, envelope, (kThreshold - envelope) / kRelease);
        if (found == -2) return 0.0;
        if (found >= 0) ++settled;
        const int roll = random.below(200);
        now += roll == 0 ? 1 + random.below(lookAhead) : roll < 10 ? 2 + random.below(4) : 1;
    }
    return static_cast<double>(settled) / scans;
}

TEST(PeakHull, SlidingScansFindThePlainLoopsAnswer) {
    std::uint32_t seed = 1;
    for (const std::int32_t lookAhead : {16, 17, 220, 768, 1536, 3072}) {
        for (int round = 0; round < (lookAhead > 1000 ? 2 : 6); ++round, ++seed) {
            const std::vector<float> run = peakRun(12 * lookAhead + 4000, seed);
            EXPECT_GT(compareSlidingScans(run, lookAhead, seed), lookAhead < 32 ? 0.4 : 0.6)
                << "look-ahead " << lookAhead << " seed " << seed;
        }
    }
}

// The window's upper hull, distances of its vertices in increasing order,
// computed here from scratch (products of float differences with distances
// are exact in double).
std::vector<std::int32_t> upperHull(const std::vector<float>& window, std::int32_t lookAhead) {
    std::vector<std::int32_t> hull;
    for (std::int32_t j = 1; j < lookAhead; ++j) {
        while (hull.size() >= 2) {
            const std::int32_t a = hull[hull.size() - 2], b = hull.back();
            const double cross = (b - a) * (static_cast<double>(window[j]) - window[b]) -
                                 (static_cast<double>(window[b]) - window[a]) * (j - b);
            if (cross < 0.0) break;
            hull.pop_back();
        }
        hull.push_back(j);
    }
    return hull;
}

// Envelopes on the line through two neighbouring vertices of the window's
// hull, give or take a few units in the last place: the two vertices, and
// peaks just under the edge between them, have quotients equal to within a
// rounding, the nearest of which must win. With peaks far above or below the
// envelope, the rises themselves are rounded.
TEST(PeakHull, NearTiesOnAnEdgeOfTheHullGoToTheNearest) {
    signals::Random random(9);
    int settled = 0, scans = 0;
    for (const std::int32_t lookAhead : {64, 700}) {
        const std::vector<float> run = peakRun(30 * lookAhead, 40u + lookAhead);
        PeakHull hull;
        ASSERT_TRUE(hull.allocate(lookAhead));
        std::vector<float> window(lookAhead + 1);
        for (int now = lookAhead; now < static_cast<int>(run.size()); ++now, ++scans) {
            fillWindow(window, run, now, lookAhead);
            const std::vector<std::int32_t> vertices = upperHull(window, lookAhead);
            float envelope = kThreshold;
            if (vertices.size() >= 2) {
                const std::size_t k = random.below(static_cast<int>(vertices.size()) - 1);
                const double a = vertices[k], b = vertices[k + 1];
                const double slope =
                    (static_cast<double>(window[vertices[k + 1]]) - window[vertices[k]]) / (b - a);
                float e = static_cast<float>(window[vertices[k]] - slope * a);
                for (int step = random.below(5) - 2; step != 0; step += step > 0 ? -1 : 1)
                    e = std::nextafter(e, step > 0 ? 100.0f : 0.0f);
                envelope = std::fmax(e, kThreshold);
            }
            const std::int32_t found = compareScan(hull, window, lookAhead, now, envelope,
                                                   (kThreshold - envelope) / kRelease);
            ASSERT_NE(found, -2);
            if (found >= 0) ++settled;
        }
    }
    EXPECT_GT(settled, scans / 2);
}

// A window whose peaks all lie on one exact line through the envelope ties
// every quotient: the nearest must win, from the hull or from the full scan.
// Short runs of such peaks, between peaks below the line, are settled.
TEST(PeakHull, TiesOnAnExactLineGoToTheNearest) {
    const std::int32_t lookAhead = 256;
    std::vector<float> run;
    for (int k = 0; k < 40 * lookAhead; ++k) {
        // Runs of 24 collinear peaks rising by 2^-8 a frame from 2, and dips.
        const int phase = k % 64;
        run.push_back(phase < 24 ? 2.0f + std::ldexp(static_cast<float>(phase), -8) : 1.5f);
    }
    PeakHull hull;
    ASSERT_TRUE(hull.allocate(lookAhead));
    std::vector<float> window(lookAhead + 1);
    int settled = 0, tiedAtNearest = 0;
    for (int now = lookAhead; now + 2 < static_cast<int>(run.size()); ++now) {
        fillWindow(window, run, now, lookAhead);
        // The envelope one step below the first peak on the line, so all the
        // run's quotients equal the step exactly.
        const float first = window[1];
        const float envelope = first == 1.5f ? 1.5f : first - 0x1p-8f;
        const std::int32_t found = compareScan(hull, window, lookAhead, now, envelope, -1.0f);
        ASSERT_NE(found, -2);
        if (found >= 0) ++settled;
        if (first != 1.5f && found == 1) ++tiedAtNearest;
    }
    EXPECT_GT(settled, 30 * lookAhead);
    EXPECT_GT(tiedAtNearest, 5 * lookAhead);
}

// A tall peak slides through the window: it is the touching vertex while it
// is there, and its leaving must bring back the vertices it hid.
TEST(PeakHull, APeakLeavingFromTheHullUncoversThePeaksBehindIt) {
    const std::int32_t lookAhead = 300;
    std::vector<float> run;
    for (int k = 0; k < 20 * lookAhead; ++k)
        run.push_back(k % 700 == 0 ? 30.0f : 2.0f + 0.5f * std::sin(0.01f * static_cast<float>(k)));
    PeakHull hull;
    ASSERT_TRUE(hull.allocate(lookAhead));
    std::vector<float> window(lookAhead + 1);
    int settled = 0, aimedAtTall = 0;
    for (int now = lookAhead; now < static_cast<int>(run.size()); ++now) {
        fillWindow(window, run, now, lookAhead);
        const float envelope = run[static_cast<std::size_t>(now - lookAhead)];
        const std::int32_t found = compareScan(hull, window, lookAhead, now, envelope, -0.001f);
        ASSERT_NE(found, -2);
        if (found >= 0) ++settled;
        if (found > 0 && window[static_cast<std::size_t>(found)] == 30.0f) ++aimedAtTall;
    }
    EXPECT_GT(settled, 15 * lookAhead);
    EXPECT_GT(aimedAtTall, 5 * lookAhead);
}

// The scan of `window` from a hull built `slid` frames before it, over peaks
// level with its nearest one, so that its newest `slid` peaks are in the
// back; compared as compareScan compares it.
std::int32_t scanAfterSliding(const std::vector<float>& window, std::int32_t lookAhead,
                              float envelope, int slid) {
    const int scansBefore = 8 + slid; // the hull is built on the ninth
    const int now = lookAhead + scansBefore;
    std::vector<float> run(static_cast<std::size_t>(now), window[1]);
    for (std::int32_t j = 1; j < lookAhead; ++j)
        run[static_cast<std::size_t>(now - lookAhead + j)] = window[j];
    PeakHull hull;
    EXPECT_TRUE(hull.allocate(lookAhead));
    std::vector<float> earlier(window.size());
    for (int frame = now - scansBefore; frame < now; ++frame) {
        fillWindow(earlier, run, frame, lookAhead);
        float ignored = -1.0f;
        std::int32_t steepest = 0;
        hull.settle(earlier.data(), lookAhead, static_cast<std::uint64_t>(frame), envelope, ignored,
                    steepest);
    }
    return compareScan(hull, window, lookAhead, now, envelope, -1.0f);
}

// Windows whose steepest line from the nearest peak runs within a rounding of
// the nearest rise r_1, to a last peak `far` frames on whose exact quotient
// lies within a unit in the last place of r_1; the other peaks lie well below
// the line. Rising windows stay below twice the envelope, where rises are
// exact, so the last peak wins when its quotient lies more than half a unit
// above r_1. Falling windows end below half the envelope, where the rise to
// the last peak is rounded, and it may then win from below that half unit,
// from either hull. Both kinds occur.
TEST(PeakHull, QuotientsWithinARoundingOfTheNearestRiseRoundAsTheLoopRounds) {
    signals::Random random(21);
    int roundedUp = 0, fromBelowTheMidpoint = 0;
    for (int trial = 0; trial < 40000; ++trial) {
        const bool falling = trial % 2 != 0;
        const std::int32_t lookAhead = 16 + random.below(200);
        const int far = lookAhead - 1;
        const float unit = 0.5f * (random.bipolar() + 1.0f);
        const float envelope = falling ? 15.5f + 0.49f * unit : 1.75f + 0.25f * unit;
        const float share = falling ? -0.501f - 0.03f * unit : 0.5f + 0.5f * unit;
        std::vector<float> window(lookAhead + 1);
        window[1] = envelope + envelope * share / static_cast<float>(far);
        const float rise = window[1] - envelope;
        for (std::int32_t j = 2; j < far; ++j)
            window[j] = std::fmax(envelope + static_cast<float>(j) * rise * (falling ? 1.5f : 0.5f),
                                  kThreshold);
        const double place = static_cast<double>(std::nextafter(rise, 100.0f)) - rise;
        const double quotient = rise + place * (falling ? -1.5 + 2.0 * unit : 1.5 * unit);
        window[far] = static_cast<float>(envelope + far * quotient);
        const std::int32_t found =
            scanAfterSliding(window, lookAhead, envelope, trial % 4 < 2 ? 16 : 0);
        ASSERT_NE(found, -2);
        const double exact = (static_cast<double>(window[far]) - envelope) / far;
        if (found == far && exact < rise + place) ++roundedUp;
        if (found == far && exact < rise + 0.5 * place) ++fromBelowTheMidpoint;
    }
    EXPECT_GT(roundedUp, 100);
    EXPECT_GT(fromBelowTheMidpoint, 10);
}

} // namespace
