#include "tests/support/ObjectCounts.h"

#include "vstgui/Native.h"

namespace guitest {

namespace {

using VSTGUI::native::DrawingRequest;

ObjectCounts& counts() {
    static ObjectCounts made;
    return made;
}

void count(DrawingRequest request) {
    switch (request) {
    case DrawingRequest::pen:
        ++counts().pens;
        break;
    case DrawingRequest::brush:
        ++counts().brushes;
        break;
    case DrawingRequest::font:
        ++counts().fonts;
        break;
    case DrawingRequest::clip:
        ++counts().clips;
        break;
    }
}

// The hook is in place before main, so every request of the program is counted.
const VSTGUI::native::DrawingRequestHook replacedHook =
    VSTGUI::native::setDrawingRequestHook(count);

} // namespace

const ObjectCounts& objectCounts() {
    return counts();
}

} // namespace guitest
