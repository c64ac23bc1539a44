#include "vstgui/CSlider.h"

#include <algorithm>
#include <cstring>

namespace VSTGUI {

CSlider::CSlider(const CRect& size, CControlListener* listener, std::int32_t tag,
                 std::int32_t lowestPosition, std::int32_t highestPosition, CBitmap* handle,
                 CBitmap* background, const CPoint& offset, std::int32_t style)
    : CControl(size, listener, tag, background), offset(offset), handle(handle), style(style),
      handleRange(highestPosition - lowestPosition),
      minPos(lowestPosition - ((style & kHorizontal) != 0 ? size.left : size.top)),
      width(size.width()), height(size.height()) {
    if (handle != nullptr) {
        handle->remember();
        handleWidth = handle->getWidth();
        handleHeight = handle->getHeight();
    }
    setOffsetHandle(CPoint());
    setWantsFocus(true);
}

CSlider::~CSlider() {
    if (handle != nullptr) handle->forget();
    if (offscreen != nullptr) offscreen->forget();
}

void CSlider::setOffsetHandle(const CPoint& point) {
    handleOffset = point;
    minLimit = minPos + (horizontal() ? point.h : point.v);
    maxLimit = minLimit + handleRange + (horizontal() ? handleWidth : handleHeight);
}

CRect CSlider::handleRect() const {
    float along = (style & (kLeft | kTop)) != 0 ? value : 1.0f - value;
    // A value outside 0..1 puts the handle at the end of its track.
    along = along > 0.0f ? std::min(along, 1.0f) : 0.0f;
    const std::int32_t trackStart = horizontal() ? handleOffset.h : handleOffset.v;
    const std::int32_t across = horizontal() ? handleOffset.v : handleOffset.h;
    std::int32_t start = trackStart + static_cast<std::int32_t>(handleRange * along);
    start = std::max(start, minLimit);
    const std::int32_t end =
        std::min(start + (horizontal() ? handleWidth : handleHeight), maxLimit);
    if (horizontal()) return CRect(start, across, end, across + handleHeight);
    return CRect(across, start, across + handleWidth, end);
}

void CSlider::draw(CDrawContext* context) {
    CDrawContext* target = offscreen != nullptr ? offscreen : context;
    if (offscreen != nullptr && transparencyEnabled) context->copyTo(offscreen, size, CPoint());
    const CRect area = offscreen != nullptr ? CRect(0, 0, width, height) : size;
    if (background != nullptr) {
        if (transparencyEnabled)
            background->drawTransparent(target, area, offset);
        else
            background->draw(target, area, offset);
    }
    CRect place = handleRect();
    if (offscreen == nullptr) place.offset(size.left, size.top);
    if (handle != nullptr) {
        if (drawHandleTransparent)
            handle->drawTransparent(target, place);
        else
            handle->draw(target, place);
    }
    if (offscreen != nullptr) offscreen->copyFrom(context, size);
    setDirty(false);
}

void CSlider::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if (modifierClickConsumed(context, buttons)) return;
    if (checkDefaultValue(context, buttons)) return;
    if ((buttons & kLButton) == 0) return;

    std::int32_t delta = horizontal() ? handleOffset.h + size.left : handleOffset.v + size.top;
    if (freeClick) {
        delta += (horizontal() ? handleWidth : handleHeight) / 2 - 1;
    } else {
        // Only the handle can be taken, and it keeps the point where it was taken.
        const CRect grip = handleRect().offset(size.left, size.top);
        if (!grip.pointInside(where)) return;
        delta += horizontal() ? where.h - grip.left : where.v - grip.top;
    }
    float entry = value;
    std::int32_t heldButtons = buttons;
    beginEdit();
    // The click itself always counts, even when the button is up again by the
    // time it is polled; after that the slider follows while the button is held.
    std::int32_t current = buttons;
    for (;;) {
        if ((current & kShift) == 0) {
            entry = value;
        } else if (current != heldButtons) {
            // Fine movement is measured from the value at the moment Shift came.
            heldButtons = current;
            entry = value;
        }
        const std::int32_t pointer = horizontal() ? where.h : where.v;
        float pointed = static_cast<float>(pointer - delta) / static_cast<float>(handleRange);
        if ((style & (kRight | kBottom)) != 0) pointed = 1.0f - pointed;
        if ((current & kShift) != 0) pointed = entry + (pointed - entry) / zoomFactor;
        value = pointed;
        bounceValue();
        if (isDirty() && listener != nullptr) listener->valueChanged(context, this);
        getMouseLocation(context, where);
        if (!idleInGesture()) return;
        current = liveButtons(context);
        if ((current & kLButton) == 0) break;
    }
    endEdit();
}

std::int32_t CSlider::onKeyDown(CKeyCode& key) {
    return stepByArrowKey(key);
}

bool CSlider::onWheel(CDrawContext* context, const CPoint&, float distance) {
    return stepByWheel(context, distance);
}

bool CSlider::attached(CView* parent) {
    if (offscreen == nullptr) {
        offscreen = new COffscreenContext(parentFrame, width, height, kBlackCColor);
        // Without a surface the slider draws straight to the screen.
        if (!offscreen->isValid()) {
            offscreen->forget();
            offscreen = nullptr;
        }
    }
    return CControl::attached(parent);
}

bool CSlider::removed(CView* parent) {
    if (offscreen != nullptr) offscreen->forget();
    offscreen = nullptr;
    return CControl::removed(parent);
}

bool CSlider::isTypeOf(const char* name) const {
    return std::strcmp(name, "CSlider") == 0 || CControl::isTypeOf(name);
}

void CSlider::setFreeClick(bool free) {
    freeClick = free;
}
bool CSlider::getFreeClick() const {
    return freeClick;
}
void CSlider::setDrawTransparentHandle(bool transparent) {
    drawHandleTransparent = transparent;
}
void CSlider::setZoomFactor(float factor) {
    zoomFactor = factor;
}
float CSlider::getZoomFactor() const {
    return zoomFactor;
}

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, std::int32_t tag,
                                 std::int32_t lowestPosition, std::int32_t highestPosition,
                                 CBitmap* handle, CBitmap* background, const CPoint& offset)
    : CSlider(size, listener, tag, lowestPosition, highestPosition, handle, background, offset,
              kVertical | kBottom) {}

bool CVerticalSlider::isTypeOf(const char* name) const {
    return std::strcmp(name, "CVerticalSlider") == 0 || CSlider::isTypeOf(name);
}

} // namespace VSTGUI
