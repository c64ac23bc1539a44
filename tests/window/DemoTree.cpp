#include "DemoTree.h"

namespace demo {

namespace {

constexpr std::int32_t kFaceId = 227, kLampId = 257, kLevelId = 260, kKnobId = 266,
                       kReductionId = 268;
constexpr std::int32_t kKnobFrameHeight = 40, kLampFrameHeight = 16, kMeterFrameHeight = 8;
constexpr std::int32_t kKnobFirstFrame = 50, kKnobTurnedFrame = 80;
constexpr CColor kDisplayText = {200, 180, 180, 255};

class TextView : public CView {
public:
    TextView(const CRect& size, const char* text) : CView(size), text(text) {}
    void draw(CDrawContext* context) override {
        context->setFont(kNormalFont);
        context->setFontColor(kDisplayText);
        context->drawString(text, size, false, kCenterText);
        setDirty(false);
    }

private:
    const char* text;
};

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

// Adds a view made here; the frame's removeAll drops this reference too.
template <typename View> View* add(CFrame* frame, View* view) {
    frame->addView(view);
    return view;
}

} // namespace

StripView::StripView(const CRect& size, std::int32_t bitmapId, std::int32_t frameHeight,
                     std::int32_t frame)
    : CView(size), frameHeight(frameHeight), frame(frame) {
    CBitmap* strip = new CBitmap(bitmapId);
    setBackground(strip);
    strip->forget();
}

void StripView::draw(CDrawContext* context) {
    if (background != nullptr)
        background->drawTransparent(context, size, CPoint(0, frame * frameHeight));
    setDirty(false);
}

void StripView::showFrame(std::int32_t newFrame) {
    frame = newFrame;
    setDirty();
}

void KnobProbe::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (onPress) onPress(context, where, buttons);
}

bool KnobProbe::onWheel(CDrawContext*, const CPoint& where, float distance) {
    if (onTurn) onTurn(where, distance);
    return true;
}

DemoTree buildDemoTree(CFrame* frame) {
    CBitmap* face = new CBitmap(kFaceId);
    frame->setBackground(face);
    face->forget();
    DemoTree tree{};
    tree.knob = add(frame, new KnobProbe(kKnobRect, kKnobId, kKnobFrameHeight, kKnobFirstFrame));
    add(frame, new StripView(CRect(24, 40, 40, 56), kLampId, kLampFrameHeight, 1));
    add(frame, new StripView(CRect(24, 80, 40, 96), kLampId, kLampFrameHeight, 0));
    add(frame, new StripView(CRect(216, 40, 376, 48), kLevelId, kMeterFrameHeight, 42));
    add(frame, new StripView(CRect(216, 60, 376, 68), kReductionId, kMeterFrameHeight, 15));
    add(frame, new TextView(CRect(69, 118, 101, 132), "12.5"));
    add(frame, new PatchView(CRect(392, 8, 424, 28)));
    return tree;
}

void turnKnob(DemoTree& tree) {
    tree.knob->showFrame(kKnobTurnedFrame);
}

} // namespace demo
