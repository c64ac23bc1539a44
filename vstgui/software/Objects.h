// The software backend's system objects: images, pens, brushes, fonts,
// surfaces (the device contexts) and windows, all behind native::Handle.
#pragma once

#include "vstgui/Native.h"
#include "vstgui/software/Presentation.h"

#include <string>
#include <vector>

namespace VSTGUI {
namespace software {

enum class Kind {
    image,
    pen,
    brush,
    font,
    surface,
    window,
    cursor,
    library,
    dropTarget,
    entryField
};

struct Object {
    explicit Object(Kind kind, bool stock = false) : kind(kind), stock(stock) {}
    virtual ~Object() = default;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;
    // kind: what the handle is; stock: owned by the system, never deleted.
    Kind kind;
    bool stock;
};

// Pixels are 0xAARRGGBB; images made from PNGs hold premultiplied colour.
struct Image : Object {
    Image(std::int32_t width, std::int32_t height, std::uint32_t fill, bool stock = false)
        : Object(Kind::image, stock), width(width), height(height),
          pixels(static_cast<std::size_t>(width) * height, fill) {}
    std::uint32_t* row(std::int32_t y) {
        return pixels.data() + static_cast<std::size_t>(y) * width;
    }
    std::int32_t width;
    std::int32_t height;
    std::vector<std::uint32_t> pixels;
};

struct Pen : Object {
    Pen(std::int32_t style, std::int32_t width, const CColor& color, bool stock = false)
        : Object(Kind::pen, stock), style(style), width(width), color(color) {}
    std::int32_t style;
    std::int32_t width;
    CColor color;
};

struct Brush : Object {
    explicit Brush(const CColor& color, bool stock = false)
        : Object(Kind::brush, stock), color(color) {}
    CColor color;
};

struct Font : Object {
    Font(std::int32_t pixelHeight, bool bold, bool italic, bool underline, bool stock = false)
        : Object(Kind::font, stock), pixelHeight(pixelHeight), bold(bold), italic(italic),
          underline(underline) {}
    std::int32_t pixelHeight;
    bool bold;
    bool italic;
    bool underline;
};

// A device context: what is selected and how drawing is clipped.
struct Surface : Object {
    explicit Surface(Image* image);
    Image* image;
    Pen* pen;
    Brush* brush;
    Font* font;
    CRect clip; // device pixels, right and bottom outside
    bool clipped = false;
    CColor textColor = kBlackCColor;
    CColor textBackground = kWhiteCColor;
    bool transparentBackground = false;
    // The drawable part of the surface: its image bounded by the clip.
    CRect drawable() const;
};

struct Window : Object {
    Window(Window* parent, const CRect& screenRect);
    ~Window() override;
    Window* parent;
    CRect screenRect;
    Image image;
    CFrame* frame = nullptr;
    bool destroyed = false;
    bool hasCaption = false;
    CRect pendingPaint;
    Object* dropTarget = nullptr;
    std::vector<Window*> children;
    // presentation: the real window that shows this one; none for the
    // in-process windows of tests.
    std::unique_ptr<Presentation> presentation;
};

Image* stockImage();
Pen* stockPen();
Brush* stockBrush();
Font* stockFont();

template <typename T> T* as(native::Handle handle, Kind kind) {
    auto* object = static_cast<Object*>(handle);
    return object != nullptr && object->kind == kind ? static_cast<T*>(object) : nullptr;
}

// Text of one line in a surface's font; see native::drawText.
void drawText(Surface& surface, const char* text, const CRect& rect, std::int32_t align);
// The width of a text and the height of a line in a font, pixels.
int textExtent(const Font& font, const char* text);
int lineHeight(const Font& font);

} // namespace software
} // namespace VSTGUI
