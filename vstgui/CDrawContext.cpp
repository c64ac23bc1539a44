#include "vstgui/CDrawContext.h"

#include "vstgui/CFrame.h"

namespace VSTGUI {

namespace {

constexpr std::int32_t kNativeSolidPen = 0;
constexpr std::int32_t kNativeDotPen = 2;
constexpr std::int32_t kNormalWeight = 400;
constexpr std::int32_t kBoldWeight = 700;
const CRect kClipWithoutFrame(0, 0, 1000, 1000);

const FontTableEntry kFontTable[kNumStandardFonts] = {
    {"Arial", 12}, // always bold
    {"Arial", 18}, {"Arial", 14}, {"Arial", 12},  {"Arial", 11},
    {"Arial", 10}, {"Arial", 9},  {"Symbol", 13},
};

bool isStandardFont(std::int32_t id) {
    return id >= 0 && id < kNumStandardFonts;
}

} // namespace

const FontTableEntry& fontTableEntry(std::int32_t fontId) {
    return kFontTable[isStandardFont(fontId) ? fontId : kSystemFont];
}

CDrawContext::CDrawContext(CFrame* frame, native::Handle systemContext, native::Handle window)
    : systemContext(systemContext), window(window), frame(frame) {
    if (this->systemContext == nullptr && window != nullptr) {
        this->systemContext = native::windowSurface(window);
        ownedSurface = this->systemContext;
    }
    if (this->systemContext != nullptr) {
        const native::SelectedObjects selected = native::selectedObjects(this->systemContext);
        oldBrush = selected.brush;
        oldPen = selected.pen;
        oldFont = selected.font;
        native::setTransparentBackground(this->systemContext, true);
    }
    if (window != nullptr) screenOffset = native::windowScreenTopLeft(window);
    if (frame != nullptr)
        frame->getViewSize(clipRect);
    else
        clipRect = kClipWithoutFrame;

    setFrameColor(kWhiteCColor);
    setLineStyle(kLineSolid);
    setLineWidth(1);
    setFillColor(kBlackCColor);
    setFontColor(kWhiteCColor);
    setFont(kSystemFont);
    setDrawMode(kCopyMode);
}

CDrawContext::~CDrawContext() {
    restoreSurfaceObjects();
    if (brush != nullptr) native::deleteObject(brush);
    if (pen != nullptr) native::deleteObject(pen);
    if (font != nullptr) native::deleteObject(font);
    if (ownedSurface != nullptr) native::releaseWindowSurface(window, ownedSurface);
}

void CDrawContext::restoreSurfaceObjects() {
    if (systemContext == nullptr) return;
    if (oldBrush != nullptr) native::selectObject(systemContext, oldBrush);
    if (oldPen != nullptr) native::selectObject(systemContext, oldPen);
    if (oldFont != nullptr) native::selectObject(systemContext, oldFont);
}

void CDrawContext::adoptSurface(native::Handle surface) {
    systemContext = surface;
    const native::SelectedObjects selected = native::selectedObjects(surface);
    oldBrush = selected.brush;
    oldPen = selected.pen;
    oldFont = selected.font;
    if (brush != nullptr) native::selectObject(surface, brush);
    if (pen != nullptr) native::selectObject(surface, pen);
    if (font != nullptr) native::selectObject(surface, font);
    native::setTransparentBackground(surface, true);
    native::setTextColor(surface, fontColor);
    native::setTextBackground(surface, fillColor);
    native::setCopyMode(surface);
}

void CDrawContext::makePen() {
    native::reportDrawingRequest(native::DrawingRequest::pen);
    native::Handle newPen = native::createPen(penStyle, lineWidth, frameColor);
    if (newPen == nullptr) return;
    if (systemContext != nullptr) native::selectObject(systemContext, newPen);
    if (pen != nullptr) native::deleteObject(pen);
    pen = newPen;
}

void CDrawContext::setFrameColor(const CColor& color) {
    if (frameColor == color) return;
    frameColor = color;
    makePen();
}

void CDrawContext::setLineWidth(std::int32_t width) {
    if (lineWidth == width) return;
    lineWidth = width;
    makePen();
}

void CDrawContext::setLineStyle(std::int32_t style) {
    if (lineStyle == style) return;
    lineStyle = style;
    penStyle = style == kLineSolid ? kNativeSolidPen : kNativeDotPen;
    makePen();
}

void CDrawContext::setFillColor(const CColor& color) {
    if (fillColor == color) return;
    fillColor = color;
    if (systemContext != nullptr) native::setTextBackground(systemContext, color);
    native::reportDrawingRequest(native::DrawingRequest::brush);
    native::Handle newBrush = native::createSolidBrush(color);
    if (newBrush == nullptr) return;
    if (systemContext != nullptr) native::selectObject(systemContext, newBrush);
    if (brush != nullptr) native::deleteObject(brush);
    brush = newBrush;
}

void CDrawContext::setFontColor(const CColor& color) {
    fontColor = color;
    if (systemContext != nullptr) native::setTextColor(systemContext, color);
}

void CDrawContext::setFont(std::int32_t id, std::int32_t style) {
    if (!isStandardFont(id)) id = kSystemFont;
    const FontTableEntry& entry = fontTableEntry(id);
    if (id == fontId && entry.height == fontSize && style == fontStyle) return;
    native::FontRequest request{};
    request.height = -entry.height;
    request.weight = (style & kBoldFace) != 0 || id == kSystemFont ? kBoldWeight : kNormalWeight;
    request.italic = (style & kItalicFace) != 0;
    request.underline = (style & kUnderlineFace) != 0;
    request.decorative = id == kSymbolFont;
    request.face = entry.face;
    native::reportDrawingRequest(native::DrawingRequest::font);
    native::Handle newFont = native::createFont(request);
    if (newFont == nullptr) return;
    fontId = id;
    fontSize = entry.height;
    fontStyle = style;
    if (systemContext != nullptr) native::selectObject(systemContext, newFont);
    if (font != nullptr) native::deleteObject(font);
    font = newFont;
}

void CDrawContext::setDrawMode(std::int32_t mode) {
    if (drawMode == mode) return;
    drawMode = mode;
    if (systemContext != nullptr) native::setCopyMode(systemContext);
}

void CDrawContext::setClipRect(const CRect& rect) {
    CRect device = rect;
    device.offset(offset.h, offset.v);
    if (device == clipRect) return;
    clipRect = device;
    if (systemContext == nullptr) return;
    native::reportDrawingRequest(native::DrawingRequest::clip);
    native::clipSurface(systemContext, clipRect);
}

CRect& CDrawContext::getClipRect(CRect& rect) const {
    rect = clipRect;
    rect.offset(-offset.h, -offset.v);
    return rect;
}

void CDrawContext::drawRect(const CRect& rect) {
    if (systemContext == nullptr) return;
    const std::int32_t left = rect.left + offset.h;
    const std::int32_t top = rect.top + offset.v;
    const std::int32_t right = rect.right - 1 + offset.h;
    const std::int32_t bottom = rect.bottom - 1 + offset.v;
    const CPoint corners[] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}};
    for (int i = 0; i < 4; ++i)
        native::drawLine(systemContext, corners[i], corners[(i + 1) % 4]);
}

void CDrawContext::fillRect(const CRect& rect) {
    if (systemContext == nullptr) return;
    CRect inner(rect.left + 1, rect.top + 1, rect.right, rect.bottom);
    inner.offset(offset.h, offset.v);
    native::fillRect(systemContext, inner, brush);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    if (systemContext == nullptr) return;
    native::drawLine(systemContext, CPoint(from).offset(offset.h, offset.v),
                     CPoint(to).offset(offset.h, offset.v));
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque,
                              std::int32_t align) {
    if (text == nullptr || systemContext == nullptr) return;
    CRect area = rect;
    area.offset(offset.h, offset.v);
    if (align == kLeftText) area.left += 1;
    if (opaque) native::setTransparentBackground(systemContext, false);
    native::drawText(systemContext, text, area, align);
    native::setTransparentBackground(systemContext, true);
}

std::int32_t CDrawContext::getMouseButtons() const {
    return native::mouseButtons();
}

void CDrawContext::getMouseLocation(CPoint& point) const {
    point = native::cursorPosition();
    point.offset(-screenOffset.h, -screenOffset.v);
}

void CDrawContext::copyTo(CDrawContext* destination, const CRect& srcRect,
                          const CPoint& destPoint) {
    if (destination == nullptr || systemContext == nullptr) return;
    const CRect target(destPoint.h, destPoint.v, destPoint.h + srcRect.width(),
                       destPoint.v + srcRect.height());
    native::copyBlock(destination->systemContext, target, systemContext,
                      CPoint(srcRect.left + offset.h, srcRect.top + offset.v));
}

COffscreenContext::COffscreenContext(CFrame* frame, std::int32_t width, std::int32_t height,
                                     const CColor& backgroundColor)
    : CDrawContext(frame, nullptr, nullptr), height(height), width(width),
      backgroundColor(backgroundColor) {
    clipRect =
        CRect(std::min(0, width), std::min(0, height), std::max(0, width), std::max(0, height));
    native::Handle frameWindow = frame != nullptr ? frame->getNativeWindow() : nullptr;
    native::Handle surface = native::createMemorySurface(frameWindow);
    if (surface == nullptr) return;
    native::Handle image = native::createCompatibleImage(frameWindow, width, height);
    if (image == nullptr) {
        native::deleteMemorySurface(surface);
        return;
    }
    window = image;
    oldImage = native::selectObject(surface, image);
    adoptSurface(surface);
    setFillColor(backgroundColor);
    setFrameColor(backgroundColor);
    const CRect whole(0, 0, width, height);
    fillRect(whole);
    drawRect(whole);
}

COffscreenContext::~COffscreenContext() {
    if (systemContext != nullptr) {
        restoreSurfaceObjects();
        native::selectObject(systemContext, oldImage);
        native::deleteMemorySurface(systemContext);
        systemContext = nullptr;
    }
    if (window != nullptr && destroyImage) native::deleteObject(window);
    window = nullptr;
}

void COffscreenContext::copyFrom(CDrawContext* destination, const CRect& destRect,
                                 const CPoint& srcOffset) {
    if (destination == nullptr || systemContext == nullptr) return;
    CRect target = destRect;
    target.offset(destination->offset.h, destination->offset.v);
    native::copyBlock(destination->getSystemContext(), target, systemContext, srcOffset);
}

} // namespace VSTGUI
