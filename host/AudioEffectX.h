// Second level of the host binding: opcodes 25..79 and the host calls added
// by the extended interface.
#pragma once

#include "host/AudioEffect.h"

class AudioEffectX : public AudioEffect {
public:
    AudioEffectX(audioMasterCallback host, VstInt32 programCount, VstInt32 parameterCount)
        : AudioEffect(host, programCount, parameterCount) {}

    // Any thread the host chooses: routes opcodes 25..79, passes the rest down.
    VstIntPtr dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                         float opt) override;

    // Audio thread.
    virtual VstInt32 processEvents(VstEvents*) { return 0; }

    // UI thread.
    void resume() override;
    virtual bool canParameterBeAutomated(VstInt32) { return true; }
    virtual bool getProgramNameIndexed(VstInt32, VstInt32, char*) { return false; }
    virtual bool getOutputProperties(VstInt32, VstPinProperties*) { return false; }
    virtual VstInt32 getPlugCategory();
    virtual bool getEffectName(char*) { return false; }
    virtual bool getVendorString(char*) { return false; }
    virtual bool getProductString(char*) { return false; }
    virtual VstInt32 getVendorVersion() { return 0; }
    virtual VstInt32 canDo(const char*) { return 0; }
    virtual VstInt32 getVstVersion() { return 2400; }
    virtual VstInt32 getMidiProgramName(VstInt32, MidiProgramName*) { return 0; }
    virtual VstInt32 getCurrentMidiProgram(VstInt32, MidiProgramName*) { return -1; }
    virtual VstInt32 getMidiProgramCategory(VstInt32, MidiProgramCategory*) { return 0; }
    virtual bool getMidiKeyName(VstInt32, MidiKeyName*) { return false; }

    // Host callback wrappers; each answers 0 without a host.
    // Audio thread: the host's transport, or null.
    virtual VstTimeInfo* getTimeInfo(VstInt32 filter);
    virtual bool canHostDo(const char* text);
    virtual bool sizeWindow(VstInt32 width, VstInt32 height);
    virtual bool wantEvents(VstInt32 filter = 1);
    // UI thread: the record's channels or initial delay changed.
    virtual bool ioChanged();

    bool isSynth() const { return (record.flags & effFlagsIsSynth) != 0; }
};
