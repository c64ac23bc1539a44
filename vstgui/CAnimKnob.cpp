#include "vstgui/CKnob.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
                     std::int32_t frameCount, std::int32_t frameHeight, CBitmap* background,
                     const CPoint& offset)
    : CKnob(size, listener, tag, background, offset), frameCount(frameCount),
      frameHeight(frameHeight) {}

void CAnimKnob::draw(CDrawContext* context) {
    std::int32_t frameTop = 0;
    if (value >= 0.0f && frameHeight > 0) {
        const std::int32_t last = (frameCount - 1) * frameHeight;
        // Values above the range show the last frame rather than rows past the strip.
        const float shown = std::min(value, 1.0f);
        frameTop = static_cast<std::int32_t>((inverseBitmap ? 1.0f - shown : shown) *
                                             static_cast<float>(last));
        // Down to the start of its frame; a row at or past the last frame's start stays.
        for (std::int32_t start = 0; start <= last; start += frameHeight) {
            if (start > frameTop) {
                frameTop = std::max(start - frameHeight, 0);
                break;
            }
        }
    }
    drawFrame(context, frameTop);
}

void CAnimKnob::drawFrame(CDrawContext* context, std::int32_t frameTop) {
    drawBackground(context, CPoint(0, frameTop));
    valueToPoint(lastDrawnPoint);
    setDirty(false);
}

bool CAnimKnob::isDirty() const {
    if (!dirty) {
        CPoint point;
        valueToPoint(point);
        if (point == lastDrawnPoint) return false;
    }
    return CControl::isDirty();
}

bool CAnimKnob::isTypeOf(const char* name) const {
    return std::strcmp(name, "CAnimKnob") == 0 || CKnob::isTypeOf(name);
}

} // namespace VSTGUI
