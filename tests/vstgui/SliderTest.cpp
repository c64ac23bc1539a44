// The vertical slider clicked and dragged with a scripted mouse: the free
// click, the grip of a handle taken without it, fine movement with Shift,
// the wheel, the keys and the default click.
#include "tests/support/ControlRecorder.h"
#include "tests/support/PaintedStrip.h"

#include "vstgui/CSlider.h"
#include "vstgui/VirtualKeys.h"

namespace {

using namespace guitest;

// A 20 x 100 slider at (10, 20) whose 20 x 10 handle travels 89 pixels.
class Slider : public ControlFixture {
protected:
    // The value a free click at row v gives: the handle's middle goes under the pointer.
    static float freeValueAt(int v) { return 1.0f - static_cast<float>(v - 24) / 89.0f; }

    // The middle row of the handle as drawn.
    float handleMiddle() {
        slider->draw(screen.get());
        int first = -1, last = -1;
        for (int y = 20; y < 120; ++y)
            if (PaintedStrip::frameOf(pixelAt(screen.get(), 15, y)) == 0) {
                if (first < 0) first = y;
                last = y;
            }
        return (first + last) / 2.0f;
    }

    Ref<PaintedStrip> track{new PaintedStrip(20, 100, 2)};
    Ref<PaintedStrip> handle{new PaintedStrip(20, 10, 1)};
    CVerticalSlider* slider = add(new CVerticalSlider(CRect(10, 20, 30, 120), &recorder, 2, 20, 109,
                                                      handle.get(), track.get(), CPoint(0, 100)));
    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 200, 200)};
};

TEST_F(Slider, AFreeClickPutsTheHandlesMiddleUnderThePointer) {
    for (int v : {30, 70, 110}) {
        recorder.clear();
        press(ScriptedMouse::click(CPoint(20, v)));
        EXPECT_NEAR(slider->getValue(), freeValueAt(v), 1e-6f);
        EXPECT_NEAR(handleMiddle(), v, 1.0f);
        EXPECT_EQ(recorder.sequence(), "begin value end");
    }
    // Far beyond the track the value stops at the ends.
    press(ScriptedMouse::click(CPoint(20, 20)));
    EXPECT_EQ(slider->getValue(), 1.0f);
    EXPECT_TRUE(slider->isTypeOf("CVerticalSlider"));
    EXPECT_TRUE(slider->isTypeOf("CSlider"));
}

TEST_F(Slider, WithShiftItMovesTenTimesSlowerFromTheValueWhenShiftCame) {
    const std::int32_t fine = kLButton | kShift;
    press({{CPoint(20, 70), kLButton},
           {CPoint(20, 60), kLButton},
           {CPoint(20, 60), kLButton},
           {CPoint(20, 60), fine},
           {CPoint(20, 20), fine},
           {CPoint(20, 20), fine},
           {CPoint(20, 20), 0}});
    const float atShift = freeValueAt(60);
    EXPECT_NEAR(slider->getValue(), atShift + (freeValueAt(20) - atShift) / 10.0f, 1e-5f);
    EXPECT_EQ(recorder.events.back().what, "end");
}

TEST_F(Slider, WithoutFreeClickOnlyTheHandleIsTakenAndKeepsItsGrip) {
    slider->setFreeClick(false);
    EXPECT_FALSE(slider->getFreeClick());
    slider->setValue(0.5f); // handle rows 64 to 73
    press(ScriptedMouse::click(CPoint(20, 50)));
    EXPECT_TRUE(recorder.events.empty());
    EXPECT_EQ(slider->getValue(), 0.5f);
    press({{CPoint(20, 66), kLButton},
           {CPoint(20, 66), kLButton},
           {CPoint(20, 56), kLButton},
           {CPoint(20, 56), kLButton},
           {CPoint(20, 56), 0}});
    const float grip = 1.0f - 44.0f / 89.0f; // the handle's row, whole pixels
    EXPECT_NEAR(slider->getValue(), grip + 10.0f / 89.0f, 1e-5f);
}

TEST_F(Slider, WheelKeysAndTheDefaultClickFollowTheKnobsRules) {
    slider->setValue(0.5f);
    slider->setDirty(false);
    mouse.play({{CPoint(20, 70), 0}});
    EXPECT_TRUE(frame->onWheel(context.get(), CPoint(20, 70), 1.0f));
    EXPECT_NEAR(slider->getValue(), 0.6f, 1e-6f);
    CKeyCode key{0, kVirtualKeyDown, kKeyShift};
    EXPECT_EQ(slider->onKeyDown(key), 1);
    EXPECT_NEAR(slider->getValue(), 0.59f, 1e-6f);
    key = CKeyCode{0, kVirtualKeyReturn, 0};
    EXPECT_EQ(slider->onKeyDown(key), -1);
    EXPECT_EQ(recorder.sequence(), "begin value end begin value end");
    slider->setDefaultValue(0.25f);
    press(ScriptedMouse::click(CPoint(20, 100), kLButton | kControl));
    EXPECT_EQ(slider->getValue(), 0.25f);
}

} // namespace
