// The editor's filmstrip knob, for knobs and meters alike: every frame of the
// strip stands for an equal share of the value range, and a linear drag
// moves slowly (zoom 5) with no inset of the handle point.
#pragma once

#include "vstgui/CKnob.h"

class CMyAnimKnob : public VSTGUI::CAnimKnob {
public:
    // UI thread, while the editor opens. background: a strip of frameCount
    // frames, each frameHeight pixels high.
    CMyAnimKnob(const VSTGUI::CRect& size, VSTGUI::CControlListener* listener, std::int32_t tag,
                std::int32_t frameCount, std::int32_t frameHeight, VSTGUI::CBitmap* background,
                const VSTGUI::CPoint& offset = VSTGUI::CPoint());

    // UI thread: frame trunc(value x frameCount), the last one also for 1.0.
    void draw(VSTGUI::CDrawContext* context) override;
};
