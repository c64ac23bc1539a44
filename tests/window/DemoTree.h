// The tree that the window test shows on Windows and renders with the
// software backend: the editor face with a knob, a lamp, two meters, a value
// text and a patch outlined by drawRect. The knob reports clicks and wheel.
#pragma once

#include "vstgui/CFrame.h"

#include <functional>

namespace demo {

using namespace VSTGUI;

constexpr std::int32_t kWidth = 432;
constexpr std::int32_t kHeight = 172;
const CRect kKnobRect(24, 120, 64, 160);

// One frame of a vertical filmstrip, drawn with transparency.
class StripView : public CView {
public:
    StripView(const CRect& size, std::int32_t bitmapId, std::int32_t frameHeight,
              std::int32_t frame);
    void draw(CDrawContext* context) override;
    void showFrame(std::int32_t frame);

private:
    std::int32_t frameHeight;
    std::int32_t frame;
};

// The knob: a strip view that tells the test what reaches it.
class KnobProbe : public StripView {
public:
    using StripView::StripView;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;

    std::function<void(CDrawContext*, const CPoint&, std::int32_t)> onPress;
    std::function<void(const CPoint&, float)> onTurn;
};

struct DemoTree {
    KnobProbe* knob;
};

// Fills a frame of kWidth x kHeight; the frame owns the views.
DemoTree buildDemoTree(CFrame* frame);
// The change made after the first paint: the knob turns to another frame.
void turnKnob(DemoTree& tree);

} // namespace demo
