#include "vstgui/CKnob.h"

#include "vstgui/CFrame.h"

#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {

// The angle laws add and subtract 2 pi as this float and compare with the double.
constexpr float kTwoPi = 6.2831855f;
constexpr double kTwoPiExact = 6.283185307179586;
constexpr float kDefaultStartAngle = 3.9269907f; // 5 pi / 4: min at 7:30
constexpr float kDefaultRangeAngle = -4.712389f; // -3 pi / 2: clockwise to 4:30
constexpr std::int32_t kLinearRange = 300;       // pixels for the whole range
constexpr float kHalf = 0.5f;

// Wraps an angle into [0, 2 pi] by one turn at most.
float wrapOnce(float angle) {
    if (angle < 0.0f)
        angle += kTwoPi;
    else if (angle > kTwoPiExact)
        angle -= kTwoPi;
    return angle;
}

} // namespace

CKnob::CKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
             const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), startAngle(kDefaultStartAngle),
      rangeAngle(kDefaultRangeAngle), radius(static_cast<float>(size.right - size.left) * kHalf) {
    compute();
    setDirty();
    setWantsFocus(true);
}

CKnob::~CKnob() {
    if (handleBitmap != nullptr) handleBitmap->forget();
}

void CKnob::compute() {
    aCoef = (max - min) / rangeAngle;
    bCoef = min - aCoef * startAngle;
    halfAngle = (kTwoPi - std::fabs(rangeAngle)) * kHalf;
    setDirty();
}

void CKnob::draw(CDrawContext* context) {
    drawBackground(context, offset);
    drawHandle(context);
    setDirty(false);
}

void CKnob::drawHandle(CDrawContext* context) {
    CPoint point;
    valueToPoint(point);
    const CPoint handle(size.left + point.h, size.top + point.v);
    if (handleBitmap != nullptr) {
        const std::int32_t width = handleBitmap->getWidth();
        const std::int32_t height = handleBitmap->getHeight();
        CRect place(0, 0, width, height);
        place.offset(handle.h - width / 2, handle.v - height / 2);
        handleBitmap->drawTransparent(context, place);
        return;
    }
    const CPoint centre(size.left + size.width() / 2, size.top + size.height() / 2);
    context->setLineWidth(1);
    context->setFrameColor(colorShadowHandle);
    context->drawLine(CPoint(handle).offset(-1, 0), CPoint(centre).offset(-1, 0));
    context->setFrameColor(colorHandle);
    context->drawLine(CPoint(handle).offset(0, -1), CPoint(centre).offset(0, -1));
}

void CKnob::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if ((buttons & kLButton) == 0) return;
    if (modifierClickConsumed(context, buttons)) return;
    if (checkDefaultValue(context, buttons)) return;

    float old = oldValue;
    float entry = value;
    const float middle = (max - min) * kHalf;
    float range = kLinearRange;
    float coef = (max - min) / range;
    std::int32_t lastButtons = buttons;
    const std::int32_t mode = parentFrame != nullptr ? parentFrame->getKnobMode() : kCircularMode;
    const bool linear = (mode == kLinearMode) != ((buttons & kAlt) != 0);
    CPoint first;
    if (linear) {
        if ((buttons & kShift) != 0) range = kLinearRange * zoomFactor;
        coef = (max - min) / range;
        first = where;
    } else {
        CPoint local = CPoint(where).offset(-size.left, -size.top);
        old = valueFromPoint(local);
    }

    CPoint lastWhere(-1, -1);
    beginEdit();
    std::int32_t current = 0;
    do {
        current = liveButtons(context);
        if (where != lastWhere) {
            lastWhere = where;
            if (linear) {
                const std::int32_t diff = (where.h - first.h) + (first.v - where.v);
                if (current != lastButtons) {
                    range = kLinearRange;
                    if ((current & kShift) != 0) range *= zoomFactor;
                    const float newCoef = (max - min) / range;
                    // The value stays where it is; only the rate changes from here.
                    entry += (coef - newCoef) * diff;
                    coef = newCoef;
                    lastButtons = current;
                }
                value = entry + diff * coef;
                bounceValue();
            } else {
                CPoint local = CPoint(where).offset(-size.left, -size.top);
                const float pointed = valueFromPoint(local);
                // A jump across the dead zone sticks at the end it came from.
                value = pointed;
                if (old - pointed > middle)
                    value = max;
                else if (pointed - old > middle)
                    value = min;
                else
                    old = pointed;
            }
            if (listener != nullptr) listener->valueChanged(context, this);
        }
        getMouseLocation(context, where);
        if (!idleInGesture()) return;
    } while ((current & kLButton) != 0);
    endEdit();
}

std::int32_t CKnob::onKeyDown(CKeyCode& key) {
    return stepByArrowKey(key);
}

bool CKnob::onWheel(CDrawContext* context, const CPoint&, float distance) {
    return stepByWheel(context, distance);
}

bool CKnob::isTypeOf(const char* name) const {
    return std::strcmp(name, "CKnob") == 0 || CControl::isTypeOf(name);
}

void CKnob::setStartAngle(float radians) {
    startAngle = radians;
    compute();
}
float CKnob::getStartAngle() const {
    return startAngle;
}
void CKnob::setRangeAngle(float radians) {
    rangeAngle = radians;
    compute();
}
float CKnob::getRangeAngle() const {
    return rangeAngle;
}

void CKnob::valueToPoint(CPoint& point) const {
    const float alpha = (value - bCoef) / aCoef;
    if (!std::isfinite(alpha)) {
        // No angle to show (a range angle of 0, or no value): one fixed point,
        // so that such a knob never becomes dirty through its handle.
        point = CPoint(static_cast<std::int32_t>(radius), static_cast<std::int32_t>(radius));
        return;
    }
    const float reach = radius - static_cast<float>(inset);
    point.h = static_cast<std::int32_t>(radius + std::cos(alpha) * reach + kHalf);
    point.v = static_cast<std::int32_t>(radius - std::sin(alpha) * reach + kHalf);
}

float CKnob::valueFromPoint(CPoint& point) const {
    float alpha = static_cast<float>(
        std::atan2(static_cast<double>(radius - point.v), static_cast<double>(point.h - radius)));
    if (alpha < 0.0f) alpha += kTwoPi;
    float a2 = alpha - startAngle;
    if (rangeAngle < 0.0f) {
        a2 -= rangeAngle;
        const float a3 = wrapOnce(a2);
        if (a3 > halfAngle - rangeAngle) return max;
        if (a3 > -rangeAngle) return min;
        if (a2 > halfAngle - rangeAngle)
            a2 -= kTwoPi;
        else if (a2 < -halfAngle)
            a2 += kTwoPi;
        return aCoef * a2 + max;
    }
    const float a3 = wrapOnce(a2);
    if (a3 > halfAngle + rangeAngle) return min;
    if (a3 > rangeAngle) return max;
    if (a2 > halfAngle + rangeAngle)
        a2 -= kTwoPi;
    else if (a2 < -halfAngle)
        a2 += kTwoPi;
    // With no sweep at all the start angle itself is min.
    const float pointed = aCoef * a2 + min;
    return std::isfinite(pointed) ? pointed : min;
}

void CKnob::setInsetValue(std::int32_t pixels) {
    inset = pixels;
}

void CKnob::setColorShadowHandle(const CColor& color) {
    colorShadowHandle = color;
    setDirty();
}

void CKnob::setColorHandle(const CColor& color) {
    colorHandle = color;
    setDirty();
}

void CKnob::setHandleBitmap(CBitmap* bitmap) {
    if (handleBitmap != nullptr) handleBitmap->forget();
    handleBitmap = bitmap;
    if (bitmap == nullptr) return;
    bitmap->remember();
    inset = static_cast<std::int32_t>(static_cast<float>(bitmap->getWidth()) * kHalf + 2.5f);
}

void CKnob::setZoomFactor(float factor) {
    zoomFactor = factor;
}
float CKnob::getZoomFactor() const {
    return zoomFactor;
}

} // namespace VSTGUI
