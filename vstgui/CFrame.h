// The root of the view tree: bound to a child window inside the host's
// window, owned by the editor. It keeps the editor-wide state (modal view,
// focus view, open and update flags, the back buffer) and runs the redraw
// pass that brings dirty views to the screen.
#pragma once

#include "vstgui/CFrameOwner.h"
#include "vstgui/CViewContainer.h"

#include <vector>

namespace VSTGUI {

class CFrame : public CViewContainer {
public:
    // Called on the host's UI thread; makes the frame's window inside
    // systemWindow when one is given, size (toolkit pixels) at scale percent
    // (Scale.h). owner may be null.
    CFrame(const CRect& size, void* systemWindow, CFrameOwner* owner,
           std::int32_t scale = kUnscaled);
    ~CFrame() override;

    void draw(CDrawContext* context) override;
    void drawRect(CDrawContext* context, const CRect& updateRect) override;
    void mouse(CDrawContext* context, CPoint& where, std::int32_t buttons = -1) override;
    std::int32_t onKeyDown(CKeyCode& key) override;
    std::int32_t onKeyUp(CKeyCode& key) override;
    bool onWheel(CDrawContext* context, const CPoint& where, std::int32_t axis,
                 float distance) override;
    bool onWheel(CDrawContext* context, const CPoint& where, float distance) override;
    void setViewSize(CRect& rect) override;
    CFrameOwner* getEditor() const override;
    bool isTypeOf(const char* name) const override;
    void update(CDrawContext* context) override;
    CView* getCurrentView() const override;
    bool advanceNextFocusView(CView* oldFocus, bool reverse = false) override;

    virtual bool open(CPoint* position = nullptr);
    virtual bool close();
    virtual bool isOpen() const;
    virtual void idle();
    virtual void doIdleStuff();
    virtual std::uint32_t getTicks() const;
    virtual std::int32_t getKnobMode() const;
    virtual bool setPosition(std::int32_t x, std::int32_t y);
    virtual bool getPosition(std::int32_t& x, std::int32_t& y) const;
    virtual bool setSize(std::int32_t width, std::int32_t height);
    virtual bool getSize(CRect* rect) const;
    virtual bool getSize(CRect& rect) const;
    virtual bool setModalView(CView* view);
    virtual CView* getModalView() const;
    virtual void beginEdit(std::int32_t index);
    virtual void endEdit(std::int32_t index);
    virtual bool getCurrentLocation(CPoint& where);
    virtual void setCursor(std::int32_t type);
    virtual void setFocusView(CView* view);
    virtual CView* getFocusView() const;
    virtual bool setDropActive(bool active);
    virtual bool isDropActive() const;
    virtual void setOpenFlag(bool state);
    virtual bool getOpenFlag() const;
    virtual void invalidate(const CRect& rect);
    // The device pixels per 100 of the frame's: views stay in toolkit
    // pixels, the window and everything drawn in it are scaled.
    std::int32_t getScale() const { return scale; }
    // UI thread: draws at another scale from now on. The owner asks the host
    // to fit its window to the frame's new size in device pixels, as
    // setSize does; false when the scale is the same or the frame is not open.
    bool setScale(std::int32_t percent);
    virtual bool setUpdatesDisabled(bool state);
    virtual bool updatesDisabled() const;
    // Draws view (a direct child, else the whole frame) at once, through the
    // back buffer when there is one, and shows its rectangle in the window.
    virtual void drawView(CView* view);

    // A context on the frame's window, or frameContext while the frame updates.
    // The caller forgets it.
    CDrawContext* createDrawContext();
    // The back buffer, made on first need; none when it cannot be made.
    COffscreenContext* getBackBuffer();
    native::Handle getNativeWindow() const { return window; }
    void* getSystemWindow() const { return systemWindow; }
    // The host destroyed its window: the frame draws nothing from now on.
    void windowDestroyed();
    // UI thread, from the owner that closes the frame, before it drops its
    // reference: a text entry in progress ends, every edit that a control
    // began and has not ended is ended for the owner, and nothing reaches the
    // owner any more. A control that holds the mouse sees isClosing at its
    // next idle and returns; the frame goes when that press has unwound.
    void closeForOwner();
    bool isClosing() const { return closing; }

protected:
    // owner: the editor that owns the frame, or null; not owned.
    // systemWindow: the host's parent window; cleared when the window is destroyed.
    // modalView: the one view offered clicks, keys and the wheel while set.
    // focusView: the view with keyboard focus; cleared by any click.
    // firstDraw: true until the first draw or drawRect (the first paint).
    // openFlag: true from construction until the window is destroyed.
    // dropActive: a drop target is registered for the window.
    // updatesAreDisabled: update draws nothing while set.
    // window: the frame's own child window; none when it could not be made.
    // blendLibrary / dropTarget: system handles held for the frame's life.
    // backBuffer: the frame-sized offscreen of the redraw pass, made on first need.
    // frameContext: stands in for a missing context while the frame updates.
    // defaultCursor: the cursor current before the first setCursor.
    // openEdits: the indices of the edits begun through the frame and not yet
    //   ended, the newest last.
    // closing: set by closeForOwner; the frame then lives only as long as a
    //   press in progress.
    // scale: device pixels per 100 toolkit pixels; changed by setScale.
    CFrameOwner* owner;
    void* systemWindow;
    CView* modalView = nullptr;
    CView* focusView = nullptr;
    bool firstDraw = true;
    bool openFlag = true;
    bool dropActive = false;
    bool updatesAreDisabled = false;
    native::Handle window = nullptr;
    native::Handle blendLibrary = nullptr;
    native::Handle dropTarget = nullptr;
    COffscreenContext* backBuffer = nullptr;
    CDrawContext* frameContext = nullptr;
    native::Handle defaultCursor = nullptr;
    std::vector<std::int32_t> openEdits;
    bool closing = false;
    std::int32_t scale;

private:
    // Brings the host's window and the frame's to the frame's size at its
    // scale: the host is asked first, and only a host that cannot resize gets
    // the windows between grown. True when the host took the size.
    bool fitWindows();
};

} // namespace VSTGUI
