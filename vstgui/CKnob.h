// Rotary controls: CKnob shows its value as an angle with a drawn handle;
// CAnimKnob as one frame of a vertical filmstrip. Both turn by dragging
// around the knob or in a straight line (the knob mode), by the wheel and by
// the arrow keys.
#pragma once

#include "vstgui/CControl.h"

namespace VSTGUI {

enum KnobMode : std::int32_t { kCircularMode = 0, kRelativeCircularMode = 1, kLinearMode = 2 };

class CKnob : public CControl {
public:
    // offset: source offset into the background bitmap.
    CKnob(const CRect& size, CControlListener* listener, std::int32_t tag, CBitmap* background,
          const CPoint& offset = CPoint());
    ~CKnob() override;

    void draw(CDrawContext* context) override;
    // A drag that follows the mouse until the left button is released.
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool isTypeOf(const char* name) const override;

    virtual void drawHandle(CDrawContext* context);
    virtual void setStartAngle(float radians);
    virtual float getStartAngle() const;
    virtual void setRangeAngle(float radians);
    virtual float getRangeAngle() const;
    // The handle point of the current value, relative to the knob's top-left.
    virtual void valueToPoint(CPoint& point) const;
    // The value that a point relative to the knob's top-left points at.
    virtual float valueFromPoint(CPoint& point) const;
    virtual void setInsetValue(std::int32_t pixels);
    virtual void setColorShadowHandle(const CColor& color);
    virtual void setColorHandle(const CColor& color);
    virtual void setHandleBitmap(CBitmap* bitmap);
    virtual void setZoomFactor(float factor);
    virtual float getZoomFactor() const;

protected:
    // Coefficients of the angle laws, after an angle changed.
    void compute();

    // offset: source offset into the background bitmap.
    // colorHandle / colorShadowHandle: the drawn handle line and its shadow.
    // handleBitmap: an image drawn at the handle point instead; a reference held.
    // inset: distance of the handle point from the rim, pixels.
    // startAngle / rangeAngle: radians counter-clockwise from 3 o'clock of min,
    //   and the sweep from min to max (negative: clockwise).
    // halfAngle: half the dead zone; aCoef: value per radian; bCoef: value at angle 0.
    //   The three change with the angles, keeping the bounds of that moment.
    // radius: half the knob's width. zoomFactor: slow-down of linear drags with Shift.
    CPoint offset;
    CColor colorHandle = kWhiteCColor;
    CColor colorShadowHandle = kGreyCColor;
    CBitmap* handleBitmap = nullptr;
    std::int32_t inset = 3;
    float startAngle;
    float rangeAngle;
    float halfAngle = 0.0f;
    float aCoef = 0.0f;
    float bCoef = 0.0f;
    float radius;
    float zoomFactor = 1.5f;
};

class CAnimKnob : public CKnob {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, std::int32_t tag,
              std::int32_t frameCount, std::int32_t frameHeight, CBitmap* background,
              const CPoint& offset = CPoint());

    void draw(CDrawContext* context) override;
    // Clean while the handle point has not left the pixel of the last draw.
    bool isDirty() const override;
    bool isTypeOf(const char* name) const override;

    void setInverseBitmap(bool inverse) { inverseBitmap = inverse; }

protected:
    // Draws the frame that starts at pixel row frameTop of the strip.
    void drawFrame(CDrawContext* context, std::int32_t frameTop);

    // frameCount / frameHeight: frames of the filmstrip and the height of one.
    // inverseBitmap: the strip runs from max (first frame) to min.
    // lastDrawnPoint: the handle point at the last draw.
    std::int32_t frameCount;
    std::int32_t frameHeight;
    bool inverseBitmap = false;
    CPoint lastDrawnPoint;
};

} // namespace VSTGUI
