// An image from the plug-in's own resources: a PNG with an alpha channel,
// kept as premultiplied 32-bit pixels, or an opaque bitmap resource. A
// scaled context draws the same image drawn for its scale, a resource of its
// own (scaledResourceId), never the pixels of this one stretched.
#pragma once

#include "vstgui/CDrawContext.h"

#include <vector>

namespace VSTGUI {

class CBitmap : public CReferenceCounter {
public:
    // Loads at once; a bitmap that cannot be loaded is 0 x 0 and draws nothing.
    explicit CBitmap(std::int32_t resourceId);
    ~CBitmap() override;

    virtual void draw(CDrawContext* context, const CRect& rect, const CPoint& offset = CPoint());
    virtual void drawTransparent(CDrawContext* context, const CRect& rect,
                                 const CPoint& offset = CPoint());
    virtual void drawAlphaBlend(CDrawContext* context, const CRect& rect,
                                const CPoint& offset = CPoint(), std::uint8_t alpha = 255);
    virtual void dispose();
    virtual bool loadFromResource(std::int32_t resourceId);
    virtual bool loadFromPath(const void* path);

    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    std::int32_t getResourceId() const { return resourceId; }
    bool hasAlpha() const { return !noAlpha; }
    void setTransparentColor(const CColor& color) { transparentColor = color; }
    const CColor& getTransparentColor() const { return transparentColor; }
    native::Handle getHandle() const { return image; }

protected:
    // resourceId: the resource the pixels came from.
    // width / height: pixel size, 0 until loaded.
    // transparentColor: skipped by drawTransparent on bitmaps without alpha.
    // noAlpha: the image has no alpha channel and is drawn opaque.
    // image: the pixels (a system image), none until loaded.
    std::int32_t resourceId;
    std::int32_t width = 0;
    std::int32_t height = 0;
    CColor transparentColor = kTransparentCColor;
    bool noAlpha = true;
    native::Handle image = nullptr;

    // Decodes PNG bytes into premultiplied pixels.
    bool loadPng(const unsigned char* bytes, std::size_t size);
    bool loadBitmap(std::int32_t id);

private:
    // One drawing of the image for a scale other than 1, loaded on first use;
    // no image when the plug-in carries none for that scale.
    struct ScaledImage {
        std::int32_t percent;
        native::Handle image;
        bool noAlpha;
    };
    // The pixels to draw at a scale: the image itself unscaled.
    ScaledImage imageFor(std::int32_t percent);
    // scaledImages: the drawings for other scales looked up so far.
    std::vector<ScaledImage> scaledImages;

    // Images with alpha are blended; opaque ones copied, skipping
    // transparentColor when transparent is set.
    void drawOpaqueOr(CDrawContext* context, const CRect& rect, const CPoint& offset,
                      bool transparent);
};

} // namespace VSTGUI
