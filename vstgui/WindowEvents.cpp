#include "vstgui/WindowEvents.h"

#include "vstgui/CDragContainer.h"
#include "vstgui/CTextEdit.h"

namespace VSTGUI {
namespace windowEvents {

namespace {

constexpr float kWheelDistancePerUnit = 0.008333334f; // one notch of 120 gives 1.0

CDragContainer* dragInProgress = nullptr;

void clearDrag() {
    if (dragInProgress != nullptr) dragInProgress->forget();
    dragInProgress = nullptr;
}

// Each drag operation works with a fresh context and the pointer in frame coordinates.
template <typename Route> void routeDrag(CFrame* frame, Route route) {
    CDrawContext* context = frame->createDrawContext();
    CPoint where;
    frame->getMouseLocation(context, where);
    route(context, where);
    context->forget();
}

} // namespace

void paint(CFrame* frame, native::Handle paintSurface, const CRect& paintRect) {
    COffscreenContext* buffer = frame->getBackBuffer();
    if (buffer == nullptr) {
        CDrawContext* direct = new CDrawContext(frame, paintSurface, frame->getNativeWindow());
        frame->drawRect(direct, paintRect);
        direct->forget();
        return;
    }
    frame->drawRect(buffer, paintRect);
    CDrawContext* screen = new CDrawContext(frame, paintSurface, frame->getNativeWindow());
    buffer->copyFrom(screen, paintRect, CPoint(paintRect.left, paintRect.top));
    screen->forget();
}

void buttonDown(CFrame* frame, const CPoint& where, std::int32_t buttons) {
    if (frame->isClosing()) return;
    // A frame closed during the press goes after the context on its window.
    frame->remember();
    CDrawContext* context = new CDrawContext(frame, nullptr, frame->getNativeWindow());
    CPoint point = where;
    frame->mouse(context, point, buttons);
    context->forget();
    frame->forget();
}

void wheel(CFrame* frame, const CPoint& screenPoint, std::int32_t delta) {
    if (frame->isClosing()) return;
    CDrawContext* context = new CDrawContext(frame, nullptr, frame->getNativeWindow());
    const CPoint topLeft = native::windowScreenTopLeft(frame->getNativeWindow());
    const CPoint where(screenPoint.h - topLeft.h, screenPoint.v - topLeft.v);
    frame->onWheel(context, where, static_cast<float>(delta) * kWheelDistancePerUnit);
    context->forget();
}

void destroyed(CFrame* frame) {
    frame->windowDestroyed();
}

native::Handle editFieldColours(CFrame* frame, native::Handle surface) {
    CView* focus = frame->getFocusView();
    if (focus == nullptr || !focus->isTypeOf("CTextEdit")) return nullptr;
    auto* edit = static_cast<CTextEdit*>(focus);
    return edit->isEditing() ? edit->fieldColours(surface) : nullptr;
}

std::uint32_t dragEnter(CFrame* frame, native::Handle dataObject) {
    if (dataObject == nullptr || frame == nullptr) return kDropNone;
    clearDrag();
    dragInProgress = new CDragContainer(dataObject);
    routeDrag(frame, [&](CDrawContext* context, const CPoint& where) {
        frame->onDragEnter(context, dragInProgress, where);
    });
    return kDropMove;
}

bool dragOver(CFrame* frame) {
    if (dragInProgress == nullptr || frame == nullptr) return false;
    routeDrag(frame, [&](CDrawContext* context, const CPoint& where) {
        frame->onDragMove(context, dragInProgress, where);
    });
    return true;
}

void dragLeave(CFrame* frame) {
    if (dragInProgress != nullptr && frame != nullptr) {
        routeDrag(frame, [&](CDrawContext* context, const CPoint& where) {
            frame->onDragLeave(context, dragInProgress, where);
        });
    }
    clearDrag();
}

void drop(CFrame* frame) {
    if (dragInProgress != nullptr && frame != nullptr) {
        routeDrag(frame, [&](CDrawContext* context, const CPoint& where) {
            frame->onDrop(context, dragInProgress, where);
        });
    }
    clearDrag();
}

CDragContainer* currentDrag() {
    return dragInProgress;
}

} // namespace windowEvents
} // namespace VSTGUI
