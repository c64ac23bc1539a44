#include "dsp/DaVivadozoz.h"

#include "dsp/Meters.h"
#include "dsp/ParameterLaws.h"

#include <cmath>
#include <initializer_list>

namespace {

// Inputs read this until they are bound.
const std::atomic<float> kUnbound{0.0f};

constexpr float kReductionFall = 0.05f; // per meter update
constexpr float kPeakDecay = 0.9f;
constexpr float kPeakFloor = 0.0001f;

float valueOf(const std::atomic<float>* input) {
    return input->load(std::memory_order_relaxed);
}

} // namespace

DaVivadozoz::DaVivadozoz(ModuleList& list)
    : input(&ModuleList::silentBlock()), gainInput(&kUnbound), ceilingInput(&kUnbound),
      releaseInput(&kUnbound), stereoInput(&kUnbound), ispInput(&kUnbound) {
    list.append(this);
    reset();
}

void DaVivadozoz::parameterChanged(std::int32_t, float) {
    const auto linearGain = static_cast<float>(laws::linearGain(valueOf(gainInput)));
    releaseMs = static_cast<float>(laws::releaseMilliseconds(valueOf(releaseInput)));
    ceiling.store(static_cast<float>(laws::linearCeiling(valueOf(ceilingInput))),
                  std::memory_order_relaxed);
    core.setReleaseFrames(laws::releaseFrames(core.sampleRate(), valueOf(releaseInput)));
    core.setSwitches(laws::switchedOn(valueOf(ispInput)), laws::switchedOn(valueOf(stereoInput)));
    core.setGain(linearGain);
}

void DaVivadozoz::process(std::int32_t frames, std::int32_t tick) {
    // The chunk's audio and its meters use one ceiling.
    const float outCeiling = ceiling.load(std::memory_order_relaxed);
    core.process(input->frames, output.frames, frames, outCeiling);
    if (tick != 0) updateMeters(outCeiling);
}

void DaVivadozoz::updateMeters(float outCeiling) {
    if (++meterTick < kTicksPerMeterUpdate) return;
    meterTick = 0;
    MaximizerCore::Meters& m = core.meters();
    float reduction = meterR.load(std::memory_order_relaxed) - kReductionFall;
    if (reduction < 0.0f) reduction = 0.0f;
    const float current = 1.0f - meterScale((m.channelGain[1] + m.channelGain[0]) * 0.5f);
    if (current > reduction) reduction = current;
    meterR.store(reduction, std::memory_order_relaxed);

    meterI0.store(meterScale(m.inputPeak[0]), std::memory_order_relaxed);
    meterI1.store(meterScale(m.inputPeak[1]), std::memory_order_relaxed);
    meterO0.store(meterScale(m.outputPeak[0] * outCeiling), std::memory_order_relaxed);
    meterO1.store(meterScale(m.outputPeak[1] * outCeiling), std::memory_order_relaxed);
    for (float* peak : {&m.inputPeak[0], &m.inputPeak[1], &m.outputPeak[0], &m.outputPeak[1]})
        *peak = *peak * kPeakDecay + kPeakFloor;
}
