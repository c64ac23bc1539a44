// The thin layer between the toolkit and the system that draws and takes
// input. The view tree, the drawing contexts and the bitmaps call only these
// functions; vstgui/win32 implements them on GDI, GDI+, user32 and OLE, and
// vstgui/software on a portable pixel surface.
//
// Handles are opaque: a device context, pen, brush, font, image, window,
// cursor or library on Windows; the software backend's own objects elsewhere.
// Every function accepts a null surface or window and then does nothing.
#pragma once

#include "vstgui/CRect.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace VSTGUI {

class CFrame;

namespace native {

using Handle = void*;

// --- Surfaces -------------------------------------------------------------

Handle windowSurface(Handle window);
void releaseWindowSurface(Handle window, Handle surface);
// A memory surface and an image that suit window (or the screen without one).
Handle createMemorySurface(Handle window);
void deleteMemorySurface(Handle surface);
Handle createCompatibleImage(Handle window, std::int32_t width, std::int32_t height);

// Selects a pen, brush, font or image; answers the one of that kind it replaced.
Handle selectObject(Handle surface, Handle object);
void deleteObject(Handle object);
struct SelectedObjects {
    Handle brush = nullptr;
    Handle pen = nullptr;
    Handle font = nullptr;
};
SelectedObjects selectedObjects(Handle surface);

Handle createPen(std::int32_t style, std::int32_t width, const CColor& color);
Handle createSolidBrush(const CColor& color);
struct FontRequest {
    std::int32_t height; // negative: the character height in pixels
    std::int32_t weight; // 400 normal, 700 bold
    bool italic;
    bool underline;
    bool decorative; // decorative family, default pitch; else swiss, variable pitch
    const char* face;
};
Handle createFont(const FontRequest& request);

void setTransparentBackground(Handle surface, bool transparent);
void setTextColor(Handle surface, const CColor& color);
void setTextBackground(Handle surface, const CColor& color);
void setCopyMode(Handle surface);
// Clips all drawing to rect (device pixels, right and bottom edges outside).
void clipSurface(Handle surface, const CRect& rect);

// A line in the selected pen; the end point is not drawn.
void drawLine(Handle surface, CPoint from, CPoint to);
// Fills rect with brush (right and bottom edges outside).
void fillRect(Handle surface, const CRect& rect, Handle brush);
// One line of text in rect: vertically centred, align 0 left, 1 centre, 2 right,
// cut at rect, no prefix processing.
void drawText(Handle surface, const char* text, const CRect& rect, std::int32_t align);
void copyBlock(Handle destination, const CRect& destRect, Handle source, CPoint sourcePoint);

// The toolkit's requests for a new pen, brush or font and for a surface's
// clip, as a hook put in place hears of them before the backend is asked
// (tests count them to see that unchanged settings cost the system nothing).
enum class DrawingRequest { pen, brush, font, clip };
using DrawingRequestHook = void (*)(DrawingRequest request);
// Puts hook in place (none: requests go unheard); answers the one it replaces.
DrawingRequestHook setDrawingRequestHook(DrawingRequestHook hook);
// Tells the hook in place, if any, of request.
void reportDrawingRequest(DrawingRequest request);

// --- Images ---------------------------------------------------------------

// A top-down 32-bit image with writable pixels, 0xAARRGGBB each.
Handle createImage32(std::int32_t width, std::int32_t height, std::uint32_t** pixels);
Handle loadBitmapResource(std::int32_t id);
bool imageSize(Handle image, std::int32_t& width, std::int32_t& height);
void drawImage(Handle surface, const CRect& rect, Handle image, CPoint offset);
void drawImageTransparent(Handle surface, const CRect& rect, Handle image, CPoint offset,
                          const CColor& transparentColor);
void drawImageBlend(Handle surface, const CRect& rect, Handle image, CPoint offset,
                    std::uint8_t alpha, bool perPixelAlpha);

class DecodedImage {
public:
    virtual ~DecodedImage() = default;
    virtual std::int32_t width() const = 0;
    virtual std::int32_t height() const = 0;
    // 0xAARRGGBB, not premultiplied; false when the pixel cannot be read.
    virtual bool pixel(std::int32_t x, std::int32_t y, std::uint32_t& argb) const = 0;
};
enum class DecodeStatus { decoded, noStream, unreadable };
std::unique_ptr<DecodedImage> decodeImage(const unsigned char* bytes, std::size_t size,
                                          DecodeStatus& status);
// Brackets the time in which images may be decoded (GDI+ on Windows).
std::uintptr_t startImageCodecs();
void stopImageCodecs(std::uintptr_t token);

// --- Input ----------------------------------------------------------------

// The live buttons and modifiers as CButton bits.
std::int32_t mouseButtons();
// The cursor in screen coordinates.
CPoint cursorPosition();

// Where the two answers above come from: the system's own pointer unless a
// source is put in its place, such as a window system that the backend only
// stands in for, or a scripted mouse. Only the UI thread asks.
class PointerSource {
public:
    virtual std::int32_t buttons() = 0;
    virtual CPoint position() = 0;

protected:
    ~PointerSource() = default;
};
// Puts source in place (none: the system's pointer again); answers the one it replaces.
PointerSource* setPointerSource(PointerSource* source);
// The system's pointer, whatever source is in place.
std::int32_t systemMouseButtons();
CPoint systemCursorPosition();

// Longest gap between the two clicks of a double click, in milliseconds.
std::int32_t doubleClickTime();

Handle currentCursor();
// The system cursor of a toolkit cursor type; null for the default types.
Handle systemCursor(std::int32_t type);
void setCursor(Handle cursor);

// --- Entry fields ---------------------------------------------------------

// A single-line text entry over part of a frame's window, with the keyboard
// focus: the system's edit control on Windows, a field that the toolkit
// draws and feeds with the keys typed into the frame elsewhere.
class EntryFieldOwner {
public:
    // The field lost the keyboard focus, or Return ended the entry.
    virtual void entryFocusLost() = 0;
    virtual void entryReturned() = 0;

protected:
    ~EntryFieldOwner() = default;
};
struct EntryFieldRequest {
    CRect rect; // window pixels
    const char* text;
    std::int32_t align; // 0 left, 1 centre, 2 right
    FontRequest font;
    std::int32_t maxLength; // characters
};
// Opens the field with all its text selected; none when it cannot be made.
Handle openEntryField(Handle window, const EntryFieldRequest& request, EntryFieldOwner* owner);
// Closes the field without telling its owner.
void closeEntryField(Handle field);
// Copies at most size - 1 characters of the field's text and a terminating zero.
void entryFieldText(Handle field, char* text, std::size_t size);
// A key typed into the frame while the field is open. Fields that the system
// feeds itself ignore it.
enum class EntryKey { ignored, edited, returned };
EntryKey typeIntoEntryField(Handle field, std::int32_t character, std::int32_t virtualKey);
// Draws the field into rect (device pixels) of surface; fields that the
// system draws itself draw nothing here.
void paintEntryField(Handle surface, Handle field, const CRect& rect, const CColor& textColor,
                     const CColor& backColor);

// --- Frame window ---------------------------------------------------------

// Loads the blending library and looks up its functions for every context.
Handle loadBlendLibrary();
void freeBlendLibrary(Handle library);
void initializeOle();
void uninitializeOle();

// The frame's child window in parent, with the frame in its user data; null
// when it cannot be made.
Handle createFrameWindow(CFrame* frame, Handle parent, std::int32_t width, std::int32_t height);
// Detaches the frame, destroys the window and drops the class use.
void destroyFrameWindow(Handle window);
CPoint windowScreenTopLeft(Handle window);
Handle registerDropTarget(Handle window, CFrame* frame);
void revokeDropTarget(Handle window, Handle target);

bool outerWindowPosition(Handle window, std::int32_t& x, std::int32_t& y);
bool parentRectInGrandparent(Handle window, CRect& rect);
void resizeWindow(Handle window, std::int32_t width, std::int32_t height);
// Grows the windows between the frame and the host's; true when a host window
// was reached and grown.
bool growAncestors(Handle window, std::int32_t width, std::int32_t height);

// Items offered by a drag's data object: 1 for text, else the file count.
std::int32_t countDragItems(Handle dataObject);
// Lets one waiting paint request of this thread through.
void dispatchWaitingPaint();
// Handles what the window system has waiting for the frame's window, where
// the plug-in and not the host runs that window's events (X11): paints,
// presses and the wheel, or only paints while a press is being handled.
void processWindowEvents(Handle window);

} // namespace native
} // namespace VSTGUI
