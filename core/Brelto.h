// The concrete plug-in: the core with this effect's identity and its one
// module, the maximizer, bound to the parameter rows and meters by name.
#pragma once

#include "core/SynthCore.h"

#include <memory>

class DaVivadozoz;

class Brelto : public SynthCore {
public:
    static constexpr VstInt32 kUniqueId = 0x30696932; // '0ii2'
    static constexpr float kInitialRate = 44100.0f;

    // Any thread that loads the plug-in; host may be null.
    explicit Brelto(audioMasterCallback host);
    ~Brelto() override;

    // UI thread: reads the control's text and keeps nothing of it.
    void onTextEdited(int index, VSTGUI::CControl* control) override;

    const DaVivadozoz& maximizerModule() const { return *maximizer; }

private:
    void bindMaximizer();

    std::unique_ptr<DaVivadozoz> maximizer;
};
