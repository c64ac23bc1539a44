// What the window tests' programs share, whatever window system shows the
// frame: the report lines, the editor base with the controls' listener, and
// the idle script that turns the knob once the first paint came.
#pragma once

#include "DemoTree.h"

#include "editor/AEffGUIEditor.h"

namespace harness {

using namespace VSTGUI;

// One line to the test script, flushed at once.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The editor base with a frame, as the plug-in's editor will have one, and
// the listener of the controls. It reports:
//   begin TAG, end TAG      a control began or ended an edit
//   value TAG VALUE         a control told its listener of a new value
//   text TAG TEXT           the text edit told its listener of a new text
//   scale changed           the frame's window told it of another DPI
class Editor : public AEffGUIEditor, public CControlListener {
public:
    Editor() : AEffGUIEditor(nullptr) {}
    void attach(CFrame* newFrame, demo::DemoTree* newTree) {
        frame = newFrame;
        tree = newTree;
    }
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    void valueChanged(CDrawContext*, CControl* control) override;
    void systemScaleChanged() override;

private:
    demo::DemoTree* tree = nullptr;
};

// Called on every idle tick after the editor's idle: once the first paint
// has been drawn the knob turns, and when an idle pass has redrawn it, the
// script says "updated".
class IdleScript {
public:
    void step(demo::DemoTree& tree);
    bool updated() const { return done; }

private:
    bool turned = false;
    bool done = false;
};

// final KNOB LAMP TEXT    the values at the end
void sayFinal(demo::DemoTree& tree);

} // namespace harness
