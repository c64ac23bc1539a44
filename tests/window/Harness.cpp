#include "Harness.h"

#include <cstdarg>
#include <cstdio>

namespace harness {

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Editor::beginEdit(VstInt32 index) {
    say("begin %d", index);
}

void Editor::endEdit(VstInt32 index) {
    say("end %d", index);
}

void Editor::valueChanged(CDrawContext*, CControl* control) {
    if (control->getTag() == demo::kTextTag) {
        char text[kControlTextSize];
        tree->edit->getText(text);
        say("text %d %s", control->getTag(), text);
        return;
    }
    say("value %d %.6f", control->getTag(), static_cast<double>(control->getValue()));
    if (control == tree->knob) demo::showKnobValue(*tree, control->getValue());
}

void Editor::systemScaleChanged() {
    say("scale changed");
    AEffGUIEditor::systemScaleChanged();
}

void IdleScript::step(demo::DemoTree& tree) {
    if (done || tree.knob->isDirty()) return;
    if (!turned) {
        demo::showKnobValue(tree, demo::kTurnedKnobValue);
        turned = true;
        return;
    }
    say("updated");
    done = true;
}

void sayFinal(demo::DemoTree& tree) {
    char text[kControlTextSize];
    tree.edit->getText(text);
    say("final %.9g %.9g %s", static_cast<double>(tree.knob->getValue()),
        static_cast<double>(tree.lamp->getValue()), text);
}

} // namespace harness
