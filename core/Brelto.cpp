#include "core/Brelto.h"

AudioEffect* createEffectInstance(audioMasterCallback host) { return new Brelto(host); }

Brelto::Brelto(audioMasterCallback host) : SynthCore(host) {
    record.uniqueID = kUniqueId;
    setProgram(0);
    setSampleRate(kInitialRate);
}

Brelto::~Brelto() = default;

void Brelto::onTextEdited(int, VSTGUI::CControl*) {}
