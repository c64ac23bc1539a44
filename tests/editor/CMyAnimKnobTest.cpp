// The editor knob: which frame of its strip a value shows, and what a wheel
// turn does to a meter, whose handle never moves.
#include "tests/support/ControlRecorder.h"
#include "tests/support/GuiTestSupport.h"
#include "tests/support/PaintedStrip.h"

#include "editor/CMyAnimKnob.h"

namespace {

using namespace guitest;

class MyAnimKnob : public ControlFixture {
protected:
    // The frame of an 11-frame strip that value shows.
    std::int32_t frameShown(float value, std::int32_t frames = 11) {
        Ref<PaintedStrip> strip(new PaintedStrip(8, 8, frames));
        Ref<CMyAnimKnob> knob(
            new CMyAnimKnob(CRect(0, 0, 8, 8), &recorder, 1, frames, 8, strip.get()));
        knob->setValue(value);
        knob->draw(screen.get());
        EXPECT_FALSE(knob->isDirty());
        return PaintedStrip::frameOf(pixelAt(screen.get(), 4, 4));
    }

    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 16, 16)};
};

TEST_F(MyAnimKnob, EveryFrameCoversAnEqualShareOfTheRange) {
    EXPECT_EQ(frameShown(0.0f), 0);
    EXPECT_EQ(frameShown(1.0f / 11.0f - 0.001f), 0);
    EXPECT_EQ(frameShown(1.0f / 11.0f + 0.001f), 1);
    EXPECT_EQ(frameShown(0.5f), 5);
    EXPECT_EQ(frameShown(0.995f), 10);
    EXPECT_EQ(frameShown(1.0f), 10);
    EXPECT_EQ(frameShown(1.5f), 10);
    EXPECT_EQ(frameShown(-0.2f), 0);
    EXPECT_EQ(frameShown(0.5f, 101), 50);
    EXPECT_EQ(frameShown(0.5f, 61), 30);
}

TEST_F(MyAnimKnob, AWheelTurnOnAMeterChangesNothingVisibleAndTellsNoOne) {
    Ref<PaintedStrip> strip(new PaintedStrip(160, 8, 61));
    auto* meter = add(new CMyAnimKnob(CRect(0, 0, 160, 8), &recorder, 7, 61, 8, strip.get()));
    meter->setStartAngle(0.0f);
    meter->setRangeAngle(0.0f);
    meter->setWheelInc(0.05f);
    meter->draw(context.get());
    EXPECT_TRUE(meter->onWheel(context.get(), CPoint(4, 4), 2.0f));
    EXPECT_NEAR(meter->getValue(), 0.1f, 1e-6f);
    EXPECT_FALSE(meter->isDirty());
    EXPECT_TRUE(recorder.events.empty());
}

} // namespace
