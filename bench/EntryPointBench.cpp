// The cost of the plug-in around its limiter. Brelto.so is loaded through its
// entry point as a host loads it and run in host blocks of 64, 512 and 4096
// frames (chunking, meters, the time request per chunk), against the limiter
// core alone on the same signal with the settings read back from the plug-in;
// both give the same output bits, which is checked before timing. Then many
// instances at once, as a session of tracks runs them: 48 kHz, blocks of 64,
// how many fit in real time on one core, and the heap each one holds.
#include "bench/BenchSignals.h"
#include "core/ParamDef.h"
#include "dsp/MaximizerCore.h"
#include "dsp/ParameterLaws.h"
#include "tools/pluginhost/PluginLibrary.h"
#include "tools/render/PluginSession.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <stdexcept>
#include <vector>

namespace {

using benchsignals::kFrames;
using benchsignals::kRate;
using benchsignals::Signal;

constexpr float kHeavyGain = 0.6f; // +18 dB
constexpr int kCorePass = 512;

PluginModule& breltoModule() {
    static PluginModule module(PluginLibrary::programFolder() + "Brelto.so");
    return module;
}

std::unique_ptr<PluginInstance> startedPlugin(float isp, double rate, int block) {
    auto plugin = breltoModule().instantiate();
    plugin->setParameter(kGain, kHeavyGain);
    plugin->setParameter(kIsp, isp);
    plugin->start(rate, block);
    return plugin;
}

// The limiter core set as the plug-in's parameters set it.
void configureLike(PluginInstance& plugin, MaximizerCore& core) {
    core.setSampleRate(kRate);
    core.setGain(static_cast<float>(laws::linearGain(plugin.parameter(kGain))));
    core.setReleaseFrames(laws::releaseFrames(kRate, plugin.parameter(kRelease)));
    core.setSwitches(laws::switchedOn(plugin.parameter(kIsp)),
                     laws::switchedOn(plugin.parameter(kStereo)));
}

float coreCeiling(PluginInstance& plugin) {
    return static_cast<float>(laws::linearCeiling(plugin.parameter(kOutCeil)));
}

std::vector<float> interleaved(const Signal& signal) {
    std::vector<float> frames(2 * kFrames);
    for (int i = 0; i < kFrames; ++i) {
        frames[2 * i] = signal.left[i];
        frames[2 * i + 1] = signal.right[i];
    }
    return frames;
}

using Clock = std::chrono::steady_clock;

// Wall time per frame since `start`, of `frames` per iteration.
void reportPerFrame(benchmark::State& state, Clock::time_point start, int frames) {
    const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
    state.counters["ns/frame"] =
        elapsed.count() / (static_cast<double>(state.iterations()) * frames);
}

// Fails the benchmark unless core and plug-in agree on the first second.
void requireSameBits(Signal& signal, float isp) {
    auto plugin = startedPlugin(isp, kRate, kCorePass);
    MaximizerCore core;
    configureLike(*plugin, core);
    const std::vector<float> in = interleaved(signal);
    std::vector<float> coreOut(in.size()), left(kCorePass), right(kCorePass);
    for (int done = 0; done + kCorePass <= kRate; done += kCorePass) {
        core.process(in.data() + 2 * done, coreOut.data() + 2 * done, kCorePass,
                     coreCeiling(*plugin));
        float* inputs[2] = {signal.left.data() + done, signal.right.data() + done};
        float* outputs[2] = {left.data(), right.data()};
        plugin->process(inputs, outputs, kCorePass);
        for (int i = 0; i < kCorePass; ++i)
            if (std::memcmp(&left[i], &coreOut[2 * (done + i)], sizeof(float)) != 0 ||
                std::memcmp(&right[i], &coreOut[2 * (done + i) + 1], sizeof(float)) != 0)
                throw std::runtime_error("the plug-in and its core differ");
    }
}

void coreOnly(benchmark::State& state, Signal (*make)(), float isp) {
    Signal signal = make();
    requireSameBits(signal, isp);
    auto plugin = startedPlugin(isp, kRate, kCorePass);
    MaximizerCore core;
    configureLike(*plugin, core);
    const float ceiling = coreCeiling(*plugin);
    const std::vector<float> in = interleaved(signal);
    std::vector<float> out(2 * kCorePass);
    int position = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        core.process(in.data() + 2 * position, out.data(), kCorePass, ceiling);
        benchmark::DoNotOptimize(out.data());
        position += kCorePass;
        if (position + kCorePass > kFrames) position = 0;
    }
    reportPerFrame(state, start, kCorePass);
}

void entryPoint(benchmark::State& state, Signal (*make)(), float isp) {
    Signal signal = make();
    const auto block = static_cast<int>(state.range(0));
    auto plugin = startedPlugin(isp, kRate, block);
    std::vector<float> left(block), right(block);
    int position = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        float* inputs[2] = {signal.left.data() + position, signal.right.data() + position};
        float* outputs[2] = {left.data(), right.data()};
        plugin->process(inputs, outputs, block);
        benchmark::DoNotOptimize(left.data());
        position += block;
        if (position + block > kFrames) position = 0;
    }
    reportPerFrame(state, start, block);
}

constexpr int kSessionRate = 48000;
constexpr int kSessionBlock = 64;
constexpr int kSessionInstances = 32;

std::size_t heapInUse() {
    return mallinfo2().uordblks;
}

// Instances that each own their input, processed one block each in turn.
void session(benchmark::State& state, Signal (*make)()) {
    Signal signal = make();
    breltoModule();
    std::vector<std::unique_ptr<PluginInstance>> plugins;
    const std::size_t heapBefore = heapInUse();
    for (int i = 0; i < kSessionInstances; ++i)
        plugins.push_back(startedPlugin(1.0f, kSessionRate, kSessionBlock));
    const std::size_t heapPerInstance = (heapInUse() - heapBefore) / kSessionInstances;
    std::vector<float> left(kSessionBlock), right(kSessionBlock);
    int position = 0;
    const Clock::time_point start = Clock::now();
    for (auto _ : state) {
        for (int i = 0; i < kSessionInstances; ++i) {
            // Each instance reads its own stretch of the signal.
            const int at = (position + i * 4099) % (kFrames - kSessionBlock);
            float* inputs[2] = {signal.left.data() + at, signal.right.data() + at};
            float* outputs[2] = {left.data(), right.data()};
            plugins[i]->process(inputs, outputs, kSessionBlock);
            benchmark::DoNotOptimize(left.data());
        }
        position += kSessionBlock;
        if (position + kSessionBlock > kFrames) position = 0;
    }
    // One block of every instance takes this share of the block's duration.
    const std::chrono::duration<double> elapsed = Clock::now() - start;
    const double blockSeconds = static_cast<double>(kSessionBlock) / kSessionRate;
    const double load = elapsed.count() / static_cast<double>(state.iterations()) / blockSeconds;
    state.counters["instances"] = kSessionInstances / load;
    state.counters["heap bytes/instance"] = static_cast<double>(heapPerInstance);
}

} // namespace

BENCHMARK_CAPTURE(coreOnly, pink_gain18_isp, benchsignals::pinkNoise, 1.0f);
BENCHMARK_CAPTURE(entryPoint, pink_gain18_isp, benchsignals::pinkNoise, 1.0f)
    ->Arg(64)
    ->Arg(512)
    ->Arg(4096);
BENCHMARK_CAPTURE(coreOnly, pink_gain18_noisp, benchsignals::pinkNoise, 0.0f);
BENCHMARK_CAPTURE(entryPoint, pink_gain18_noisp, benchsignals::pinkNoise, 0.0f)
    ->Arg(64)
    ->Arg(512)
    ->Arg(4096);
BENCHMARK_CAPTURE(coreOnly, silence_isp, benchsignals::silence, 1.0f);
BENCHMARK_CAPTURE(entryPoint, silence_isp, benchsignals::silence, 1.0f)
    ->Arg(64)
    ->Arg(512)
    ->Arg(4096);
BENCHMARK_CAPTURE(session, pink_gain18_isp, benchsignals::pinkNoise);
BENCHMARK_CAPTURE(session, slowloud_isp, benchsignals::slowLoud);
