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

// A point of the window's device pixels in the frame's toolkit pixels.
CPoint inFrame(const CFrame* frame, const CPoint& device) {
    return CPoint(fromDevice(device.h, frame->getScale()), fromDevice(device.v, frame->getScale()));
}

} // namespace

void paint(CFrame* frame, native::Handle paintSurface, const CRect& paintRect) {
    // The toolkit pixels that cover the device pixels asked for.
    const CPoint topLeft = inFrame(frame, CPoint(paintRect.left, paintRect.top));
    const CPoint bottomRight = inFrame(frame, CPoint(paintRect.right - 1, paintRect.bottom - 1));
    const CRect area(topLeft.h, topLeft.v, bottomRight.h + 1, bottomRight.v + 1);
    COffscreenContext* buffer = frame->getBackBuffer();
    if (buffer == nullptr) {
        CDrawContext* direct = new CDrawContext(frame, paintSurface, frame->getNativeWindow());
        frame->drawRect(direct, area);
        direct->forget();
        return;
    }
    frame->drawRect(buffer, area);
    CDrawContext* screen = new CDrawContext(frame, paintSurface, frame->getNativeWindow());
    buffer->copyFrom(screen, area, topLeft);
    screen->forget();
}

void buttonDown(CFrame* frame, const CPoint& where, std::int32_t buttons) {
    if (frame->isClosing()) return;
    // A frame closed during the press goes after the context on its window.
    frame->remember();
    CDrawContext* context = new CDrawContext(frame, nullptr, frame->getNativeWindow());
    CPoint point = inFrame(frame, where);
    frame->mouse(context, point, buttons);
    context->forget();
    frame->forget();
}

void wheel(CFrame* frame, const CPoint& screenPoint, std::int32_t delta) {
    if (frame->isClosing()) return;
    CDrawContext* context = new CDrawContext(frame, nullptr, frame->getNativeWindow());
    const CPoint topLeft = native::windowScreenTopLeft(frame->getNativeWindow());
    const CPoint where =
        inFrame(frame, CPoint(screenPoint.h - topLeft.h, screenPoint.v - topLeft.v));
    frame->onWheel(context, where, static_cast<float>(delta) * kWheelDistancePerUnit);
    context->forget();
}

void destroyed(CFrame* frame) {
    frame->windowDestroyed();
}

void scaleChanged(CFrame* frame) {
    if (CFrameOwner* owner = frame->getEditor(); owner != nullptr && !frame->isClosing())
        owner->systemScaleChanged();
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
