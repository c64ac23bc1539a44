// Base of everything drawn or clicked in the editor: a rectangle in its
// parent's coordinates with a dirty flag, an optional background bitmap and
// the hooks for mouse, keys, wheel, drag and focus.
#pragma once

#include "vstgui/CBitmap.h"
#include "vstgui/CKeyCode.h"

namespace VSTGUI {

class CDragContainer;
class CFrame;
class CFrameOwner;

// Messages are compared by address: another string with the same text does not match.
extern const char* const kMsgCheckIfViewContainer;

class CView : public CReferenceCounter {
public:
    explicit CView(const CRect& size);
    ~CView() override;

    virtual void draw(CDrawContext* context);
    virtual void drawRect(CDrawContext* context, const CRect& updateRect);
    virtual bool checkUpdate(const CRect& updateRect);
    virtual void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1);
    virtual void setBackground(CBitmap* bitmap);
    virtual CBitmap* getBackground() const;
    virtual std::int32_t onKeyDown(CKeyCode& key);
    virtual std::int32_t onKeyUp(CKeyCode& key);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis,
                         float distance);
    virtual bool onWheel(CDrawContext* context, const CPoint& where, float distance);
    virtual bool onDrop(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragEnter(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragLeave(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void onDragMove(CDrawContext* context, CDragContainer* drag, const CPoint& where);
    virtual void loseFocus(CDrawContext* context = nullptr);
    virtual void takeFocus(CDrawContext* context = nullptr);
    virtual bool isDirty() const;
    virtual void setDirty(bool state = true);
    virtual void setMouseEnabled(bool enable = true);
    virtual bool getMouseEnabled() const;
    virtual void setMouseableArea(const CRect& rect);
    virtual CRect& getMouseableArea(CRect& rect) const;
    virtual bool hitTest(const CPoint& where, std::int32_t buttons = -1);
    virtual void setTransparency(bool state);
    virtual bool getTransparency() const;
    virtual void setViewSize(CRect& rect);
    virtual CRect& getViewSize(CRect& rect) const;
    virtual bool removed(CView* parent);
    virtual bool attached(CView* parent);
    virtual void getMouseLocation(CDrawContext* context, CPoint& point);
    virtual CPoint& frameToLocal(CPoint& point) const;
    virtual CPoint& localToFrame(CPoint& point) const;
    virtual CFrameOwner* getEditor() const;
    virtual std::int32_t notify(CView* sender, const char* message);
    virtual void redrawRect(CDrawContext* context, const CRect& rect);
    virtual bool wantsFocus() const;
    virtual void setWantsFocus(bool state);
    virtual bool isTypeOf(const char* name) const;
    virtual void update(CDrawContext* context);

    // Set by the container that adds the view.
    void setParentFrame(CFrame* frame) { parentFrame = frame; }
    CFrame* getParentFrame() const { return parentFrame; }
    void setParentView(CView* view) { parentView = view; }
    CView* getParentView() const { return parentView; }

protected:
    // size: position and extent in the parent's coordinates.
    // mouseableArea: the part of the parent's coordinates that answers hitTest.
    // parentFrame / parentView: the root and the holding container, set by addView.
    // dirty: to be redrawn at the next update; set by changes, cleared by drawing.
    // mouseEnabled: takes part in mouse dispatch.
    // transparencyEnabled: background drawn with transparency, parent drawn underneath.
    // focusWanted: the view can take keyboard focus.
    // background: background bitmap, a reference held.
    CRect size;
    CRect mouseableArea;
    CFrame* parentFrame = nullptr;
    CView* parentView = nullptr;
    bool dirty = false;
    bool mouseEnabled = true;
    bool transparencyEnabled = false;
    bool focusWanted = false;
    CBitmap* background = nullptr;
};

} // namespace VSTGUI
