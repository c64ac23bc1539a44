// Pixels of the GDI backend's surfaces, read from their device contexts.
#include "tests/support/GuiTestSupport.h"

#include <windows.h>

namespace guitest {

CColor surfacePixel(native::Handle surface, CPoint where) {
    if (surface == nullptr) return kBlackCColor;
    const COLORREF value = GetPixel(static_cast<HDC>(surface), where.h, where.v);
    if (value == CLR_INVALID) return kBlackCColor;
    return CColor{GetRValue(value), GetGValue(value), GetBValue(value), 255};
}

} // namespace guitest
