#include "editor/GUIEditor.h"

#include "core/SynthCore.h"
#include "editor/CMyAnimKnob.h"
#include "platform/ModuleServices.h"
#include "vstgui/CBitmap.h"
#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CParamDisplay.h"
#include "vstgui/CSlider.h"
#include "vstgui/CTextEdit.h"

#include <algorithm>
#include <cstdio>

using namespace VSTGUI;

namespace {

constexpr float kRadiansPerDegree = 0.0174532925f;
constexpr float kKnobWheelStep = 0.05f;
constexpr std::uint32_t kIdleYield = 1; // ms the UI thread gives up on every idle
const CColor kDisplayTextColor{200, 180, 180, 255};

bool isKnob(std::int32_t type) {
    return type == kKnobA || type == kKnob || type == kKnobC;
}

bool makesControl(std::int32_t type) {
    switch (type) {
    case kOnOffButton:
    case kVerticalSlider:
    case kKnobA:
    case kKnob:
    case kKnobC:
    case kKickButton:
    case kTextEntry:
    case kHorizontalSwitch:
    case kVerticalSwitch:
    case kMeter:
    case kValueDisplay:
        return true;
    default:
        return false;
    }
}

// Kinds whose control shows the parameter's value as it stands, and nothing else.
bool echoesValueOnly(std::int32_t type) {
    return type == kOnOffButton || type == kVerticalSlider || type == kHorizontalSwitch ||
           type == kVerticalSwitch || type == kValueDisplay;
}

// The rectangle from (x, y) over width x height, whichever way the two point.
CRect spanning(std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height) {
    return CRect(std::min(x, x + width), std::min(y, y + height), std::max(x, x + width),
                 std::max(y, y + height));
}

// Drops the reference of whoever made a toolkit object, at the end of a scope.
struct Forget {
    CReferenceCounter* object;
    ~Forget() { object->forget(); }
};

} // namespace

GUIEditor::GUIEditor(SynthCore* core) : AEffGUIEditor(core), core(core), rows(core->paramRows()) {
    native::initializeOle();
    imageCodecs = native::startImageCodecs();
    background = new CBitmap(kBackgroundId);
    rect.bottom = static_cast<std::int16_t>(background->getHeight());
    rect.right = static_cast<std::int16_t>(background->getWidth());
    // Last, so that a construction that fails leaves the plug-in without an editor.
    core->setEditor(this);
}

GUIEditor::~GUIEditor() {
    background->forget();
    background = nullptr;
    native::stopImageCodecs(imageCodecs);
    native::uninitializeOle();
}

bool GUIEditor::open(void* parent) {
    // A host that opens again without closing gets one frame, not two.
    if (frame != nullptr) close();
    systemWindow = parent;
    const CRect size(0, 0, background->getWidth(), background->getHeight());
    frame = new CFrame(size, systemWindow, this);
    frame->setBackground(background);
    // Controls read the current values; changes before now are already in them.
    for (std::atomic<bool>& pending : echoPending)
        pending.store(false, std::memory_order_relaxed);
    makeControls();
    opened.store(true, std::memory_order_relaxed);
    return true;
}

void GUIEditor::close() {
    opened.store(false, std::memory_order_relaxed);
    for (int i = 0; i < kRowCount; ++i)
        rows[i].control = nullptr;
    // A control may be following the mouse below this call (the host closes
    // from its idle): the frame then goes when the control has returned.
    if (frame != nullptr) {
        frame->closeForOwner();
        frame->forget();
    }
    frame = nullptr;
    systemWindow = nullptr;
}

CControl* GUIEditor::controlOf(int index) const {
    if (!isOpened() || index < 0 || index >= kRowCount) return nullptr;
    return static_cast<CControl*>(rows[index].control);
}

void GUIEditor::makeControls() {
    for (int i = 0; i < kRowCount; ++i)
        rows[i].control = makeControl(i);
}

CControl* GUIEditor::makeControl(int index) {
    const ParamRow& row = rows[index];
    const std::int32_t type = row.type;
    if (!makesControl(type)) return nullptr;
    if (type == kVerticalSlider) return makeSlider(index);
    auto* bitmap = new CBitmap(row.bitmapId);
    Forget made{bitmap};

    if (type == kOnOffButton || type == kKickButton) {
        // The image holds both states, one above the other.
        const CRect size = spanning(row.x, row.y, bitmap->getWidth(), bitmap->getHeight() / 2);
        CControl* button = nullptr;
        if (type == kOnOffButton) {
            button = new COnOffButton(size, this, index, bitmap);
            button->setTransparency(true);
        } else {
            button = new CKickButton(size, this, index, size.height(), bitmap);
        }
        frame->addView(button);
        button->setValue(effect->getParameter(index));
        button->setDefaultValue(row.defaultValue);
        return button;
    }
    CRect size = spanning(row.x, row.y, row.width, row.height);
    if (type == kValueDisplay) {
        auto* display = new CParamDisplay(size, bitmap);
        display->setStringConvert(row.display);
        display->setFontColor(kDisplayTextColor);
        // The partner is the row named like this one without its first character.
        const int partner = row.name[0] != 0 ? core->lookupParamIndex(row.name + 1) : -1;
        if (partner >= 0) display->setValue(effect->getParameter(partner));
        frame->addView(display);
        return display;
    }
    if (type == kTextEntry) {
        auto* entry = new CTextEdit(size, this, index, bitmap);
        entry->setText(row.initialText != nullptr ? row.initialText : "");
        entry->setFontColor(kDisplayTextColor);
        frame->addView(entry);
        return entry;
    }
    const std::int32_t frameCount = row.frameHeight > 0 ? bitmap->getHeight() / row.frameHeight : 0;
    if (type == kHorizontalSwitch || type == kVerticalSwitch) {
        CControl* control = nullptr;
        if (type == kHorizontalSwitch)
            control = new CHorizontalSwitch(size, this, index, frameCount, row.frameHeight,
                                            frameCount, bitmap);
        else
            control = new CVerticalSwitch(size, this, index, frameCount, row.frameHeight,
                                          frameCount, bitmap);
        frame->addView(control, size, true);
        control->setValue(effect->getParameter(index));
        control->setDefaultValue(row.defaultValue);
        // One wheel notch moves the switch by one of the row's positions.
        if (row.positions > 1) control->setWheelInc(1.0f / static_cast<float>(row.positions - 1));
        return control;
    }
    auto* knob = new CMyAnimKnob(size, this, index, frameCount, row.frameHeight, bitmap);
    frame->addView(knob, size, true);
    knob->setTransparency(true);
    knob->setStartAngle(static_cast<float>(row.startAngle) * kRadiansPerDegree);
    knob->setRangeAngle(static_cast<float>(row.rangeAngle) * kRadiansPerDegree);
    knob->setValue(effect->getParameter(index));
    knob->setDefaultValue(row.defaultValue);
    knob->setWheelInc(kKnobWheelStep);
    return knob;
}

CControl* GUIEditor::makeSlider(int index) {
    const ParamRow& row = rows[index];
    const CRect size = spanning(row.x, row.y, row.width, row.height);
    auto* handle = new CBitmap(row.handleBitmapId);
    Forget madeHandle{handle};
    // Without an image of its own the slider shows the face behind it.
    const bool ownBackground = row.bitmapId != 0;
    CBitmap* track = ownBackground ? new CBitmap(row.bitmapId) : background;
    const std::int32_t trackHeight = ownBackground ? track->getHeight() : row.height;
    const CPoint offset =
        ownBackground ? CPoint(row.backgroundOffsetX, row.backgroundOffsetY) : CPoint(row.x, row.y);
    const std::int32_t highest = row.y + trackHeight - handle->getHeight() - 1;
    auto* slider = new CVerticalSlider(size, this, index, row.y, highest, handle, track, offset);
    if (ownBackground) track->forget();
    frame->addView(slider);
    slider->setValue(effect->getParameter(index));
    slider->setDefaultValue(row.defaultValue);
    return slider;
}

void GUIEditor::idle() {
    if (isOpened()) {
        for (int i = 0; i < kRowCount; ++i) {
            if (rows[i].type != kMeter) continue;
            CControl* meter = controlOf(i);
            if (meter == nullptr) continue;
            meter->setValue(rows[i].meterSource->load(std::memory_order_relaxed));
            if (meter->getParentFrame() != nullptr) frame->drawView(meter);
        }
        echoChanges();
    }
    platform::sleepMilliseconds(kIdleYield);
    AEffGUIEditor::idle();
}

bool GUIEditor::onWheel(float distance) {
    if (frame == nullptr) return false;
    CDrawContext* context = frame->createDrawContext();
    CPoint where = native::cursorPosition();
    where.offset(-context->screenOffset.h, -context->screenOffset.v);
    const bool used = frame->onWheel(context, where, distance);
    context->forget();
    return used;
}

void GUIEditor::setParameter(VstInt32 index, float) {
    if (index < 0 || index >= kRowCount || !isOpened()) return;
    echoPending[index].store(true, std::memory_order_relaxed);
}

void GUIEditor::valueChanged(CDrawContext*, CControl* control) {
    const std::int32_t index = control->getTag();
    if (index < 0 || index >= kRowCount) return;
    if (rows[index].type == kTextEntry) {
        char text[kControlTextSize];
        static_cast<CTextEdit*>(control)->getText(text, sizeof(text));
        core->onTextEdited(index, text);
        return;
    }
    const float value = control->getValue();
    control->setValue(value);
    effect->setParameterAutomated(index, value);
    echoChanges();
}

void GUIEditor::echoChanges() {
    for (int i = 0; i < kRowCount; ++i)
        if (echoPending[i].exchange(false, std::memory_order_relaxed)) echo(i);
}

void GUIEditor::echo(int index) {
    CControl* control = controlOf(index);
    if (control == nullptr) return;
    const ParamRow& row = rows[index];
    const float value = effect->getParameter(index);
    if (echoesValueOnly(row.type)) {
        control->setValue(value);
    } else if (isKnob(row.type)) {
        control->setValue(value);
        char partnerName[sizeof(row.name) + 1]; // "_" and the knob's name
        std::snprintf(partnerName, sizeof(partnerName), "_%s", row.name);
        if (CControl* display = controlOf(core->lookupParamIndex(partnerName)))
            display->setValue(value);
    }
}
