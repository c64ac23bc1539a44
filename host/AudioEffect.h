// Base of the plug-in object: owns the effect record that the host drives,
// routes opcodes 0..24 and wraps the host callback.
#pragma once

#include "host/vst2.h"

class AEffEditor;

class AudioEffect {
public:
    // Called once by the entry point, on the thread that loads the plug-in.
    AudioEffect(audioMasterCallback host, VstInt32 programCount, VstInt32 parameterCount);
    AudioEffect(const AudioEffect&) = delete;
    AudioEffect& operator=(const AudioEffect&) = delete;
    // Destroys the editor object, if one is attached.
    virtual ~AudioEffect();

    // Any thread the host chooses: routes opcodes 0..24; others answer 0.
    virtual VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                 float opt);
    virtual AEffect* getAeffect() { return &record; }

    // effOpen / effClose, UI thread.
    virtual void open() {}
    virtual void close() {}

    // Programs, UI thread.
    virtual void setProgram(VstInt32 program) { currentProgram = program; }
    virtual VstInt32 getProgram() { return currentProgram; }
    virtual void setProgramName(const char*) {}
    virtual void getProgramName(char* name) { name[0] = 0; }
    virtual VstInt32 getChunk(void** data, bool programForm);
    virtual VstInt32 setChunk(void* data, VstInt32 byteSize, bool programForm);

    // Parameters: any thread (host, editor, MIDI inside processing).
    virtual void setParameter(VstInt32, float) {}
    virtual float getParameter(VstInt32) { return 0.0f; }
    virtual void setParameterAutomated(VstInt32 index, float value);
    virtual void getParameterLabel(VstInt32, char* label) { label[0] = 0; }
    virtual void getParameterDisplay(VstInt32, char* text) { text[0] = 0; }
    virtual void getParameterName(VstInt32, char* name) { name[0] = 0; }

    // Audio setup, UI thread, never while processing.
    virtual void setSampleRate(float rate) { sampleRate = rate; }
    virtual void setBlockSize(VstInt32 size) { blockSize = size; }
    virtual void suspend() {}
    virtual void resume() {}

    // Audio thread.
    virtual void process(float**, float**, VstInt32) {}
    virtual void processReplacing(float** inputs, float** outputs, VstInt32 frames) = 0;
    virtual void processDoubleReplacing(double**, double**, VstInt32) {}

    // Host callback wrappers; each answers 0 without a host.
    virtual bool beginEdit(VstInt32 index);
    virtual bool endEdit(VstInt32 index);
    virtual void masterIdle();

    // UI thread: the delay of the output, in frames, as the record reports it.
    void setInitialDelay(VstInt32 frames) { record.initialDelay = frames; }

    AEffEditor* getEditor() const { return editor; }
    // Attaches the editor object (owned from now on) and announces it in the record.
    void setEditor(AEffEditor* newEditor);

    // The formatting helpers behind the parameter texts; every copy is cut at
    // maxLength characters and terminated.
    static void float2string(float value, char* text, int maxLength);
    static void dB2string(float value, char* text, int maxLength);

protected:
    VstIntPtr callHost(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0,
                       void* ptr = nullptr, float opt = 0.0f);

    // host: the host's callback, fixed at construction; may be null.
    // editor: owned editor object, attached once during construction.
    // sampleRate / blockSize: last values the host set (UI thread).
    // programCount / parameterCount: fixed at construction.
    // currentProgram: selected program (UI thread).
    // record: the effect record handed to the host; fixed fields set at construction.
    audioMasterCallback host;
    AEffEditor* editor = nullptr;
    float sampleRate = 44100.0f;
    VstInt32 blockSize = 1024;
    VstInt32 programCount;
    VstInt32 parameterCount;
    VstInt32 currentProgram = 0;
    AEffect record;
};
