#include "core/Brelto.h"

AudioEffect* createEffectInstance(audioMasterCallback host) { return new Brelto(host); }

Brelto::Brelto(audioMasterCallback host) : SynthCore(host) {
    record.uniqueID = kUniqueId;
    notes().bendRange = &kVoiceMode;
    loadDefaultBank(platform::findResource(kBankResourceType, kBankResourceId));
    setProgram(0);
    setSampleRate(kInitialRate);
}

Brelto::~Brelto() = default;

// Bounded by the resource's own size, so that a damaged bank cannot be read past its end.
void Brelto::loadDefaultBank(const platform::ResourceBytes& bank) {
    if (bank.size <= kBankChunkOffset) return;
    setChunk(const_cast<unsigned char*>(bank.data + kBankChunkOffset),
             static_cast<VstInt32>(bank.size - kBankChunkOffset), false);
}

void Brelto::onTextEdited(int, VSTGUI::CControl*) {}
