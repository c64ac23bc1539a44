#include "vstgui/CParamDisplay.h"

#include <cstdio>
#include <cstring>

namespace VSTGUI {

namespace {

// Stores a setting; true when it changed.
template <typename T> bool change(T& setting, const T& wanted) {
    if (setting == wanted) return false;
    setting = wanted;
    return true;
}

} // namespace

CParamDisplay::CParamDisplay(const CRect& size, CBitmap* background, std::int32_t style)
    : CControl(size, nullptr, 0, background), style(style) {
    backOffset = CPoint();
}

void CParamDisplay::draw(CDrawContext* context) {
    char text[kControlTextSize] = "";
    if (!convertValue(text)) std::snprintf(text, sizeof text, "%2.2f", static_cast<double>(value));
    drawText(context, text);
}

bool CParamDisplay::convertValue(char* text) const {
    if (valueToTextWithData != nullptr)
        valueToTextWithData(value, text, userData);
    else if (valueToText != nullptr)
        valueToText(value, text);
    else
        return false;
    return true;
}

void CParamDisplay::drawText(CDrawContext* context, const char* text) {
    setDirty(false);
    if ((style & kNoDrawStyle) != 0) return;

    if (background != nullptr) {
        drawBackground(context, backOffset);
    } else if (!transparencyEnabled) {
        context->setFillColor(backColor);
        context->fillRect(size);
        if ((style & (k3DIn | k3DOut | kNoFrame)) == 0) {
            context->setFrameColor(frameColor);
            context->drawRect(size);
        }
    }
    if ((style & (k3DIn | k3DOut)) != 0) {
        // Each edge pixel once: left and top in one colour, right and bottom in the other.
        const CPoint topLeft(size.left, size.top), topRight(size.right - 1, size.top);
        const CPoint bottomRight(size.right - 1, size.bottom - 1);
        const CPoint bottomLeft(size.left, size.bottom - 1);
        const bool sunken = (style & k3DIn) != 0;
        context->setLineWidth(1);
        context->setFrameColor(sunken ? backColor : frameColor);
        context->drawLine(bottomLeft, topLeft);
        context->drawLine(topLeft, topRight);
        context->setFrameColor(sunken ? frameColor : backColor);
        context->drawLine(topRight, bottomRight);
        context->drawLine(bottomRight, bottomLeft);
    }
    if ((style & kNoTextStyle) != 0 || text == nullptr || text[0] == 0) return;

    CRect oldClip;
    context->getClipRect(oldClip);
    context->setClipRect(CRect(size).bound(oldClip));
    context->setFont(fontId, txtFace);
    if ((style & kShadowText) != 0) {
        context->setFontColor(shadowColor);
        context->drawString(text, CRect(size).offset(1, 1), false, horiAlign);
    }
    context->setFontColor(fontColor);
    context->setFillColor(backColor);
    context->drawString(text, size, !textTransparency, horiAlign);
    context->setClipRect(oldClip);
}

bool CParamDisplay::isTypeOf(const char* name) const {
    return std::strcmp(name, "CParamDisplay") == 0 || CControl::isTypeOf(name);
}

void CParamDisplay::setFont(std::int32_t id) {
    if (change(fontId, id)) setDirty();
}
void CParamDisplay::setFontColor(const CColor& color) {
    if (change(fontColor, color)) setDirty();
}
void CParamDisplay::setBackColor(const CColor& color) {
    if (change(backColor, color)) setDirty();
}
void CParamDisplay::setFrameColor(const CColor& color) {
    if (change(frameColor, color)) setDirty();
}
void CParamDisplay::setShadowColor(const CColor& color) {
    if (change(shadowColor, color)) setDirty();
}
void CParamDisplay::setHoriAlign(std::int32_t align) {
    if (change(horiAlign, align)) setDirty();
}
void CParamDisplay::setStyle(std::int32_t bits) {
    if (change(style, bits)) setDirty();
}
void CParamDisplay::setTxtFace(std::int32_t bits) {
    if (change(txtFace, bits)) setDirty();
}

void CParamDisplay::setStringConvert(ValueToTextWithData convert, void* data) {
    valueToTextWithData = convert;
    userData = data;
}
void CParamDisplay::setStringConvert(ValueToText convert) {
    valueToText = convert;
}
void CParamDisplay::setStringConvert(TextToValue convert) {
    textToValue = convert;
}
void CParamDisplay::setTextTransparency(bool transparent) {
    textTransparency = transparent;
}

} // namespace VSTGUI
