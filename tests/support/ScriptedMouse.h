// A test double of the live pointer, in place of the system's while it
// lives: the buttons, modifiers and position that controls poll follow a
// script. Every read of the buttons takes the next state (the last one
// stays); the position is that of the state taken last. So a polling loop
// that reads the position after the buttons sees the position of a state
// one pass after its buttons: scripts rest a step where the buttons change.
#pragma once

#include "vstgui/Native.h"

#include <vector>

namespace guitest {

using namespace VSTGUI;

struct PointerStep {
    CPoint where; // screen coordinates
    std::int32_t buttons;
};

class ScriptedMouse : public native::PointerSource {
public:
    ScriptedMouse();
    ~ScriptedMouse();
    ScriptedMouse(const ScriptedMouse&) = delete;
    ScriptedMouse& operator=(const ScriptedMouse&) = delete;

    void play(std::vector<PointerStep> steps);
    std::int32_t buttons() override;
    CPoint position() override;
    // Reads of the buttons since the last play.
    int buttonReads() const { return reads; }

    // A press at from, a move to each point, and the release at the last one.
    static std::vector<PointerStep> drag(CPoint from, const std::vector<CPoint>& moves,
                                         std::int32_t buttons = kLButton);
    // A press and release at one point.
    static std::vector<PointerStep> click(CPoint at, std::int32_t buttons = kLButton);

private:
    native::PointerSource* previous;
    std::vector<PointerStep> script{PointerStep{CPoint(), 0}};
    PointerStep current{CPoint(), 0};
    std::size_t next = 0;
    int reads = 0;
};

} // namespace guitest
