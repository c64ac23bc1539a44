// The plug-in module's instance: the plug-in object with its editor. The
// core knows nothing of the toolkit, so the editor is attached here.
#include "core/Brelto.h"
#include "editor/GUIEditor.h"
#include "vstgui/CKnob.h"

#include <memory>

AudioEffect* createEffectInstance(audioMasterCallback host) {
    auto effect = std::make_unique<Brelto>(host);
    // The plug-in owns its editor from here on.
    auto* editor = new GUIEditor(effect.get());
    // Every new plug-in object puts the editors of the process into linear mode.
    editor->setKnobMode(VSTGUI::kLinearMode);
    return effect.release();
}
