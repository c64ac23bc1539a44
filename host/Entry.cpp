// The module's exported entry point: VSTPluginMain, exported a second time as
// "main" at the same address (by the module-definition file on Windows and by
// the linker on Linux).
#include "host/AudioEffect.h"

#include <new>

// Defined by the plug-in: a new instance, constructed completely.
AudioEffect* createEffectInstance(audioMasterCallback host);

extern "C" __attribute__((visibility("default"))) AEffect* VSTCALLBACK
VSTPluginMain(audioMasterCallback host) {
    if (host == nullptr) return nullptr;
    if (host(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0) return nullptr;
    // A construction that fails, for want of memory or otherwise, is released
    // on the way out and the host gets no record.
    try {
        AudioEffect* effect = createEffectInstance(host);
        return effect != nullptr ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}
