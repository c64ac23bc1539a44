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

CPoint sourcePoint(const CPoint& offset, std::int32_t percent) {
    return CPoint(toDevice(offset.h, percent), toDevice(offset.v, percent));
}

// An image of premultiplied pixels decoded from PNG bytes, and its size;
// none when they cannot be decoded (status tells why).
native::Handle decodePng(const unsigned char* bytes, std::size_t size, std::int32_t& width,
                         std::int32_t& height, native::DecodeStatus& status) {
    std::unique_ptr<native::DecodedImage> decoded = native::decodeImage(bytes, size, status);
    if (decoded == nullptr) return nullptr;
    std::uint32_t* pixels = nullptr;
    native::Handle made = native::createImage32(decoded->width(), decoded->height(), &pixels);
    if (made == nullptr) return nullptr;
    std::uint32_t previous = kOpaqueBlack;
    for (std::int32_t y = 0; y < decoded->height(); ++y) {
        for (std::int32_t x = 0; x < decoded->width(); ++x) {
            std::uint32_t argb = 0;
            if (decoded->pixel(x, y, argb)) previous = premultiply(argb);
            *pixels++ = previous;
        }
    }
    width = decoded->width();
    height = decoded->height();
    return made;
}

// The bitmap resource id and its size, tried twice; none when neither try
// gives a usable image (the size is then 0 x 0).
native::Handle loadBitmapOf(std::int32_t id, std::int32_t& width, std::int32_t& height) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        native::Handle loaded = native::loadBitmapResource(id);
        if (loaded != nullptr && native::imageSize(loaded, width, height)) return loaded;
        if (loaded != nullptr) native::deleteObject(loaded);
    }
    width = 0;
    height = 0;
    return nullptr;
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
    for (const ScaledImage& scaled : scaledImages)
        if (scaled.image != nullptr) native::deleteObject(scaled.image);
    scaledImages.clear();
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
    image = decodePng(bytes, size, width, height, status);
    if (status == native::DecodeStatus::noStream) {
        loadBitmap(kFallbackBitmapId);
        return true;
    }
    if (image == nullptr) return false;
    noAlpha = false;
    return true;
}

bool CBitmap::loadBitmap(std::int32_t id) {
    noAlpha = true;
    image = loadBitmapOf(id, width, height);
    return image != nullptr;
}

CBitmap::ScaledImage CBitmap::imageFor(std::int32_t percent) {
    if (percent == kUnscaled) return {percent, image, noAlpha};
    for (const ScaledImage& scaled : scaledImages)
        if (scaled.percent == percent) return scaled;
    ScaledImage scaled{percent, nullptr, true};
    std::int32_t scaledWidth = 0, scaledHeight = 0;
    const std::int32_t id = scaledResourceId(resourceId, percent);
    if (const platform::ResourceBytes png = platform::findResource("PNG", id)) {
        native::DecodeStatus status = native::DecodeStatus::decoded;
        scaled.image = decodePng(png.data, png.size, scaledWidth, scaledHeight, status);
        scaled.noAlpha = false;
    } else {
        scaled.image = loadBitmapOf(id, scaledWidth, scaledHeight);
    }
    scaledImages.push_back(scaled);
    return scaled;
}

void CBitmap::draw(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawOpaqueOr(context, rect, offset, false);
}

void CBitmap::drawTransparent(CDrawContext* context, const CRect& rect, const CPoint& offset) {
    drawOpaqueOr(context, rect, offset, true);
}

void CBitmap::drawOpaqueOr(CDrawContext* context, const CRect& rect, const CPoint& offset,
                           bool transparent) {
    if (context == nullptr) return;
    const ScaledImage pixels = imageFor(context->getScale());
    if (!pixels.noAlpha) {
        drawAlphaBlend(context, rect, offset, 255);
        return;
    }
    if (pixels.image == nullptr) return;
    const CRect target = context->onSurface(rect);
    const CPoint source = sourcePoint(offset, context->getScale());
    if (transparent)
        native::drawImageTransparent(context->getSystemContext(), target, pixels.image, source,
                                     transparentColor);
    else
        native::drawImage(context->getSystemContext(), target, pixels.image, source);
}

void CBitmap::drawAlphaBlend(CDrawContext* context, const CRect& rect, const CPoint& offset,
                             std::uint8_t alpha) {
    if (context == nullptr) return;
    const ScaledImage pixels = imageFor(context->getScale());
    if (pixels.image == nullptr) return;
    native::drawImageBlend(context->getSystemContext(), context->onSurface(rect), pixels.image,
                           sourcePoint(offset, context->getScale()), alpha, !pixels.noAlpha);
}

} // namespace VSTGUI
