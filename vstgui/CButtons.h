// Buttons and switches: images that hold one state per frame, stacked
// vertically in the background bitmap.
#pragma once

#include "vstgui/CControl.h"

namespace VSTGUI {

// Two states, off above on; one click, one toggle.
class COnOffButton : public CControl {
public:
    enum Style : std::int32_t { kPostListenerUpdate = 0, kPreListenerUpdate = 1 };

    COnOffButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                 CBitmap* background, std::int32_t style = kPostListenerUpdate);

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool isTypeOf(const char* name) const override;

    virtual std::int32_t getStyle() const;
    virtual void setStyle(std::int32_t newStyle);

protected:
    // style: whether the listener hears of a click after (0) or before (1)
    // the owner's idle work.
    std::int32_t style;
};

// A momentary button: reports the pressed value while held, then 0.
class CKickButton : public CControl {
public:
    CKickButton(const CRect& size, CControlListener* listener, std::int32_t tag,
                std::int32_t frameHeight, CBitmap* background, const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool isTypeOf(const char* name) const override;

protected:
    // offset: source offset of the released image; frameHeight: the pressed
    // image lies this much lower.
    CPoint offset;
    std::int32_t frameHeight;
};

// One frame per position; a click picks the position under the pointer,
// left to right.
class CHorizontalSwitch : public CControl {
public:
    CHorizontalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                      std::int32_t frameCount, std::int32_t frameHeight, std::int32_t positions,
                      CBitmap* background, const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isTypeOf(const char* name) const override;

protected:
    // offset: source offset into the strip; frameCount: frames in the strip;
    // positions: positions of the switch; frameHeight: height of one frame.
    CPoint offset;
    std::int32_t frameCount;
    std::int32_t positions;
    std::int32_t frameHeight;
};

// The same, top to bottom; the wheel does not move it.
class CVerticalSwitch : public CControl {
public:
    CVerticalSwitch(const CRect& size, CControlListener* listener, std::int32_t tag,
                    std::int32_t frameCount, std::int32_t frameHeight, std::int32_t positions,
                    CBitmap* background, const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    bool isTypeOf(const char* name) const override;

protected:
    // offset: source offset into the strip; frameCount: frames in the strip;
    // frameHeight: height of one frame; positions: positions of the switch.
    CPoint offset;
    std::int32_t frameCount;
    std::int32_t frameHeight;
    std::int32_t positions;
};

} // namespace VSTGUI
