// The plug-in's editor: one control per parameter row on the face image,
// the values moving between the controls and the parameters, and the meters
// drawn from the maximizer's readings whenever the host idles the editor.
#pragma once

#include "core/ParamDef.h"
#include "editor/AEffGUIEditor.h"
#include "vstgui/CControl.h"

#include <atomic>
#include <cstdint>

class SynthCore;

namespace VSTGUI {
class CBitmap;
}

class GUIEditor : public AEffGUIEditor, public VSTGUI::CControlListener {
public:
    static constexpr std::int32_t kBackgroundId = 227;
    static constexpr int kRowCount = kParamRowCount;

    // UI thread, while the plug-in object is made: registers with core as its
    // editor, starts the image codecs and OLE, loads the face; opens no window.
    explicit GUIEditor(SynthCore* core);
    // UI thread, from the plug-in object's destruction, after the core has
    // closed an editor that was still open.
    ~GUIEditor() override;

    // UI thread, from effEditOpen: the frame in parent and one control per row
    // (an editor still open is closed first).
    bool open(void* parent) override;
    // UI thread, from effEditClose: the frame goes with every control.
    void close() override;
    // UI thread, from effEditIdle and from doIdleStuff: meters, the echo of
    // parameter changes, then the redraw of dirty views.
    void idle() override;
    // UI thread: a wheel turn at the system cursor.
    bool onWheel(float distance) override;
    // Any thread: the core changed parameter index; its controls follow on
    // the UI thread, at once after an edit of the editor's own, else at the
    // next idle.
    void setParameter(VstInt32 index, float value) override;

    // UI thread, from a control the user moves: an automated parameter change.
    void valueChanged(VSTGUI::CDrawContext* context, VSTGUI::CControl* control) override;
    // A click with a modifier is never taken from the control.
    std::int32_t controlModifierClicked(VSTGUI::CDrawContext*, VSTGUI::CControl*,
                                        std::int32_t) override {
        return 0;
    }

    bool isOpened() const { return opened.load(std::memory_order_relaxed); }
    VSTGUI::CControl* controlOf(int index) const;

private:
    void makeControls();
    VSTGUI::CControl* makeControl(int index);
    VSTGUI::CControl* makeSlider(int index);
    // Puts every changed parameter into its controls (UI thread).
    void echoChanges();
    void echo(int index);

    // core: the plug-in object; not owned. rows: its kRowCount parameter rows,
    //   whose control fields the editor fills while open.
    // background: the face (one reference held), loaded at construction.
    // opened: true from the end of open until close; read on any thread.
    // imageCodecs: the token of the image decoders, held for the editor's life.
    // echoPending: per row, a parameter change not yet shown; set on any
    //   thread, taken on the UI thread.
    SynthCore* core;
    ParamRow* rows;
    VSTGUI::CBitmap* background = nullptr;
    std::atomic<bool> opened{false};
    std::uintptr_t imageCodecs;
    std::atomic<bool> echoPending[kRowCount] = {};
};
