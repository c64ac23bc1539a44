#include "tests/support/ScriptedPointer.h"

#include <deque>

namespace guitest {

namespace {

// The states still to come; empty while the system's pointer is read.
std::deque<PointerState>& script() {
    static std::deque<PointerState> states;
    return states;
}

} // namespace

void setPointer(const PointerState& state) {
    script().assign(1, state);
}

void scriptPointer(const std::vector<PointerState>& states) {
    if (!states.empty()) script().assign(states.begin(), states.end());
}

void releasePointer() {
    script().clear();
}

} // namespace guitest

using guitest::script;

// The backend's functions under their linker names, and the scripted reads
// that the link puts in their place.
extern "C" {
std::int32_t __real__ZN6VSTGUI6native12mouseButtonsEv();
VSTGUI::CPoint __real__ZN6VSTGUI6native14cursorPositionEv();

std::int32_t __wrap__ZN6VSTGUI6native12mouseButtonsEv() {
    auto& states = script();
    if (states.empty()) return __real__ZN6VSTGUI6native12mouseButtonsEv();
    const std::int32_t buttons = states.front().buttons;
    if (states.size() > 1) states.pop_front();
    return buttons;
}

VSTGUI::CPoint __wrap__ZN6VSTGUI6native14cursorPositionEv() {
    const auto& states = script();
    return states.empty() ? __real__ZN6VSTGUI6native14cursorPositionEv() : states.front().screen;
}
}
