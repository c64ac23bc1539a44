// A view that holds an ordered list of child views and draws a background.
// The list order is the drawing order; mouse, key, wheel and drag dispatch
// walk it from the last child backwards, topmost first.
#pragma once

#include "vstgui/CView.h"

namespace VSTGUI {

class CViewContainer : public CView {
public:
    explicit CViewContainer(const CRect& size);
    ~CViewContainer() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    std::int32_t onKeyUp(CKeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis,
                 float distance) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where) override;
    void loseFocus(CDrawContext* context = nullptr) override;
    void takeFocus(CDrawContext* context = nullptr) override;
    bool isDirty() const override;
    bool hitTest(const CPoint& where, std::int32_t buttons = -1) override;
    void setViewSize(CRect& rect) override;
    bool removed(CView* parent) override;
    bool attached(CView* parent) override;
    CPoint& frameToLocal(CPoint& point) const override;
    CPoint& localToFrame(CPoint& point) const override;
    std::int32_t notify(CView* sender, const char* message) override;
    void redrawRect(CDrawContext* context, const CRect& rect) override;
    bool isTypeOf(const char* name) const override;
    void update(CDrawContext* context) override;

    virtual void addView(CView* view, CRect& mouseableArea, bool mouseEnabled = true);
    virtual void addView(CView* view);
    virtual void removeView(CView* view, bool withForget = true);
    virtual void removeAll(bool withForget = true);
    virtual bool isChild(CView* view) const;
    virtual std::int32_t getNbViews() const;
    virtual CView* getView(std::int32_t index) const;
    virtual void setBackgroundColor(const CColor& color);
    virtual CColor getBackgroundColor() const;
    virtual void setBackgroundOffset(const CPoint& point);
    virtual const CPoint& getBackgroundOffset() const;
    virtual void drawBackgroundRect(CDrawContext* context, CRect& rect);
    virtual void setMode(std::int32_t mode);
    virtual std::int32_t getMode() const;
    virtual void useOffscreen(bool state);
    virtual CView* getCurrentView() const;
    virtual CView* getViewAt(const CPoint& where, bool deep = false) const;
    virtual bool advanceNextFocusView(CView* oldFocus, bool reverse = false);

    enum Mode : std::int32_t { kNormalUpdate = 0, kOnlyDirtyUpdate = 1 };

protected:
    struct Node {
        CView* view;
        Node* next;
        Node* previous;
    };

    // Where drawing goes: the container's offscreen, or context with its
    // offsets moved to this container's top-left. Undone by endDrawing.
    CDrawContext* beginDrawing(CDrawContext* context);
    void endDrawing(CDrawContext* context);
    // The clip that children are bound by, in the target's coordinates.
    CRect clipBase(CDrawContext* context) const;
    void makeOffscreen();
    void forgetOffscreen();

    // firstChild / lastChild: the child list, in drawing order.
    // mode: update mode, kOnlyDirtyUpdate as made; other values make update do nothing.
    // offscreen: the container's own offscreen, only with drawInOffscreen.
    // backgroundColor / backgroundOffset: the fill without a bitmap, the source offset with one.
    // drawInOffscreen: children are drawn into the offscreen first.
    // currentDragView: the child under the pointer during a drag.
    Node* firstChild = nullptr;
    Node* lastChild = nullptr;
    std::int32_t mode = kOnlyDirtyUpdate;
    COffscreenContext* offscreen = nullptr;
    CColor backgroundColor = kBlackCColor;
    CPoint backgroundOffset;
    bool drawInOffscreen = false;
    CView* currentDragView = nullptr;
};

// Moves a context's drawing and screen offsets by (x, y) for one scope.
class OffsetShift {
public:
    OffsetShift(CDrawContext* context, std::int32_t x, std::int32_t y);
    ~OffsetShift();
    OffsetShift(const OffsetShift&) = delete;
    OffsetShift& operator=(const OffsetShift&) = delete;

private:
    CDrawContext* context;
    CPoint savedOffset;
    CPoint savedScreenOffset;
};

} // namespace VSTGUI
