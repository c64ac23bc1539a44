#include "vstgui/CBitmap.h"

#include "platform/ModuleServices.h"

namespace VSTGUI {

namespace {

// Taken instead of a PNG whose bytes cannot be opened as a stream.
constexpr std::int32_t kFallbackBitmapId = 258;
constexpr std::uint32_t kOpaqueBlack = 0xFF000000u;

// Each colour channel times alpha, shifted down by 8: an opaque 255 becomes 254.
std::uint32_t premultiply(std::uint32_t argb) {
    const std::uint32_t alpha = argb >> 24;
    const std::uint32_t red = (((argb >> 16) & 0xFF) * alpha) >> 8;
    const std::uint32_t green = (((argb >> 8) & 0xFF) * alpha) >> 8;
    const std::uint32_t blue = ((argb & 0xFF) * alpha) >> 8;
    return (alpha << 24) | (red << 16) | (green << 8) | blue;
}

} // namespace

CBitmap::CBitmap(std::int32_t resourceId) : resourceId(resourceId) {
    loadFromResource(resourceId);
}

CBitmap::~CBitmap() {
    dispose();
}

void CBitmap::dispose() {
    if (image != nullptr) native::deleteObject(image);
    image = nullptr;
    width = 0;
    height = 0;
    noAlpha = false;
}

bool CBitmap::loadFromPath(const void*) {
    dispose();
    return false;
}

bool CBitmap::loadFromResource(std::int32_t id) {
    dispose();
    resourceId = id;
    // A PNG resource is looked up by name; the find tells only whether there is one.
    const platform::ResourceBytes png = platform::findResource("PNG", id);
    if (png) return loadPng(png.data, png.size);
    return loadBitmap(id);
}

bool CBitmap::loadPng(const unsigned char* bytes, std::size_t size) {
    native::DecodeStatus status = native::DecodeStatus::decoded;
    std::unique_ptr<native::DecodedImage> decoded = native::decodeImage(bytes, size, status);
    if (status == native::DecodeStatus::noStream) {
        loadBitmap(kFallbackBitmapId);
        return true;
    }
    if (decoded == nullptr) return false;
    std::uint32_t* pixels = nullptr;
    native::Handle made = native::createImage32(decoded->width(), decoded->height(), &pixels);
    if (made == nullptr) return false;
    std::uint32_t previous = kOpaqueBlack;
    for (std::int32_t y = 0; y < decoded->height(); ++y) {
        for (std::int32_t x = 0; x < decoded->width(); ++x) {
            std::uint32_t argb = 0;
            if (decoded->pixel(x, y, argb)) previous = premultiply(argb);
            *pixels++ = previous;
        }
    }
    image = made;
    width = decoded->width();
    height = decoded->height();
    noAlpha = false;
    return true;
}

bool CBitmap::loadBitmap(std::int32_t id) {
    noAlpha = true;
    for (int attempt = 0; attempt < 2 && image == nullptr; ++attempt) {
        native::Handle loaded = native::loadBitmapResource(id);
        if (loaded != nullptr && native::imageSize(loaded, width, height))
            image = loaded;
        else if (loaded != nullptr)
            native::deleteObject(loaded);
    }
    if (image == nullptr) {
        width = 0;
        height = 0;
        return false;
    }
    return true;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawOpaqueOr(context, rect, offset, false);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawOpaqueOr(context, rect, offset, true);
}

void CBitmap::drawOpaqueOr(CDrawContext* context, const CRect& rect, const CPoint& offset,
                           bool transparent) {
    if (!noAlpha) {
        drawAlphaBlend(context, rect, offset, 255);
        return;
    }
    if (image == nullptr || context == nullptr) return;
    CRect target = rect;
    target.offset(context->offset.h, context->offset.v);
    if (transparent)
        native::drawImageTransparent(context->getSystemContext(), target, image, offset,
                                     transparentColor);
    else
        native::drawImage(context->getSystemContext(), target, image, offset);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset,
                             std::uint8_t alpha) {
    if (image == nullptr || context == nullptr) return;
    CRect target = rect;
    target.offset(context->offset.h, context->offset.v);
    native::drawImageBlend(context->getSystemContext(), target, image, offset, alpha, !noAlpha);
}

} // namespace VSTGUI
