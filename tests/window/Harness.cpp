#include "Harness.h"

#include "platform/ModuleServices.h"

#include <cstdarg>
#include <cstdio>

namespace harness {

namespace {
constexpr std::uint32_t kLongestPress = 5000; // ms a press is followed at most
constexpr std::uint32_t kPollInterval = 5;    // ms between two polls
} // namespace

void say(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(stdout, format, arguments);
    va_end(arguments);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

void reportKnob(demo::DemoTree& tree, CFrame* frame) {
    tree.knob->onPress = [frame](CDrawContext* context, const CPoint& where, std::int32_t buttons) {
        say("press %d %d %d", where.h, where.v, buttons);
        int polls = 0;
        const std::uint32_t start = platform::tickCount();
        while ((context->getMouseButtons() & kLButton) != 0 &&
               platform::tickCount() - start < kLongestPress) {
            ++polls;
            frame->doIdleStuff();
            platform::sleepMilliseconds(kPollInterval);
        }
        say("release %d", polls);
    };
    tree.knob->onTurn = [](const CPoint& where, float distance) {
        say("wheel %.4f %d %d", static_cast<double>(distance), where.h, where.v);
    };
}

bool IdleScript::step(demo::DemoTree& tree) {
    if (done || tree.knob->isDirty()) return false;
    if (!turned) {
        demo::turnKnob(tree);
        turned = true;
        return false;
    }
    say("updated");
    done = true;
    return true;
}

} // namespace harness
