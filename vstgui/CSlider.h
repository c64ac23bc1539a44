// A handle image that slides along a track over a background bitmap, drawn
// through an offscreen of the slider's own.
#pragma once

#include "vstgui/CControl.h"

namespace VSTGUI {

enum CSliderStyle : std::int32_t {
    kHorizontal = 1,
    kVertical = 2,
    kLeft = 8,
    kRight = 16,
    kTop = 32,
    kBottom = 64,
};

class CSlider : public CControl {
public:
    // lowestPosition / highestPosition: where the handle's start may go along
    // the track, in the parent's coordinates; offset: source offset into the
    // background.
    CSlider(const CRect& size, CControlListener* listener, std::int32_t tag,
            std::int32_t lowestPosition, std::int32_t highestPosition, CBitmap* handle,
            CBitmap* background, const CPoint& offset, std::int32_t style);
    ~CSlider() override;

    void draw(CDrawContext* context) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    // The offscreen lives while the slider is in a container.
    bool attached(CView* parent) override;
    bool removed(CView* parent) override;
    bool isTypeOf(const char* name) const override;

    // Where the handle's track lies inside the slider.
    virtual void setOffsetHandle(const CPoint& point);
    virtual void setFreeClick(bool free);
    virtual bool getFreeClick() const;
    virtual void setDrawTransparentHandle(bool transparent);
    virtual void setZoomFactor(float factor);
    virtual float getZoomFactor() const;

protected:
    bool horizontal() const { return (style & kHorizontal) != 0; }
    // The handle's rectangle for the current value, relative to the slider.
    CRect handleRect() const;

    // offset: source offset into the background. handleOffset: the track's place
    //   inside the slider. handle: the handle image, a reference held.
    // offscreen: of the slider's size, while it is in a container.
    // style: CSliderStyle bits. handleWidth / handleHeight: the handle's size (1 x 1 without).
    // handleRange: pixels the handle travels. minLimit / maxLimit: the handle's extent
    //   along the track. minPos: lowest handle position inside the slider.
    // width / height: the slider's size. zoomFactor: slow-down of drags with Shift.
    // drawHandleTransparent: the handle skips its transparent pixels.
    // freeClick: a click anywhere moves the handle's middle under the pointer.
    CPoint offset;
    CPoint handleOffset;
    CBitmap* handle;
    COffscreenContext* offscreen = nullptr;
    std::int32_t style;
    std::int32_t handleWidth = 1;
    std::int32_t handleHeight = 1;
    std::int32_t handleRange;
    std::int32_t minLimit = 0;
    std::int32_t maxLimit = 0;
    std::int32_t minPos;
    std::int32_t width;
    std::int32_t height;
    float zoomFactor = 10.0f;
    bool drawHandleTransparent = true;
    bool freeClick = true;
};

// A slider whose value runs from 0 at the bottom to 1 at the top.
class CVerticalSlider : public CSlider {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, std::int32_t tag,
                    std::int32_t lowestPosition, std::int32_t highestPosition, CBitmap* handle,
                    CBitmap* background, const CPoint& offset = CPoint());
    bool isTypeOf(const char* name) const override;
};

} // namespace VSTGUI
