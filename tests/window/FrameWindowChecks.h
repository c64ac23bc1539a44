// Checks of the frame's window that need a real window system: where getSize
// finds the frame's parent, a paint message without an update rectangle, and
// button presses while the system's mouse buttons are swapped.
#pragma once

#include "vstgui/CFrame.h"

#include <functional>

namespace checks {

using namespace VSTGUI;

// getSize of a frame three windows deep, in a chain with known offsets: the
// parent's screen rectangle in its grandparent's client coordinates.
CRect sizeInThreeWindows();

// Draws that a paint message caused, first without an update rectangle, then
// with one.
struct PaintCounts {
    int withoutUpdate;
    int withUpdate;
};
PaintCounts paintWithoutAndWithUpdate();

// With the system's buttons swapped: a frame in a fresh window class whose
// whole face reports presses (where, the press's buttons, the live buttons
// while it is held) until `quit` answers true.
using PressReport = std::function<void(const CPoint&, std::int32_t, std::int32_t)>;
void pressesWithSwappedButtons(const std::function<void()>& ready, const PressReport& pressed,
                               const std::function<bool()>& quit);

} // namespace checks
