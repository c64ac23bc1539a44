#include "editor/AEffGUIEditor.h"

#include "host/AudioEffectX.h"
#include "platform/ModuleServices.h"
#include "vstgui/CFrame.h"

namespace {

constexpr std::uint32_t kIdleInterval = 100; // ms between full passes during a gesture
constexpr std::uint32_t kEarlyCallSleep = 4; // ms slept by a call that comes early
constexpr std::uint32_t kEarlySlack = 50;    // ms early that still counts as on time

// The toolkit numbers keys as the host interface does.
VSTGUI::CKeyCode toolkitKey(const VstKeyCode& key) {
    VSTGUI::CKeyCode converted;
    converted.character = key.character;
    converted.virt = key.virt;
    converted.modifier = key.modifier;
    return converted;
}

} // namespace

std::atomic<VstInt32> AEffGUIEditor::knobMode{0};

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect)
    : AEffEditor(effect), lastTicks(platform::tickCount()) {}

bool AEffGUIEditor::getRect(ERect** where) {
    *where = &rect;
    return true;
}

void AEffGUIEditor::idle() {
    if (!inIdleStuff && frame != nullptr) frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& key) {
    VSTGUI::CKeyCode converted = toolkitKey(key);
    return frame != nullptr && frame->onKeyDown(converted) == 1;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& key) {
    VSTGUI::CKeyCode converted = toolkitKey(key);
    return frame != nullptr && frame->onKeyUp(converted) == 1;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode.store(mode, std::memory_order_relaxed);
    return true;
}

void AEffGUIEditor::beginEdit(VstInt32 index) {
    if (effect != nullptr) effect->beginEdit(index);
}

void AEffGUIEditor::endEdit(VstInt32 index) {
    if (effect != nullptr) effect->endEdit(index);
}

bool AEffGUIEditor::resizeHostWindow(VstInt32 width, VstInt32 height) {
    auto* effectX = dynamic_cast<AudioEffectX*>(effect);
    return effectX != nullptr && effectX->canHostDo("sizeWindow") &&
           effectX->sizeWindow(width, height);
}

void AEffGUIEditor::doIdleStuff() {
    std::uint32_t now = platform::tickCount();
    if (now < lastTicks) {
        platform::sleepMilliseconds(kEarlyCallSleep);
        now += kEarlyCallSleep;
        if (now < lastTicks - kEarlySlack) return;
    }
    idle();
    VSTGUI::native::dispatchWaitingPaint();
    lastTicks = now + kIdleInterval;
    inIdleStuff = true;
    if (effect != nullptr) effect->masterIdle();
    inIdleStuff = false;
}
