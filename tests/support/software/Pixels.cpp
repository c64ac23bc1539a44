// Pixels of the software backend's surfaces, read from their images.
#include "tests/support/GuiTestSupport.h"

#include "vstgui/software/Objects.h"

namespace guitest {

CColor surfacePixel(native::Handle handle, CPoint where) {
    auto* surface = software::as<software::Surface>(handle, software::Kind::surface);
    if (surface == nullptr || where.h < 0 || where.v < 0 || where.h >= surface->image->width ||
        where.v >= surface->image->height)
        return kBlackCColor;
    const std::uint32_t pixel = surface->image->row(where.v)[where.h];
    return CColor{static_cast<std::uint8_t>(pixel >> 16), static_cast<std::uint8_t>(pixel >> 8),
                  static_cast<std::uint8_t>(pixel), 255};
}

} // namespace guitest
