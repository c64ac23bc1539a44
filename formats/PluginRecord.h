// The plug-in as a format adapter holds it: made through its entry point and
// driven through its effect record, as a VST 2.4 host drives it, so that
// every format gets the same plug-in with the same output bits. What the
// record tells its host (edits from the editor) goes to a listener.
#pragma once

#include "host/vst2.h"

#include <cstddef>

// What the plug-in tells its host; the editor's calls come on the thread
// that moved the control, the UI thread.
class RecordListener {
public:
    // A control of the editor set parameter index to value (0..1).
    virtual void parameterEdited(int index, float value) = 0;
    // The user took hold of, or let go of, the control of parameter index.
    virtual void editBegun(int index) = 0;
    virtual void editEnded(int index) = 0;
    // The open editor is width x height pixels now (it took a new scale);
    // true when the host's window follows. Without an answer it does not.
    virtual bool editorResized(int, int) { return false; }
    // The plug-in's latency changed, on the thread that set its rate.
    virtual void latencyChanged() {}

protected:
    ~RecordListener() = default;
};

class PluginRecord {
public:
    // Any thread but the audio thread: the plug-in made at rate, suspended.
    // listener may be null, and must outlive the record.
    PluginRecord(double rate, RecordListener* listener);
    // Same thread as the making: the editor closed, then the plug-in.
    ~PluginRecord();
    PluginRecord(const PluginRecord&) = delete;
    PluginRecord& operator=(const PluginRecord&) = delete;

    // False when the entry point made no plug-in; nothing else may be called then.
    bool made() const { return effect != nullptr; }
    AEffect* record() const { return effect; }

    // The index of the parameter of that name (letter case ignored), or -1.
    int parameterIndex(const char* name);
    // Any thread. value is 0..1; the plug-in clamps it.
    void setParameter(int index, float value);
    float parameter(int index) const;

    // Never while processing: the rate from now on. The plug-in may change
    // its latency with it.
    void setRate(double rate);
    // Never while processing: ready to process, or done with it.
    void resume();
    void suspend();
    // Audio thread: inputs and outputs may be the same buffers.
    void process(float* const* inputs, float* const* outputs, int frames);
    // Any thread: the frames by which the output lags behind the input.
    int latency() const { return effect->initialDelay; }

    // Never while restoring. The plug-in's settings in the bank form that VST
    // 2.4 hosts store; the bytes stay valid until the next call.
    std::size_t chunk(const unsigned char** bytes);
    void restoreChunk(const unsigned char* bytes, std::size_t size);

    // UI thread: the editor in the system window parent.
    bool editorSize(int& width, int& height);
    // UI thread, before or after the open: the scale of the host's windows
    // (1: the editor's own size); an open editor then resizes, and tells the
    // listener. False when the editor does not take it.
    bool setEditorScale(float factor);
    bool openEditor(void* parent);
    void closeEditor();
    void idleEditor();

private:
    static VstIntPtr VSTCALLBACK answer(AEffect* effect, VstInt32 opcode, VstInt32 index,
                                        VstIntPtr value, void* ptr, float opt);
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f) const;

    // effect: the record, from the making to the destruction.
    // listener: told of the editor's edits; may be null.
    // editorOpen: between openEditor and closeEditor (UI thread).
    AEffect* effect = nullptr;
    RecordListener* listener;
    bool editorOpen = false;
};
