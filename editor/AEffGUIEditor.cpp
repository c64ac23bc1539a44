#include "editor/AEffGUIEditor.h"

#include "host/AudioEffectX.h"
#include "platform/ModuleServices.h"
#include "vstgui/CFrame.h"

#include <cmath>

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
    if (frame == nullptr && hostScale == 0 && !systemScaleRead) {
        systemScaleRead = true;
        applyScale(VSTGUI::nearestScale(VSTGUI::native::systemScale(nullptr)));
    }
    *where = &rect;
    return true;
}

bool AEffGUIEditor::setScaleFactor(float factor) {
    if (!(factor > 0.0f) || !std::isfinite(factor)) return false;
    hostScale = VSTGUI::nearestScale(factor);
    applyScale(hostScale);
    return true;
}

void AEffGUIEditor::systemScaleChanged() {
    if (hostScale != 0 || frame == nullptr) return;
    applyScale(VSTGUI::nearestScale(VSTGUI::native::systemScale(systemWindow)));
}

void AEffGUIEditor::setFaceSize(std::int32_t width, std::int32_t height) {
    faceWidth = width;
    faceHeight = height;
    applyScale(scale);
}

std::int32_t AEffGUIEditor::scaleToOpenIn(void* parent) {
    toldBeforeOpen = rect;
    // The next closed editor reads the system's scale again.
    systemScaleRead = false;
    if (hostScale == 0) applyScale(VSTGUI::nearestScale(VSTGUI::native::systemScale(parent)));
    return scale;
}

void AEffGUIEditor::fitHostAfterOpen() {
    if (rect.right != toldBeforeOpen.right || rect.bottom != toldBeforeOpen.bottom)
        resizeHostWindow(rect.right, rect.bottom);
}

void AEffGUIEditor::applyScale(std::int32_t percent) {
    scale = percent;
    rect.right = static_cast<std::int16_t>(VSTGUI::toDevice(faceWidth, scale));
    rect.bottom = static_cast<std::int16_t>(VSTGUI::toDevice(faceHeight, scale));
    // The rect is the new size before the host hears of it.
    if (frame != nullptr) frame->setScale(scale);
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
