// Surfaces, pens, brushes, fonts, clipping, block transfers and images on
// GDI; PNG decoding through GDI+ from a memory stream.
#include "vstgui/win32/System.h"

#include "vstgui/Native.h"

#include "base/Text.h"
#include "platform/win32/OwnModule.h"

#include <gdiplus.h>
#include <objidl.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace VSTGUI {
namespace win32 {

namespace {

constexpr DWORD kDrawTextFlags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;

// Runs draw(sourceSurface) with image selected into a memory surface.
template <typename Draw> void withImage(HDC destination, HBITMAP image, Draw draw) {
    HDC source = CreateCompatibleDC(destination);
    if (source == nullptr) return;
    HGDIOBJ previous = SelectObject(source, image);
    draw(source);
    SelectObject(source, previous);
    DeleteDC(source);
}

// The part of rect that has source pixels in an image of the given size;
// offset moves along.
bool clampToImage(CRect& rect, CPoint& offset, LONG width, LONG height) {
    if (offset.h < 0) {
        rect.left -= offset.h;
        offset.h = 0;
    }
    if (offset.v < 0) {
        rect.top -= offset.v;
        offset.v = 0;
    }
    rect.right = std::min<std::int32_t>(rect.right, rect.left + (width - offset.h));
    rect.bottom = std::min<std::int32_t>(rect.bottom, rect.top + (height - offset.v));
    return rect.width() > 0 && rect.height() > 0;
}

// Runs transfer(destination, area, sourceSurface, sourceOffset) for the part
// of rect that the image covers; the system's stretching transfers refuse
// areas outside their source.
template <typename Transfer>
void stretchFromImage(native::Handle surface, const CRect& rect, native::Handle image,
                      CPoint offset, Transfer transfer) {
    std::int32_t width = 0, height = 0;
    CRect area = rect;
    if (surface == nullptr || !native::imageSize(image, width, height) ||
        !clampToImage(area, offset, width, height))
        return;
    HDC dc = static_cast<HDC>(surface);
    withImage(dc, static_cast<HBITMAP>(image),
              [&](HDC source) { transfer(dc, area, source, offset); });
}

class GdiplusImage : public native::DecodedImage {
public:
    GdiplusImage(HGLOBAL memory, IStream* stream, Gdiplus::GpBitmap* bitmap)
        : memory(memory), stream(stream), bitmap(bitmap) {
        UINT value = 0;
        Gdiplus::DllExports::GdipGetImageWidth(bitmap, &value);
        imageWidth = static_cast<std::int32_t>(value);
        Gdiplus::DllExports::GdipGetImageHeight(bitmap, &value);
        imageHeight = static_cast<std::int32_t>(value);
    }
    ~GdiplusImage() override {
        Gdiplus::DllExports::GdipDisposeImage(bitmap);
        stream->Release();
        GlobalFree(memory);
    }
    std::int32_t width() const override { return imageWidth; }
    std::int32_t height() const override { return imageHeight; }
    bool pixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) const override {
        Gdiplus::ARGB value = 0;
        if (Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, x, y, &value) != Gdiplus::Ok)
            return false;
        argb = value;
        return true;
    }

private:
    HGLOBAL memory;
    IStream* stream;
    Gdiplus::GpBitmap* bitmap;
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
};

} // namespace

SystemState& state() {
    static SystemState shared;
    return shared;
}

} // namespace win32

namespace native {

using namespace win32;

Handle createMemorySurface(Handle window) {
    HDC screen = GetDC(static_cast<HWND>(window));
    HDC surface = CreateCompatibleDC(screen);
    ReleaseDC(static_cast<HWND>(window), screen);
    return surface;
}

void deleteMemorySurface(Handle surface) {
    if (surface != nullptr) DeleteDC(static_cast<HDC>(surface));
}

Handle createCompatibleImage(Handle window, std::int32_t width, std::int32_t height) {
    if (width <= 0 || height <= 0) return nullptr;
    HDC screen = GetDC(static_cast<HWND>(window));
    HBITMAP image = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(static_cast<HWND>(window), screen);
    return image;
}

Handle createImage32(std::int32_t width, std::int32_t height, std::uint32_t** pixels) {
    if (width <= 0 || height <= 0) return nullptr;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP image = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (image == nullptr || bits == nullptr) return nullptr;
    *pixels = static_cast<std::uint32_t*>(bits);
    return image;
}

Handle loadBitmapResource(std::int32_t id) {
    return LoadBitmapA(platform::ownModule(), MAKEINTRESOURCEA(id));
}

bool imageSize(Handle image, std::int32_t& width, std::int32_t& height) {
    BITMAP header{};
    if (image == nullptr || GetObjectA(image, sizeof header, &header) == 0) return false;
    width = header.bmWidth;
    height = std::abs(header.bmHeight);
    return true;
}

Handle selectObject(Handle surface, Handle object) {
    if (surface == nullptr || object == nullptr) return nullptr;
    return SelectObject(static_cast<HDC>(surface), object);
}

void deleteObject(Handle object) {
    if (object != nullptr) DeleteObject(object);
}

SelectedObjects selectedObjects(Handle surface) {
    SelectedObjects selected;
    if (surface == nullptr) return selected;
    HDC dc = static_cast<HDC>(surface);
    selected.brush = GetCurrentObject(dc, OBJ_BRUSH);
    selected.pen = GetCurrentObject(dc, OBJ_PEN);
    selected.font = GetCurrentObject(dc, OBJ_FONT);
    return selected;
}

Handle createPen(std::int32_t style, std::int32_t width, const CColor& color) {
    LOGPEN pen{static_cast<UINT>(style), {width, 0}, color.native()};
    return CreatePenIndirect(&pen);
}

Handle createSolidBrush(const CColor& color) {
    return CreateSolidBrush(color.native());
}

Handle createFont(const FontRequest& request) {
    LOGFONTA font{};
    font.lfHeight = request.height;
    font.lfWeight = request.weight;
    font.lfItalic = request.italic;
    font.lfUnderline = request.underline;
    font.lfCharSet = ANSI_CHARSET;
    font.lfOutPrecision = OUT_STRING_PRECIS;
    font.lfClipPrecision = CLIP_STROKE_PRECIS;
    font.lfQuality = DEFAULT_QUALITY;
    font.lfPitchAndFamily =
        request.decorative ? (FF_DECORATIVE | DEFAULT_PITCH) : (FF_SWISS | VARIABLE_PITCH);
    base::copyInto(font.lfFaceName, request.face);
    return CreateFontIndirectA(&font);
}

void setTransparentBackground(Handle surface, bool transparent) {
    if (surface != nullptr)
        SetBkMode(static_cast<HDC>(surface), transparent ? TRANSPARENT : OPAQUE);
}

void setTextColor(Handle surface, const CColor& color) {
    if (surface != nullptr) SetTextColor(static_cast<HDC>(surface), color.native());
}

void setTextBackground(Handle surface, const CColor& color) {
    if (surface != nullptr) SetBkColor(static_cast<HDC>(surface), color.native());
}

void setCopyMode(Handle surface) {
    if (surface != nullptr) SetROP2(static_cast<HDC>(surface), R2_COPYPEN);
}

void clipSurface(Handle surface, const CRect& rect) {
    if (surface == nullptr) return;
    HRGN region = CreateRectRgn(rect.left, rect.top, rect.right, rect.bottom);
    SelectClipRgn(static_cast<HDC>(surface), region);
    DeleteObject(region);
}

void drawLine(Handle surface, CPoint from, CPoint to) {
    if (surface == nullptr) return;
    MoveToEx(static_cast<HDC>(surface), from.h, from.v, nullptr);
    LineTo(static_cast<HDC>(surface), to.h, to.v);
}

void fillRect(Handle surface, const CRect& rect, Handle brush) {
    if (surface == nullptr || brush == nullptr) return;
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    FillRect(static_cast<HDC>(surface), &area, static_cast<HBRUSH>(brush));
}

void drawText(Handle surface, const char* text, const CRect& rect, std::int32_t align) {
    if (surface == nullptr) return;
    RECT area{rect.left, rect.top, rect.right, rect.bottom};
    const UINT horizontal = align == 1 ? DT_CENTER : align == 2 ? DT_RIGHT : DT_LEFT;
    DrawTextA(static_cast<HDC>(surface), text, -1, &area, kDrawTextFlags | horizontal);
}

void copyBlock(Handle destination, const CRect& destRect, Handle source, CPoint sourcePoint) {
    if (destination == nullptr || source == nullptr) return;
    BitBlt(static_cast<HDC>(destination), destRect.left, destRect.top, destRect.width(),
           destRect.height(), static_cast<HDC>(source), sourcePoint.h, sourcePoint.v, SRCCOPY);
}

void drawImage(Handle surface, const CRect& rect, Handle image, CPoint offset) {
    if (surface == nullptr || image == nullptr) return;
    HDC dc = static_cast<HDC>(surface);
    withImage(dc, static_cast<HBITMAP>(image), [&](HDC source) {
        BitBlt(dc, rect.left, rect.top, rect.width(), rect.height(), source, offset.h, offset.v,
               SRCCOPY);
    });
}

void drawImageTransparent(Handle surface, const CRect& rect, Handle image, CPoint offset,
                          const CColor& transparentColor) {
    TransparentBltFunction transparentBlt = state().transparentBlt;
    if (transparentBlt == nullptr) {
        // Without the system's transparent copy the image is copied whole.
        drawImage(surface, rect, image, offset);
        return;
    }
    stretchFromImage(
        surface, rect, image, offset, [&](HDC dc, const CRect& area, HDC source, CPoint from) {
            transparentBlt(dc, area.left, area.top, area.width(), area.height(), source, from.h,
                           from.v, area.width(), area.height(), transparentColor.native());
        });
}

void drawImageBlend(Handle surface, const CRect& rect, Handle image, CPoint offset,
                    std::uint8_t alpha, bool perPixelAlpha) {
    AlphaBlendFunction alphaBlend = state().alphaBlend;
    if (alphaBlend == nullptr) {
        // Without the system's blending the image is copied whole.
        drawImage(surface, rect, image, offset);
        return;
    }
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, alpha,
                              static_cast<BYTE>(perPixelAlpha ? AC_SRC_ALPHA : 0)};
    stretchFromImage(surface, rect, image, offset,
                     [&](HDC dc, const CRect& area, HDC source, CPoint from) {
                         alphaBlend(dc, area.left, area.top, area.width(), area.height(), source,
                                    from.h, from.v, area.width(), area.height(), blend);
                     });
}

std::unique_ptr<DecodedImage> decodeImage(const unsigned char* bytes, std::size_t size,
                                          DecodeStatus& status) {
    status = DecodeStatus::noStream;
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, size);
    if (memory == nullptr) return nullptr;
    void* copy = GlobalLock(memory);
    if (copy == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    std::memcpy(copy, bytes, size);
    GlobalUnlock(memory);
    IStream* stream = nullptr;
    if (CreateStreamOnHGlobal(memory, FALSE, &stream) != S_OK || stream == nullptr) {
        GlobalFree(memory);
        return nullptr;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (Gdiplus::DllExports::GdipCreateBitmapFromStream(stream, &bitmap) != Gdiplus::Ok ||
        bitmap == nullptr) {
        status = DecodeStatus::unreadable;
        stream->Release();
        GlobalFree(memory);
        return nullptr;
    }
    status = DecodeStatus::decoded;
    return std::make_unique<GdiplusImage>(memory, stream, bitmap);
}

std::uintptr_t startImageCodecs() {
    Gdiplus::GdiplusStartupInput input;
    ULONG_PTR token = 0;
    Gdiplus::GdiplusStartup(&token, &input, nullptr);
    return token;
}

void stopImageCodecs(std::uintptr_t token) {
    if (token != 0) Gdiplus::GdiplusShutdown(token);
}

} // namespace native
} // namespace VSTGUI
