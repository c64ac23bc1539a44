// Renders the plug-in's editor with the software backend into a PNG, with
// the five control parameters at the given values and the meters at rest or
// at the five readings given (0..1, in the order of the meter parameters),
// as the window tests' hosts show it at the end; at the scale given (1
// unless told), as a host tells it.
// usage: brelto_render_editor [--scale FACTOR] OUTPUT.png V0 V1 V2 V3 V4 [M0 M1 M2 M3 M4]
#include "core/SynthCore.h"
#include "editor/GUIEditor.h"
#include "host/AudioEffect.h"
#include "tests/support/software/PngFile.h"
#include "vstgui/CFrame.h"
#include "vstgui/software/SoftwareSystem.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

AudioEffect* createEffectInstance(audioMasterCallback host);

namespace {

constexpr int kControlParameters = 5;
constexpr int kMeters = 5;

VstIntPtr VSTCALLBACK silentHost(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    float scale = 1.0f;
    if (argc > 2 && std::strcmp(argv[1], "--scale") == 0) {
        scale = std::strtof(argv[2], nullptr);
        argc -= 2;
        argv += 2;
    }
    if (argc != 2 + kControlParameters && argc != 2 + kControlParameters + kMeters) {
        std::fprintf(stderr, "usage: brelto_render_editor [--scale FACTOR] OUTPUT.png V0 V1 V2 "
                             "V3 V4 [M0 M1 M2 M3 M4]\n");
        return 2;
    }
    using namespace VSTGUI;
    std::unique_ptr<AudioEffect> effect(createEffectInstance(silentHost));
    effect->dispatcher(effVendorSpecific, kVendorScaleIndex, kVendorScaleRequest, nullptr, scale);
    for (int i = 0; i < kControlParameters; ++i)
        effect->setParameter(i, std::strtof(argv[2 + i], nullptr));
    // The meter rows follow the control rows and read the readings given.
    std::atomic<float> readings[kMeters] = {};
    if (argc == 2 + kControlParameters + kMeters) {
        ParamRow* rows = static_cast<SynthCore*>(effect.get())->paramRows();
        for (int i = 0; i < kMeters; ++i) {
            readings[i] = std::strtof(argv[2 + kControlParameters + i], nullptr);
            rows[kControlParameters + i].meterSource = &readings[i];
        }
    }
    ERect* size = nullptr;
    AEffEditor* editor = effect->getEditor();
    editor->getRect(&size);
    native::Handle host = software::createHostWindow(0, 0, size->right, size->bottom);
    editor->open(host);
    const std::vector<native::Handle> windows = software::childWindows(host);
    bool written = false;
    if (windows.size() == 1) {
        software::invalidate(windows[0], CRect(0, 0, size->right, size->bottom));
        software::paint(windows[0]);
        editor->idle();
        written = guitest::writePng(windows[0], argv[1]);
    }
    editor->close();
    software::destroyHostWindow(host);
    if (!written) std::fprintf(stderr, "brelto_render_editor: cannot write %s\n", argv[1]);
    return written ? 0 : 1;
}
