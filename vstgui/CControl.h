// The base of every view that carries a value: bounds, a default, a tag that
// names the parameter, a listener told of the user's changes, and the edit
// calls that bracket a gesture for the host.
#pragma once

#include "vstgui/CView.h"

namespace VSTGUI {

class CControl;

// How a control reports to its owner. All calls come on the UI thread.
class CControlListener {
public:
    virtual ~CControlListener() = default;
    // The user changed the control's value.
    virtual void valueChanged(CDrawContext* context, CControl* control) = 0;
    // A click with Shift, Control, Alt or the fourth modifier arrived; an
    // answer other than 0 consumes it and the control does nothing more.
    virtual std::int32_t controlModifierClicked(CDrawContext* context, CControl* control,
                                                std::int32_t buttons);
};

class CControl : public CView {
public:
    // Made dirty, so that the first update draws it; a reference to
    // background is taken.
    CControl(const CRect& size, CControlListener* listener, std::int32_t tag,
             CBitmap* background = nullptr);

    void draw(CDrawContext* context) override = 0;
    bool isDirty() const override;
    // With false the shown value becomes the value; with true the two differ.
    void setDirty(bool state = true) override;
    bool isTypeOf(const char* name) const override;

    virtual void doIdleStuff();
    // Stored as given: no bounding, no redraw request.
    virtual void setValue(float newValue);
    virtual float getValue() const;
    virtual void setMin(float newMin);
    virtual float getMin() const;
    virtual void setMax(float newMax);
    virtual float getMax() const;
    virtual void setOldValue(float newOldValue);
    virtual float getOldValue() const;
    virtual void setDefaultValue(float newDefault);
    virtual float getDefaultValue() const;
    virtual void setTag(std::int32_t newTag);
    virtual std::int32_t getTag() const;
    // Makes this the frame's focus view and tells the frame's owner.
    virtual void beginEdit();
    virtual void endEdit();
    virtual void setBackOffset(const CPoint& offset);
    virtual void copyBackOffset();
    virtual void setWheelInc(float increment);
    virtual float getWheelInc() const;
    // Brings the value into [min, max]; a value that is not a number becomes min.
    virtual void bounceValue();
    // Ctrl with the left button and nothing else sets the default value;
    // answers whether it did.
    virtual bool checkDefaultValue(CDrawContext* context, std::int32_t buttons);

    // True for the second of two clicks within the double-click time; the
    // second click is forgotten, so a third one starts afresh.
    bool isDoubleClick();

protected:
    // The buttons of a mouse call: the live state when the caller gave -1.
    std::int32_t resolveButtons(CDrawContext* context, std::int32_t buttons) const;
    std::int32_t liveButtons(CDrawContext* context) const;
    // Asks the listener about a click with a modifier; true when it consumed the click.
    bool modifierClickConsumed(CDrawContext* context, std::int32_t buttons);
    // Tells the listener inside an edit, only when the control shows a change.
    void reportIfDirty(CDrawContext* context);
    // The wheel and arrow-key rules of the knobs, sliders and the horizontal switch.
    bool stepByWheel(CDrawContext* context, float distance);
    std::int32_t stepByArrowKey(const CKeyCode& key);
    // The owner's idle work on a pass of a mouse loop. False when the frame
    // was closed meanwhile: the loop must then return at once without
    // touching the control again, its edit already ended by the frame.
    bool idleInGesture();
    // Follows a held button: on each pass value = pick(where), the listener
    // hears of a change that shows, the pointer is read again and the owner
    // idles; passes repeat while the live buttons stay held. False when the
    // frame closed during the gesture.
    template <typename Pick>
    bool followHeldButtons(CDrawContext* context, CPoint& where, std::int32_t held, Pick pick) {
        do {
            value = pick(where);
            if (isDirty() && listener != nullptr) listener->valueChanged(context, this);
            getMouseLocation(context, where);
            if (!idleInGesture()) return false;
        } while (liveButtons(context) == held);
        return true;
    }
    // The background over the control's size from offset in the bitmap,
    // transparently when the control is transparent.
    void drawBackground(CDrawContext* context, const CPoint& offset);

    // listener: told of the user's changes; not owned; may be none.
    // tag: the parameter the control stands for.
    // oldValue: the value at the last draw; the dirty test compares with it.
    // defaultValue: set by Ctrl + click. value: the value, in [min, max] after gestures.
    // min / max: bounds. wheelInc: step per wheel unit and per arrow key.
    // lastClickTicks: system ms of a click that may begin a double click; 0 for none.
    // doubleClickTime: ms within which a second click makes a double click.
    // backOffset: source offset into the background (displays and sliders).
    CControlListener* listener;
    std::int32_t tag;
    float oldValue = 1.0f;
    float defaultValue = 0.5f;
    float value = 0.0f;
    float min = 0.0f;
    float max = 1.0f;
    float wheelInc = 0.1f;
    std::uint32_t lastClickTicks = 0;
    std::uint32_t doubleClickTime;
    CPoint backOffset;
};

} // namespace VSTGUI
