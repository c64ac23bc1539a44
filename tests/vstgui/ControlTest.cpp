// The control base: the dirty rule around the shown value, bounds, the
// default-value click, double clicks, and the edits that reach the frame's
// owner.
#include "tests/support/ControlRecorder.h"

#include "vstgui/CButtons.h"
#include "vstgui/CKnob.h"

#include <cmath>
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

} // namespace
