// A test double of the live pointer on either backend: while a state or a
// script is set, the toolkit reads the mouse buttons, modifiers and pointer
// position from it instead of from the system. The test programs' links route
// the toolkit's calls of native::mouseButtons and native::cursorPosition
// through here (ld --wrap).
#pragma once

#include "vstgui/CRect.h"

#include <cstdint>
#include <vector>

namespace guitest {

struct PointerState {
    VSTGUI::CPoint screen;
    std::int32_t buttons = 0; // CButton bits
};

// The pointer as the toolkit sees it from now on.
void setPointer(const PointerState& state);
// States that the next reads of the buttons go through one by one; the last
// one stays. A control's polling loop sees a press, moves and the release;
// a position read after the buttons is that of the next state.
void scriptPointer(const std::vector<PointerState>& states);
// The system's pointer again.
void releasePointer();

} // namespace guitest
