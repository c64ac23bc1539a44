#include "vstgui/CFrame.h"

#include "platform/ModuleServices.h"
#include "vstgui/VirtualKeys.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace VSTGUI {

CFrame::CFrame(const CRect& size, void* systemWindow, CFrameOwner* owner, std::int32_t scale)
    : CViewContainer(size), owner(owner), systemWindow(systemWindow), scale(scale) {
    parentFrame = this;
    native::initializeOle();
    blendLibrary = native::loadBlendLibrary();
    if (systemWindow != nullptr) {
        window = native::createFrameWindow(this, systemWindow, toDevice(size.width(), scale),
                                           toDevice(size.height(), scale));
        setDropActive(true);
    }
}

CFrame::~CFrame() {
    // A view that holds the focus (a text entry in progress) finishes while
    // the window and the owner are still there.
    if (focusView != nullptr) setFocusView(nullptr);
    if (modalView != nullptr) removeView(modalView, false);
    modalView = nullptr;
    if (defaultCursor == nullptr) defaultCursor = native::currentCursor();
    native::setCursor(defaultCursor);
    if (dropActive && window != nullptr) {
        native::revokeDropTarget(window, dropTarget);
        dropTarget = nullptr;
        dropActive = false;
    }
    if (frameContext != nullptr) frameContext->forget();
    frameContext = nullptr;
    native::uninitializeOle();
    if (backBuffer != nullptr) backBuffer->forget();
    backBuffer = nullptr;
    native::freeBlendLibrary(blendLibrary);
    if (window != nullptr) native::destroyFrameWindow(window);
    window = nullptr;
    focusView = nullptr;
}

CDrawContext* CFrame::createDrawContext() {
    if (frameContext != nullptr) {
        frameContext->remember();
        return frameContext;
    }
    return new CDrawContext(this, nullptr, window);
}

COffscreenContext* CFrame::getBackBuffer() {
    if (backBuffer == nullptr) {
        backBuffer = new COffscreenContext(this, size.width(), size.height(), kBlackCColor);
        // A buffer without a surface is no buffer: callers draw straight to the window.
        if (!backBuffer->isValid()) {
            backBuffer->forget();
            backBuffer = nullptr;
        }
    }
    return backBuffer;
}

void CFrame::windowDestroyed() {
    setOpenFlag(false);
    systemWindow = nullptr;
}

void CFrame::closeForOwner() {
    if (focusView != nullptr) setFocusView(nullptr);
    while (!openEdits.empty()) {
        const std::int32_t index = openEdits.back();
        openEdits.pop_back();
        if (owner != nullptr) owner->endEdit(index);
    }
    owner = nullptr;
    closing = true;
}

void CFrame::draw(CDrawContext* context) {
    firstDraw = false;
    CViewContainer::draw(context != nullptr ? context : frameContext);
}

void CFrame::drawRect(CDrawContext* context, const CRect& updateRect) {
    firstDraw = false;
    CDrawContext* made = nullptr;
    if (context == nullptr) context = made = createDrawContext();
    CRect oldClip;
    context->getClipRect(oldClip);
    context->setClipRect(CRect(updateRect).bound(oldClip));
    if (updateRect.width() > 0 && updateRect.height() > 0)
        CViewContainer::drawRect(context, updateRect);
    context->setClipRect(oldClip);
    if (made != nullptr) made->forget();
}

void CFrame::mouse(CDrawContext* context, CPoint& where, std::int32_t buttons) {
    if (context == nullptr) context = frameContext;
    if (focusView != nullptr) setFocusView(nullptr);
    if (buttons == -1 && context != nullptr) buttons = context->getMouseButtons();
    // The owner may close the frame while a control follows the press; the
    // frame, and the control, stay until the press has unwound.
    remember();
    if (modalView == nullptr)
        CViewContainer::mouse(context, where, buttons);
    else if (modalView->hitTest(where, buttons))
        modalView->mouse(context, where, buttons);
    forget();
}

std::int32_t CFrame::onKeyDown(CKeyCode& key) {
    std::int32_t result = -1;
    if (focusView != nullptr) result = focusView->onKeyDown(key);
    if (result == -1 && modalView != nullptr) result = modalView->onKeyDown(key);
    if (result != -1) return result;
    if (key.virt == kVirtualKeyTab)
        return advanceNextFocusView(focusView, (key.modifier & kKeyShift) != 0) ? 1 : -1;
    return -1;
}

std::int32_t CFrame::onKeyUp(CKeyCode& key) {
    std::int32_t result = -1;
    if (focusView != nullptr) result = focusView->onKeyUp(key);
    if (result == -1 && modalView != nullptr) result = modalView->onKeyUp(key);
    return result;
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, float distance) {
    return onWheel(context, where, 1, distance);
}

bool CFrame::onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis,
                     float distance) {
    CView* target = modalView != nullptr ? modalView : getViewAt(where, false);
    if (target == nullptr) return false;
    CDrawContext* made = nullptr;
    if (context == nullptr) context = made = createDrawContext();
    const bool result = target->onWheel(context, where, axis, distance);
    if (made != nullptr) made->forget();
    return result;
}

void CFrame::setViewSize(CRect& rect) {
    setSize(rect.width(), rect.height());
}

CFrameOwner* CFrame::getEditor() const {
    return owner;
}

bool CFrame::isTypeOf(const char* name) const {
    return std::strcmp(name, "CFrame") == 0 || CViewContainer::isTypeOf(name);
}

void CFrame::update(CDrawContext* context) {
    if (!openFlag || updatesAreDisabled) return;
    CDrawContext* saved = frameContext;
    COffscreenContext* buffer = getBackBuffer();
    CDrawContext* target = buffer != nullptr ? buffer : context;
    if (target == nullptr) return;
    frameContext = target;
    if (dirty) {
        draw(target);
        setDirty(false);
    } else {
        CRect clip;
        target->getClipRect(clip);
        if (modalView != nullptr && modalView->isDirty()) modalView->update(target);
        for (Node* node = firstChild; node != nullptr; node = node->next) {
            CRect childSize;
            node->view->getViewSize(childSize);
            target->setClipRect(childSize.bound(clip));
            node->view->update(target);
        }
        target->setClipRect(clip);
    }
    if (buffer != nullptr) buffer->copyFrom(context, size, CPoint(0, 0));
    frameContext = saved;
}

CView* CFrame::getCurrentView() const {
    return modalView != nullptr ? modalView : CViewContainer::getCurrentView();
}

bool CFrame::advanceNextFocusView(CView* oldFocus, bool reverse) {
    if (modalView != nullptr) return false;
    if (oldFocus == nullptr) oldFocus = focusView;
    if (oldFocus == nullptr) return CViewContainer::advanceNextFocusView(nullptr, reverse);
    if (isChild(oldFocus)) {
        if (CViewContainer::advanceNextFocusView(oldFocus, reverse)) return true;
        setFocusView(nullptr);
        return false;
    }
    // Out of the containers that hold oldFocus, innermost first, each going on
    // after the child through which the walk came.
    CView* through = oldFocus;
    CView* parent = oldFocus->getParentView();
    while (parent != nullptr && parent != this && parent->isTypeOf("CViewContainer")) {
        if (static_cast<CViewContainer*>(parent)->advanceNextFocusView(through, reverse))
            return true;
        through = parent;
        parent = parent->getParentView();
    }
    return CViewContainer::advanceNextFocusView(through, reverse);
}

bool CFrame::open(CPoint*) {
    return false;
}
bool CFrame::close() {
    return false;
}
bool CFrame::isOpen() const {
    return openFlag;
}

void CFrame::idle() {
    if (window != nullptr) {
        // A press among the events may close the frame, which then goes here.
        remember();
        native::processWindowEvents(window);
        const bool going = closing;
        forget();
        if (going) return;
    }
    if (!openFlag || firstDraw || !isDirty()) return;
    CDrawContext* context = createDrawContext();
    update(context);
    context->forget();
}

void CFrame::doIdleStuff() {
    if (owner != nullptr) owner->doIdleStuff();
}

std::uint32_t CFrame::getTicks() const {
    return owner != nullptr ? platform::tickCount() : 0;
}

// A frame of its own, without an editor, knows only the circular mode.
std::int32_t CFrame::getKnobMode() const {
    return owner != nullptr ? owner->getKnobMode() : 0;
}

bool CFrame::setPosition(std::int32_t, std::int32_t) {
    return false;
}

bool CFrame::getPosition(std::int32_t& x, std::int32_t& y) const {
    if (!openFlag) return false;
    return native::outerWindowPosition(window, x, y);
}

bool CFrame::setSize(std::int32_t width, std::int32_t height) {
    if (!openFlag || (width == size.width() && height == size.height())) return false;
    size.right = size.left + width;
    size.bottom = size.top + height;
    if (fitWindows()) return true;
    CRect whole(0, 0, width, height);
    CViewContainer::setViewSize(whole);
    return true;
}

bool CFrame::setScale(std::int32_t percent) {
    if (!openFlag || percent == scale || percent <= 0) return false;
    scale = percent;
    fitWindows();
    // Everything is drawn again, at the new scale, at the next idle.
    setDirty();
    return true;
}

bool CFrame::fitWindows() {
    if (backBuffer != nullptr) backBuffer->forget();
    backBuffer = nullptr;
    const std::int32_t width = toDevice(size.width(), scale);
    const std::int32_t height = toDevice(size.height(), scale);
    if (owner != nullptr && owner->resizeHostWindow(width, height)) {
        native::resizeWindow(window, width, height);
        return true;
    }
    return native::growAncestors(window, width, height);
}

bool CFrame::getSize(CRect* rect) const {
    return rect != nullptr && getSize(*rect);
}

bool CFrame::getSize(CRect& rect) const {
    if (!openFlag) return false;
    return native::parentRectInGrandparent(window, rect);
}

bool CFrame::setModalView(CView* view) {
    if (view != nullptr && modalView != nullptr) return false;
    if (modalView != nullptr) removeView(modalView, false);
    modalView = view;
    if (view != nullptr) addView(view);
    return true;
}

CView* CFrame::getModalView() const {
    return modalView;
}

void CFrame::beginEdit(std::int32_t index) {
    if (owner == nullptr) return;
    openEdits.push_back(index);
    owner->beginEdit(index);
}

void CFrame::endEdit(std::int32_t index) {
    if (owner == nullptr) return;
    const auto open = std::find(openEdits.rbegin(), openEdits.rend(), index);
    if (open != openEdits.rend()) openEdits.erase(std::next(open).base());
    owner->endEdit(index);
}

bool CFrame::getCurrentLocation(CPoint& where) {
    where = native::cursorPosition();
    if (window != nullptr) {
        const CPoint topLeft = native::windowScreenTopLeft(window);
        where =
            CPoint(fromDevice(where.h - topLeft.h, scale), fromDevice(where.v - topLeft.v, scale));
    }
    return true;
}

void CFrame::setCursor(std::int32_t type) {
    if (defaultCursor == nullptr) defaultCursor = native::currentCursor();
    native::Handle cursor = native::systemCursor(type);
    native::setCursor(cursor != nullptr ? cursor : defaultCursor);
}

void CFrame::setFocusView(CView* view) {
    CView* previous = focusView;
    focusView = view;
    if (focusView != nullptr && focusView->wantsFocus()) focusView->setDirty();
    if (previous != nullptr) {
        previous->loseFocus(nullptr);
        if (previous->wantsFocus()) previous->setDirty();
    }
}

CView* CFrame::getFocusView() const {
    return focusView;
}

bool CFrame::setDropActive(bool active) {
    if (!dropActive && !active) return true;
    if (window == nullptr) return false;
    if (dropTarget != nullptr) native::revokeDropTarget(window, dropTarget);
    dropTarget = active ? native::registerDropTarget(window, this) : nullptr;
    dropActive = active;
    return true;
}

bool CFrame::isDropActive() const {
    return dropActive;
}
void CFrame::setOpenFlag(bool state) {
    openFlag = state;
}
bool CFrame::getOpenFlag() const {
    return openFlag;
}

void CFrame::invalidate(const CRect& rect) {
    for (Node* node = firstChild; node != nullptr; node = node->next) {
        CRect childSize;
        if (node->view->getViewSize(childSize).rectOverlap(rect)) node->view->setDirty();
    }
}

bool CFrame::setUpdatesDisabled(bool state) {
    const bool previous = updatesAreDisabled;
    updatesAreDisabled = state;
    return previous;
}

bool CFrame::updatesDisabled() const {
    return updatesAreDisabled;
}

void CFrame::drawView(CView* view) {
    if (view != nullptr && !isChild(view)) view = nullptr;
    // Outside the redraw pass the view goes through the back buffer, which
    // the pass and every paint copy from: drawn only on the window, it would
    // be overwritten by the buffer's older picture at the next copy.
    COffscreenContext* buffer = frameContext == nullptr ? getBackBuffer() : nullptr;
    CDrawContext* context = createDrawContext();
    CDrawContext* target = buffer != nullptr ? buffer : context;
    CRect area(0, 0, size.width(), size.height());
    if (view != nullptr) view->getViewSize(area);
    CRect clip;
    target->getClipRect(clip);
    target->setClipRect(CRect(area).bound(clip));
    if (view != nullptr)
        view->draw(target);
    else
        draw(target);
    target->setClipRect(clip);
    if (buffer != nullptr) buffer->copyFrom(context, area, CPoint(area.left, area.top));
    context->forget();
}

} // namespace VSTGUI
