#include "vstgui/CView.h"

#include "vstgui/CFrame.h"

#include <cstring>

namespace VSTGUI {

const char* const kMsgCheckIfViewContainer = "kMsgCheckIfViewContainer";

CView::CView(const CRect& size) : size(size), mouseableArea(size) {}

CView::~CView() {
    if (background != nullptr) background->forget();
}

void CView::draw(CDrawContext* context) {
    if (background != nullptr) {
        if (transparencyEnabled)
            background->drawTransparent(context, size);
        else
            background->draw(context, size);
    }
    setDirty(false);
}

void CView::drawRect(CDrawContext* context, const CRect&) {
    draw(context);
}

bool CView::checkUpdate(const CRect& updateRect) {
    return updateRect.rectOverlap(size);
}

void CView::mouse(CDrawContext*, CPoint&, std::int32_t) {}

void CView::setBackground(CBitmap* bitmap) {
    if (bitmap != nullptr) bitmap->remember();
    if (background != nullptr) background->forget();
    background = bitmap;
    setDirty();
}

CBitmap* CView::getBackground() const {
    return background;
}

std::int32_t CView::onKeyDown(CKeyCode&) {
    return -1;
}
std::int32_t CView::onKeyUp(CKeyCode&) {
    return -1;
}

bool CView::onWheel(CDrawContext* context, const CPoint& where, std::int32_t, float distance) {
    return onWheel(context, where, distance);
}

bool CView::onWheel(CDrawContext*, const CPoint&, float) {
    return false;
}
bool CView::onDrop(CDrawContext*, CDragContainer*, const CPoint&) {
    return false;
}
void CView::onDragEnter(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragLeave(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::onDragMove(CDrawContext*, CDragContainer*, const CPoint&) {}
void CView::loseFocus(CDrawContext*) {}
void CView::takeFocus(CDrawContext*) {}
bool CView::isDirty() const {
    return dirty;
}
void CView::setDirty(bool state) {
    dirty = state;
}
void CView::setMouseEnabled(bool enable) {
    mouseEnabled = enable;
}
bool CView::getMouseEnabled() const {
    return mouseEnabled;
}
void CView::setMouseableArea(const CRect& rect) {
    mouseableArea = rect;
}

CRect& CView::getMouseableArea(CRect& rect) const {
    rect = mouseableArea;
    return rect;
}

bool CView::hitTest(const CPoint& where, std::int32_t) {
    return mouseableArea.pointInside(where);
}
void CView::setTransparency(bool state) {
    transparencyEnabled = state;
}
bool CView::getTransparency() const {
    return transparencyEnabled;
}

void CView::setViewSize(CRect& rect) {
    size = rect;
    setDirty();
}

CRect& CView::getViewSize(CRect& rect) const {
    rect = size;
    return rect;
}

bool CView::removed(CView*) {
    return true;
}
bool CView::attached(CView*) {
    return true;
}

void CView::getMouseLocation(CDrawContext* context, CPoint& point) {
    if (context == nullptr) return;
    if (parentView != nullptr && parentView->notify(this, kMsgCheckIfViewContainer) == 1) {
        CRect parentSize;
        parentView->getViewSize(parentSize);
        const CPoint savedOffset = context->offset;
        const CPoint savedScreenOffset = context->screenOffset;
        context->offset.offset(parentSize.left, parentSize.top);
        context->screenOffset.offset(parentSize.left, parentSize.top);
        parentView->getMouseLocation(context, point);
        context->offset = savedOffset;
        context->screenOffset = savedScreenOffset;
        return;
    }
    context->getMouseLocation(point);
}

CPoint& CView::frameToLocal(CPoint& point) const {
    if (parentView != nullptr && parentView->isTypeOf("CViewContainer"))
        return parentView->frameToLocal(point);
    return point;
}

CPoint& CView::localToFrame(CPoint& point) const {
    if (parentView != nullptr && parentView->isTypeOf("CViewContainer"))
        return parentView->localToFrame(point);
    return point;
}

CFrameOwner* CView::getEditor() const {
    return parentFrame != nullptr ? parentFrame->getEditor() : nullptr;
}

std::int32_t CView::notify(CView*, const char*) {
    return 0;
}

void CView::redrawRect(CDrawContext* context, const CRect& rect) {
    if (parentView != nullptr)
        parentView->redrawRect(context, rect);
    else if (parentFrame != nullptr)
        parentFrame->drawRect(context, rect);
}

bool CView::wantsFocus() const {
    return focusWanted;
}
void CView::setWantsFocus(bool state) {
    focusWanted = state;
}
bool CView::isTypeOf(const char* name) const {
    return std::strcmp(name, "CView") == 0;
}

void CView::update(CDrawContext* context) {
    if (!isDirty()) return;
    if (context != nullptr)
        redrawRect(context, size);
    else if (parentFrame != nullptr)
        parentFrame->drawView(this);
    setDirty(false);
}

} // namespace VSTGUI
