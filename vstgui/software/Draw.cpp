// Surfaces, pens, brushes, clipping and block transfers of the software
// backend, with the pixel rules of the Windows system they stand in for.
#include "vstgui/software/GlyphFile.h"
#include "vstgui/software/Objects.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

namespace VSTGUI {
namespace software {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr std::int32_t kDotPenStyle = 2;
// Larger images are refused, as a system refuses a bitmap it cannot hold.
constexpr std::int64_t kMaxImagePixels = std::int64_t(1) << 26;

std::uint32_t opaque(const CColor& color) {
    return kOpaque | (std::uint32_t(color.red) << 16) | (std::uint32_t(color.green) << 8) |
           color.blue;
}

std::uint32_t channel(std::uint32_t pixel, int shift) {
    return (pixel >> shift) & 0xFF;
}

// (a * b) / 255, rounded to nearest.
std::uint32_t scale255(std::uint32_t a, std::uint32_t b) {
    return (a * b + 127) / 255;
}

// Source-over of a premultiplied pixel; the destination stays opaque.
std::uint32_t blendOver(std::uint32_t destination, std::uint32_t source, std::uint32_t alpha) {
    const std::uint32_t sourceAlpha = scale255(source >> 24, alpha);
    std::uint32_t result = kOpaque;
    for (int shift = 0; shift <= 16; shift += 8) {
        const std::uint32_t value = scale255(channel(source, shift), alpha) +
                                    scale255(channel(destination, shift), 255 - sourceAlpha);
        result |= std::min<std::uint32_t>(value, 255) << shift;
    }
    return result;
}

void plot(Surface& surface, const CRect& area, std::int32_t x, std::int32_t y,
          std::uint32_t pixel) {
    if (x >= area.left && x < area.right && y >= area.top && y < area.bottom)
        surface.image->row(y)[x] = pixel;
}

// Calls put(destX, destY, sourcePixel) for every pixel of rect on the surface
// that has a source pixel in image at offset.
template <typename Put>
void eachSourcePixel(Surface& surface, const CRect& rect, Image& image, CPoint offset, Put put) {
    const CRect area = CRect(rect).bound(surface.drawable());
    for (std::int32_t y = area.top; y < area.bottom; ++y) {
        const std::int32_t sourceY = offset.v + (y - rect.top);
        if (sourceY < 0 || sourceY >= image.height) continue;
        for (std::int32_t x = area.left; x < area.right; ++x) {
            const std::int32_t sourceX = offset.h + (x - rect.left);
            if (sourceX < 0 || sourceX >= image.width) continue;
            put(surface.image->row(y)[x], image.row(sourceY)[sourceX]);
        }
    }
}

} // namespace

Image* stockImage() {
    static Image image(1, 1, kOpaque, true);
    return &image;
}
Pen* stockPen() {
    static Pen pen(0, 1, kBlackCColor, true);
    return &pen;
}
Brush* stockBrush() {
    static Brush brush(kWhiteCColor, true);
    return &brush;
}
Font* stockFont() {
    static Font font(glyphFile::kSurfaceFontHeight, true, false, false, true);
    return &font;
}

Surface::Surface(Image* image)
    : Object(Kind::surface), image(image), pen(stockPen()), brush(stockBrush()), font(stockFont()) {
}

CRect Surface::drawable() const {
    CRect area(0, 0, image->width, image->height);
    if (clipped) area.bound(clip);
    return area;
}

} // namespace software

namespace native {

using namespace software;

Handle createMemorySurface(Handle) {
    return new Surface(stockImage());
}

void deleteMemorySurface(Handle surface) {
    delete as<Surface>(surface, Kind::surface);
}

Handle createCompatibleImage(Handle, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0 || std::int64_t(width) * height > kMaxImagePixels) return nullptr;
    return new Image(width, height, kOpaque);
}

Handle createImage32(std::int32_t width, std::int32_t height, std::uint32_t** pixels) {
    auto* image = static_cast<Image*>(createCompatibleImage(nullptr, width, height));
    if (image == nullptr) return nullptr;
    std::fill(image->pixels.begin(), image->pixels.end(), 0u);
    *pixels = image->pixels.data();
    return image;
}

bool imageSize(Handle handle, std::int32_t& width, std::int32_t& height) {
    Image* image = as<Image>(handle, Kind::image);
    if (image == nullptr) return false;
    width = image->width;
    height = image->height;
    return true;
}

Handle selectObject(Handle surfaceHandle, Handle object) {
    Surface* surface = as<Surface>(surfaceHandle, Kind::surface);
    auto* selected = static_cast<Object*>(object);
    if (surface == nullptr || selected == nullptr) return nullptr;
    auto swap = [&](auto*& slot) -> Handle {
        Handle previous = slot;
        slot = static_cast<std::remove_reference_t<decltype(slot)>>(selected);
        return previous;
    };
    switch (selected->kind) {
    case Kind::image:
        return swap(surface->image);
    case Kind::pen:
        return swap(surface->pen);
    case Kind::brush:
        return swap(surface->brush);
    case Kind::font:
        return swap(surface->font);
    default:
        return nullptr;
    }
}

void deleteObject(Handle handle) {
    auto* object = static_cast<Object*>(handle);
    if (object != nullptr && !object->stock) delete object;
}

SelectedObjects selectedObjects(Handle handle) {
    SelectedObjects selected;
    if (Surface* surface = as<Surface>(handle, Kind::surface)) {
        selected.brush = surface->brush;
        selected.pen = surface->pen;
        selected.font = surface->font;
    }
    return selected;
}

Handle createPen(std::int32_t style, std::int32_t width, const CColor& color) {
    return new Pen(style, width, color);
}

Handle createSolidBrush(const CColor& color) {
    return new Brush(color);
}

Handle createFont(const FontRequest& request) {
    return new Font(std::abs(request.height), request.weight >= 700, request.italic,
                    request.underline);
}

void setTransparentBackground(Handle handle, bool transparent) {
    if (Surface* surface = as<Surface>(handle, Kind::surface))
        surface->transparentBackground = transparent;
}

void setTextColor(Handle handle, const CColor& color) {
    if (Surface* surface = as<Surface>(handle, Kind::surface)) surface->textColor = color;
}

void setTextBackground(Handle handle, const CColor& color) {
    if (Surface* surface = as<Surface>(handle, Kind::surface)) surface->textBackground = color;
}

// Copy is the only raster mode the software surface has.
void setCopyMode(Handle) {}

void clipSurface(Handle handle, const CRect& rect) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    if (surface == nullptr) return;
    surface->clip = rect;
    surface->clipped = true;
}

void drawLine(Handle handle, CPoint from, CPoint to) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    if (surface == nullptr) return;
    const CRect area = surface->drawable();
    const std::uint32_t pixel = opaque(surface->pen->color);
    const std::int32_t thickness = std::max(1, surface->pen->width);
    const std::int32_t dx = std::abs(to.h - from.h), dy = -std::abs(to.v - from.v);
    const std::int32_t stepX = from.h < to.h ? 1 : -1, stepY = from.v < to.v ? 1 : -1;
    std::int32_t error = dx + dy;
    CPoint at = from;
    for (int count = 0; at != to; ++count) {
        if (surface->pen->style != kDotPenStyle || count % 2 == 0) {
            for (std::int32_t y = 0; y < thickness; ++y)
                for (std::int32_t x = 0; x < thickness; ++x)
                    plot(*surface, area, at.h + x - thickness / 2, at.v + y - thickness / 2, pixel);
        }
        const std::int32_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            at.h += stepX;
        }
        if (twice <= dx) {
            error += dx;
            at.v += stepY;
        }
    }
}

void fillRect(Handle handle, const CRect& rect, Handle brushHandle) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    Brush* brush = as<Brush>(brushHandle, Kind::brush);
    if (surface == nullptr || brush == nullptr) return;
    const CRect area = CRect(rect).bound(surface->drawable());
    const std::uint32_t pixel = opaque(brush->color);
    for (std::int32_t y = area.top; y < area.bottom; ++y)
        std::fill(surface->image->row(y) + area.left, surface->image->row(y) + area.right, pixel);
}

void drawText(Handle handle, const char* text, const CRect& rect, std::int32_t align) {
    if (Surface* surface = as<Surface>(handle, Kind::surface))
        software::drawText(*surface, text, rect, align);
}

void copyBlock(Handle destination, const CRect& destRect, Handle source, CPoint sourcePoint) {
    Surface* to = as<Surface>(destination, Kind::surface);
    Surface* from = as<Surface>(source, Kind::surface);
    if (to == nullptr || from == nullptr) return;
    eachSourcePixel(*to, destRect, *from->image, sourcePoint,
                    [](std::uint32_t& out, std::uint32_t in) { out = in; });
}

void drawImage(Handle handle, const CRect& rect, Handle imageHandle, CPoint offset) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    Image* image = as<Image>(imageHandle, Kind::image);
    if (surface == nullptr || image == nullptr) return;
    eachSourcePixel(*surface, rect, *image, offset,
                    [](std::uint32_t& out, std::uint32_t in) { out = in | kOpaque; });
}

void drawImageTransparent(Handle handle, const CRect& rect, Handle imageHandle, CPoint offset,
                          const CColor& transparentColor) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    Image* image = as<Image>(imageHandle, Kind::image);
    if (surface == nullptr || image == nullptr) return;
    const std::uint32_t key = opaque(transparentColor) & ~kOpaque;
    eachSourcePixel(*surface, rect, *image, offset, [key](std::uint32_t& out, std::uint32_t in) {
        if ((in & ~kOpaque) != key) out = in | kOpaque;
    });
}

void drawImageBlend(Handle handle, const CRect& rect, Handle imageHandle, CPoint offset,
                    std::uint8_t alpha, bool perPixelAlpha) {
    Surface* surface = as<Surface>(handle, Kind::surface);
    Image* image = as<Image>(imageHandle, Kind::image);
    if (surface == nullptr || image == nullptr) return;
    eachSourcePixel(*surface, rect, *image, offset,
                    [alpha, perPixelAlpha](std::uint32_t& out, std::uint32_t in) {
                        out = blendOver(out, perPixelAlpha ? in : in | kOpaque, alpha);
                    });
}

} // namespace native
} // namespace VSTGUI
