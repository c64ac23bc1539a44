// What the controls draw, read back from offscreens on the software surface
// and, under wine, on GDI: value displays (their text, its clipping, the
// shadow, the frame styles), filmstrips with transparency, the knob's drawn
// handle and the slider through its own offscreen.
#include "tests/support/ControlRecorder.h"
#include "tests/support/PaintedStrip.h"

#include "vstgui/CKnob.h"
#include "vstgui/CParamDisplay.h"
#include "vstgui/CSlider.h"

#include <cstring>

namespace {

using namespace guitest;

constexpr CColor kDarkGrey = {40, 40, 40, 255};

class ControlDrawing : public ControlFixture {
protected:
    ControlDrawing() {
        screen->setFillColor(kDarkGrey);
        screen->fillRect(CRect(-1, -1, 200, 200));
    }

    bool isWhite(const CColor& c) const { return c.red > 200 && c.green > 200 && c.blue > 200; }
    bool isRed(const CColor& c) const { return c.red > 150 && c.green < 60 && c.blue < 60; }

    // The smallest rectangle (right and bottom inclusive) around the pixels
    // of the top-left 120 x 60 that match.
    template <typename Match> CRect boxOf(Match match) const {
        CRect box(200, 200, -1, -1);
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 120; ++x)
                if (match(pixelAt(screen.get(), x, y))) {
                    box.left = std::min(box.left, x);
                    box.top = std::min(box.top, y);
                    box.right = std::max(box.right, x);
                    box.bottom = std::max(box.bottom, y);
                }
        return box;
    }

    Ref<COffscreenContext> screen{new COffscreenContext(frame.get(), 200, 200)};
};

using ParamDisplay = ControlDrawing;

TEST_F(ParamDisplay, WithoutAConverterADisplayShowsTheValueWithTwoDecimals) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 60, 30)));
    display->setValue(0.25f);
    display->draw(screen.get());
    Ref<COffscreenContext> expected(new COffscreenContext(frame.get(), 200, 200));
    expected->setFillColor(kDarkGrey);
    expected->fillRect(CRect(-1, -1, 200, 200));
    expected->setFillColor(kBlackCColor);
    expected->fillRect(CRect(10, 10, 60, 30));
    expected->setFrameColor(kBlackCColor);
    expected->drawRect(CRect(10, 10, 60, 30));
    expected->setFont(kNormalFont);
    expected->setFontColor(kWhiteCColor);
    expected->drawString("0.25", CRect(10, 10, 60, 30), false, kCenterText);
    int lit = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 70; ++x) {
            const CColor pixel = pixelAt(screen.get(), x, y);
            ASSERT_TRUE(sameColor(pixel, pixelAt(expected.get(), x, y))) << x << "," << y;
            lit += isWhite(pixel) ? 1 : 0;
        }
    EXPECT_GT(lit, 10) << "the text is there";
    EXPECT_FALSE(display->isDirty());
}

// Converters that say which of them ran.
void twoArguments(float, char* text) {
    std::strcpy(text, "two");
}
void threeArguments(float value, char* text, void* data) {
    std::strcpy(text, value == 0.5f && data != nullptr ? "three" : "wrong");
}
void backwards(char*, float& value) {
    value = -1.0f;
}

TEST_F(ParamDisplay, TheConverterWithUserDataComesFirst) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 90, 30)));
    display->setValue(0.5f);
    display->setStringConvert(backwards);
    display->setStringConvert(twoArguments);
    display->draw(screen.get());
    const CRect two = boxOf([this](const CColor& c) { return isWhite(c); });
    int data = 0;
    display->setStringConvert(threeArguments, &data);
    display->draw(screen.get());
    const CRect three = boxOf([this](const CColor& c) { return isWhite(c); });
    EXPECT_GT(three.width(), two.width()) << "\"three\" is wider than \"two\"";
}

TEST_F(ParamDisplay, DisplaySettingsMakeItDirtyOnlyWhenTheyChange) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 60, 30)));
    display->setDirty(false);
    display->setFontColor(kWhiteCColor);
    display->setBackColor(kBlackCColor);
    display->setFont(kNormalFont);
    display->setHoriAlign(kCenterText);
    display->setStyle(0);
    display->setTxtFace(0);
    EXPECT_FALSE(display->isDirty());
    display->setFontColor(CColor{200, 180, 180, 255});
    EXPECT_TRUE(display->isDirty());
    display->setDirty(false);
    display->setShadowColor(CColor{255, 0, 0, 128});
    EXPECT_TRUE(display->isDirty()) << "colours differ in any byte";
}

TEST_F(ParamDisplay, DisplayTextIsCutAtTheDisplaysSize) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 40, 24)));
    display->setStringConvert([](float, char* text) { std::strcpy(text, "WWWWWWWWWWWW"); });
    display->setHoriAlign(kLeftText);
    display->draw(screen.get());
    auto lit = [](const CColor& c) { return c.red > 100; };
    const CRect text = boxOf(lit);
    EXPECT_GE(text.left, 10);
    EXPECT_GE(text.top, 10);
    EXPECT_LE(text.bottom, 23);
    EXPECT_GE(text.right, 35) << "the text runs up to the edge";
    EXPECT_LE(text.right, 39) << "and stops there";
    for (int y = 5; y < 30; ++y)
        for (int x = 40; x < 46; ++x)
            ASSERT_TRUE(sameColor(pixelAt(screen.get(), x, y), kDarkGrey)) << x << "," << y;
}

TEST_F(ParamDisplay, ShadowTextLiesOnePixelRightAndDown) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 90, 40)));
    display->setTransparency(true);
    display->setFont(kNormalFontVeryBig);
    display->setStringConvert([](float, char* text) { std::strcpy(text, "HILL"); });
    auto red = [this](const CColor& c) { return isRed(c); };
    display->setFontColor(kRedCColor);
    display->draw(screen.get());
    const CRect text = boxOf(red);
    ASSERT_GT(text.right, text.left);
    // The shadow in red under text of the background's colour: what is left of
    // it reaches one pixel further right and down than the text alone.
    screen->setFillColor(kDarkGrey);
    screen->fillRect(CRect(-1, -1, 200, 200));
    display->setStyle(kShadowText);
    display->setFontColor(kDarkGrey);
    display->draw(screen.get());
    const CRect shadow = boxOf(red);
    EXPECT_EQ(shadow.right, text.right + 1);
    EXPECT_EQ(shadow.bottom, text.bottom + 1);
    EXPECT_GT(shadow.left, text.left);
    // A transparent display leaves what lies under it.
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 12, 12), kDarkGrey));
}

TEST_F(ParamDisplay, BevelStylesEdgeTheDisplayInItsTwoColours) {
    Ref<CParamDisplay> display(new CParamDisplay(CRect(10, 10, 30, 20), nullptr, k3DIn));
    display->setBackColor(kBlueCColor);
    display->setFrameColor(kYellowCColor);
    display->setStringConvert([](float, char* text) { text[0] = 0; });
    display->draw(screen.get());
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, 15), kBlueCColor)) << "left";
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 20, 10), kBlueCColor)) << "top";
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 29, 15), kYellowCColor)) << "right";
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 20, 19), kYellowCColor)) << "bottom";
    display->setStyle(k3DOut);
    display->draw(screen.get());
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 10, 15), kYellowCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 29, 15), kBlueCColor));
    display->setStyle(kNoDrawStyle);
    display->setBackColor(kRedCColor);
    display->draw(screen.get());
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 15, 15), kBlueCColor)) << "draws nothing";
}

TEST_F(ControlDrawing, ATransparentFilmstripShowsTheBackgroundThroughItsClearPixels) {
    frame->setBackgroundColor(kBlueCColor);
    Ref<PaintedStrip> strip(new PaintedStrip(40, 40, 3, true));
    auto* knob = add(new CAnimKnob(CRect(50, 50, 90, 90), nullptr, 0, 3, 40, strip.get()));
    knob->setTransparency(true);
    knob->setValue(0.5f);
    frame->draw(screen.get());
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 55, 70), PaintedStrip::frameColor(1), 1));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 85, 70), kBlueCColor, 1));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 45, 70), kBlueCColor));
}

TEST_F(ControlDrawing, AKnobWithoutHandleImageDrawsAHandleLineAndItsShadow) {
    Ref<CKnob> knob(new CKnob(CRect(0, 0, 40, 40), nullptr, 0, nullptr));
    knob->setValue(0.5f);
    knob->draw(screen.get());
    // From the handle point (20, 3) to the centre (20, 20): the line one pixel
    // up, its shadow one pixel left.
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 20, 10), kWhiteCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 19, 10), kGreyCColor));
    EXPECT_TRUE(sameColor(pixelAt(screen.get(), 21, 10), kDarkGrey));
    // With a handle image, the image is centred on the handle point.
    Ref<PaintedStrip> dot(new PaintedStrip(4, 4, 1));
    knob->setHandleBitmap(dot.get());
    knob->draw(screen.get());
    CPoint point;
    knob->valueToPoint(point);
    EXPECT_EQ(point, CPoint(20, 4)) << "the inset follows the image: 4 / 2 + 2.5";
    EXPECT_EQ(PaintedStrip::frameOf(pixelAt(screen.get(), 18, 2)), 0);
    EXPECT_EQ(PaintedStrip::frameOf(pixelAt(screen.get(), 21, 5)), 0);
}

class SliderDrawing : public ControlDrawing {
protected:
    // A 20 x 100 slider at (10, 20) whose handle (20 x 10) travels 89 pixels;
    // the background is the strip's second frame, the handle its own first.
    Ref<PaintedStrip> track{new PaintedStrip(20, 100, 2)};
    Ref<PaintedStrip> knob{new PaintedStrip(20, 10, 1)};
    CVerticalSlider* slider = add(new CVerticalSlider(CRect(10, 20, 30, 120), &recorder, 2, 20, 109,
                                                      knob.get(), track.get(), CPoint(0, 100)));

    // The rows of the slider that show the handle.
    std::vector<int> handleRows() {
        std::vector<int> rows;
        for (int y = 20; y < 120; ++y)
            if (PaintedStrip::frameOf(pixelAt(screen.get(), 15, y)) == 0) rows.push_back(y);
        return rows;
    }
};

TEST_F(SliderDrawing, TheHandleSitsAtItsValueWithZeroAtTheBottom) {
    for (float value : {0.0f, 0.5f, 1.0f}) {
        slider->setValue(value);
        slider->draw(screen.get());
        const std::vector<int> rows = handleRows();
        ASSERT_EQ(rows.size(), 10u) << value;
        EXPECT_EQ(rows.front(), 20 + static_cast<int>(89 * (1.0f - value))) << value;
        EXPECT_EQ(PaintedStrip::frameOf(pixelAt(screen.get(), 15, 20 + (value > 0.5f ? 99 : 0))), 1)
            << "the background around it";
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 9, 60), kDarkGrey));
        EXPECT_TRUE(sameColor(pixelAt(screen.get(), 30, 60), kDarkGrey));
    }
}

TEST_F(SliderDrawing, AnOffscreenLivesWhileTheSliderIsInAContainerAndDrawsTheSame) {
    slider->setValue(0.25f);
    slider->draw(screen.get());
    const std::vector<int> inFrame = handleRows();
    frame->removeView(slider, false);
    screen->setFillColor(kDarkGrey);
    screen->fillRect(CRect(-1, -1, 200, 200));
    slider->draw(screen.get()); // straight to the context now
    EXPECT_EQ(handleRows(), inFrame);
    // A transparent slider copies what lies under it into its offscreen first.
    frame->addView(slider);
    slider->setTransparency(true);
    slider->draw(screen.get());
    EXPECT_EQ(handleRows(), inFrame);
}

} // namespace
