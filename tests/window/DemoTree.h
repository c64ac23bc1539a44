// The tree that the window test shows on Windows and renders with the
// software backend: the editor face with a filmstrip knob and its value
// display, two lamps, two meters, a text edit and a patch outlined by
// drawRect.
#pragma once

#include "vstgui/CButtons.h"
#include "vstgui/CFrame.h"
#include "vstgui/CKnob.h"
#include "vstgui/CTextEdit.h"

namespace demo {

using namespace VSTGUI;

constexpr std::int32_t kWidth = 432;
constexpr std::int32_t kHeight = 172;
enum Tag : std::int32_t { kKnobTag = 1, kLampTag = 4, kTextTag = 5 };
constexpr float kFirstKnobValue = 0.5f;  // before the first paint
constexpr float kTurnedKnobValue = 0.2f; // after it, drawn by an idle pass
constexpr const char* kFirstText = "1.5";

struct DemoTree {
    CAnimKnob* knob;
    COnOffButton* lamp;
    CParamDisplay* display;
    CTextEdit* edit;
};

// Fills a frame of kWidth x kHeight; the frame owns the controls.
DemoTree buildDemoTree(CFrame* frame, CControlListener* listener);
// The knob's value also shows in its display.
void showKnobValue(DemoTree& tree, float value);

} // namespace demo
