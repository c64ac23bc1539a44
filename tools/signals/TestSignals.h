// Deterministic test signals built from integer noise and float arithmetic
// only, so both builds make the same samples.
#pragma once

#include <cstdint>
#include <vector>

namespace signals {

struct Random {
    std::uint32_t state;
    explicit Random(std::uint32_t seed) : state(seed ? seed : 1u) {}
    std::uint32_t next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    // Uniform in [-1, 1).
    float bipolar() { return static_cast<float>(next() >> 8) * (2.0f / 16777216.0f) - 1.0f; }
    int below(int n) { return static_cast<int>(next() % static_cast<std::uint32_t>(n)); }
};

// Interleaved stereo frames of varied material: noise, sines from a recursive
// oscillator, square bursts, impulses, silence and full-scale DC, at random
// levels and lengths, and some samples beyond full scale.
inline std::vector<float> varied(int frames, std::uint32_t seed) {
    Random random(seed);
    std::vector<float> out(2 * static_cast<std::size_t>(frames));
    int i = 0;
    while (i < frames) {
        const int kind = random.below(7);
        const int length = 1 + random.below(4000);
        const float level = (random.next() & 1) ? 1.5f * (random.bipolar() + 1.0f) * 0.5f
                                                : 0.1f + 0.9f * (random.bipolar() + 1.0f) * 0.5f;
        // Rotation by a small angle: c = cos, s = sin from a short series.
        const float angle = 0.001f + 0.2f * (random.bipolar() + 1.0f);
        const float c = 1.0f - angle * angle * 0.5f, s = angle - angle * angle * angle / 6.0f;
        float x = level, y = 0.0f;
        for (int k = 0; k < length && i < frames; ++k, ++i) {
            float l = 0.0f, r = 0.0f;
            switch (kind) {
            case 0:
                l = level * random.bipolar();
                r = level * random.bipolar();
                break;
            case 1: {
                const float nx = c * x - s * y;
                y = s * x + c * y;
                x = nx;
                l = x;
                r = 0.7f * y;
                break;
            }
            case 2:
                l = r = ((k / 37) & 1) ? level : -level;
                break;
            case 3:
                l = (k % 300 == 0) ? level : 0.0f;
                r = (k % 450 == 7) ? -level : 0.0f;
                break;
            case 4:
                break;
            case 5:
                l = r = 1.0f;
                break;
            default:
                l = level * random.bipolar();
                r = 0.0f;
                break;
            }
            out[2 * i] = l;
            out[2 * i + 1] = r;
        }
    }
    return out;
}

} // namespace signals
