#include "vstgui/CControl.h"

#include "vstgui/CFrame.h"
#include "vstgui/VirtualKeys.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace VSTGUI {

namespace {

constexpr std::int32_t kModifierButtons = kShift | kControl | kAlt | kApple;
constexpr std::int32_t kDefaultValueClick = kLButton | kControl;
constexpr std::int32_t kShortestDoubleClickTime = 250; // ms
constexpr float kFineStep = 0.1f;                      // Shift slows steps by this

} // namespace

std::int32_t CControlListener::controlModifierClicked(CDrawContext*, CControl*, std::int32_t) {
    return 0;
}

CControl::CControl(const CRect& size, CControlListener* listener, std::int32_t tag,
                   CBitmap* background)
    : CView(size), listener(listener), tag(tag),
      doubleClickTime(static_cast<std::uint32_t>(
          std::max(native::doubleClickTime(), kShortestDoubleClickTime))) {
    setTransparency(false);
    setMouseEnabled(true);
    setBackground(background);
    setDirty();
}

bool CControl::isDirty() const {
    return oldValue != value || CView::isDirty();
}

void CControl::setDirty(bool state) {
    CView::setDirty(state);
    if (!state)
        oldValue = value;
    else
        oldValue = value == -1.0f ? 0.0f : -1.0f;
}

bool CControl::isTypeOf(const char* name) const {
    return std::strcmp(name, "CControl") == 0 || CView::isTypeOf(name);
}

void CControl::doIdleStuff() {
    if (parentFrame != nullptr) parentFrame->doIdleStuff();
}

bool CControl::idleInGesture() {
    CFrame* frame = parentFrame;
    doIdleStuff();
    return frame == nullptr || !frame->isClosing();
}

void CControl::setValue(float newValue) {
    value = newValue;
}
float CControl::getValue() const {
    return value;
}
void CControl::setMin(float newMin) {
    min = newMin;
}
float CControl::getMin() const {
    return min;
}
void CControl::setMax(float newMax) {
    max = newMax;
}
float CControl::getMax() const {
    return max;
}
void CControl::setOldValue(float newOldValue) {
    oldValue = newOldValue;
}
float CControl::getOldValue() const {
    return oldValue;
}
void CControl::setDefaultValue(float newDefault) {
    defaultValue = newDefault;
}
float CControl::getDefaultValue() const {
    return defaultValue;
}
void CControl::setTag(std::int32_t newTag) {
    tag = newTag;
}
std::int32_t CControl::getTag() const {
    return tag;
}

void CControl::beginEdit() {
    if (parentFrame == nullptr) return;
    parentFrame->setFocusView(this);
    parentFrame->beginEdit(tag);
}

void CControl::endEdit() {
    if (parentFrame != nullptr) parentFrame->endEdit(tag);
}

void CControl::setBackOffset(const CPoint& offset) {
    backOffset = offset;
}

void CControl::copyBackOffset() {
    backOffset = CPoint(size.left, size.top);
}

void CControl::setWheelInc(float increment) {
    wheelInc = increment;
}
float CControl::getWheelInc() const {
    return wheelInc;
}

void CControl::bounceValue() {
    if (value > max)
        value = max;
    else if (value < min || std::isnan(value))
        value = min;
}

bool CControl::checkDefaultValue(CDrawContext* context, std::int32_t buttons) {
    if (buttons != kDefaultValueClick) return false;
    beginEdit();
    value = getDefaultValue();
    if (isDirty() && listener != nullptr) listener->valueChanged(context, this);
    endEdit();
    return true;
}

bool CControl::isDoubleClick() {
    const std::uint32_t now = parentFrame != nullptr ? parentFrame->getTicks() : 0;
    // Unsigned differences stay right when the tick count wraps.
    if (lastClickTicks != 0 && now - lastClickTicks < doubleClickTime) {
        lastClickTicks = 0;
        return true;
    }
    lastClickTicks = now;
    return false;
}

std::int32_t CControl::liveButtons(CDrawContext* context) const {
    return context != nullptr ? context->getMouseButtons() : native::mouseButtons();
}

std::int32_t CControl::resolveButtons(CDrawContext* context, std::int32_t buttons) const {
    return buttons == -1 ? liveButtons(context) : buttons;
}

bool CControl::modifierClickConsumed(CDrawContext* context, std::int32_t buttons) {
    return listener != nullptr && (buttons & kModifierButtons) != 0 &&
           listener->controlModifierClicked(context, this, buttons) != 0;
}

void CControl::reportIfDirty(CDrawContext* context) {
    if (!isDirty() || listener == nullptr) return;
    beginEdit();
    listener->valueChanged(context, this);
    endEdit();
}

bool CControl::stepByWheel(CDrawContext* context, float distance) {
    if (!mouseEnabled) return false;
    float step = wheelInc * distance;
    if ((liveButtons(context) & kShift) != 0) step *= kFineStep;
    value += step;
    bounceValue();
    reportIfDirty(context);
    return true;
}

std::int32_t CControl::stepByArrowKey(const CKeyCode& key) {
    float direction = 0.0f;
    switch (key.virt) {
    case kVirtualKeyLeft:
    case kVirtualKeyDown:
        direction = -1.0f;
        break;
    case kVirtualKeyUp:
    case kVirtualKeyRight:
        direction = 1.0f;
        break;
    default:
        return -1;
    }
    float step = wheelInc * direction;
    if ((key.modifier & kKeyShift) != 0) step *= kFineStep;
    value += step;
    bounceValue();
    reportIfDirty(nullptr);
    return 1;
}

void CControl::drawBackground(CDrawContext* context, const CPoint& offset) {
    if (background == nullptr) return;
    if (transparencyEnabled)
        background->drawTransparent(context, size, offset);
    else
        background->draw(context, size, offset);
}

} // namespace VSTGUI
