// The frame's owner and the listener of controls under test: it records the
// edits, the values and the modifier clicks in the order they come, counts
// the idle calls of a gesture and answers the knob mode it is given. A
// fixture puts controls into a windowless frame and clicks them with a
// scripted mouse.
#pragma once

#include "tests/support/GuiTestSupport.h"
#include "tests/support/ScriptedMouse.h"

#include "vstgui/CControl.h"
#include "vstgui/CFrameOwner.h"

#include <functional>
#include <string>
#include <vector>

namespace guitest {

struct ControlEvent {
    std::string what; // "begin", "value", "end", "modifier" or "idle"
    std::int32_t tag;
    float value; // the control's value, or the buttons of a modifier click
};

class ControlRecorder : public CFrameOwner, public CControlListener {
public:
    void beginEdit(std::int32_t index) override { events.push_back({"begin", index, 0.0f}); }
    void endEdit(std::int32_t index) override { events.push_back({"end", index, 0.0f}); }
    void doIdleStuff() override {
        ++idles;
        if (logIdles) events.push_back({"idle", 0, 0.0f});
        if (onIdle) onIdle();
    }
    std::int32_t getKnobMode() const override { return knobMode; }
    void setKnobMode(std::int32_t mode) { knobMode = mode; }
    bool resizeHostWindow(std::int32_t, std::int32_t) override { return false; }
    void systemScaleChanged() override {}
    void valueChanged(CDrawContext*, CControl* control) override {
        events.push_back({"value", control->getTag(), control->getValue()});
    }
    std::int32_t controlModifierClicked(CDrawContext*, CControl* control,
                                        std::int32_t buttons) override {
        events.push_back({"modifier", control->getTag(), static_cast<float>(buttons)});
        return modifierAnswer;
    }

    // The kinds of the events, space-separated: "begin value end".
    std::string sequence() const {
        std::string kinds;
        for (const ControlEvent& event : events)
            kinds += (kinds.empty() ? "" : " ") + event.what;
        return kinds;
    }
    // The values that the listener saw, in order.
    std::vector<float> values() const {
        std::vector<float> seen;
        for (const ControlEvent& event : events)
            if (event.what == "value") seen.push_back(event.value);
        return seen;
    }
    void clear() {
        events.clear();
        idles = 0;
    }

    std::vector<ControlEvent> events;
    int idles = 0;
    bool logIdles = false;        // idle calls appear among the events
    std::function<void()> onIdle; // what the owner's idle does, such as drawing
    std::int32_t modifierAnswer = 0;
    std::int32_t knobMode = 0;
};

// A windowless frame of 200 x 200 owned by a recorder, a context on it and a
// scripted mouse.
class ControlFixture : public ::testing::Test {
protected:
    // Adds a control made by the test; the frame owns it from then on.
    template <typename Control> Control* add(Control* control) {
        frame->addView(control);
        return control;
    }
    // Plays a script and presses the mouse where it starts, as the window does.
    void press(const std::vector<PointerStep>& steps) {
        mouse.play(steps);
        CPoint where = steps.front().where;
        frame->mouse(context.get(), where, -1);
    }

    ControlRecorder recorder;
    Ref<CFrame> frame{new CFrame(CRect(0, 0, 200, 200), nullptr, &recorder)};
    Ref<CDrawContext> context{new CDrawContext(frame.get(), nullptr, nullptr)};
    ScriptedMouse mouse;
};

} // namespace guitest
