// Drawing surfaces: CDrawContext wraps a window's (or a given) surface with
// an origin, a clip, colours, a pen and a font; COffscreenContext draws into
// an image of its own that is copied out in one block transfer. Everything
// is given in toolkit pixels; a context of a scaled frame multiplies what it
// hands the system by the frame's scale (Scale.h).
#pragma once

#include "vstgui/CReferenceCounter.h"
#include "vstgui/Native.h"
#include "vstgui/Scale.h"

namespace VSTGUI {

class CFrame;

enum CLineStyle : std::int32_t { kLineSolid = 0, kLineOnOffDash };
enum CDrawMode : std::int32_t { kCopyMode = 0 };
enum CHoriTxtAlign : std::int32_t { kLeftText = 0, kCenterText, kRightText };
enum CTxtFace : std::int32_t {
    kNormalFace = 0,
    kBoldFace = 1,
    kItalicFace = 2,
    kUnderlineFace = 4
};
enum CFont : std::int32_t {
    kSystemFont = 0,
    kNormalFontVeryBig,
    kNormalFontBig,
    kNormalFont,
    kNormalFontSmall,
    kNormalFontSmaller,
    kNormalFontVerySmall,
    kSymbolFont,
    kNumStandardFonts
};

// Face and standard pixel height of a font id; ids outside the table mean 0.
struct FontTableEntry {
    const char* face;
    std::int32_t height;
};
const FontTableEntry& fontTableEntry(std::int32_t fontId);

class CDrawContext : public CReferenceCounter {
public:
    // With no surface but a window, the window's surface is obtained and
    // released at the end. The context draws at frame's scale.
    CDrawContext(CFrame* frame, native::Handle systemContext, native::Handle window = nullptr);
    ~CDrawContext() override;

    void setFrameColor(const CColor& color);
    const CColor& getFrameColor() const { return frameColor; }
    void setLineWidth(std::int32_t width);
    std::int32_t getLineWidth() const { return lineWidth; }
    void setLineStyle(std::int32_t style);
    std::int32_t getLineStyle() const { return lineStyle; }
    void setFillColor(const CColor& color);
    const CColor& getFillColor() const { return fillColor; }
    void setFontColor(const CColor& color);
    const CColor& getFontColor() const { return fontColor; }
    void setFont(std::int32_t id, std::int32_t style = 0);
    std::int32_t getFont() const { return fontId; }
    std::int32_t getFontSize() const { return fontSize; }
    void setDrawMode(std::int32_t mode);
    std::int32_t getDrawMode() const { return drawMode; }

    // rect in this context's coordinates; stored and compared with the offset added.
    void setClipRect(const CRect& rect);
    CRect& getClipRect(CRect& rect) const;

    // Outline along the inside: x = left and right - 1, y = top and bottom - 1.
    void drawRect(const CRect& rect);
    // Fills (left + 1, top + 1) to (right, bottom), leaving room for an outline.
    void fillRect(const CRect& rect);
    // A line of the line width in the frame colour; the end point is not
    // drawn. Scaled, a level or upright line covers whole toolkit pixels.
    void drawLine(const CPoint& from, const CPoint& to);
    void drawString(const char* text, const CRect& rect, bool opaque = false,
                    std::int32_t align = kCenterText);

    std::int32_t getMouseButtons() const;
    // The cursor in this context's coordinates (toolkit pixels).
    void getMouseLocation(CPoint& point) const;

    // Device pixels of the surface per 100 toolkit pixels.
    std::int32_t getScale() const { return scale; }
    // A rectangle of this context's coordinates on the surface: the offset
    // added, each edge scaled.
    CRect onSurface(const CRect& rect) const;
    CPoint onSurface(const CPoint& point) const;

    // Block copy of srcRect (offset added) to destPoint of the destination (no offset).
    void copyTo(CDrawContext* destination, const CRect& srcRect, const CPoint& destPoint);

    // screenOffset: subtracted from the cursor position by getMouseLocation:
    //   the window's top-left on the screen (device pixels) and the shifts of
    //   the containers (toolkit pixels).
    // offset: added to every coordinate drawn (the drawing origin).
    // Containers shift both by their top-left while they work on their children.
    CPoint screenOffset;
    CPoint offset;

    native::Handle getSystemContext() const { return systemContext; }
    native::Handle getWindow() const { return window; }
    CFrame* getFrame() const { return frame; }

protected:
    // Puts this context's pen, brush, font and text settings into a surface
    // that came after construction (an offscreen's memory surface).
    void adoptSurface(native::Handle surface);
    // Selects back what the surface had before this context.
    void restoreSurfaceObjects();

    // systemContext: the surface drawn on; none when it could not be had.
    // window: the window of the surface (an offscreen keeps its image here).
    // frame: the owning frame, not owned.
    // fontSize / fontStyle / fontId: current font (-1 / 0 / 8 before the first setFont).
    // fontColor / frameColor / fillColor: text, pen and brush colours.
    // lineWidth / lineStyle / penStyle / drawMode: pen and raster settings.
    // clipRect: current clip in this context's coordinates with the offset added.
    // brush / pen / font: objects this context made; replaced on change, deleted at the end.
    // oldBrush / oldPen / oldFont: what the surface had selected before; put back at the end.
    // ownedSurface: the window surface this context obtained and must release.
    native::Handle systemContext = nullptr;
    native::Handle window = nullptr;
    CFrame* frame = nullptr;
    std::int32_t fontSize = -1;
    std::int32_t fontStyle = 0;
    std::int32_t fontId = kNumStandardFonts;
    CColor fontColor = kTransparentCColor;
    std::int32_t lineWidth = 0;
    CColor frameColor = kTransparentCColor;
    CColor fillColor = kTransparentCColor;
    std::int32_t lineStyle = -1;
    std::int32_t drawMode = -1;
    CRect clipRect;
    native::Handle brush = nullptr;
    native::Handle pen = nullptr;
    native::Handle font = nullptr;
    native::Handle oldBrush = nullptr;
    native::Handle oldPen = nullptr;
    native::Handle oldFont = nullptr;
    std::int32_t penStyle = 0;
    native::Handle ownedSurface = nullptr;
    // scale: the frame's when the context was made (kUnscaled without one).
    // windowOrigin: the window's top-left on the screen, device pixels.
    std::int32_t scale = kUnscaled;
    CPoint windowOrigin;

private:
    void makePen();
    // Fills device rect in the frame colour: a scaled level or upright line.
    void fillInFrameColor(const CRect& rect);
};

class COffscreenContext : public CDrawContext {
public:
    // width x height toolkit pixels at the frame's scale. The whole image
    // starts in backgroundColor. When the surface or the image cannot be
    // made the context has no surface and draws nothing.
    COffscreenContext(CFrame* frame, std::int32_t width, std::int32_t height,
                      const CColor& backgroundColor = kBlackCColor);
    ~COffscreenContext() override;

    // Block copy from srcOffset of this image to destRect of destination (its offset added).
    void copyFrom(CDrawContext* destination, const CRect& destRect,
                  const CPoint& srcOffset = CPoint());

    std::int32_t getWidth() const { return width; }
    std::int32_t getHeight() const { return height; }
    // False when the memory surface or its image could not be made.
    bool isValid() const { return systemContext != nullptr; }

protected:
    // height / width: the image size in toolkit pixels; destroyImage: the image goes with the
    // context; backgroundColor: the initial fill; oldImage: what the memory surface had selected.
    std::int32_t height;
    std::int32_t width;
    bool destroyImage = true;
    CColor backgroundColor;
    native::Handle oldImage = nullptr;
};

} // namespace VSTGUI
