#include "DemoTree.h"

#include <cstdio>

namespace demo {

namespace {

constexpr std::int32_t kFaceId = 227, kLampId = 257, kLevelId = 260, kKnobId = 266,
                       kReductionId = 268;
constexpr std::int32_t kKnobFrames = 101, kMeterFrames = 61;
constexpr std::int32_t kKnobFrameHeight = 40, kMeterFrameHeight = 8;
constexpr float kKnobZoom = 5.0f, kKnobWheelStep = 0.05f;
constexpr CColor kDisplayText = {200, 180, 180, 255};

class PatchView : public CView {
public:
    explicit PatchView(const CRect& size) : CView(size) {}
    void draw(CDrawContext* context) override {
        context->setFillColor(kBlueCColor);
        context->fillRect(size);
        context->setFrameColor(kYellowCColor);
        context->drawRect(size);
        context->drawLine(CPoint(size.left, size.top), CPoint(size.right, size.bottom));
        setDirty(false);
    }
};

// The display text of the gain knob: its value times 30, one decimal.
void gainText(float value, char* text) {
    std::snprintf(text, kControlTextSize, "%.1f", static_cast<double>(value * 30.0f));
}

// Adds a control made here; the frame's removeAll drops this reference too.
template <typename View> View* add(CFrame* frame, View* view) {
    frame->addView(view);
    return view;
}

// A control's own reference to a bitmap made for it.
template <typename Make> auto withBitmap(std::int32_t id, Make make) {
    CBitmap* bitmap = new CBitmap(id);
    auto* control = make(bitmap);
    bitmap->forget();
    return control;
}

CAnimKnob* meter(CFrame* frame, const CRect& size, std::int32_t bitmapId, float value) {
    auto* made =
        add(frame, withBitmap(bitmapId, [&](CBitmap* strip) {
                return new CAnimKnob(size, nullptr, 0, kMeterFrames, kMeterFrameHeight, strip);
            }));
    made->setStartAngle(0.0f);
    made->setRangeAngle(0.0f);
    made->setValue(value);
    made->setMouseEnabled(false);
    return made;
}

COnOffButton* lamp(CFrame* frame, const CRect& size, CControlListener* listener, std::int32_t tag,
                   float value) {
    auto* made = add(frame, withBitmap(kLampId, [&](CBitmap* image) {
                         return new COnOffButton(size, listener, tag, image);
                     }));
    made->setTransparency(true);
    made->setValue(value);
    return made;
}

} // namespace

DemoTree buildDemoTree(CFrame* frame, CControlListener* listener) {
    CBitmap* face = new CBitmap(kFaceId);
    frame->setBackground(face);
    face->forget();
    DemoTree tree{};
    tree.knob = add(frame, withBitmap(kKnobId, [&](CBitmap* strip) {
                        return new CAnimKnob(CRect(24, 120, 64, 160), listener, kKnobTag,
                                             kKnobFrames, kKnobFrameHeight, strip);
                    }));
    tree.knob->setTransparency(true);
    tree.knob->setZoomFactor(kKnobZoom);
    tree.knob->setWheelInc(kKnobWheelStep);
    lamp(frame, CRect(24, 40, 40, 56), listener, kLampTag - 1, 1.0f);
    tree.lamp = lamp(frame, CRect(24, 80, 40, 96), listener, kLampTag, 0.0f);
    meter(frame, CRect(216, 40, 376, 48), kLevelId, 0.7f);
    meter(frame, CRect(216, 60, 376, 68), kReductionId, 0.25f);
    // The displays' bitmap is empty, as the editor's: it draws no background.
    tree.display = add(frame, withBitmap(0, [](CBitmap* none) {
                           return new CParamDisplay(CRect(69, 118, 101, 132), none);
                       }));
    tree.display->setStringConvert(gainText);
    tree.display->setFontColor(kDisplayText);
    tree.edit = add(frame, withBitmap(0, [&](CBitmap* none) {
                        return new CTextEdit(CRect(201, 118, 233, 132), listener, kTextTag, none);
                    }));
    tree.edit->setText(kFirstText);
    tree.edit->setFontColor(kDisplayText);
    add(frame, new PatchView(CRect(392, 8, 424, 28)));
    showKnobValue(tree, kFirstKnobValue);
    return tree;
}

void showKnobValue(DemoTree& tree, float value) {
    tree.knob->setValue(value);
    tree.display->setValue(value);
}

} // namespace demo
