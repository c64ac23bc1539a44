// How a software window shows itself in a real window system: a window of
// that system (a child of a host's window) that displays the software
// window's image, reports the system's input and tells where the live pointer
// is. Windows without a presentation are the in-process stand-ins that tests
// drive.
#pragma once

#include "vstgui/Native.h"

#include <memory>

namespace VSTGUI {
namespace software {

struct Image;
struct PointerState;

// What the window system asks of a presented window.
struct SystemEvent {
    enum class Type { expose, press, wheel, destroyed };
    Type type = Type::expose;
    CRect rect;               // expose: the area to paint again, window pixels
    CPoint where;             // press: window pixels
    std::int32_t buttons = 0; // press: buttons and modifiers with the press, CButton bits
    CPoint screen;            // wheel: the pointer on the screen
    std::int32_t delta = 0;   // wheel: 120 a notch, positive away from the user
};

class Presentation {
public:
    virtual ~Presentation() = default;
    // Puts on screen what changed in image since the last call, and what the
    // system asked to have painted again.
    virtual void present(const Image& image) = 0;
    // The live pointer in screen pixels, buttons and modifiers as CButton bits.
    virtual bool pointer(PointerState& state) = 0;
    virtual CPoint screenTopLeft() = 0;
    virtual void resize(std::int32_t width, std::int32_t height) = 0;
    // The next waiting event without blocking; only exposures and the
    // window's destruction unless withInput.
    virtual bool nextEvent(SystemEvent& event, bool withInput) = 0;
};

// A child window of the system window systemWindow (as a host hands it to the
// editor), width x height; none when the system or the window cannot be had.
std::unique_ptr<Presentation> presentInSystemWindow(native::Handle systemWindow, std::int32_t width,
                                                    std::int32_t height);
// The scale at which the window system draws in systemWindow (or anywhere,
// without one); see native::systemScale.
double systemScaleOf(native::Handle systemWindow);

} // namespace software
} // namespace VSTGUI
