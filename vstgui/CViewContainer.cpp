#include "vstgui/CViewContainer.h"

#include "vstgui/CFrame.h"

#include <cstring>

namespace VSTGUI {

namespace {

// Positive overlap with (0, 0, width, height); touching is not enough here.
bool coversArea(const CRect& rect, std::int32_t width, std::int32_t height) {
    return std::min(rect.right, width) > std::max(rect.left, 0) &&
           std::min(rect.bottom, height) > std::max(rect.top, 0);
}

} // namespace

OffsetShift::OffsetShift(CDrawContext* context, std::int32_t x, std::int32_t y) : context(context) {
    if (context == nullptr) return;
    savedOffset = context->offset;
    savedScreenOffset = context->screenOffset;
    context->offset.offset(x, y);
    context->screenOffset.offset(x, y);
}

OffsetShift::~OffsetShift() {
    if (context == nullptr) return;
    context->offset = savedOffset;
    context->screenOffset = savedScreenOffset;
}

CViewContainer::CViewContainer(const CRect& size) : CView(size) {
    setDirty();
}

CViewContainer::~CViewContainer() {
    removeAll(true);
    forgetOffscreen();
}

void CViewContainer::makeOffscreen() {
    offscreen = new COffscreenContext(parentFrame, size.width(), size.height(), kBlackCColor);
    // Without a surface the container draws in place instead.
    if (!offscreen->isValid()) forgetOffscreen();
}

void CViewContainer::forgetOffscreen() {
    if (offscreen != nullptr) offscreen->forget();
    offscreen = nullptr;
}

CDrawContext* CViewContainer::beginDrawing(CDrawContext* context) {
    if (drawInOffscreen && offscreen == nullptr) makeOffscreen();
    if (offscreen != nullptr && transparencyEnabled && context != nullptr)
        context->copyTo(offscreen, size, CPoint(0, 0));
    if (drawInOffscreen && offscreen != nullptr) return offscreen;
    if (context != nullptr) {
        context->offset.offset(size.left, size.top);
        context->screenOffset.offset(size.left, size.top);
    }
    return context;
}

void CViewContainer::endDrawing(CDrawContext* context) {
    if (context == nullptr || (drawInOffscreen && offscreen != nullptr)) return;
    context->offset.offset(-size.left, -size.top);
    context->screenOffset.offset(-size.left, -size.top);
}

CRect CViewContainer::clipBase(CDrawContext* context) const {
    CRect clip;
    context->getClipRect(clip);
    if (drawInOffscreen && offscreen != nullptr && !isTypeOf("CFrame")) clip.moveTo(0, 0);
    return clip;
}

void CViewContainer::draw(CDrawContext* context) {
    CDrawContext* target = beginDrawing(context);
    if (target == nullptr) {
        setDirty(false);
        return;
    }
    const CRect base = clipBase(context != nullptr ? context : target);
    const CRect whole(0, 0, size.width(), size.height());
    target->setClipRect(CRect(whole).bound(base));

    if (background != nullptr) {
        if (transparencyEnabled)
            background->drawTransparent(target, whole, backgroundOffset);
        else
            background->draw(target, whole, backgroundOffset);
    } else if (!transparencyEnabled) {
        target->setFillColor(backgroundColor);
        target->fillRect(whole);
    }
    for (Node* node = firstChild; node != nullptr; node = node->next) {
        CRect childSize;
        node->view->getViewSize(childSize);
        target->setClipRect(childSize.bound(base));
        node->view->draw(target);
    }
    target->setClipRect(base);

    if (target == offscreen)
        offscreen->copyFrom(context, size, CPoint(0, 0));
    else
        endDrawing(context);
    setDirty(false);
}

void CViewContainer::drawRect(CDrawContext* context, const CRect& updateRect) {
    CDrawContext* target = beginDrawing(context);
    if (target == nullptr) {
        setDirty(false);
        return;
    }
    CRect area = CRect(updateRect).bound(size);
    CRect client = area;
    client.offset(-size.left, -size.top);
    const CRect base = clipBase(context != nullptr ? context : target);
    const CRect newClip = CRect(client).bound(base);
    target->setClipRect(newClip);

    drawBackgroundRect(target, client);
    for (Node* node = firstChild; node != nullptr; node = node->next) {
        CView* child = node->view;
        if (!child->checkUpdate(client)) continue;
        CRect childSize;
        child->getViewSize(childSize);
        const CRect visible = CRect(childSize).bound(newClip);
        if (visible.width() == 0 || visible.height() == 0) continue;
        target->setClipRect(visible);
        const bool wasDirty = child->isDirty();
        child->drawRect(target, client);
        // A dirty child drawn only in part is drawn whole at the next update.
        if (wasDirty && visible != childSize && !isTypeOf("CScrollContainer"))
            child->setDirty(true);
    }
    target->setClipRect(base);

    if (target == offscreen)
        offscreen->copyFrom(context, area, CPoint(client.left, client.top));
    else
        endDrawing(context);
    setDirty(false);
}

void CViewContainer::drawBackgroundRect(CDrawContext* context, CRect& rect) {
    if (background != nullptr) {
        CRect oldClip;
        context->getClipRect(oldClip);
        context->setClipRect(CRect(rect).bound(oldClip));
        const CRect whole(0, 0, background->getWidth(), background->getHeight());
        if (transparencyEnabled)
            background->drawTransparent(context, whole, backgroundOffset);
        else
            background->draw(context, whole, backgroundOffset);
        context->setClipRect(oldClip);
    } else if (!transparencyEnabled) {
        context->setFillColor(backgroundColor);
        context->fillRect(rect);
    }
}

void CViewContainer::redrawRect(CDrawContext* context, const CRect& rect) {
    CRect moved = rect;
    moved.offset(size.left, size.top);
    if (transparencyEnabled) {
        if (parentView != nullptr)
            parentView->redrawRect(context, moved);
        else if (parentFrame != nullptr)
            parentFrame->drawRect(context, moved);
        return;
    }
    if (parentView != nullptr) {
        CPoint origin(0, 0);
        parentView->localToFrame(origin);
        OffsetShift shift(context, origin.h, origin.v);
        drawRect(context, moved);
        return;
    }
    drawRect(context, moved);
}

bool CViewContainer::isDirty() const {
    if (dirty) return true;
    for (Node* node = firstChild; node != nullptr; node = node->next) {
        CRect childSize;
        node->view->getViewSize(childSize);
        if (node->view->isDirty() && coversArea(childSize, size.width(), size.height()))
            return true;
    }
    return false;
}

void CViewContainer::update(CDrawContext* context) {
    const CRect whole(0, 0, size.width(), size.height());
    switch (mode) {
    case kNormalUpdate:
        if (isDirty()) redrawRect(context, whole);
        setDirty(false);
        break;
    case kOnlyDirtyUpdate:
        if (dirty) {
            redrawRect(context, whole);
        } else {
            for (Node* node = firstChild; node != nullptr; node = node->next) {
                CView* child = node->view;
                if (!child->isDirty() || !child->checkUpdate(whole)) continue;
                if (child->notify(this, kMsgCheckIfViewContainer) == 1) {
                    child->update(context);
                } else {
                    CRect childSize;
                    child->getViewSize(childSize);
                    child->redrawRect(context, childSize.bound(whole));
                }
            }
        }
        setDirty(false);
        break;
    default:
        break;
    }
}

bool CViewContainer::hitTest(const CPoint& where, std::int32_t) {
    return mouseableArea.pointInside(where);
}

void CViewContainer::setViewSize(CRect& rect) {
    CView::setViewSize(rect);
    if (offscreen != nullptr && drawInOffscreen) {
        forgetOffscreen();
        makeOffscreen();
    }
}

bool CViewContainer::removed(CView*) {
    forgetOffscreen();
    return true;
}

bool CViewContainer::attached(CView*) {
    if (drawInOffscreen && offscreen == nullptr) makeOffscreen();
    return true;
}

CPoint& CViewContainer::frameToLocal(CPoint& point) const {
    point.offset(-size.left, -size.top);
    if (parentView != nullptr && parentView->isTypeOf("CViewContainer"))
        return parentView->frameToLocal(point);
    return point;
}

CPoint& CViewContainer::localToFrame(CPoint& point) const {
    point.offset(size.left, size.top);
    if (parentView != nullptr && parentView->isTypeOf("CViewContainer"))
        return parentView->localToFrame(point);
    return point;
}

std::int32_t CViewContainer::notify(CView*, const char* message) {
    return message == kMsgCheckIfViewContainer ? 1 : 0;
}

bool CViewContainer::isTypeOf(const char* name) const {
    return std::strcmp(name, "CViewContainer") == 0 || CView::isTypeOf(name);
}

void CViewContainer::addView(CView* view, CRect& area, bool enabled) {
    if (view == nullptr) return;
    view->setMouseEnabled(enabled);
    view->setMouseableArea(area);
    addView(view);
}

void CViewContainer::addView(CView* view) {
    if (view == nullptr) return;
    Node* node = new Node{view, nullptr, lastChild};
    view->remember();
    view->setParentFrame(parentFrame);
    view->setParentView(this);
    if (lastChild != nullptr)
        lastChild->next = node;
    else
        firstChild = node;
    lastChild = node;
    view->attached(this);
    view->setDirty();
}

void CViewContainer::removeView(CView* view, bool withForget) {
    if (parentFrame != nullptr && view != nullptr && parentFrame->getFocusView() == view)
        parentFrame->setFocusView(nullptr);
    for (Node* node = firstChild; node != nullptr; node = node->next) {
        if (node->view != view) continue;
        view->removed(this);
        if (withForget) view->forget();
        if (node->previous != nullptr)
            node->previous->next = node->next;
        else
            firstChild = node->next;
        if (node->next != nullptr)
            node->next->previous = node->previous;
        else
            lastChild = node->previous;
        if (currentDragView == view) currentDragView = nullptr;
        delete node;
        view->forget();
        return;
    }
}

void CViewContainer::removeAll(bool withForget) {
    while (firstChild != nullptr) {
        Node* node = firstChild;
        CView* view = node->view;
        view->removed(this);
        if (withForget) view->forget();
        firstChild = node->next;
        if (firstChild != nullptr)
            firstChild->previous = nullptr;
        else
            lastChild = nullptr;
        delete node;
        view->forget();
    }
    currentDragView = nullptr;
}

bool CViewContainer::isChild(CView* view) const {
    for (Node* node = firstChild; node != nullptr; node = node->next)
        if (node->view == view) return true;
    return false;
}

std::int32_t CViewContainer::getNbViews() const {
    std::int32_t count = 0;
    for (Node* node = firstChild; node != nullptr; node = node->next)
        ++count;
    return count;
}

CView* CViewContainer::getView(std::int32_t index) const {
    if (index < 0) return nullptr;
    for (Node* node = firstChild; node != nullptr; node = node->next)
        if (index-- == 0) return node->view;
    return nullptr;
}

void CViewContainer::setBackgroundColor(const CColor& color) {
    backgroundColor = color;
    setDirty();
}

CColor CViewContainer::getBackgroundColor() const {
    return backgroundColor;
}
void CViewContainer::setBackgroundOffset(const CPoint& point) {
    backgroundOffset = point;
}
const CPoint& CViewContainer::getBackgroundOffset() const {
    return backgroundOffset;
}
void CViewContainer::setMode(std::int32_t newMode) {
    mode = newMode;
}
std::int32_t CViewContainer::getMode() const {
    return mode;
}

void CViewContainer::useOffscreen(bool state) {
    drawInOffscreen = state;
    if (!state) forgetOffscreen();
}

} // namespace VSTGUI
