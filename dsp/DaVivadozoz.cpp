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

void DaVivadozoz::setSampleRate(std::int32_t rate) {
    core.setSampleRate(rate);
    updateReleaseLength();
}

void DaVivadozoz::parameterChanged(std::int32_t, float) {
    const auto linearGain = static_cast<float>(laws::linearGain(valueOf(gainInput)));
    releaseMs.store(static_cast<float>(laws::releaseMilliseconds(valueOf(releaseInput))),
                    std::memory_order_relaxed);
    ceiling.store(static_cast<float>(laws::linearCeiling(valueOf(ceilingInput))),
                  std::memory_order_relaxed);
    updateReleaseLength();
    core.setSwitches(laws::switchedOn(valueOf(ispInput)), laws::switchedOn(valueOf(stereoInput)));
    core.setGain(linearGain);
}

// A parameter update may overlap a change of rate on another thread. The
// length is computed again until the rate it was computed for is still in
// place after it was stored, so the length left is never that of an old rate.
void DaVivadozoz::updateReleaseLength() {
    for (std::int32_t rate = core.sampleRate();;) {
        core.setReleaseFrames(laws::releaseFrames(rate, valueOf(releaseInput)));
        const std::int32_t now = core.sampleRate();
        if (now == rate) return;
        rate = now;
    }
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
