// The plug-in made through its entry point as a host makes it, with its
// editor in view and a scripted mouse to drive the controls of a windowless
// frame. The knob mode is put back after each test.
#pragma once

#include "tests/support/GuiTestSupport.h"
#include "tests/support/ScriptedMouse.h"

#include "core/ParamDef.h"
#include "editor/GUIEditor.h"
#include "host/AudioEffect.h"
#include "tools/pluginhost/RecordingHost.h"

#include <vector>

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback host);

namespace guitest {

// One plug-in object of the fixture's host.
struct EditedPlugin {
    explicit EditedPlugin(RecordingHost& host) : host(host), effect(host.open(VSTPluginMain)) {}
    ~EditedPlugin() {
        if (effect != nullptr) host.close(effect);
    }
    EditedPlugin(const EditedPlugin&) = delete;
    EditedPlugin& operator=(const EditedPlugin&) = delete;

    GUIEditor* editor() const {
        return static_cast<GUIEditor*>(static_cast<AudioEffect*>(effect->object)->getEditor());
    }
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) {
        return host.dispatch(effect, opcode, index, value, ptr, opt);
    }
    void open(void* parent = nullptr) { dispatch(effEditOpen, 0, 0, parent); }
    void close() { dispatch(effEditClose); }
    void idle() { dispatch(effEditIdle); }
    float parameter(VstInt32 index) { return effect->getParameter(effect, index); }
    void setParameter(VstInt32 index, float value) { effect->setParameter(effect, index, value); }
    CControl* control(int index) const { return editor()->controlOf(index); }
    CFrame* frame() const { return control(kGain)->getParentFrame(); }

    // Plays a script and presses the mouse where it starts, as the window does.
    void press(ScriptedMouse& mouse, const std::vector<PointerStep>& steps) {
        mouse.play(steps);
        Ref<CDrawContext> context(frame()->createDrawContext());
        CPoint where = steps.front().where;
        frame()->mouse(context.get(), where, -1);
    }
    // The centre of a row's control.
    CPoint centreOf(int index) const {
        CRect size;
        control(index)->getViewSize(size);
        return CPoint(size.left + size.width() / 2, size.top + size.height() / 2);
    }

    RecordingHost& host;
    AEffect* effect;
};

class EditorTest : public ::testing::Test {
protected:
    EditorTest() : savedKnobMode(AEffGUIEditor::processKnobMode()) {}
    ~EditorTest() override {
        if (plugin.effect != nullptr) plugin.editor()->setKnobMode(savedKnobMode);
    }

    // The values that the host was told of for one parameter, in order.
    std::vector<float> automated(VstInt32 index) const {
        std::vector<float> values;
        for (const HostCall& call : host.callsOf(audioMasterAutomate))
            if (call.index == index) values.push_back(call.opt);
        return values;
    }

    VstInt32 savedKnobMode;
    RecordingHost host;
    EditedPlugin plugin{host};
    ScriptedMouse mouse;
};

} // namespace guitest
