#include "editor/CMyAnimKnob.h"

namespace {

constexpr float kEditorZoom = 5.0f; // linear drags with Shift: 1/1500 of the range per pixel

} // namespace

using namespace VSTGUI;

CMyAnimKnob::CMyAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
                         std::int32_t frameCount, std::int32_t frameHeight, CBitmap* background,
                         const CPoint& offset)
    : CAnimKnob(size, listener, tag, frameCount, frameHeight, background, offset) {
    inset = 0;
    zoomFactor = kEditorZoom;
}

void CMyAnimKnob::draw(CDrawContext* context) {
    std::int32_t frameTop = 0;
    // A negative value (or one that is not a number) shows the first frame.
    if (value >= 0.0f && frameCount > 0) {
        const float scaled = value * static_cast<float>(frameCount);
        const std::int32_t index = scaled >= static_cast<float>(frameCount)
                                       ? frameCount - 1
                                       : static_cast<std::int32_t>(scaled);
        frameTop = index * frameHeight;
    }
    drawFrame(context, frameTop);
}
