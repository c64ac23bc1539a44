// The control base: the dirty rule around the shown value, bounds, the
// default-value click, double clicks, and the edits that reach the frame's
// owner.
#include "tests/support/ControlRecorder.h"

#include "vstgui/CButtons.h"
#include "vstgui/CKnob.h"
#include "vstgui/CSlider.h"

#include <cmath>
#include <functional>
#include <limits>

namespace {

using namespace guitest;

using Control = ControlFixture;

TEST_F(Control, IsDirtyUntilDrawnAndWheneverTheValueDiffersFromTheShownOne) {
    Ref<CKnob> knob(new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr));
    EXPECT_TRUE(knob->isDirty()) << "a new control is drawn at the first update";
    knob->setDirty(false);
    EXPECT_FALSE(knob->isDirty());
    EXPECT_EQ(knob->getOldValue(), knob->getValue());
    knob->setValue(0.25f);
    EXPECT_TRUE(knob->isDirty());
    knob->setDirty(false);
    knob->setDirty(true);
    EXPECT_EQ(knob->getOldValue(), -1.0f);
    // A value of -1 must still differ from the shown one.
    knob->setValue(-1.0f);
    knob->setDirty(true);
    EXPECT_EQ(knob->getOldValue(), 0.0f);
    EXPECT_TRUE(knob->isDirty());
}

TEST_F(Control, SetValueStoresAsGivenAndOnlyGesturesBounce) {
    Ref<CKnob> knob(new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr));
    knob->setValue(1.5f);
    EXPECT_EQ(knob->getValue(), 1.5f);
    knob->bounceValue();
    EXPECT_EQ(knob->getValue(), 1.0f);
    knob->setValue(-0.5f);
    knob->bounceValue();
    EXPECT_EQ(knob->getValue(), 0.0f);
    knob->setMin(0.2f);
    knob->setValue(std::numeric_limits<float>::quiet_NaN());
    knob->bounceValue();
    EXPECT_EQ(knob->getValue(), 0.2f) << "a value that is no number becomes min";
}

TEST_F(Control, EditsMakeTheControlTheFocusViewAndReachTheOwnerWithTheTag) {
    auto* knob = add(new CKnob(CRect(0, 0, 40, 40), &recorder, 4, nullptr));
    knob->beginEdit();
    EXPECT_EQ(frame->getFocusView(), knob);
    knob->endEdit();
    EXPECT_EQ(recorder.sequence(), "begin end");
    EXPECT_EQ(recorder.events[0].tag, 4);
    // Outside a frame there is no one to tell.
    Ref<CKnob> alone(new CKnob(CRect(0, 0, 40, 40), &recorder, 5, nullptr));
    alone->beginEdit();
    alone->endEdit();
    alone->doIdleStuff();
    EXPECT_EQ(recorder.events.size(), 2u);
}

TEST_F(Control, CtrlWithTheLeftButtonAloneSetsTheDefault) {
    auto* knob = add(new CKnob(CRect(0, 0, 40, 40), &recorder, 2, nullptr));
    knob->setDefaultValue(0.75f);
    knob->setDirty(false);
    press(ScriptedMouse::click(CPoint(20, 20), kLButton | kControl));
    EXPECT_EQ(knob->getValue(), 0.75f);
    EXPECT_EQ(recorder.sequence(), "modifier begin value end");
    EXPECT_FALSE(knob->checkDefaultValue(context.get(), kLButton | kControl | kShift));
    EXPECT_FALSE(knob->checkDefaultValue(context.get(), kControl));
    // When the value already shows the default no one hears of it (a knob
    // would: taking the focus marks it dirty).
    auto* toggle =
        add(new CHorizontalSwitch(CRect(100, 0, 160, 20), &recorder, 3, 3, 20, 3, nullptr));
    toggle->setDirty(false);
    recorder.clear();
    EXPECT_TRUE(toggle->checkDefaultValue(context.get(), kLButton | kControl));
    EXPECT_EQ(recorder.sequence(), "begin end");
}

TEST_F(Control, CtrlShiftClickGoesToTheListenerAndThenToTheNormalClick) {
    recorder.setKnobMode(kLinearMode);
    auto* knob = add(new CKnob(CRect(0, 0, 40, 40), &recorder, 1, nullptr));
    knob->setDefaultValue(0.75f);
    const std::int32_t held = kLButton | kControl | kShift;
    press(ScriptedMouse::drag(CPoint(20, 20), {CPoint(20, 5)}, held));
    EXPECT_EQ(recorder.sequence(), "modifier begin value value end");
    EXPECT_EQ(recorder.events[0].value, 25.0f);
    EXPECT_NE(knob->getValue(), 0.75f);
}

TEST_F(Control, AListenerThatConsumesAModifierClickEndsIt) {
    recorder.modifierAnswer = 1;
    auto* knob = add(new CKnob(CRect(0, 0, 40, 40), &recorder, 1, nullptr));
    auto* button = add(new COnOffButton(CRect(50, 0, 70, 20), &recorder, 2, nullptr));
    press(ScriptedMouse::click(CPoint(20, 20), kLButton | kControl));
    press(ScriptedMouse::click(CPoint(60, 10), kLButton | kAlt));
    EXPECT_EQ(recorder.sequence(), "modifier modifier");
    EXPECT_EQ(knob->getValue(), 0.0f);
    EXPECT_EQ(button->getValue(), 0.0f);
}

TEST_F(Control, TheSecondOfTwoQuickClicksIsADoubleClickAndIsForgotten) {
    auto* knob = add(new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr));
    EXPECT_FALSE(knob->isDoubleClick());
    EXPECT_TRUE(knob->isDoubleClick());
    EXPECT_FALSE(knob->isDoubleClick()) << "a third quick click starts afresh";
    EXPECT_TRUE(knob->isDoubleClick());
    // A frame without an owner has no clock: no click pairs with another.
    Ref<CFrame> ownerless(new CFrame(CRect(0, 0, 50, 50), nullptr, nullptr));
    auto* other = new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr);
    ownerless->addView(other); // the frame drops both references when it goes
    EXPECT_FALSE(other->isDoubleClick());
    EXPECT_FALSE(other->isDoubleClick());
}

// An owner that closes the frame from the idle work of a gesture (a host
// closing the editor from its idle call): every control's mouse loop returns
// at once without telling anyone more, the frame ends the edit for the owner,
// and the frame with its views goes only when the press has unwound.
TEST(ControlInAClosingFrame, EveryMouseLoopReturnsAndTheFrameGoesAfterThePress) {
    struct Kind {
        const char* name;
        std::function<CControl*(CControlListener*)> make;
        const char* heard; // what the owner and the listener hear in order
    };
    const CRect place(40, 40, 80, 80);
    const Kind kinds[] = {
        {"knob", [&](CControlListener* l) { return new CKnob(place, l, 1, nullptr); },
         "begin value closing end"},
        {"on/off button",
         [&](CControlListener* l) { return new COnOffButton(place, l, 1, nullptr); },
         "closing"}, // the click is lost with the frame
        {"kick button",
         [&](CControlListener* l) { return new CKickButton(place, l, 1, 40, nullptr); },
         "begin value closing end"},
        {"horizontal switch",
         [&](CControlListener* l) { return new CHorizontalSwitch(place, l, 1, 2, 40, 2, nullptr); },
         "begin value closing end"},
        {"vertical switch",
         [&](CControlListener* l) { return new CVerticalSwitch(place, l, 1, 2, 40, 2, nullptr); },
         "begin value closing end"},
        {"slider",
         [&](CControlListener* l) {
             return new CVerticalSlider(place, l, 1, 40, 70, nullptr, nullptr);
         },
         "begin value closing end"},
    };
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        ControlRecorder recorder;
        auto* frame = new CFrame(CRect(0, 0, 200, 200), nullptr, &recorder);
        int viewsGone = 0;
        frame->addView(new ProbeView(CRect(0, 0, 10, 10), nullptr, &viewsGone));
        frame->addView(kind.make(&recorder));
        recorder.onIdle = [&] {
            recorder.events.push_back({"closing", 0, 0.0f});
            frame->closeForOwner();
            frame->forget();
            EXPECT_EQ(viewsGone, 0) << "the frame went during the press";
        };
        ScriptedMouse mouse;
        mouse.play(ScriptedMouse::drag(CPoint(60, 60), {CPoint(60, 50), CPoint(70, 45)}));
        CDrawContext* context = new CDrawContext(frame, nullptr, nullptr);
        CPoint where(60, 60);
        frame->mouse(context, where, -1);
        context->forget();
        EXPECT_EQ(viewsGone, 1);
        EXPECT_EQ(recorder.sequence(), kind.heard);
        EXPECT_EQ(recorder.idles, 1);
    }
}

} // namespace
