#include "tests/support/ScriptedMouse.h"

#include <algorithm>

namespace guitest {

ScriptedMouse::ScriptedMouse() : previous(native::setPointerSource(this)) {}

ScriptedMouse::~ScriptedMouse() {
    native::setPointerSource(previous);
}

void ScriptedMouse::play(std::vector<PointerStep> steps) {
    if (steps.empty()) steps.push_back(PointerStep{CPoint(), 0});
    script = std::move(steps);
    current = script.front();
    next = 0;
    reads = 0;
}

std::int32_t ScriptedMouse::buttons() {
    current = script[std::min(next, script.size() - 1)];
    ++next;
    ++reads;
    return current.buttons;
}

CPoint ScriptedMouse::position() {
    return current.where;
}

std::vector<PointerStep> ScriptedMouse::drag(CPoint from, const std::vector<CPoint>& moves,
                                             std::int32_t buttons) {
    std::vector<PointerStep> steps{{from, buttons}};
    for (const CPoint& to : moves)
        steps.push_back({to, buttons});
    steps.push_back({moves.empty() ? from : moves.back(), 0});
    return steps;
}

std::vector<PointerStep> ScriptedMouse::click(CPoint at, std::int32_t buttons) {
    return {{at, buttons}, {at, 0}};
}

} // namespace guitest
