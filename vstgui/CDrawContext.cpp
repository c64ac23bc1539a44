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
    if (window != nullptr) screenOffset = windowOrigin = native::windowScreenTopLeft(window);
    if (frame != nullptr) {
        frame->getViewSize(clipRect);
        scale = frame->getScale();
    } else {
        clipRect = kClipWithoutFrame;
    }

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

CRect CDrawContext::onSurface(const CRect& rect) const {
    return CRect(toDevice(rect.left + offset.h, scale), toDevice(rect.top + offset.v, scale),
                 toDevice(rect.right + offset.h, scale), toDevice(rect.bottom + offset.v, scale));
}

CPoint CDrawContext::onSurface(const CPoint& point) const {
    return CPoint(toDevice(point.h + offset.h, scale), toDevice(point.v + offset.v, scale));
}

void CDrawContext::makePen() {
    native::reportDrawingRequest(native::DrawingRequest::pen);
    native::Handle newPen = native::createPen(penStyle, toDevice(lineWidth, scale), frameColor);
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
    request.height = -toDevice(entry.height, scale);
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
    native::clipSurface(systemContext, onSurface(rect));
}

CRect& CDrawContext::getClipRect(CRect& rect) const {
    rect = clipRect;
    rect.offset(-offset.h, -offset.v);
    return rect;
}

void CDrawContext::drawRect(const CRect& rect) {
    const CPoint corners[] = {{rect.left, rect.top},
                              {rect.right - 1, rect.top},
                              {rect.right - 1, rect.bottom - 1},
                              {rect.left, rect.bottom - 1}};
    for (int i = 0; i < 4; ++i)
        drawLine(corners[i], corners[(i + 1) % 4]);
}

void CDrawContext::fillRect(const CRect& rect) {
    if (systemContext == nullptr) return;
    native::fillRect(systemContext,
                     onSurface(CRect(rect.left + 1, rect.top + 1, rect.right, rect.bottom)), brush);
}

void CDrawContext::drawLine(const CPoint& from, const CPoint& to) {
    if (systemContext == nullptr) return;
    if (scale == kUnscaled) {
        native::drawLine(systemContext, onSurface(from), onSurface(to));
        return;
    }
    if (from.h != to.h && from.v != to.v) {
        // A slanted line runs between the centres of its end pixels.
        auto centre = [this](const CPoint& p) {
            const CPoint start = onSurface(p);
            const CPoint end = onSurface(CPoint(p).offset(1, 1));
            return CPoint((start.h + end.h) / 2, (start.v + end.v) / 2);
        };
        native::drawLine(systemContext, centre(from), centre(to));
        return;
    }
    if (from == to) return;
    // The pixels from `from` up to `to`, the width across them centred as a pen draws.
    const std::int32_t across = lineWidth / 2;
    CRect band;
    if (from.v == to.v) {
        const std::int32_t left = from.h < to.h ? from.h : to.h + 1;
        const std::int32_t right = from.h < to.h ? to.h : from.h + 1;
        band = CRect(left, from.v - across, right, from.v - across + lineWidth);
    } else {
        const std::int32_t top = from.v < to.v ? from.v : to.v + 1;
        const std::int32_t bottom = from.v < to.v ? to.v : from.v + 1;
        band = CRect(from.h - across, top, from.h - across + lineWidth, bottom);
    }
    fillInFrameColor(onSurface(band));
}

void CDrawContext::fillInFrameColor(const CRect& rect) {
    native::reportDrawingRequest(native::DrawingRequest::brush);
    native::Handle lineBrush = native::createSolidBrush(frameColor);
    native::fillRect(systemContext, rect, lineBrush);
    native::deleteObject(lineBrush);
}

void CDrawContext::drawString(const char* text, const CRect& rect, bool opaque,
                              std::int32_t align) {
    if (text == nullptr || systemContext == nullptr) return;
    CRect area = rect;
    if (align == kLeftText) area.left += 1;
    if (opaque) native::setTransparentBackground(systemContext, false);
    native::drawText(systemContext, text, onSurface(area), align);
    native::setTransparentBackground(systemContext, true);
}

std::int32_t CDrawContext::getMouseButtons() const {
    return native::mouseButtons();
}

void CDrawContext::getMouseLocation(CPoint& point) const {
    // The cursor in the window's device pixels, then in toolkit pixels less
    // the containers' shifts.
    const CPoint cursor = native::cursorPosition();
    point = CPoint(fromDevice(cursor.h - windowOrigin.h, scale),
                   fromDevice(cursor.v - windowOrigin.v, scale));
    point.offset(windowOrigin.h - screenOffset.h, windowOrigin.v - screenOffset.v);
}

void CDrawContext::copyTo(CDrawContext* destination, const CRect& srcRect,
                          const CPoint& destPoint) {
    if (destination == nullptr || systemContext == nullptr) return;
    const CRect target(toDevice(destPoint.h, scale), toDevice(destPoint.v, scale),
                       toDevice(destPoint.h + srcRect.width(), scale),
                       toDevice(destPoint.v + srcRect.height(), scale));
    native::copyBlock(destination->systemContext, target, systemContext,
                      onSurface(CPoint(srcRect.left, srcRect.top)));
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
    native::Handle image =
        native::createCompatibleImage(frameWindow, toDevice(width, scale), toDevice(height, scale));
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
    native::copyBlock(destination->getSystemContext(), destination->onSurface(destRect),
                      systemContext,
                      CPoint(toDevice(srcOffset.h, scale), toDevice(srcOffset.v, scale)));
}

} // namespace VSTGUI
