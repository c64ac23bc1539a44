#include "tests/support/ObjectCounts.h"

#include "vstgui/Native.h"

namespace guitest {

namespace {

ObjectCounts& counts() {
    static ObjectCounts made;
    return made;
}

} // namespace

const ObjectCounts& objectCounts() {
    return counts();
}

} // namespace guitest

using VSTGUI::CColor;
using VSTGUI::CRect;
using VSTGUI::native::FontRequest;
using VSTGUI::native::Handle;

// The backend's functions under their linker names, and the counting wrappers
// that the link puts in their place.
extern "C" {
Handle __real__ZN6VSTGUI6native9createPenEiiRKNS_6CColorE(std::int32_t style, std::int32_t width,
                                                          const CColor& color);
Handle __real__ZN6VSTGUI6native16createSolidBrushERKNS_6CColorE(const CColor& color);
Handle __real__ZN6VSTGUI6native10createFontERKNS0_11FontRequestE(const FontRequest& request);
void __real__ZN6VSTGUI6native11clipSurfaceEPvRKNS_5CRectE(Handle surface, const CRect& rect);

Handle __wrap__ZN6VSTGUI6native9createPenEiiRKNS_6CColorE(std::int32_t style, std::int32_t width,
                                                          const CColor& color) {
    ++guitest::counts().pens;
    return __real__ZN6VSTGUI6native9createPenEiiRKNS_6CColorE(style, width, color);
}

Handle __wrap__ZN6VSTGUI6native16createSolidBrushERKNS_6CColorE(const CColor& color) {
    ++guitest::counts().brushes;
    return __real__ZN6VSTGUI6native16createSolidBrushERKNS_6CColorE(color);
}

Handle __wrap__ZN6VSTGUI6native10createFontERKNS0_11FontRequestE(const FontRequest& request) {
    ++guitest::counts().fonts;
    return __real__ZN6VSTGUI6native10createFontERKNS0_11FontRequestE(request);
}

void __wrap__ZN6VSTGUI6native11clipSurfaceEPvRKNS_5CRectE(Handle surface, const CRect& rect) {
    if (surface != nullptr) ++guitest::counts().clips;
    __real__ZN6VSTGUI6native11clipSurfaceEPvRKNS_5CRectE(surface, rect);
}
}
