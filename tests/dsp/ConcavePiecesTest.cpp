// Scans settled from the concave pieces of a window must answer exactly as
// full scans do, and must settle most scans of a noisy swell.
#include "tests/support/Reciprocals.h"
#include "tools/signals/TestSignals.h"

#include "dsp/ConcaveRise.h"
#include "dsp/LookAheadScan.h"
#include "dsp/SimdKernels.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

std::uint32_t bits(float value) {
    std::uint32_t b;
    std::memcpy(&b, &value, sizeof(b));
    return b;
}

constexpr float kThreshold = 0.999f;
constexpr double kPi = 3.141592653589793;

// Peaks of both channels, one frame after another: swells of a rectified
// sine rounded as the limiter rounds them, concave steps with dents, plateaus
// and jumps beyond a factor of two.
std::vector<float> peakSequence(int frames, std::uint32_t seed) {
    signals::Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    for (int c = 0; c < 2; ++c) {
        double phase = 0.0;
        float value = 2.0f, step = 0.01f;
        for (int i = 0; i < frames;) {
            const int kind = random.below(4);
            const int length = 100 + random.below(2000);
            const float gain = 1.0f + 40.0f * (random.bipolar() + 1.0f);
            const double hertz = 2.0 + 10.0 * (random.bipolar() + 1.0);
            for (int k = 0; k < length && i < frames; ++k, ++i) {
                float v = value;
                if (kind == 0) {
                    phase += 2.0 * kPi * hertz / 44100.0;
                    v = static_cast<float>(0.5 * std::fabs(std::sin(phase))) * gain;
                } else if (kind == 1) {
                    step = random.below(50) == 0 ? step + 0.02f * (random.bipolar() + 1.0f)
                                                 : step - 1e-5f * (random.bipolar() + 1.0f);
                    v = value + step;
                } else if (kind == 3 && random.below(100) == 0) {
                    v = value * (random.below(2) ? 3.0f : 0.3f);
                }
                value = v < kThreshold ? kThreshold : v;
                out[2 * i + c] = value;
            }
        }
    }
    return out;
}

} // namespace

TEST(ConcavePieces, SettledScansAnswerAsFullScans) {
    signals::Random random(77);
    for (const int lookAhead : {4, 37, 220, 441, 1536}) {
        const int frames = 40000;
        const std::vector<float> sequence = peakSequence(frames, 5u + lookAhead);
        Reciprocals reciprocals(lookAhead);
        ConcaveRuns runs;
        runs.clear();
        std::vector<float> chunk(2 * (2 + ConcaveRuns::kMaxFrames + 1));
        std::vector<float> window(lookAhead + kScanSlack + 1);
        int settled = 0, scans = 0;
        for (int first = 0; first < frames;) {
            const int count = std::min(1 + random.below(ConcaveRuns::kMaxFrames), frames - first);
            std::copy(sequence.begin() + 2 * first, sequence.begin() + 2 * (first + count),
                      chunk.begin() + 4);
            // A chunk now and then is left untracked, as a chunk at rest is.
            runs.track(chunk.data() + 4, count, random.below(30) != 0);
            for (int i = 0; i < count && runs.tracking(); ++i) {
                const int now = first + i;
                if (now < lookAhead) continue;
                for (int c = 0; c < 2; ++c) {
                    for (int j = 1; j < lookAhead; ++j)
                        window[j] = sequence[2 * (now - lookAhead + j) + c];
                    const float before = sequence[2 * (now - lookAhead) + c];
                    const int kind = random.below(4);
                    float envelope = kind == 0   ? before
                                     : kind == 1 ? window[1]
                                     : kind == 2 ? std::nextafter(window[1], 0.0f)
                                                 : before * (1.0f + 0.01f * random.bipolar());
                    if (envelope < kThreshold) envelope = kThreshold;
                    const float release = (kThreshold - envelope) / 139.0f;
                    float settledTarget = release, fullTarget = release;
                    std::int32_t settledSteepest = -1;
                    ++scans;
                    if (!runs.settlePieces(c, i, window.data(), lookAhead, envelope, settledTarget,
                                           settledSteepest))
                        continue;
                    ++settled;
                    const std::int32_t fullSteepest =
                        simdKernels(preferredSimdLevel())
                            .scanForSteepestRise(window.data(), reciprocals.table, lookAhead,
                                                 envelope, fullTarget);
                    ASSERT_EQ(settledSteepest, fullSteepest)
                        << "look-ahead " << lookAhead << " frame " << now << " channel " << c;
                    ASSERT_EQ(bits(settledTarget), bits(fullTarget))
                        << "look-ahead " << lookAhead << " frame " << now << " channel " << c;
                }
            }
            first += count;
        }
        // Swells and dented runs make up about half of the material; the
        // longest windows hold more pieces than are followed.
        EXPECT_GT(settled, scans / 10) << "look-ahead " << lookAhead;
    }
}
