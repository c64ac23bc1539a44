// Knobs: the angle laws, circular and linear drags with a scripted mouse,
// Shift and Alt during a drag, wheel and arrow keys, and the filmstrip
// frame of CAnimKnob.
#include "tests/support/ControlRecorder.h"
#include "tests/support/PaintedStrip.h"

#include "vstgui/CKnob.h"
#include "vstgui/VirtualKeys.h"

#include <cmath>
#include <limits>

namespace {

using namespace guitest;

constexpr float kDegree = 0.0174532925f; // the editor's degrees-to-radians factor
constexpr float kPixel = 1.0f / 300.0f;  // one pixel's worth of a linear drag
const CRect kKnobRect(80, 150, 120, 190);
const CPoint kCentre(100, 170);

// A point on a circle around the knob's centre, degrees counter-clockwise
// from 3 o'clock, relative to the knob (for valueFromPoint) or in the frame.
CPoint around(double degrees, double reach = 20.0) {
    const double radians = degrees * 3.141592653589793 / 180.0;
    return CPoint(static_cast<std::int32_t>(std::lround(20.0 + reach * std::cos(radians))),
                  static_cast<std::int32_t>(std::lround(20.0 - reach * std::sin(radians))));
}
CPoint aroundInFrame(double degrees, double reach = 20.0) {
    return around(degrees, reach).offset(kKnobRect.left, kKnobRect.top);
}

class Knob : public ControlFixture {
protected:
    float pointed(double degrees) {
        CPoint point = around(degrees);
        return knob->valueFromPoint(point);
    }
    // A drag from the knob's centre by (right, up) pixels in steps of ten.
    void dragBy(std::int32_t right, std::int32_t up, std::int32_t buttons = kLButton) {
        std::vector<CPoint> moves;
        const int steps = 10;
        for (int i = 1; i <= steps; ++i)
            moves.push_back(CPoint(kCentre.h + right * i / steps, kCentre.v - up * i / steps));
        press(ScriptedMouse::drag(kCentre, moves, buttons));
    }

    CKnob* knob = add(new CKnob(kKnobRect, &recorder, 0, nullptr));
};

TEST_F(Knob, HandlePointFollowsTheValueAroundTheDefaultArc) {
    CPoint point;
    knob->setValue(0.0f);
    knob->valueToPoint(point);
    EXPECT_EQ(point, CPoint(8, 32)) << "min at 7:30, 3 pixels inside the rim";
    knob->setValue(0.5f);
    knob->valueToPoint(point);
    EXPECT_EQ(point, CPoint(20, 3)) << "the middle at 12 o'clock";
    knob->setValue(1.0f);
    knob->valueToPoint(point);
    EXPECT_EQ(point, CPoint(32, 32)) << "max at 4:30";
}

TEST_F(Knob, CircularAnglesWithTheDefaultStartAngle) {
    EXPECT_NEAR(pointed(90), 0.5f, 1e-5f);
    EXPECT_NEAR(pointed(180), 1.0f / 6.0f, 1e-5f);
    EXPECT_NEAR(pointed(0), 5.0f / 6.0f, 1e-5f);
    // The dead zone around 6 o'clock: min on the left half, max on the right.
    EXPECT_EQ(pointed(265), 0.0f);
    EXPECT_EQ(pointed(230), 0.0f);
    EXPECT_EQ(pointed(275), 1.0f);
    EXPECT_EQ(pointed(310), 1.0f);
}

TEST_F(Knob, CircularAnglesWithANegativeStartAngle) {
    knob->setStartAngle(-135 * kDegree);
    knob->setRangeAngle(-270 * kDegree);
    EXPECT_NEAR(pointed(225), 0.0f, 1e-5f) << "7:30";
    EXPECT_NEAR(pointed(180), 1.0f / 6.0f, 1e-5f);
    EXPECT_NEAR(pointed(90), 0.5f, 1e-5f);
    EXPECT_NEAR(pointed(0), 5.0f / 6.0f, 1e-5f);
    // Past 3 o'clock down to 6 o'clock: max; from 6 o'clock to 7:30: min.
    EXPECT_EQ(pointed(-5), 1.0f);
    EXPECT_EQ(pointed(-85), 1.0f);
    EXPECT_EQ(pointed(-95), 0.0f);
    EXPECT_EQ(pointed(-130), 0.0f);
}

TEST_F(Knob, CircularDragRefusesAJumpOfMoreThanHalfTheRangeAtBothEnds) {
    recorder.setKnobMode(kCircularMode);
    // Up past max into the dead zone, then across it: the value sticks at max.
    press(ScriptedMouse::drag(aroundInFrame(-30),
                              {aroundInFrame(-87), aroundInFrame(-93), aroundInFrame(180)}));
    std::vector<float> seen = recorder.values();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NEAR(seen[0], 0.944f, 0.01f);
    EXPECT_EQ(seen[1], 1.0f);
    EXPECT_EQ(seen[2], 1.0f);
    EXPECT_EQ(seen[3], 1.0f) << "the last accepted value stays the reference";
    // Down past min, then across: the value sticks at min.
    recorder.clear();
    press(ScriptedMouse::drag(aroundInFrame(210),
                              {aroundInFrame(-93), aroundInFrame(-87), aroundInFrame(0)}));
    seen = recorder.values();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NEAR(seen[0], 0.056f, 0.01f);
    EXPECT_EQ(seen[1], 0.0f);
    EXPECT_EQ(seen[2], 0.0f);
    EXPECT_EQ(seen[3], 0.0f);
    EXPECT_EQ(recorder.events.front().what, "begin");
    EXPECT_EQ(recorder.events.back().what, "end");
}

TEST_F(Knob, LinearDragsCoverTheRangeIn300PixelsAnd1500WithShift) {
    recorder.setKnobMode(kLinearMode);
    knob->setZoomFactor(5.0f);
    dragBy(0, 150);
    EXPECT_NEAR(knob->getValue(), 0.5f, kPixel);
    dragBy(150, 0);
    EXPECT_NEAR(knob->getValue(), 1.0f, kPixel) << "moving right raises it too";
    dragBy(-60, -30);
    EXPECT_NEAR(knob->getValue(), 0.7f, kPixel) << "left and down lower it";
    knob->setValue(0.0f);
    dragBy(0, 150, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.1f, kPixel / 5);
    dragBy(0, 1500, kLButton | kShift);
    EXPECT_EQ(knob->getValue(), 1.0f);
    // The toolkit's own slow-down is 1.5: 450 pixels.
    knob->setZoomFactor(1.5f);
    knob->setValue(0.0f);
    dragBy(0, 45, kLButton | kShift);
    EXPECT_NEAR(knob->getValue(), 0.1f, kPixel / 1.5f);
}

TEST_F(Knob, ShiftPressedAndReleasedMidDragChangesOnlyTheRate) {
    recorder.setKnobMode(kLinearMode);
    knob->setZoomFactor(5.0f);
    const std::int32_t fine = kLButton | kShift;
    press({{kCentre, kLButton},
           {CPoint(100, 110), kLButton}, // 60 up: 0.2
           {CPoint(100, 110), fine},     // Shift comes, the pointer rests
           {CPoint(100, -40), fine},     // 150 up at a fifth of the rate: 0.3
           {CPoint(100, -40), kLButton}, // Shift goes
           {CPoint(100, -70), kLButton}, // 30 up: 0.4
           {CPoint(100, -70), 0}});
    const std::vector<float> seen = recorder.values();
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_NEAR(seen[1], 0.2f, 1e-5f);
    EXPECT_NEAR(seen[2], 0.3f, 1e-5f);
    EXPECT_NEAR(seen[3], 0.4f, 1e-5f);
}

TEST_F(Knob, AltSwapsLinearAndCircular) {
    knob->setValue(0.2f);
    recorder.setKnobMode(kLinearMode);
    press(ScriptedMouse::click(aroundInFrame(90), kLButton | kAlt));
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5f) << "circular: the value jumps to the pointer";
    knob->setValue(0.2f);
    recorder.setKnobMode(kCircularMode);
    press(ScriptedMouse::click(aroundInFrame(90), kLButton | kAlt));
    EXPECT_EQ(knob->getValue(), 0.2f) << "linear: a click alone moves nothing";
    knob->setValue(0.2f);
    recorder.setKnobMode(kRelativeCircularMode);
    press(ScriptedMouse::click(aroundInFrame(90)));
    EXPECT_NEAR(knob->getValue(), 0.5f, 1e-5f) << "relative circular is circular";
}

TEST_F(Knob, TheListenerHearsEveryMoveEvenWhenTheValueIsBounced) {
    recorder.setKnobMode(kLinearMode);
    knob->setValue(1.0f);
    dragBy(0, 40);
    const std::vector<float> seen = recorder.values();
    EXPECT_EQ(seen.size(), 11u) << "the press and ten moves";
    for (float value : seen)
        EXPECT_EQ(value, 1.0f);
    EXPECT_EQ(recorder.sequence().substr(0, 5), "begin");
    EXPECT_EQ(recorder.events.back().what, "end");
    EXPECT_GE(recorder.idles, 11) << "the owner idles on every pass";
    // Only the left button drags.
    recorder.clear();
    press(ScriptedMouse::drag(kCentre, {CPoint(100, 100)}, kRButton));
    EXPECT_TRUE(recorder.events.empty());
}

TEST_F(Knob, WheelAndArrowKeysStepByTheWheelIncrementAndTellTheListenerOnChange) {
    knob->setValue(0.5f);
    knob->setDirty(false);
    mouse.play({{kCentre, 0}});
    EXPECT_TRUE(frame->onWheel(context.get(), kCentre, 1.0f));
    EXPECT_NEAR(knob->getValue(), 0.6f, 1e-6f);
    EXPECT_EQ(recorder.sequence(), "begin value end");
    mouse.play({{kCentre, kShift}});
    frame->onWheel(context.get(), kCentre, -2.0f);
    EXPECT_NEAR(knob->getValue(), 0.58f, 1e-6f) << "Shift makes steps ten times finer";

    CKeyCode key{0, kVirtualKeyUp, 0};
    EXPECT_EQ(knob->onKeyDown(key), 1);
    EXPECT_NEAR(knob->getValue(), 0.68f, 1e-6f);
    key = CKeyCode{0, kVirtualKeyLeft, kKeyShift};
    EXPECT_EQ(knob->onKeyDown(key), 1);
    EXPECT_NEAR(knob->getValue(), 0.67f, 1e-6f);
    key = CKeyCode{'a', 0, 0};
    EXPECT_EQ(knob->onKeyDown(key), -1);

    // At max, up changes nothing and tells no one, but the key is taken.
    knob->setValue(1.0f);
    knob->setDirty(false);
    recorder.clear();
    key = CKeyCode{0, kVirtualKeyRight, 0};
    EXPECT_EQ(knob->onKeyDown(key), 1);
    EXPECT_EQ(knob->getValue(), 1.0f);
    EXPECT_TRUE(recorder.events.empty());
    // A knob that takes no mouse takes no wheel either.
    knob->setMouseEnabled(false);
    EXPECT_FALSE(knob->onWheel(context.get(), kCentre, 1.0f));
}

TEST_F(Knob, AZeroRangeAngleKeepsOneHandlePointForEveryValue) {
    auto* meter = add(new CAnimKnob(CRect(0, 0, 160, 8), &recorder, 5, 61, 8, nullptr));
    meter->setStartAngle(0.0f);
    meter->setRangeAngle(0.0f);
    CPoint first, other;
    meter->valueToPoint(first);
    for (float value : {0.0f, 0.3f, 1.0f, std::numeric_limits<float>::quiet_NaN()}) {
        meter->setValue(value);
        meter->valueToPoint(other);
        EXPECT_EQ(other, first) << value;
    }
    meter->setValue(0.2f);
    meter->draw(context.get());
    meter->setValue(0.9f);
    EXPECT_FALSE(meter->isDirty()) << "a meter is never dirty through its handle";
    meter->setValue(0.2f);
    EXPECT_TRUE(meter->onWheel(context.get(), CPoint(), 1.0f));
    EXPECT_TRUE(recorder.events.empty()) << "so the wheel tells no one";
    CPoint east(160, 4);
    EXPECT_FALSE(std::isnan(meter->valueFromPoint(east)));
}

class AnimKnob : public ControlFixture {
protected:
    // The frame index that a knob at value shows.
    std::int32_t frameShown(float value, bool inverse = false) {
        knob->setValue(value);
        knob->setInverseBitmap(inverse);
        knob->draw(screen.get());
        return PaintedStrip::frameOf(pixelAt(screen.get(), 5, 5));
    }

    Ref<PaintedStrip> strip{new PaintedStrip(40, 40, 101)};
    CAnimKnob* knob = add(new CAnimKnob(CRect(0, 0, 40, 40), &recorder, 0, 101, 40, strip.get()));
    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 40, 40)};
};

TEST_F(AnimKnob, FrameKShowsValuesFromKOverFrameCountMinusOne) {
    EXPECT_EQ(frameShown(0.0f), 0);
    EXPECT_EQ(frameShown(0.5f), 50);
    EXPECT_EQ(frameShown(0.009f), 0);
    EXPECT_EQ(frameShown(0.011f), 1);
    EXPECT_EQ(frameShown(0.995f), 99);
    EXPECT_EQ(frameShown(1.0f), 100) << "the last frame only at 1.0";
    EXPECT_EQ(frameShown(-0.3f), 0);
    EXPECT_EQ(frameShown(1.7f), 100) << "above the range: the last frame, nothing past the strip";
    EXPECT_EQ(frameShown(0.25f, true), 75);
    EXPECT_TRUE(knob->isTypeOf("CAnimKnob"));
    EXPECT_TRUE(knob->isTypeOf("CKnob"));
}

TEST_F(AnimKnob, IsCleanWhileTheHandlePointStaysOnItsPixel) {
    knob->setValue(0.5f);
    knob->draw(screen.get());
    EXPECT_FALSE(knob->isDirty());
    knob->setValue(0.501f);
    EXPECT_FALSE(knob->isDirty()) << "the handle point has not moved";
    knob->setValue(0.6f);
    EXPECT_TRUE(knob->isDirty());
    knob->setValue(0.5f);
    EXPECT_FALSE(knob->isDirty());
    knob->setDirty();
    EXPECT_TRUE(knob->isDirty());
}

} // namespace
