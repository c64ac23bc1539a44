// Chunks whose samples all lie below kQuietShare of the threshold skip the
// spline: its estimates are the floor. The samples that give the spline its
// largest overshoot, just below that share, must keep it below the floor.
#include "tests/support/FloatBits.h"
#include "tests/support/ReferenceMaximizer.h"

#include "dsp/IspSpline.h"
#include "dsp/MaximizerCore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>
#include <xmmintrin.h>

namespace {

// The signs that make the spline's middle point largest, oldest sample
// first, repeated: every fifth window sums the weights' magnitudes.
std::vector<float> worstCase(float magnitude, int frames) {
    const float signs[] = {1.0f, -1.0f, 1.0f, 1.0f, -1.0f};
    std::vector<float> out;
    for (int i = 0; i < frames; ++i)
        out.insert(out.end(), 2, signs[i % 5] * magnitude);
    return out;
}

} // namespace

TEST(QuietSpline, TheLargestOvershootBelowTheShareStaysBelowTheFloor) {
    const float quiet = std::nextafter(kQuietShare * MaximizerCore::kThreshold, 0.0f);
    const std::vector<float> samples = worstCase(quiet, 100);
    reference::Spline spline;
    float largest = 0.0f;
    for (std::size_t k = 0; k < samples.size(); k += 2)
        largest = std::max(largest, spline.estimate(samples[k]));
    EXPECT_LT(largest, MaximizerCore::kThreshold);
    // The bound is near: these samples raise the spline well above themselves.
    EXPECT_GT(largest, 1.35f * quiet);
}

TEST(QuietSpline, QuietChunksLimitExactlyAsTheReference) {
    _mm_setcsr(_mm_getcsr() | 0x8800); // as the processing frame runs
    // At unity gain: worst-case stretches just below the share, then just
    // above it, so that chunks fall on both sides.
    const float share = kQuietShare * MaximizerCore::kThreshold;
    std::vector<float> input = worstCase(std::nextafter(share, 0.0f), 3000);
    const std::vector<float> louder = worstCase(std::nextafter(share, 1.0f), 3000);
    input.insert(input.end(), louder.begin(), louder.end());
    input.insert(input.end(), 6000, 0.0f);
    MaximizerCore core;
    reference::Maximizer ref;
    ref.setParameters(0.0f, 1.0f, 0.25f, 1.0f, 1.0f);
    core.setGain(ref.gain);
    core.setReleaseFrames(ref.releaseFrames);
    core.setSwitches(true, true);
    std::vector<float> out(input.size());
    const int frames = static_cast<int>(input.size() / 2);
    for (int first = 0; first < frames; first += 97) {
        const int count = std::min(97, frames - first);
        core.process(&input[2 * first], &out[2 * first], count, ref.ceiling);
    }
    for (int i = 0; i < frames; ++i) {
        float expected[2] = {input[2 * i], input[2 * i + 1]};
        ref.process(expected);
        ASSERT_EQ(bitsOf(out[2 * i]), bitsOf(expected[0])) << "frame " << i;
        ASSERT_EQ(bitsOf(out[2 * i + 1]), bitsOf(expected[1])) << "frame " << i;
    }
}
