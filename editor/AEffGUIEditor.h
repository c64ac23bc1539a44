// The editor base that the toolkit's frame calls back into: the host's
// begin and end of an edit, the idle work during a mouse gesture, the
// process-wide knob mode and the host's window size. It hands the host's
// keys to the frame, and keeps the scale the editor is shown at: the one a
// host tells, else the system's, each taken as the nearest of the scales the
// plug-in carries images for.
#pragma once

#include "host/AEffEditor.h"
#include "vstgui/CFrameOwner.h"
#include "vstgui/Scale.h"

#include <atomic>
#include <cstdint>

namespace VSTGUI {
class CFrame;
}

class AEffGUIEditor : public AEffEditor, public VSTGUI::CFrameOwner {
public:
    // UI thread, while the plug-in object is being made.
    explicit AEffGUIEditor(AudioEffect* effect);

    // UI thread, any time: the editor's size at its scale. While closed and
    // told no scale by the host, the system's scale is read first.
    bool getRect(ERect** rect) override;
    // UI thread, any time: the host's scale, which the system's no longer
    // overrides; an open editor asks the host to fit its window.
    bool setScaleFactor(float factor) override;
    // UI thread, from the host's editor idle: redraws dirty views unless the
    // host is being idled from inside a mouse gesture.
    void idle() override;
    // UI thread, from the host's key opcodes: true when the frame used the key.
    bool onKeyDown(VstKeyCode& key) override;
    bool onKeyUp(VstKeyCode& key) override;
    // UI thread: the host's knob mode for every editor of the process.
    bool setKnobMode(VstInt32 mode) override;

    // UI thread, from a control that starts or ends a gesture.
    void beginEdit(VstInt32 index) override;
    void endEdit(VstInt32 index) override;
    // UI thread, from a control's mouse loop: keeps the editor drawing and the
    // host running about every 100 ms.
    void doIdleStuff() override;
    // UI thread, whenever a knob starts a drag.
    VstInt32 getKnobMode() const override { return knobMode.load(std::memory_order_relaxed); }
    // The mode every editor of the process shares.
    static VstInt32 processKnobMode() { return knobMode.load(std::memory_order_relaxed); }
    // UI thread, from the frame: a host that can size its window is asked to.
    bool resizeHostWindow(VstInt32 width, VstInt32 height) override;
    // UI thread, from the frame's window moved to a screen of another DPI.
    void systemScaleChanged() override;

protected:
    // UI thread, from the constructor: the editor's size in toolkit pixels.
    void setFaceSize(std::int32_t width, std::int32_t height);
    // UI thread, as the editor opens in parent: the scale to open at, the
    // host's or the system's for that window.
    std::int32_t scaleToOpenIn(void* parent);
    // UI thread, once the frame is made: asks the host to fit its window when
    // the size is not the one it was told before the open.
    void fitHostAfterOpen();

    // rect: the editor's size as reported to the host.
    // lastTicks: earliest time (ms) of the next full pass of doIdleStuff.
    // inIdleStuff: true while doIdleStuff is calling the host's idle.
    // frame: the frame while the editor is open; owned by the editor.
    ERect rect{};
    std::uint32_t lastTicks;
    bool inIdleStuff = false;
    VSTGUI::CFrame* frame = nullptr;

private:
    // Shows the editor at percent from now on: rect, and the open frame.
    void applyScale(std::int32_t percent);

    // faceWidth / faceHeight: the editor's size in toolkit pixels, from the face.
    // scale: the size it is shown at, percent; changed by the host, by the
    //   system's scale while the host has told none, and at open.
    // hostScale: the host's scale, 0 until a host tells one.
    // systemScaleRead: the system's scale was read for a closed editor.
    // toldBeforeOpen: rect as it was when the editor began to open.
    std::int32_t faceWidth = 0;
    std::int32_t faceHeight = 0;
    std::int32_t scale = VSTGUI::kUnscaled;
    std::int32_t hostScale = 0;
    bool systemScaleRead = false;
    ERect toldBeforeOpen{};

    // knobMode: 0 circular, 1 relative circular, 2 linear; one for the process,
    // set by every new instance, on whichever thread the host creates it.
    static std::atomic<VstInt32> knobMode;
};
