// Cost of processReplacing per stereo frame at 44,100 Hz with host blocks of
// 512, for signals that exercise the limiter differently, against a floor: a
// plain loop that only clips, applies the gain, delays and applies the ceiling.
#include "bench/BenchSignals.h"
#include "core/Brelto.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <vector>

namespace {

using benchsignals::kRate;
using benchsignals::Signal;
constexpr int kBlock = 512;
constexpr int kSignalFrames = benchsignals::kFrames;

double floorNanoseconds = 0.0;

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
    const Signal signal = benchsignals::pinkNoise();
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
BENCHMARK_CAPTURE(plugin, silence_isp, benchsignals::silence, 0.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, silence_noisp, benchsignals::silence, 0.0f, 0.0f);
BENCHMARK_CAPTURE(plugin, pink_gain0_isp, benchsignals::pinkNoise, 0.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, pink_gain0_noisp, benchsignals::pinkNoise, 0.0f, 0.0f);
BENCHMARK_CAPTURE(plugin, pink_gain18_isp, benchsignals::pinkNoise, 0.6f, 1.0f);
BENCHMARK_CAPTURE(plugin, pink_gain18_noisp, benchsignals::pinkNoise, 0.6f, 0.0f);
BENCHMARK_CAPTURE(plugin, slowloud_isp, benchsignals::slowLoud, 1.0f, 1.0f);
BENCHMARK_CAPTURE(plugin, slowloud_noisp, benchsignals::slowLoud, 1.0f, 0.0f);

BENCHMARK_MAIN();
