// On/off and kick buttons and the two switches, clicked with a scripted
// mouse, and the image frame each one shows.
#include "tests/support/ControlRecorder.h"
#include "tests/support/PaintedStrip.h"

#include "vstgui/CButtons.h"

#include <limits>

namespace {

using namespace guitest;

class Buttons : public ControlFixture {
protected:
    // The frame of strip that control shows, read from a pixel of its top-left corner.
    std::int32_t frameShown(CControl* control) {
        control->draw(screen.get());
        CRect size;
        control->getViewSize(size);
        return PaintedStrip::frameOf(pixelAt(screen.get(), size.left + 1, size.top + 1));
    }

    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 200, 200)};
};

using OnOffButton = Buttons;
using KickButton = Buttons;
using Switch = Buttons;

TEST_F(OnOffButton, ClickTurnsANonZeroIntegerPartOffAndEverythingElseOn) {
    Ref<PaintedStrip> lamp(new PaintedStrip(16, 16, 2));
    auto* button = add(new COnOffButton(CRect(10, 10, 26, 26), &recorder, 3, lamp.get()));
    const std::pair<float, float> toggles[] = {
        {1.0f, 0.0f}, {0.0f, 1.0f}, {0.4f, 1.0f}, {1.7f, 0.0f}, {0.5f, 1.0f}};
    for (const auto& [before, after] : toggles) {
        button->setValue(before);
        press(ScriptedMouse::click(CPoint(18, 18)));
        EXPECT_EQ(button->getValue(), after) << before;
    }
    EXPECT_EQ(recorder.values(), (std::vector<float>{0, 1, 1, 0, 1}));
    // Off above, on below; any value but 0 shows on.
    button->setValue(0.0f);
    EXPECT_EQ(frameShown(button), 0);
    button->setValue(0.4f);
    EXPECT_EQ(frameShown(button), 1);
    button->setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(frameShown(button), 1);
}

TEST_F(OnOffButton, StyleDecidesWhetherTheOwnerIdlesBeforeOrAfterTheListener) {
    auto* button = add(new COnOffButton(CRect(10, 10, 26, 26), &recorder, 3, nullptr));
    recorder.logIdles = true;
    press(ScriptedMouse::click(CPoint(18, 18)));
    EXPECT_EQ(recorder.sequence(), "idle begin value end");
    button->setStyle(COnOffButton::kPreListenerUpdate);
    EXPECT_EQ(button->getStyle(), 1);
    recorder.clear();
    press(ScriptedMouse::click(CPoint(18, 18)));
    EXPECT_EQ(recorder.sequence(), "begin value end idle");
    recorder.logIdles = false;
    // Without a listener the click still toggles, and the right button does nothing.
    auto* quiet = add(new COnOffButton(CRect(40, 10, 56, 26), nullptr, 4, nullptr));
    press(ScriptedMouse::click(CPoint(48, 18)));
    EXPECT_EQ(quiet->getValue(), 1.0f);
    press(ScriptedMouse::click(CPoint(48, 18), kRButton));
    EXPECT_EQ(quiet->getValue(), 1.0f);
}

TEST_F(KickButton, ReportsThePressedValueWhileHeldInsideThenZero) {
    Ref<PaintedStrip> face(new PaintedStrip(20, 20, 2));
    auto* kick = add(new CKickButton(CRect(10, 10, 30, 30), &recorder, 9, 20, face.get()));
    kick->setDirty(false);
    // The owner's idle redraws it, so each change shows and is heard once.
    recorder.onIdle = [&] { kick->draw(screen.get()); };
    press({{CPoint(20, 20), kLButton},
           {CPoint(20, 20), kLButton},
           {CPoint(60, 60), kLButton}, // out: the value before the press
           {CPoint(30, 30), kLButton}, // on the edge counts as inside
           {CPoint(30, 30), kLButton},
           {CPoint(30, 30), 0}});
    EXPECT_EQ(recorder.values(), (std::vector<float>{1, 0, 1, 0}));
    EXPECT_EQ(recorder.events.front().what, "begin");
    EXPECT_EQ(recorder.events.back().what, "end");
    EXPECT_EQ(kick->getValue(), 0.0f);
    // With another key held the click is one kick: the pressed value, then 0.
    recorder.clear();
    press(ScriptedMouse::click(CPoint(20, 20), kLButton | kShift));
    EXPECT_EQ(recorder.sequence(), "modifier begin value value end");
    EXPECT_EQ(recorder.values(), (std::vector<float>{1, 0}));
    // The pressed image lies a frame lower.
    kick->setValue(1.0f);
    EXPECT_EQ(frameShown(kick), 1);
    kick->setValue(0.0f);
    EXPECT_EQ(frameShown(kick), 0);
}

TEST_F(Switch, ThreePositionSwitchPicksThePositionUnderThePointer) {
    Ref<PaintedStrip> strip(new PaintedStrip(60, 20, 3));
    auto* knobSwitch =
        add(new CHorizontalSwitch(CRect(100, 10, 160, 30), &recorder, 11, 3, 20, 3, strip.get()));
    EXPECT_EQ(knobSwitch->getDefaultValue(), 0.0f);
    const std::pair<std::int32_t, float> clicks[] = {{0, 0.0f},  {19, 0.0f}, {20, 0.5f}, {39, 0.5f},
                                                     {40, 1.0f}, {59, 1.0f}, {60, 1.0f}};
    for (const auto& [pixels, expected] : clicks) {
        press(ScriptedMouse::click(CPoint(100 + pixels, 20)));
        EXPECT_EQ(knobSwitch->getValue(), expected) << pixels << " pixels in";
        EXPECT_EQ(frameShown(knobSwitch), static_cast<std::int32_t>(expected * 2));
    }
    // The switch follows a drag while the buttons stay as they were at the click.
    recorder.clear();
    recorder.onIdle = [&] { knobSwitch->draw(screen.get()); };
    press({{CPoint(105, 20), kLButton},
           {CPoint(125, 20), kLButton},
           {CPoint(125, 20), kLButton},
           {CPoint(150, 20), 0}});
    EXPECT_EQ(recorder.values(), (std::vector<float>{0.0f, 0.5f}));
    EXPECT_EQ(knobSwitch->getValue(), 0.5f);
}

TEST_F(Switch, VerticalCountsFromTheTopAndIgnoresTheWheel) {
    Ref<PaintedStrip> strip(new PaintedStrip(20, 60, 3));
    auto* column =
        add(new CVerticalSwitch(CRect(10, 100, 30, 160), &recorder, 12, 3, 60, 3, strip.get()));
    press(ScriptedMouse::click(CPoint(20, 100 + 25)));
    EXPECT_EQ(column->getValue(), 0.5f);
    press(ScriptedMouse::click(CPoint(20, 100 + 59)));
    EXPECT_EQ(column->getValue(), 1.0f);
    EXPECT_FALSE(column->onWheel(context.get(), CPoint(20, 120), 1.0f));
    EXPECT_TRUE(column->isTypeOf("CVerticalSwitch"));
}

TEST_F(Switch, OneWheelNotchMovesAHorizontalSwitchOnePosition) {
    auto* knobSwitch =
        add(new CHorizontalSwitch(CRect(100, 10, 160, 30), &recorder, 11, 3, 20, 3, nullptr));
    knobSwitch->setWheelInc(0.5f);
    knobSwitch->setDirty(false);
    EXPECT_TRUE(frame->onWheel(context.get(), CPoint(120, 20), 1.0f));
    EXPECT_EQ(knobSwitch->getValue(), 0.5f);
    EXPECT_EQ(recorder.sequence(), "begin value end");
    // A switch without an image, or of a single position, stays at 0.
    press(ScriptedMouse::click(CPoint(150, 20)));
    EXPECT_EQ(knobSwitch->getValue(), 0.0f);
    auto* single =
        add(new CHorizontalSwitch(CRect(0, 40, 60, 60), &recorder, 13, 1, 20, 1, nullptr));
    press(ScriptedMouse::click(CPoint(50, 50)));
    EXPECT_EQ(single->getValue(), 0.0f);
}

} // namespace
