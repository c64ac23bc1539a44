// The container's input side: mouse, key, wheel and drag dispatch into the
// children, topmost first, the lookup of the child under a point, and focus.
#include "vstgui/CViewContainer.h"

#include "vstgui/CFrame.h"

namespace VSTGUI {

void CViewContainer::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    CPoint local = where;
    local.offset(-size.left, -size.top);
    if (buttons == -1 && context != nullptr) buttons = context->getMouseButtons();
    for (Node* node = lastChild; node != nullptr; node = node->previous) {
        CView* child = node->view;
        if (child->getMouseEnabled() && child->hitTest(local, buttons)) {
            child->mouse(context, local, buttons);
            return;
        }
    }
}

std::int32_t CViewContainer::onKeyDown(CKeyCode& key) {
    for (Node* node = lastChild; node != nullptr; node = node->previous) {
        const std::int32_t result = node->view->onKeyDown(key);
        if (result != -1) return result;
    }
    return -1;
}

std::int32_t CViewContainer::onKeyUp(CKeyCode& key) {
    for (Node* node = lastChild; node != nullptr; node = node->previous) {
        const std::int32_t result = node->view->onKeyUp(key);
        if (result != -1) return result;
    }
    return -1;
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    return onWheel(context, where, 1, distance);
}

bool CViewContainer::onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis,
                             float distance) {
    CView* target = getViewAt(where, false);
    if (target == nullptr) return false;
    OffsetShift shift(context, size.left, size.top);
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    return target->onWheel(context, local, axis, distance);
}

void CViewContainer::onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (parentFrame == nullptr) return;
    OffsetShift shift(context, size.left, size.top);
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    if (currentDragView != nullptr) currentDragView->onDragLeave(context, drag, local);
    currentDragView = getViewAt(where, false);
    if (currentDragView != nullptr) currentDragView->onDragEnter(context, drag, local);
}

void CViewContainer::onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (parentFrame == nullptr) return;
    OffsetShift shift(context, size.left, size.top);
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    CView* view = getViewAt(where, false);
    if (view != currentDragView) {
        if (currentDragView != nullptr) currentDragView->onDragLeave(context, drag, local);
        if (view != nullptr) view->onDragEnter(context, drag, local);
        currentDragView = view;
    } else if (currentDragView != nullptr) {
        currentDragView->onDragMove(context, drag, local);
    }
}

void CViewContainer::onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (parentFrame == nullptr) return;
    OffsetShift shift(context, size.left, size.top);
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    if (currentDragView != nullptr) currentDragView->onDragLeave(context, drag, local);
    currentDragView = nullptr;
}

bool CViewContainer::onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) {
    if (parentFrame == nullptr) return false;
    OffsetShift shift(context, size.left, size.top);
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    CView* view = getViewAt(where, false);
    if (view != currentDragView) {
        if (currentDragView != nullptr) currentDragView->onDragLeave(context, drag, local);
        currentDragView = view;
    }
    bool result = false;
    if (currentDragView != nullptr) {
        result = currentDragView->onDrop(context, drag, local);
        currentDragView->onDragLeave(context, drag, local);
    }
    currentDragView = nullptr;
    return result;
}

void CViewContainer::loseFocus(CDrawContext* context) {
    for (Node* node = firstChild; node != nullptr; node = node->next)
        node->view->loseFocus(context);
}

void CViewContainer::takeFocus(CDrawContext* context) {
    for (Node* node = firstChild; node != nullptr; node = node->next)
        node->view->takeFocus(context);
}

CView* CViewContainer::getCurrentView() const {
    if (parentFrame == nullptr) return nullptr;
    CPoint where;
    parentFrame->getCurrentLocation(where);
    frameToLocal(where);
    for (Node* node = lastChild; node != nullptr; node = node->previous) {
        CRect area;
        if (node->view->getMouseableArea(area).pointInside(where)) return node->view;
    }
    return nullptr;
}

CView* CViewContainer::getViewAt(const CPoint& where, bool deep) const {
    if (parentFrame == nullptr) return nullptr;
    const CPoint local = CPoint(where).offset(-size.left, -size.top);
    for (Node* node = lastChild; node != nullptr; node = node->previous) {
        CRect area;
        if (!node->view->getMouseableArea(area).pointInside(local)) continue;
        if (deep && node->view->isTypeOf("CViewContainer"))
            return static_cast<CViewContainer*>(node->view)->getViewAt(local, deep);
        return node->view;
    }
    return nullptr;
}

bool CViewContainer::advanceNextFocusView(CView* oldFocus, bool reverse) {
    bool skipping = oldFocus != nullptr;
    for (Node* node = reverse ? lastChild : firstChild; node != nullptr;
         node = reverse ? node->previous : node->next) {
        CView* child = node->view;
        if (skipping) {
            if (child == oldFocus) skipping = false;
            continue;
        }
        if (child->wantsFocus()) {
            if (parentFrame != nullptr) parentFrame->setFocusView(child);
            return true;
        }
        if (child->isTypeOf("CViewContainer") &&
            static_cast<CViewContainer*>(child)->advanceNextFocusView(nullptr, reverse))
            return true;
    }
    return false;
}

} // namespace VSTGUI
