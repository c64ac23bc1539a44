#include "vstgui/Native.h"

namespace VSTGUI {
namespace native {

namespace {
// pointerSource: the source put in place of the system's pointer, or none.
PointerSource* pointerSource = nullptr;
// drawingRequestHook: the hook that hears of drawing requests, or none.
DrawingRequestHook drawingRequestHook = nullptr;
} // namespace

DrawingRequestHook setDrawingRequestHook(DrawingRequestHook hook) {
    DrawingRequestHook previous = drawingRequestHook;
    drawingRequestHook = hook;
    return previous;
}

void reportDrawingRequest(DrawingRequest request) {
    if (drawingRequestHook != nullptr) drawingRequestHook(request);
}

PointerSource* setPointerSource(PointerSource* source) {
    PointerSource* previous = pointerSource;
    pointerSource = source;
    return previous;
}

std::int32_t mouseButtons() {
    return pointerSource != nullptr ? pointerSource->buttons() : systemMouseButtons();
}

CPoint cursorPosition() {
    return pointerSource != nullptr ? pointerSource->position() : systemCursorPosition();
}

} // namespace native
} // namespace VSTGUI
