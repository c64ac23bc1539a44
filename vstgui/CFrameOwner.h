// What the frame asks of whoever owns it (the plug-in's editor): the begin
// and end of a parameter edit, the idle work while a control holds the mouse,
// the knob mode, a host window that follows the frame's size, and what the
// system's scale does to it.
#pragma once

#include <cstdint>

namespace VSTGUI {

class CFrameOwner {
public:
    // UI thread, from a control that starts or ends a gesture on parameter index.
    virtual void beginEdit(std::int32_t index) = 0;
    virtual void endEdit(std::int32_t index) = 0;
    // UI thread, from a control's mouse loop: keeps the editor drawing and the
    // host running while the mouse is held.
    virtual void doIdleStuff() = 0;
    // UI thread, when a drag starts: 0 circular, 1 relative circular, 2 linear.
    virtual std::int32_t getKnobMode() const = 0;
    // UI thread, from the frame's setSize: asks the host to resize its window
    // to width x height; true when the host did.
    virtual bool resizeHostWindow(std::int32_t width, std::int32_t height) = 0;
    // UI thread, from the frame's window: the system now draws it at another
    // scale (moved to a screen of another DPI).
    virtual void systemScaleChanged() = 0;

protected:
    // The frame never destroys its owner.
    ~CFrameOwner() = default;
};

} // namespace VSTGUI
