// What the window tests' programs share, whatever window system shows the
// frame: the report lines, an editor base that owns the frame, the knob's
// reports of presses and the wheel, and the idle script that turns the knob
// once the first paint came.
#pragma once

#include "DemoTree.h"

#include "editor/AEffGUIEditor.h"

namespace harness {

using namespace VSTGUI;

// One line to the test script, flushed at once.
void say(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The editor base with a frame, as the plug-in's editor will have one.
class Editor : public AEffGUIEditor {
public:
    Editor() : AEffGUIEditor(nullptr) {}
    void attach(CFrame* newFrame) { frame = newFrame; }
};

// The knob prints what reaches it and follows a press by polling the
// buttons as a control does, keeping the editor alive:
//   press X Y BUTTONS       a button press at (X, Y) with the live buttons
//   release POLLS           the button was released after POLLS polls
//   wheel DISTANCE X Y      the wheel turned over the knob
void reportKnob(demo::DemoTree& tree, CFrame* frame);

// Called on every idle tick after editor.idle(): once the first paint has
// been drawn the knob turns, and when an idle pass has redrawn it, the
// script says "updated" and answers true (once).
class IdleScript {
public:
    bool step(demo::DemoTree& tree);

private:
    bool turned = false;
    bool done = false;
};

} // namespace harness
