// The maximizer module: input gain, look-ahead limiter, output ceiling and
// the five meters, driven by the parameter values it is bound to.
#pragma once

#include "dsp/MaximizerCore.h"
#include "dsp/Module.h"
#include "dsp/ModuleList.h"

#include <atomic>

class DaVivadozoz final : public Module {
public:
    // Appends itself to the list it will be run by.
    explicit DaVivadozoz(ModuleList& list);

    std::int32_t kind() override { return 0; }
    // The look-ahead becomes the new rate's full 16 ms; the release keeps the
    // length in time that the Release parameter gives.
    void setSampleRate(std::int32_t rate) override;
    void parameterChanged(std::int32_t index, float value) override;
    void process(std::int32_t frames, std::int32_t tick) override;
    void reset() override { core.reset(); }

    // Wiring, at construction of the plug-in.
    void setInput(const SignalBlock* block) { input = block; }
    const SignalBlock& outputBlock() const { return output; }
    void bindGain(const std::atomic<float>* value) { gainInput = value; }
    void bindCeiling(const std::atomic<float>* value) { ceilingInput = value; }
    void bindRelease(const std::atomic<float>* value) { releaseInput = value; }
    void bindStereo(const std::atomic<float>* value) { stereoInput = value; }
    void bindIsp(const std::atomic<float>* value) { ispInput = value; }

    // Meter values, 0..1, written on control ticks and read by the editor.
    std::atomic<float> meterR{0.0f};
    std::atomic<float> meterI0{0.0f};
    std::atomic<float> meterI1{0.0f};
    std::atomic<float> meterO0{0.0f};
    std::atomic<float> meterO1{0.0f};

    const MaximizerCore& limiter() const { return core; }
    float outputCeiling() const { return ceiling.load(std::memory_order_relaxed); }
    float releaseMilliseconds() const { return releaseMs.load(std::memory_order_relaxed); }

    static constexpr int kTicksPerMeterUpdate = 31;

private:
    void updateReleaseLength();
    void updateMeters(float outCeiling);

    // releaseMs: release time, ms; ceiling: linear output ceiling. Both
    // recomputed by every parameter update (any thread).
    std::atomic<float> releaseMs{10.0f};
    std::atomic<float> ceiling{1.0f};
    MaximizerCore core;
    // meterTick: control ticks since the last meter update (audio thread).
    std::int32_t meterTick = 0;
    SignalBlock output;
    const SignalBlock* input;
    // Parameter values as the plug-in's rows hold them, 0..1.
    const std::atomic<float>* gainInput;
    const std::atomic<float>* ceilingInput;
    const std::atomic<float>* releaseInput;
    const std::atomic<float>* stereoInput;
    const std::atomic<float>* ispInput;
};
