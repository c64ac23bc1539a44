// Cost of processReplacing per stereo frame at 44,100 Hz with host blocks of
// 512, for signals that exercise the limiter differently, against a floor: a
// plain loop that only clips, applies the gain, delays and applies the ceiling.
#include "core/Brelto.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
constexpr int kSignalFrames = kRate * 4;
constexpr double kPi = 3.14159265358979323846;

double floorNanoseconds = 0.0;

struct Signal {
    std::vector<float> left, right;
};

std::uint32_t nextRandom(std::uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

float uniform(std::uint32_t& state) {
    return static_cast<float>(nextRandom(state)) / 4294967296.0f * 2.0f - 1.0f;
}

// Pink noise at -12 dBFS peak-ish level, from a three-pole filtered white noise.
Signal pinkNoise() {
    Signal s{std::vector<float>(kSignalFrames), std::vector<float>(kSignalFrames)};
    std::uint32_t state = 12345;
    float b[2][3] = {};
    for (int i = 0; i < kSignalFrames; ++i) {
        for (int c = 0; c < 2; ++c) {
            const float white = uniform(state);
            b[c][0] = 0.99765f * b[c][0] + white * 0.0990460f;
            b[c][1] = 0.96300f * b[c][1] + white * 0.2965164f;
            b[c][2] = 0.57000f * b[c][2] + white * 1.0526913f;
            const float pink = (b[c][0] + b[c][1] + b[c][2] + white * 0.1848f) * 0.25f * 0.25f;
            (c == 0 ? s.left : s.right)[i] = pink;
        }
    }
    return s;
}

// A rectified 7 Hz sine: the envelope rises slowly for tens of milliseconds,
// so the look-ahead scan runs on nearly every other frame.
Signal slowLoud() {
    Signal s{std::vector<float>(kSignalFrames), std::vector<float>(kSignalFrames)};
    for (int i = 0; i < kSignalFrames; ++i) {
        const auto v = static_cast<float>(std::fabs(std::sin(2.0 * kPi * 7.0 * i / kRate)));
        s.left[i] = v;
        s.right[i] = 0.9f * v;
    }
    return s;
}

Signal silence() {
    return {std::vector<float>(kSignalFrames), std::vector<float>(kSignalFrames)};
}

void runPlugin(benchmark::State& state, const Signal& signal, float gain, float isp) {
    Brelto plugin(nullptr);
    plugin.setSampleRate(static_cast<float>(kRate));
    plugin.setParameter(kGain, gain);
    plugin.setParameter(kIsp, isp);
    std::vector<float> outL(kBlock), outR(kBlock);
    int position = 0;
    for (auto _ : state) {
        float* in[2] = {const_cast<float*>(signal.left.data() + position),
                        const_cast<float*>(signal.right.data() + position)};
        float* out[2] = {outL.data(), outR.data()};
        plugin.processReplacing(in, out, kBlock);
        benchmark::DoNotOptimize(outL.data());
        position += kBlock;
        if (position + kBlock > kSignalFrames) position = 0;
    }
    state.SetItemsProcessed(state.iterations() * kBlock);
}

void report(benchmark::State& state, double seconds) {
    const double ns = seconds * 1e9 / (static_cast<double>(state.iterations()) * kBlock);
    state.counters["ns/frame"] = ns;
    state.counters["realtime"] = 1e9 / kRate / ns;
    if (floorNanoseconds > 0.0) state.counters["xfloor"] = ns / floorNanoseconds;
}

template <typename Body> void timed(benchmark::State& state, Body body) {
    const auto start = std::chrono::steady_clock::now();
    body();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    report(state, elapsed.count());
}

void floorLoop(benchmark::State& state) {
    const Signal signal = pinkNoise();
    constexpr int kLookAhead = 220;
    std::vector<float> delayLine(2 * kLookAhead);
    std::vector<float> outL(kBlock), outR(kBlock);
    const float gain = 2.0f, ceiling = 0.9f;
    int position = 0, slot = 0;
    auto clip = [](float x) { return x > 1.0f ? 1.0f : (x < -1.0f ? -1.0f : x); };
    timed(state, [&] {
        for (auto _ : state) {
            const float* in0 = signal.left.data() + position;
            const float* in1 = signal.right.data() + position;
            float* delay = delayLine.data();
            for (int i = 0; i < kBlock; ++i) {
                const float d0 = delay[2 * slot], d1 = delay[2 * slot + 1];
                delay[2 * slot] = clip(in0[i]) * gain;
                delay[2 * slot + 1] = clip(in1[i]) * gain;
                if (++slot == kLookAhead) slot = 0;
                outL[i] = ceiling * d0;
                outR[i] = ceiling * d1;
            }
            benchmark::DoNotOptimize(outL.data());
            benchmark::DoNotOptimize(outR.data());
            position += kBlock;
            if (position + kBlock > kSignalFrames) position = 0;
        }
    });
    floorNanoseconds = state.counters["ns/frame"];
}

void plugin(benchmark::State& state, Signal (*make)(), float gain, float isp) {
    const Signal signal = make();
    timed(state, [&] { runPlugin(state, signal, gain, isp); });
}

} // namespace

BENCHMARK(floorLoop)->Name("floor");
BENCHMARK_CAPTURE(plugin, silence_isp, silence, 0.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, silence_noisp, silence, 0.0f, 0.0f);
BENCHMARK_CAPTURE(plugin, pink_gain0_isp, pinkNoise, 0.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, pink_gain0_noisp, pinkNoise, 0.0f, 0.0f);
BENCHMARK_CAPTURE(plugin, pink_gain18_isp, pinkNoise, 0.6f, 1.0f);
BENCHMARK_CAPTURE(plugin, pink_gain18_noisp, pinkNoise, 0.6f, 0.0f);
BENCHMARK_CAPTURE(plugin, slowloud_isp, slowLoud, 1.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, slowloud_noisp, slowLoud, 1.0f, 0.0f);

BENCHMARK_MAIN();
