#include "vstgui/CButtons.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {

// The frame of a switch's value; values outside 0..1 show the end frames.
std::int32_t switchFrame(float value, std::int32_t positions) {
    const float shown = value > 0.0f ? std::min(value, 1.0f) : 0.0f;
    return static_cast<std::int32_t>(static_cast<float>(positions - 1) * shown + 0.5f);
}

// The value of the position that lies pixels into a switch whose positions
// share span pixels; a switch of one position, or of no size, stays at 0.
float positionValue(std::int32_t pixels, std::int32_t positions, std::int32_t span) {
    if (positions < 2 || span <= 0) return 0.0f;
    const float index =
        std::trunc(static_cast<float>(pixels) * static_cast<float>(positions) / span);
    return std::clamp(index / static_cast<float>(positions - 1), 0.0f, 1.0f);
}

} // namespace

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                           CBitmap* background, std::int32_t style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
    // Any value but 0 shows the lower, "on" half; so does a value that is no number.
    const std::int32_t half = background != nullptr ? background->getHeight() / 2 : 0;
    drawBackground(context, CPoint(0, value != 0.0f ? half : 0));
    setDirty(false);
}

void COnOffButton::mouse(CDrawContext* context, CPoint&, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if ((buttons & kLButton) == 0) return;
    if (modifierClickConsumed(context, buttons)) return;
    value = std::trunc(value) != 0.0f ? 0.0f : 1.0f;
    auto report = [&] {
        beginEdit();
        listener->valueChanged(context, this);
        endEdit();
    };
    if (listener != nullptr && style == kPreListenerUpdate) report();
    if (!idleInGesture()) return;
    if (listener != nullptr && style == kPostListenerUpdate) report();
}

bool COnOffButton::isTypeOf(const char* name) const {
    return std::strcmp(name, "COnOffButton") == 0 || CControl::isTypeOf(name);
}

std::int32_t COnOffButton::getStyle() const {
    return style;
}
void COnOffButton::setStyle(std::int32_t newStyle) {
    style = newStyle;
}

CKickButton::CKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                         std::int32_t frameHeight, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), frameHeight(frameHeight) {}

void CKickButton::draw(CDrawContext* context) {
    bounceValue();
    CPoint source = offset;
    if (value != 0.0f) source.v += frameHeight;
    drawBackground(context, source);
    setDirty(false);
}

void CKickButton::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if (modifierClickConsumed(context, buttons)) return;
    if ((buttons & kLButton) == 0) return;
    const float entry = value;
    const float pressed = entry != 0.0f ? 0.0f : 1.0f;
    beginEdit();
    if (liveButtons(context) == kLButton) {
        // Pressed while the pointer is over the button, released elsewhere.
        if (!followHeldButtons(context, where, kLButton, [&](const CPoint& at) {
                return size.pointInside(at) ? pressed : entry;
            }))
            return;
    } else {
        value = value == 0.0f ? 1.0f : 0.0f;
        if (listener != nullptr) listener->valueChanged(context, this);
    }
    value = 0.0f;
    if (listener != nullptr) listener->valueChanged(context, this);
    endEdit();
}

bool CKickButton::isTypeOf(const char* name) const {
    return std::strcmp(name, "CKickButton") == 0 || CControl::isTypeOf(name);
}

CHorizontalSwitch::CHorizontalSwitch(const CRect& size, CControlListener* listener,
                                     std::int32_t tag, std::int32_t frameCount,
                                     std::int32_t frameHeight, std::int32_t positions,
                                     CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), frameCount(frameCount),
      positions(positions), frameHeight(frameHeight) {
    defaultValue = 0.0f;
}

void CHorizontalSwitch::draw(CDrawContext* context) {
    drawBackground(context, CPoint(0, switchFrame(value, positions) * frameHeight));
    setDirty(false);
}

void CHorizontalSwitch::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if (modifierClickConsumed(context, buttons)) return;
    if ((buttons & kLButton) == 0) return;
    if (checkDefaultValue(context, buttons)) return;
    const std::int32_t span = background != nullptr ? background->getWidth() : 0;
    beginEdit();
    const bool followed = followHeldButtons(context, where, buttons, [&](const CPoint& at) {
        return positionValue(at.h - size.left, positions, span);
    });
    if (followed) endEdit();
}

bool CHorizontalSwitch::onWheel(CDrawContext* context, const CPoint&, float distance) {
    return stepByWheel(context, distance);
}

bool CHorizontalSwitch::isTypeOf(const char* name) const {
    return std::strcmp(name, "CHorizontalSwitch") == 0 || CControl::isTypeOf(name);
}

CVerticalSwitch::CVerticalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                                 std::int32_t frameCount, std::int32_t frameHeight,
                                 std::int32_t positions, CBitmap* background, const CPoint& offset)
    : CControl(size, listener, tag, background), offset(offset), frameCount(frameCount),
      frameHeight(frameHeight), positions(positions) {
    defaultValue = 0.0f;
}

void CVerticalSwitch::draw(CDrawContext* context) {
    drawBackground(context, CPoint(0, switchFrame(value, positions) * frameHeight));
    setDirty(false);
}

void CVerticalSwitch::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (!mouseEnabled) return;
    buttons = resolveButtons(context, buttons);
    if (modifierClickConsumed(context, buttons)) return;
    if ((buttons & kLButton) == 0) return;
    if (checkDefaultValue(context, buttons)) return;
    beginEdit();
    const bool followed = followHeldButtons(context, where, buttons, [&](const CPoint& at) {
        return positionValue(at.v - size.top, positions, frameHeight);
    });
    if (followed) endEdit();
}

bool CVerticalSwitch::isTypeOf(const char* name) const {
    return std::strcmp(name, "CVerticalSwitch") == 0 || CControl::isTypeOf(name);
}

} // namespace VSTGUI
