// The host binding's view of an editor: the operations that the dispatcher
// forwards editor requests to. The plug-in's editor derives from this.
#pragma once

#include "host/vst2.h"

class AudioEffect;

class AEffEditor {
public:
    explicit AEffEditor(AudioEffect* effect) : effect(effect) {}
    virtual ~AEffEditor() = default;

    virtual AudioEffect* getEffect() { return effect; }
    // UI thread: stores the address of the editor's size rectangle.
    virtual bool getRect(ERect** rect) = 0;
    // UI thread: the host hands over its parent window.
    virtual bool open(void* parentWindow) {
        systemWindow = parentWindow;
        return false;
    }
    virtual void close() { systemWindow = nullptr; }
    virtual bool isOpen() { return systemWindow != nullptr; }
    virtual void idle() {}
    virtual bool onKeyDown(VstKeyCode&) { return false; }
    virtual bool onKeyUp(VstKeyCode&) { return false; }
    virtual bool onWheel(float) { return false; }
    virtual bool setKnobMode(VstInt32) { return false; }
    // UI thread, from a host that tells the scale of its windows (1 is the
    // editor's own size), before or after open: true when the editor takes it.
    virtual bool setScaleFactor(float) { return false; }
    // Any thread: a parameter changed; the editor echoes it to its controls.
    virtual void setParameter(VstInt32, float) {}

protected:
    AudioEffect* effect;
    void* systemWindow = nullptr;
};
