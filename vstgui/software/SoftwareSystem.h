// What the software backend offers in place of a window system: host
// windows, paint and input messages, the cursor and drop targets. Native
// tests and tools use it to drive frames the way the system drives them on
// Windows.
#pragma once

#include "vstgui/Native.h"

#include <vector>

namespace VSTGUI {
namespace software {

// A top-level window as a host would make one, at (x, y) on the screen.
native::Handle createHostWindow(std::int32_t x, std::int32_t y, std::int32_t width,
                                std::int32_t height);
// Destroys a host window: frames inside it learn that their window is gone.
void destroyHostWindow(native::Handle window);
// The child windows of a window (a frame's window inside its host window).
std::vector<native::Handle> childWindows(native::Handle window);

// The pointer as a window system reports it: where it is on the screen, and
// the buttons and modifiers held as CButton bits.
struct PointerState {
    CPoint screen;
    std::int32_t buttons = 0;
};

// Marks part of a window as needing paint; the next paint or the next
// native::dispatchWaitingPaint paints it.
void invalidate(native::Handle window, const CRect& rect);
// Paints what is waiting, as the system's paint message does; false when
// nothing was waiting or no frame is attached.
bool paint(native::Handle window);
// A button press at where (window coordinates) with the given live buttons,
// which the pointer keeps until the next press.
void pressButton(native::Handle window, const CPoint& where, std::int32_t buttons);
// A wheel turn of delta units (120 a notch) with the pointer at screen.
void turnWheel(native::Handle window, const CPoint& screen, std::int32_t delta);
// The scale of the screen on which the in-process windows stand (1 until
// set): native::systemScale answers it for them. A change reaches every
// frame in an in-process window, as a move to a screen of another DPI does.
void setScreenScale(double factor);
// The window that last took the keyboard focus.
native::Handle focusWindow();
// The toolkit cursor type last set (0 for the default cursor).
std::int32_t cursorType();

// A data object of a drag: text, or a list of files.
struct DragData {
    bool hasText = false;
    std::int32_t fileCount = 0;
};
// The drop target registered for a window (a CDropTarget), or none.
native::Handle dropTargetOf(native::Handle window);

} // namespace software
} // namespace VSTGUI
