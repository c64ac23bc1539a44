#include "core/Brelto.h"

#include "core/Identity.h"
#include "dsp/DaVivadozoz.h"

Brelto::Brelto(audioMasterCallback host) : SynthCore(host) {
    record.uniqueID = identity::kUniqueId;
    maximizer = std::make_unique<DaVivadozoz>(modules());
    setInitialDelay(maximizer->limiter().lookAheadFrames());
    notes().bendRange = &kVoiceMode;
    bindMaximizer();
    loadDefaultBank(platform::findResource(kBankResourceType, kBankResourceId));
    setProgram(0);
    setSampleRate(kInitialRate);
}

Brelto::~Brelto() = default;

// The host learns of a new delay at once, so that it can align this track
// with the others.
void Brelto::setSampleRate(float rate) {
    SynthCore::setSampleRate(rate);
    const VstInt32 delay = maximizer->limiter().lookAheadFrames();
    if (delay == record.initialDelay) return;
    setInitialDelay(delay);
    ioChanged();
}

void Brelto::bindMaximizer() {
    maximizer->setInput(&modules().input());
    // A name that is not found leaves the input on its constant 0.
    auto bind = [this](const char* name, void (DaVivadozoz::*to)(const std::atomic<float>*)) {
        if (ParamRow* row = lookupParamRow(name)) (maximizer.get()->*to)(&row->value);
    };
    bind("OutCeil", &DaVivadozoz::bindCeiling);
    bind("Gain", &DaVivadozoz::bindGain);
    bind("Release", &DaVivadozoz::bindRelease);
    bind("ISP", &DaVivadozoz::bindIsp);
    bind("Stereo", &DaVivadozoz::bindStereo);
    modules().setOutputSource(&maximizer->outputBlock());

    auto meter = [this](const char* name, const std::atomic<float>& value) {
        if (ParamRow* row = lookupParamRow(name)) row->meterSource = &value;
    };
    meter("MeterR", maximizer->meterR);
    meter("MeterI0", maximizer->meterI0);
    meter("MeterI1", maximizer->meterI1);
    meter("MeterO0", maximizer->meterO0);
    meter("MeterO1", maximizer->meterO1);
}

// Bounded by the resource's own size, so that a damaged bank cannot be read past its end.
void Brelto::loadDefaultBank(const platform::ResourceBytes& bank) {
    if (bank.size <= kBankChunkOffset) return;
    setChunk(const_cast<unsigned char*>(bank.data + kBankChunkOffset),
             static_cast<VstInt32>(bank.size - kBankChunkOffset), false);
}

void Brelto::onTextEdited(int, const char*) {}
