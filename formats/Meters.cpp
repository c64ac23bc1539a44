#include "formats/Controls.h"
#include "formats/PluginRecord.h"

#include "core/SynthCore.h"

namespace controls {

namespace {

// The core behind a record that the plug-in's own entry point made.
SynthCore& coreOf(PluginRecord& plugin) {
    return *static_cast<SynthCore*>(static_cast<AudioEffect*>(plugin.record()->object));
}

} // namespace

MeterReadings::MeterReadings(PluginRecord& plugin) {
    SynthCore& core = coreOf(plugin);
    for (int i = 0; i < kMeterCount; ++i)
        if (const ParamRow* row = core.lookupParamRow(kMeters[i].parameter))
            sources[i] = row->meterSource;
}

float MeterReadings::decibels(int meter) const {
    const float reading =
        sources[meter] != nullptr ? sources[meter]->load(std::memory_order_relaxed) : 0.0f;
    return meterDecibels(kMeters[meter], reading);
}

void GivenMeters::attach(PluginRecord& plugin) {
    SynthCore& core = coreOf(plugin);
    for (int i = 0; i < kMeterCount; ++i)
        if (ParamRow* row = core.lookupParamRow(kMeters[i].parameter))
            row->meterSource = &readings[i];
}

void GivenMeters::show(int meter, float decibels) {
    readings[meter].store(meterReading(kMeters[meter], decibels), std::memory_order_relaxed);
}

} // namespace controls
